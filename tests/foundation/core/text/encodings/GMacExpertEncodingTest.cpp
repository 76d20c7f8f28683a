#include "core/text/encodings/GMacExpertEncoding.h"

#include <gtest/gtest.h>

#include "core/text/encodings/generated/GGlyphListTables.h"
#include "core/text/encodings/generated/GSingleByteTables.h"
#include "support/SingleByteTestSetup.h"

namespace {

class GMacExpertEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    GMacExpertEncoding const& MacExpert() const { return *GMacExpertEncoding::GetInstance(); }
    GUnicodeEncoding const* Unicode() const { return GUnicodeEncoding::GetInstance(); }
};

int GlyphListValue(char const* name) {
    for (GGlyphNameRow const& row : cUnicodeGlyphNames)
        if (std::string(row.name) == name)
            return row.unicode;
    return -1;
}

bool IsPrivateUse(int u) { return u >= 0xE000 && u <= 0xF8FF; }

// Each glyph decodes to the glyph list's value, private-use values included.
TEST_F(GMacExpertEncodingTest, EveryByteHasItsGlyphListValue) {
    int glyphs = 0;
    int privateUse = 0;
    for (int b = 0; b < 256; ++b) {
        char const* name = cMacExpertEncodingVector[b];
        const int expected = name != nullptr ? GlyphListValue(name) : -1;
        EXPECT_EQ(DecodeByte(MacExpert(), b), expected) << "byte 0x" << std::hex << b;
        glyphs += expected >= 0;
        privateUse += IsPrivateUse(expected);
    }
    EXPECT_EQ(glyphs, 165);
    EXPECT_EQ(privateUse, 115);
    EXPECT_EQ(DecodeByte(MacExpert(), 0x61), 0xF761);  // Asmall
    EXPECT_EQ(GlyphNameOf(MacExpert(), 0x61), "Asmall");
    EXPECT_EQ(BytesOf(MacExpert().GetASCIIDescription()), "MacExpertEncoding");
}

TEST_F(GMacExpertEncodingTest, RoundTripsEveryMappedByteAndNames) {
    ExpectRoundTrips(MacExpert());
    ExpectGlyphNames(MacExpert(), cMacExpertEncodingVector);
    GBuffer out;
    EXPECT_EQ(MacExpert().ConvertFrom(UTF16Buffer(u"\uF761\uF762\u00BD"), Unicode(), out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "ab\x48");
}

// A font's own encoding: glyph names only, no Unicode values (as read from a Type 1 font).
class NamesOnly : public GSimpleEncoding {
public:
    NamesOnly() : GSimpleEncoding(GBuffer("FontSpecific")) {
        AddMapping(0x01, GBuffer("Asmall"));
        AddMapping(0x02, GBuffer("onehalf"));
        AddMapping(0x03, GBuffer("zerooldstyle"));
        AddMapping(0x04, GBuffer("notinexpert"));
    }
};

// Where UTF-16 loses the glyph, the names carry it: both ways between a names-only encoding and
// MacExpert, and from private-use values into it.
TEST_F(GMacExpertEncodingTest, GlyphNameBridge) {
    GSharedObject<NamesOnly> font(new NamesOnly);
    GBuffer out;
    EXPECT_EQ(MacExpert().ConvertFrom(ByteBuffer("\x01\x02\x03"), font.Get(), out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "a\x48\x30");
    EXPECT_EQ(font->ConvertFrom(ByteBuffer("a\x48\x30"), &MacExpert(), out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "\x01\x02\x03");

    // A glyph the target lacks stops the bridge; the lossy text stays.
    EXPECT_EQ(font->ConvertFrom(ByteBuffer("a\x2C"), &MacExpert(), out), GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), "@@");
    EXPECT_EQ(MacExpert().ConvertFrom(ByteBuffer("\x01\x04"), font.Get(), out), GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), "@@");
}

// Between two table encodings the common glyphs go through UTF-16; expert glyphs have no place
// in the Latin encodings and become the default character.
TEST_F(GMacExpertEncodingTest, ToAndFromTheLatinEncodings) {
    GMacRomanEncoding const* macRoman = GMacRomanEncoding::GetInstance();
    GStandardEncoding const* standard = GStandardEncoding::GetInstance();
    GBuffer out;
    EXPECT_EQ(macRoman->ConvertFrom(ByteBuffer(", .\x57\x61"), &MacExpert(), out), GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), ", .\xDE@");  // fi is 0x57 in the expert set, 0xDE in Mac Roman
    EXPECT_EQ(MacExpert().ConvertFrom(ByteBuffer("\xAE\xAF,"), standard, out), GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "\x57\x58,");
    EXPECT_EQ(MacExpert().ConvertFrom(ByteBuffer("A"), macRoman, out), GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), "@");
    // The default typed conversion into Mac Roman goes the same way.
    EXPECT_EQ(MacExpert().ConvertTo(ByteBuffer(",\x61"), macRoman, out),
              GEncoding::kConvertOK | GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), ",@");
}

} // namespace
