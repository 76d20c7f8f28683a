#include "core/text/encodings/GUnicodeEncoding.h"

#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <random>
#include <string>
#include <vector>

#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/generated/GGlyphListTables.h"
#include "core/text/encodings/generated/GSingleByteTables.h"
#include "support/EncodingTestSetup.h"

namespace {

enum class Target { MacRoman, ASCII, WinAnsi, PDFDoc };

class GUnicodeEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    static GUnicodeEncoding const* unicode() { return GUnicodeEncoding::GetInstance(); }

    static int32_t Encode(Target target, std::u16string const& units, std::string& bytes) {
        const GBuffer source = UTF16Buffer(units);
        GBuffer out("stale");
        int32_t status = 0;
        switch (target) {
        case Target::MacRoman: status = unicode()->ConvertTo(source, static_cast<GMacRomanEncoding const*>(nullptr), out); break;
        case Target::ASCII: status = unicode()->ConvertTo(source, GASCIIEncoding::GetInstance(), out); break;
        case Target::WinAnsi: status = unicode()->ConvertTo(source, static_cast<GWinAnsiEncoding const*>(nullptr), out); break;
        case Target::PDFDoc: status = unicode()->ConvertTo(source, static_cast<GPDFDocEncoding const*>(nullptr), out); break;
        }
        bytes = BytesOf(out);
        return status;
    }

    static std::u16string GlyphNames(char16_t value) {
        GTable<GBuffer> names;
        unicode()->GetGlyphNameTable(GCharCode(static_cast<unsigned short>(value)), names);
        std::u16string joined;
        for (GBuffer const& name : names) {
            std::string text = BytesOf(name);
            joined += std::u16string(text.begin(), text.end()) + u"|";
        }
        return joined;
    }

    static std::vector<unsigned char> CharCode(char const* name) {
        GCharCode code;
        unicode()->GetCharCode(GBuffer(name), code);
        return std::vector<unsigned char>(code.Get(), code.Get() + code.GetLength());
    }
};

TEST_F(GUnicodeEncodingTest, TypedConversionsToSingleBytes) {
    struct Case {
        Target target;
        std::u16string units;
        std::string bytes;
        int32_t status;
    };
    const Case cases[] = {
        {Target::WinAnsi, u"\u20AC", "\x80", 1},
        {Target::WinAnsi, u"\u2022", "\x95", 1},
        {Target::WinAnsi, u"\u00A0", "@", 2},
        {Target::WinAnsi, std::u16string(1, u'\0'), "@", 2},
        {Target::WinAnsi, u" -\u00E9", " -\xE9", 1},
        {Target::WinAnsi, u"\u00AD", "@", 2},
        {Target::MacRoman, u" \u00E9\u2020", " \x8E\xA0", 1},
        {Target::MacRoman, u"\u00A0", "@", 2},
        {Target::MacRoman, u"\u00A4", "\xDB", 1},
        {Target::MacRoman, u"\u20AC", "@", 2},
        {Target::PDFDoc, u"\u00F7\u20AC\u02D8", "\x87\xA0\x18", 1},
        {Target::PDFDoc, u"\u2212", "@", 2},
        {Target::ASCII, u"\u0007\u007F", "\x07\x7F", 1},
        {Target::ASCII, u"\u0005\u00E9", "@@", 2},
        // Each half of a surrogate pair is a unit without byte.
        {Target::WinAnsi, u"\xD83D\xDE00", "@@", 2},
        {Target::ASCII, u"", "", 1},
    };
    for (Case const& c : cases) {
        std::string bytes;
        EXPECT_EQ(Encode(c.target, c.units, bytes), c.status) << static_cast<int>(c.target) << " " << c.bytes;
        EXPECT_EQ(bytes, c.bytes) << static_cast<int>(c.target);
    }
}

