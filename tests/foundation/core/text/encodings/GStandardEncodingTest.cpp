#include "core/text/encodings/GStandardEncoding.h"

#include <gtest/gtest.h>

#include "core/base/GException.h"
#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/generated/GSingleByteTables.h"
#include "support/SingleByteTestSetup.h"

namespace {

class GStandardEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    GStandardEncoding const& Standard() const { return *GStandardEncoding::GetInstance(); }
};

// StandardEncoding as the PDF Reference prints it, with the glyph list's value of each glyph,
// written out here: ASCII with curly quotes at 0x27 and 0x60, then the upper half. -1 is no glyph.
std::map<int, int> StandardExpected() {
    std::map<int, int> expected;
    for (int b = 0; b < 256; ++b)
        expected[b] = (b >= 0x20 && b <= 0x7E) ? b : -1;
    expected[0x27] = 0x2019;  // quoteright
    expected[0x60] = 0x2018;  // quoteleft
    const std::map<int, int> upper = {
        {0xA1, 0x00A1}, {0xA2, 0x00A2}, {0xA3, 0x00A3}, {0xA4, 0x2044}, {0xA5, 0x00A5}, {0xA6, 0x0192},
        {0xA7, 0x00A7}, {0xA8, 0x00A4}, {0xA9, 0x0027}, {0xAA, 0x201C}, {0xAB, 0x00AB}, {0xAC, 0x2039},
        {0xAD, 0x203A}, {0xAE, 0xFB01}, {0xAF, 0xFB02}, {0xB1, 0x2013}, {0xB2, 0x2020}, {0xB3, 0x2021},
        {0xB4, 0x00B7}, {0xB6, 0x00B6}, {0xB7, 0x2022}, {0xB8, 0x201A}, {0xB9, 0x201E}, {0xBA, 0x201D},
        {0xBB, 0x00BB}, {0xBC, 0x2026}, {0xBD, 0x2030}, {0xBF, 0x00BF}, {0xC1, 0x0060}, {0xC2, 0x00B4},
        {0xC3, 0x02C6}, {0xC4, 0x02DC}, {0xC5, 0x00AF}, {0xC6, 0x02D8}, {0xC7, 0x02D9}, {0xC8, 0x00A8},
        {0xCA, 0x02DA}, {0xCB, 0x00B8}, {0xCD, 0x02DD}, {0xCE, 0x02DB}, {0xCF, 0x02C7}, {0xD0, 0x2014},
        {0xE1, 0x00C6}, {0xE3, 0x00AA}, {0xE8, 0x0141}, {0xE9, 0x00D8}, {0xEA, 0x0152}, {0xEB, 0x00BA},
        {0xF1, 0x00E6}, {0xF5, 0x0131}, {0xF8, 0x0142}, {0xF9, 0x00F8}, {0xFA, 0x0153}, {0xFB, 0x00DF},
    };
    for (auto const& [b, u] : upper)
        expected[b] = u;
    return expected;
}

TEST_F(GStandardEncodingTest, EveryByteFollowsTheReference) {
    const std::map<int, int> expected = StandardExpected();
    int glyphs = 0;
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(DecodeByte(Standard(), b), expected.at(b)) << "byte 0x" << std::hex << b;
        EXPECT_EQ(Standard().HasMapping(static_cast<unsigned char>(b)), expected.at(b) >= 0) << std::hex << b;
        glyphs += expected.at(b) >= 0;
    }
    EXPECT_EQ(glyphs, 149);
}

TEST_F(GStandardEncodingTest, EdgeCases) {
    GBuffer out;
    EXPECT_EQ(Standard().ConvertTo(ByteBuffer("\xE1"), GUnicodeEncoding::GetInstance(), out), GEncoding::kConvertOK);
    EXPECT_EQ(UnitsOf(out), u"\u00C6");
    EXPECT_EQ(GlyphNameOf(Standard(), 0xE1), "AE");
    EXPECT_EQ(Standard().ConvertTo(ByteBuffer("\x80"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertLossy);
    EXPECT_EQ(UnitsOf(out), u"@");
    EXPECT_EQ(BytesOf(Standard().GetASCIIDescription()), "StandardEncoding");
}

TEST_F(GStandardEncodingTest, RoundTripsEveryMappedByteAndNames) {
    ExpectRoundTrips(Standard());
    ExpectGlyphNames(Standard(), cStandardEncodingVector);
}

// Filled without the glyph list it would silently decode nothing; its first use refuses instead,
// and a use once the list is back fills it.
TEST_F(GStandardEncodingTest, NeedsTheGlyphList) {
    GStandardEncoding encoding;
    {
        GUnicodeEncoding::Finalize();
        struct Rebuild {
            ~Rebuild() { GUnicodeEncoding::Initialize(); }
        } rebuild;
        EXPECT_THROW(encoding.HasMapping(0x41), GException);
    }
    EXPECT_TRUE(encoding.HasMapping(0x41));
    GCharCode code;
    encoding.GetCharCode(GBuffer("A"), code);
    EXPECT_EQ(code.GetLength(), 1);
}

} // namespace
