#include "core/text/encodings/GSimpleEncoding.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/memory/GSharedObject.h"
#include "support/SingleByteTestSetup.h"

namespace {

class GSimpleEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    GUnicodeEncoding const* Unicode() const { return GUnicodeEncoding::GetInstance(); }
};

// Built directly, an encoding is empty and carries the name it was given.
TEST_F(GSimpleEncodingTest, StartsEmpty) {
    GSharedObject<GSimpleEncoding> encoding(new GSimpleEncoding(GBuffer("FontSpecific")));
    EXPECT_EQ(BytesOf(encoding->GetASCIIDescription()), "FontSpecific");
    EXPECT_TRUE(encoding->IsOfType(GBuffer("FontSpecific")));
    for (int b = 0; b < 256; ++b) {
        EXPECT_FALSE(encoding->HasMapping(static_cast<unsigned char>(b)));
        EXPECT_EQ(DecodeByte(*encoding, b), -1);
    }
    GBuffer out;
    EXPECT_EQ(encoding->ConvertFromUnicode(UTF16Buffer(u"A"), out), GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), "@");
}

TEST_F(GSimpleEncodingTest, BothIndexesKeepTheFirstByte) {
    GSimpleEncoding encoding(GBuffer("Test"));
    encoding.AddMapping(0x10, GBuffer("dot"), static_cast<unsigned short>(0x2022));
    encoding.AddMapping(0x20, GBuffer("dot"), static_cast<unsigned short>(0x2022));

    GCharCode code;
    encoding.GetCharCode(GBuffer("dot"), code);
    EXPECT_EQ(code, GCharCode(static_cast<unsigned char>(0x10)));
    GBuffer out;
    EXPECT_EQ(encoding.ConvertFromUnicode(UTF16Buffer(u"\u2022"), out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "\x10");
    // The later byte still has its own name and text.
    EXPECT_EQ(GlyphNameOf(encoding, 0x20), "dot");
    EXPECT_EQ(DecodeByte(encoding, 0x20), 0x2022);
}

TEST_F(GSimpleEncodingTest, NamesAndValuesOnTheirOwn) {
    GSimpleEncoding encoding(GBuffer("Test"));
    encoding.AddMapping(0x41, GBuffer("Asmall"));
    encoding.AddMapping(0x42, GCharCode(static_cast<unsigned short>(0x0042)));

    EXPECT_TRUE(encoding.HasMapping(0x41));
    EXPECT_TRUE(encoding.HasMapping(0x42));
    EXPECT_EQ(GlyphNameOf(encoding, 0x41), "Asmall");
    EXPECT_EQ(DecodeByte(encoding, 0x41), -1);  // a glyph without a value
    EXPECT_EQ(DecodeByte(encoding, 0x42), 0x42);
    GBuffer name("stale");
    EXPECT_FALSE(encoding.GetGlyphName(GCharCode(static_cast<unsigned char>(0x42)), name));
    EXPECT_TRUE(name.IsEmpty());
}

// An entry forced with an empty name counts as a glyph but gives no name to look up.
TEST_F(GSimpleEncodingTest, AnEmptyNameIsNeverIndexed) {
    GSimpleEncoding encoding(GBuffer("Test"));
    encoding.AddMapping(0x07, GBuffer(), GCharCode(), true);
    EXPECT_TRUE(encoding.HasMapping(0x07));
    GBuffer name;
    EXPECT_TRUE(encoding.GetGlyphName(GCharCode(static_cast<unsigned char>(0x07)), name));
    EXPECT_TRUE(name.IsEmpty());
    GCharCode code(static_cast<unsigned char>(1));
    encoding.GetCharCode(GBuffer(), code);
    EXPECT_TRUE(code.IsEmpty());
    // Without always, an empty name and an empty code change nothing.
    encoding.AddMapping(0x08, GBuffer(), GCharCode(), false);
    EXPECT_FALSE(encoding.HasMapping(0x08));
}

// A byte may stand for a sequence of units (a ligature without a code of its own).
TEST_F(GSimpleEncodingTest, BytesWithSeveralUnits) {
    GSimpleEncoding encoding(GBuffer("Test"));
    GCharCode th;
    th.SetUnicode(UTF16Buffer(u"Th"));
    encoding.AddMapping(0x01, GBuffer("T_h"), th, false);
    encoding.AddMapping(0x54, static_cast<unsigned short>('T'));
    encoding.AddMapping(0x68, static_cast<unsigned short>('h'));

    GBuffer out;
    EXPECT_EQ(encoding.ConvertTo(ByteBuffer("T\x01h\x02T"), Unicode(), out), GEncoding::kConvertLossy);
    EXPECT_EQ(UnitsOf(out), u"TThh@T");
    EXPECT_EQ(encoding.ConvertTo(ByteBuffer("\x01\x01"), Unicode(), out), GEncoding::kConvertOK);
    EXPECT_EQ(UnitsOf(out), u"ThTh");
    // Encoding goes unit by unit, so the sequence comes back as its letters.
    EXPECT_EQ(encoding.ConvertFromUnicode(UTF16Buffer(u"Th"), out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "Th");
}

TEST_F(GSimpleEncodingTest, UnitsWithoutByteAndOddLengths) {
    GSimpleEncoding encoding(GBuffer("Test"));
    encoding.AddMapping(0x41, static_cast<unsigned short>('A'));
    encoding.AddMapping(0x80, static_cast<unsigned short>(0x4100));  // same low byte, other page
    encoding.AddMapping(0x00, static_cast<unsigned short>(0x0000));

    GBuffer out;
    EXPECT_EQ(encoding.ConvertFromUnicode(UTF16Buffer(u"A\u4100"), out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "A\x80");
    EXPECT_EQ(encoding.ConvertFromUnicode(UTF16Buffer(std::u16string(1, u'\0')), out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), std::string(1, '\0'));
    // A 3-byte source is one unit and a byte that is ignored.
    GBuffer three = UTF16Buffer(u"A");
    three += static_cast<unsigned char>(0x41);
    EXPECT_EQ(encoding.ConvertFromUnicode(three, out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "A");
    // Surrogate halves are looked up one by one.
    EXPECT_EQ(encoding.ConvertFromUnicode(UTF16Buffer(u"\U0001F600A\u0141"), out), GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), "@@A@");
    EXPECT_EQ(encoding.ConvertFromUnicode(GBuffer(), out), GEncoding::kConvertOK);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(encoding.ConvertTo(GBuffer(), Unicode(), out), GEncoding::kConvertOK);
    EXPECT_TRUE(out.IsEmpty());
}

TEST_F(GSimpleEncodingTest, GlyphNamesNeedOneByteCodes) {
    GSimpleEncoding encoding(GBuffer("Test"));
    encoding.AddMapping(0x41, GBuffer("A"), static_cast<unsigned short>('A'));
    GBuffer name("stale");
    EXPECT_FALSE(encoding.GetGlyphName(GCharCode(static_cast<unsigned short>(0x0041)), name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_FALSE(encoding.GetGlyphName(GCharCode(), name));
    EXPECT_TRUE(encoding.GetGlyphName(GCharCode(static_cast<unsigned char>(0x41)), name));
    EXPECT_EQ(BytesOf(name), "A");
    GCharCode code(static_cast<unsigned char>(1));
    encoding.GetCharCode(GBuffer("B"), code);
    EXPECT_TRUE(code.IsEmpty());
}

// The default character is a byte: one from the upper half is neither sign-extended into UTF-16
// nor cut when encoding.
TEST_F(GSimpleEncodingTest, DefaultCharacterIsUnsigned) {
    DefaultCharacterScope scope(static_cast<char>(0xA4));
    GSimpleEncoding encoding(GBuffer("Test"));
    encoding.AddMapping(0x41, static_cast<unsigned short>('A'));
    GBuffer out;
    EXPECT_EQ(encoding.ConvertTo(ByteBuffer("A\xFF"), Unicode(), out), GEncoding::kConvertLossy);
    EXPECT_EQ(UnitsOf(out), u"A\u00A4");
    EXPECT_EQ(encoding.ConvertFromUnicode(UTF16Buffer(u"\u00E9A"), out), GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), "\xA4"
                            "A");
}

TEST_F(GSimpleEncodingTest, SourceAndOutputMayBeOneBuffer) {
    GMacRomanEncoding const* macRoman = GMacRomanEncoding::GetInstance();
    GBuffer text = ByteBuffer("caf\x8E");
    EXPECT_EQ(macRoman->ConvertTo(text, Unicode(), text), GEncoding::kConvertOK);
    EXPECT_EQ(UnitsOf(text), u"caf\u00E9");
    EXPECT_EQ(macRoman->ConvertFromUnicode(text, text), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(text), "caf\x8E");
}

TEST_F(GSimpleEncodingTest, LongTextsTakeTheFastAndTheSlowPath) {
    GSimpleEncoding encoding(GBuffer("Test"));
    for (int b = 0x20; b < 0x7F; ++b)
        encoding.AddMapping(static_cast<unsigned char>(b), static_cast<unsigned short>(b));
    GCharCode ffi;
    ffi.SetUnicode(UTF16Buffer(u"ffi"));
    encoding.AddMapping(0x01, ffi);
    std::string bytes(5000, 'x');
    bytes[4000] = '\x01';
    bytes[10] = '\x02';
    GBuffer out;
    EXPECT_EQ(encoding.ConvertTo(ByteBuffer(bytes), Unicode(), out), GEncoding::kConvertLossy);
    std::u16string expected(5000, u'x');
    expected[10] = u'@';
    expected.replace(4000, 1, u"ffi");
    EXPECT_EQ(UnitsOf(out), expected);
}

// Long texts go through block copies and table blocks; they must give what the bytes and units
// give one by one, whatever mix of plain runs, other characters and unmapped ones they hold.
TEST_F(GSimpleEncodingTest, LongTextsMatchCharacterByCharacter) {
    GSimpleEncoding const* encodings[] = {GMacRomanEncoding::GetInstance(), GWinAnsiEncoding::GetInstance(),
                                          GPDFDocEncoding::GetInstance(), GStandardEncoding::GetInstance(),
                                          GMacExpertEncoding::GetInstance()};
    std::mt19937 random(7);
    std::string bytes;
    std::u16string units;
    for (int i = 0; i < 3000; ++i) {
        const bool plain = (i / 40) % 2 == 0;  // stretches of printable ASCII between mixed ones
        bytes += static_cast<char>(plain ? 0x20 + random() % 0x5F : random() % 256);
        const unsigned other = random() % 3 == 0 ? random() % 0x10000 : random() % 256;
        units += static_cast<char16_t>(plain ? 0x20 + random() % 0x5F : other);
    }
    for (GSimpleEncoding const* encoding : encodings) {
        SCOPED_TRACE(BytesOf(encoding->GetASCIIDescription()));
        for (std::size_t length : {bytes.size(), std::size_t(47), std::size_t(1)}) {
            const std::string part = bytes.substr(bytes.size() - length);
            std::u16string expected;
            int32_t expectedStatus = GEncoding::kConvertOK;
            for (char c : part) {
                GBuffer one;
                if (encoding->ConvertTo(ByteBuffer(std::string(1, c)), Unicode(), one) != GEncoding::kConvertOK)
                    expectedStatus = GEncoding::kConvertLossy;
                expected += UnitsOf(one);
            }
            GBuffer out;
            EXPECT_EQ(encoding->ConvertTo(ByteBuffer(part), Unicode(), out), expectedStatus);
            EXPECT_EQ(UnitsOf(out), expected);
        }
        std::string expected;
        int32_t expectedStatus = GEncoding::kConvertOK;
        for (char16_t unit : units) {
            GBuffer one;
            if (encoding->ConvertFromUnicode(UTF16Buffer(std::u16string(1, unit)), one) != GEncoding::kConvertOK)
                expectedStatus = GEncoding::kConvertLossy;
            expected += BytesOf(one);
        }
        GBuffer out;
        EXPECT_EQ(encoding->ConvertFromUnicode(UTF16Buffer(units), out), expectedStatus);
        EXPECT_EQ(BytesOf(out), expected);
    }
}

// Texts of mapped bytes only, high ones included, decode in whole blocks; a byte that decodes to
// U+FFFF, and a mapping changed after a long text was decoded once, still come out right.
TEST_F(GSimpleEncodingTest, MappedBytesDecodeInBlocksLikeOneByOne) {
    GSimpleEncoding const* encodings[] = {GMacRomanEncoding::GetInstance(), GWinAnsiEncoding::GetInstance(),
                                          GPDFDocEncoding::GetInstance(), GStandardEncoding::GetInstance(),
                                          GMacExpertEncoding::GetInstance()};
    std::mt19937 random(11);
    for (GSimpleEncoding const* encoding : encodings) {
        SCOPED_TRACE(BytesOf(encoding->GetASCIIDescription()));
        std::vector<int> mapped;
        for (int b = 0; b < 256; ++b)
            if (DecodeByte(*encoding, b) >= 0)
                mapped.push_back(b);
        std::string bytes;
        std::u16string expected;
        for (int i = 0; i < 2000; ++i) {
            const int b = mapped[random() % mapped.size()];
            bytes += static_cast<char>(b);
            expected += static_cast<char16_t>(DecodeByte(*encoding, b));
        }
        GBuffer out;
        EXPECT_EQ(encoding->ConvertTo(ByteBuffer(bytes), Unicode(), out), GEncoding::kConvertOK);
        EXPECT_EQ(UnitsOf(out), expected);
    }

    GSimpleEncoding custom(GBuffer("Test"));
    for (int b = 0; b < 256; ++b)
        custom.AddMapping(static_cast<unsigned char>(b), static_cast<unsigned short>(0x0400 + b));
    custom.AddMapping(0xF0, static_cast<unsigned short>(0xFFFF));
    std::string bytes;
    std::u16string expected;
    for (int i = 0; i < 640; ++i) {
        const int b = static_cast<int>(random() % 256);
        bytes += static_cast<char>(b);
        expected += static_cast<char16_t>(b == 0xF0 ? 0xFFFF : 0x0400 + b);
    }
    GBuffer out;
    EXPECT_EQ(custom.ConvertTo(ByteBuffer(bytes), Unicode(), out), GEncoding::kConvertOK);
    EXPECT_EQ(UnitsOf(out), expected);
    custom.AddMapping(0x41, static_cast<unsigned short>(0x00C5));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == 0x41)
            expected[i] = 0x00C5;
    EXPECT_EQ(custom.ConvertTo(ByteBuffer(bytes), Unicode(), out), GEncoding::kConvertOK);
    EXPECT_EQ(UnitsOf(out), expected);
}

} // namespace