TEST_F(GUnicodeEncodingTest, AnOddLastByteIsIgnored) {
    GBuffer source = UTF16Buffer(u"AB");
    source.AppendByteArray(reinterpret_cast<unsigned char const*>("\x43"), 1);
    GBuffer out;
    EXPECT_EQ(unicode()->ConvertTo(source, static_cast<GWinAnsiEncoding const*>(nullptr), out), 1);
    EXPECT_EQ(BytesOf(out), "AB");
    EXPECT_EQ(unicode()->ConvertTo(ByteBuffer("A"), static_cast<GWinAnsiEncoding const*>(nullptr), out), 1);
    EXPECT_TRUE(out.IsEmpty());
}

// Every byte with a value encodes back to a byte with the same value; runs of text with one
// special unit anywhere go through the block-wise path the same way as one by one.
TEST_F(GUnicodeEncodingTest, TypedConversionsAgreeWithTheByteTables) {
    struct Table {
        Target target;
        uint16_t const* toUnicode;
    };
    const Table tables[] = {{Target::MacRoman, cMacRomanToUnicode},
                            {Target::WinAnsi, cWinAnsiToUnicode},
                            {Target::PDFDoc, cPDFDocToUnicode},
                            {Target::ASCII, cASCIIToUnicode}};
    for (Table const& t : tables) {
        std::u16string all;
        for (int b = 0; b < 256; ++b) {
            if (t.toUnicode[b] == 0)
                continue;
            std::string bytes;
            ASSERT_EQ(Encode(t.target, std::u16string(1, static_cast<char16_t>(t.toUnicode[b])), bytes), 1) << b;
            ASSERT_EQ(bytes.size(), 1u);
            EXPECT_EQ(t.toUnicode[static_cast<unsigned char>(bytes[0])], t.toUnicode[b]) << b;
            all += static_cast<char16_t>(t.toUnicode[b]);
        }
        std::string expected;
        for (char16_t unit : all) {
            std::string one;
            Encode(t.target, std::u16string(1, unit), one);
            expected += one;
        }
        std::string bytes;
        EXPECT_EQ(Encode(t.target, all, bytes), 1);
        EXPECT_EQ(bytes, expected);
    }
    const std::u16string specials = u"\u00E9\u0001\u20AC\u4E00\x7F";
    for (char16_t special : specials) {
        for (std::size_t at = 0; at < 40; ++at) {
            std::u16string text(40, u'x');
            text[at] = special;
            for (Target target : {Target::MacRoman, Target::WinAnsi, Target::PDFDoc, Target::ASCII}) {
                std::string one;
                const int32_t oneStatus = Encode(target, std::u16string(1, special), one);
                std::string bytes;
                EXPECT_EQ(Encode(target, text, bytes), oneStatus);
                EXPECT_EQ(bytes, std::string(at, 'x') + one + std::string(39 - at, 'x')) << at;
            }
        }
    }
}

TEST_F(GUnicodeEncodingTest, CopiesAndDispatches) {
    const GBuffer text = UTF16Buffer(u"\u00E9t\u00E9");
    GBuffer out;
    EXPECT_EQ(unicode()->ConvertTo(text, unicode(), out), 1);
    EXPECT_EQ(out, text);
    EXPECT_EQ(unicode()->ConvertFrom(text, unicode(), out), 1);
    EXPECT_EQ(out, text);
    EXPECT_EQ(unicode()->ConvertFrom(text, nullptr, out), 4);
    GBuffer same = text;
    EXPECT_EQ(unicode()->ConvertTo(same, static_cast<GMacRomanEncoding const*>(nullptr), same), 1);
    EXPECT_EQ(BytesOf(same), "\x8Et\x8E");
}

TEST_F(GUnicodeEncodingTest, Length) {
    const char16_t text[] = u"AB\0C";
    EXPECT_EQ(unicode()->GetLength(reinterpret_cast<unsigned char const*>(text)), 4);
    EXPECT_EQ(unicode()->GetLength(reinterpret_cast<unsigned char const*>(u"")), 0);
    EXPECT_EQ(unicode()->GetLength(nullptr), 0);
}

TEST_F(GUnicodeEncodingTest, GlyphNamesOfValues) {
    GBuffer name;
    EXPECT_TRUE(unicode()->GetGlyphName(GCharCode(static_cast<unsigned short>(0x0020)), name));
    EXPECT_EQ(BytesOf(name), "space");
    EXPECT_TRUE(unicode()->GetGlyphName(GCharCode(static_cast<unsigned char>(0x20)), name));  // 1 byte: its value
    EXPECT_EQ(BytesOf(name), "space");
    EXPECT_FALSE(unicode()->GetGlyphName(GCharCode(0x20u, 3), name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_FALSE(unicode()->GetGlyphName(GCharCode(), name));
    EXPECT_FALSE(unicode()->GetGlyphName(GCharCode(static_cast<unsigned short>(0x0000)), name));

    EXPECT_EQ(GlyphNames(0x0020), u"space|spacehackarabic|");
    EXPECT_EQ(GlyphNames(0x00A0), u"nbspace|nonbreakingspace|");
    EXPECT_EQ(GlyphNames(0x2701), u"UPPER BLADE SCISSORS|a1|");
    EXPECT_EQ(GlyphNames(0x00E9), u"eacute|");
    EXPECT_EQ(GlyphNames(0xE000), u"");
}

// The preference rule over the whole list: a value's preferred name is a dingbat number only
// when all its names are, and every dingbat's character name comes before its number.
TEST_F(GUnicodeEncodingTest, PreferredNamesOverTheWholeList) {
    auto isNumber = [](std::string const& name) {
        return name.size() >= 2 && name[0] == 'a' && name[1] != '0' &&
               name.find_first_not_of("0123456789", 1) == std::string::npos;
    };
    for (GGlyphNameRow const& row : cUnicodeGlyphNames) {
        GTable<GBuffer> names;
        unicode()->GetGlyphNameTable(GCharCode(static_cast<unsigned short>(row.unicode)), names);
        ASSERT_GT(names.GetCount(), 0) << row.name;
        bool allNumbers = true;
        for (GBuffer const& name : names)
            allNumbers = allNumbers && isNumber(BytesOf(name));
        EXPECT_EQ(isNumber(BytesOf(names[0])), allNumbers) << row.name;
    }
    for (int i = cAdobeGlyphListRowCount; i + 1 < cUnicodeGlyphNameRowCount; i += 2) {
        GGlyphNameRow const& character = cUnicodeGlyphNames[i];
        GGlyphNameRow const& number = cUnicodeGlyphNames[i + 1];
        ASSERT_TRUE(isNumber(number.name)) << number.name;
        GTable<GBuffer> names;
        unicode()->GetGlyphNameTable(GCharCode(static_cast<unsigned short>(character.unicode)), names);
        int characterAt = -1;
        int numberAt = -1;
        for (int k = 0; k < names.GetCount(); ++k) {
            if (BytesOf(names[k]) == character.name)
                characterAt = k;
            if (BytesOf(names[k]) == number.name)
                numberAt = k;
        }
        EXPECT_GE(characterAt, 0) << character.name;
        EXPECT_LT(characterAt, numberAt) << character.name;
    }
    ASSERT_NE(unicode()->GetCharCodes(), nullptr);
    EXPECT_EQ(unicode()->GetCharCodes()->GetCount(), cUnicodeGlyphNameRowCount);
}

TEST_F(GUnicodeEncodingTest, CharCodesOfNames) {
    using Bytes = std::vector<unsigned char>;
    struct Case {
        char const* name;
        Bytes code;
    };
    const Case cases[] = {
        {"A", {0x00, 0x41}},
        {"space", {0x00, 0x20}},
        {"afii10017", {0x04, 0x10}},
        {"ffi", {0xFB, 0x03}},
        {"f_f_i", {0xFB, 0x03}},
        {"T_h", {0x00, 0x54, 0x00, 0x68}},
        {"A__B_", {0x00, 0x41, 0x00, 0x42}},
        {"A.sc", {0x00, 0x41}},
        {"f_f_i.alt", {0xFB, 0x03}},
        {"T_h.liga", {0x00, 0x54, 0x00, 0x68}},
        {"a1", {0x27, 0x01}},
        {"UPPER BLADE SCISSORS", {0x27, 0x01}},
        {"uni0041", {}},
        {"u0041", {}},
        {"T_nosuchglyph", {}},
        {"_", {}},
        {"nosuchglyph", {}},
        {".notdef", {}},
        {"", {}},
    };
    for (Case const& c : cases)
        EXPECT_EQ(CharCode(c.name), c.code) << c.name;
}

TEST_F(GUnicodeEncodingTest, LigaturesThatCannotBeHeldGetNoCode) {
    std::string name = "A";
    for (int i = 1; i < 127; ++i)
        name += "_A";
    EXPECT_EQ(CharCode(name.c_str()).size(), 254u);
    name += "_A";  // 128 units: 256 bytes
    EXPECT_TRUE(CharCode(name.c_str()).empty());
    GCharCode code;
    unicode()->GetLigatureCharCode(GBuffer("ffi"), code);  // no "_"
    EXPECT_TRUE(code.IsEmpty());
}

TEST_F(GUnicodeEncodingTest, CompatibilityCharacters) {
    GCharCode replacement;
    EXPECT_TRUE(unicode()->GetCompatChar(GCharCode(static_cast<unsigned short>(0x00B5)), replacement));
    EXPECT_EQ(replacement, GCharCode(static_cast<unsigned short>(0x03BC)));
    EXPECT_TRUE(unicode()->GetCompatChar(GCharCode(static_cast<unsigned short>(0x00AD)), replacement));
    EXPECT_EQ(replacement, GCharCode(static_cast<unsigned short>(0x002D)));
    EXPECT_TRUE(unicode()->GetCompatChar(GCharCode(static_cast<unsigned short>(0x2F00)), replacement));
    EXPECT_EQ(replacement, GCharCode(static_cast<unsigned short>(0x4E00)));
    EXPECT_FALSE(unicode()->GetCompatChar(GCharCode(static_cast<unsigned short>(0x0041)), replacement));
    EXPECT_FALSE(unicode()->GetCompatChar(GCharCode(0xB5u, 3), replacement));
}

TEST_F(GUnicodeEncodingTest, TablesComeAndGo) {
    GUnicodeEncoding::Finalize();
    GBuffer name;
    GCharCode code;
    EXPECT_FALSE(unicode()->GetGlyphName(GCharCode(static_cast<unsigned short>(0x0041)), name));
    unicode()->GetCharCode(GBuffer("A"), code);
    EXPECT_TRUE(code.IsEmpty());
    EXPECT_FALSE(unicode()->GetCompatChar(GCharCode(static_cast<unsigned short>(0x00B5)), code));
    EXPECT_EQ(unicode()->GetCharCodes(), nullptr);
    GUnicodeEncoding::Initialize();
    GUnicodeEncoding::Initialize();  // a second call keeps the tables
    unicode()->GetCharCode(GBuffer("A"), code);
    EXPECT_EQ(code, GCharCode(static_cast<unsigned short>(0x0041)));
}

std::u16string Composed(std::u16string const& text) {
    GBuffer buffer = UTF16Buffer(text);
    GUnicodeEncoding::GetInstance()->EnsureComposedUnicode(buffer);
    return UnitsOf(buffer);
}

TEST_F(GUnicodeEncodingTest, Composition) {
    struct Case {
        std::u16string text;
        std::u16string composed;
    };
    const std::u16string ascii(40, u'x');
    const Case cases[] = {
        {u"", u""},
        {u"e\u0301", u"\u00E9"},
        {u"\u00E9", u"\u00E9"},
        {u"A\u030A\u0301", u"\u01FA"},
        {u"\u1100\u1161", u"\uAC00"},
        {ascii + u"e\u0301" + ascii, ascii + u"\u00E9" + ascii},
        {u"\u4E00\u4E8C" + ascii + u"o\u0308", u"\u4E00\u4E8C" + ascii + u"\u00F6"},
        {u"\u0301", u"\u0301"},
        {u"\xD800x\xDC00", u"\xD800x\xDC00"},
        {u"\xD83D\xDE00\u0065\u0301", u"\xD83D\xDE00\u00E9"},
        {u"\u212B", u"\u00C5"},  // a singleton decomposition
        // Runs of Latin text and ideographs pass in blocks: what follows them is still seen.
        {u"\u65E5\u672Cxyz\u8A9E\u00E9ab" + ascii + u"\u65E5e\u0301", u"\u65E5\u672Cxyz\u8A9E\u00E9ab" + ascii + u"\u65E5\u00E9"},
        {u"\u3400\u9FFFabcde\uF900", u"\u3400\u9FFFabcde\u8C48"},  // a compatibility ideograph
        {u"\u9FFF\u4E00\u4E01\u4E02\u4E03\u4E04\u4E05\u4E06\uAC00\u11A8", u"\u9FFF\u4E00\u4E01\u4E02\u4E03\u4E04\u4E05\u4E06\uAC01"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(Composed(c.text), c.composed);
}

TEST_F(GUnicodeEncodingTest, CompositionKeepsComposedTextAndTheOddByte) {
    GBuffer text = UTF16Buffer(u"d\u00E9j\u00E0 \u4E00");
    unsigned char const* before = text.GetPtr();
    unicode()->EnsureComposedUnicode(text);
    EXPECT_EQ(text.GetPtr(), before);
    EXPECT_EQ(UnitsOf(text), u"d\u00E9j\u00E0 \u4E00");

    GBuffer odd = UTF16Buffer(u"e\u0301");
    odd.AppendByteArray(reinterpret_cast<unsigned char const*>("!"), 1);
    unicode()->Normalize(odd);
    ASSERT_EQ(odd.GetLength(), 3);
    EXPECT_EQ(UnitsOf(odd), u"\u00E9");
    EXPECT_EQ(odd.GetPtr()[2], '!');

    // Borrowed bytes at an odd address.
    static char const storage[] = "\0e\0\x01\x03";
    GBuffer borrowed;
    borrowed.SetFromStatic(storage + 1, 4, 4);
    unicode()->EnsureComposedUnicode(borrowed);
    EXPECT_EQ(UnitsOf(borrowed), u"\u00E9");
}

// Random text rich in marks, Hangul and surrogates composes as ICU composes it.
TEST_F(GUnicodeEncodingTest, CompositionAgreesWithICU) {
    const char16_t pool[] = {u'a', u'e', u'o', u'A', u' ', 0x00E9, 0x0301, 0x0300, 0x0308, 0x0323, 0x0327,
                             0x1100, 0x1161, 0x11A8, 0xAC00, 0x0958, 0x212B, 0x4E00, 0xD83D, 0xDE00, 0x0344,
                             0x1E0A, 0x0307, 0x0F73, 0x3099, 0x304B};
    std::mt19937 random(12345);
    UErrorCode error = U_ZERO_ERROR;
    icu::Normalizer2 const* nfc = icu::Normalizer2::getNFCInstance(error);
    ASSERT_TRUE(U_SUCCESS(error));
    for (int round = 0; round < 500; ++round) {
        std::u16string text;
        const int n = static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i)
            text += pool[random() % (sizeof pool / sizeof pool[0])];
        icu::UnicodeString expected = nfc->normalize(icu::UnicodeString(text.data(), static_cast<int32_t>(text.size())), error);
        ASSERT_TRUE(U_SUCCESS(error));
        EXPECT_EQ(Composed(text), std::u16string(expected.getBuffer(), static_cast<std::size_t>(expected.length())));
    }
}

} // namespace
