#include "core/text/encodings/GMacRomanEncoding.h"

#include <gtest/gtest.h>

#include "core/text/encodings/generated/GSingleByteTables.h"
#include "support/SingleByteTestSetup.h"

namespace {

class GMacRomanEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    GMacRomanEncoding const& MacRoman() const { return *GMacRomanEncoding::GetInstance(); }
};

// Mac OS Roman (ICU's "macintosh") except where PDF's MacRomanEncoding differs: -1 is no value.
const std::map<int, int> kMacRomanDeltas = {
    {0x00, -1},     {0xAD, -1}, {0xB0, -1}, {0xB2, -1}, {0xB3, -1}, {0xB6, -1}, {0xB7, -1}, {0xB8, -1},
    {0xB9, -1},     {0xBA, -1}, {0xBD, -1}, {0xC3, -1}, {0xC5, -1}, {0xC6, -1}, {0xD7, -1}, {0xF0, -1},
    {0xCA, 0x0020}, {0xDB, 0x00A4},
};

TEST_F(GMacRomanEncodingTest, EveryByteIsMacOSRomanExceptTheDeltas) {
    const std::map<int, int> icu = IcuToUnicode("macintosh");
    ASSERT_EQ(icu.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        const auto delta = kMacRomanDeltas.find(b);
        const int expected = delta != kMacRomanDeltas.end() ? delta->second : icu.at(b);
        EXPECT_EQ(DecodeByte(MacRoman(), b), expected) << "byte 0x" << std::hex << b;
    }
}

TEST_F(GMacRomanEncodingTest, PartsOfPDFThatDiffer) {
    GBuffer out;
    EXPECT_EQ(MacRoman().ConvertTo(ByteBuffer("\xDB\xCA"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertOK);
    EXPECT_EQ(UnitsOf(out), u"\u00A4 ");
    EXPECT_EQ(MacRoman().ConvertTo(ByteBuffer("a\xF0"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertLossy);
    EXPECT_EQ(UnitsOf(out), u"a@");
    EXPECT_EQ(GlyphNameOf(MacRoman(), 0xCA), "space");
    EXPECT_EQ(GlyphNameOf(MacRoman(), 0xF0), "");
    // No byte gives the no-break space, the soft hyphen or the euro sign.
    EXPECT_EQ(MacRoman().ConvertFrom(UTF16Buffer(u"\u00A0\u00AD\u20AC "), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), "@@@ ");
}

TEST_F(GMacRomanEncodingTest, RoundTripsEveryMappedByte) {
    ExpectRoundTrips(MacRoman(), {{0xCA, 0x20}});
    ExpectEncodersAgree(MacRoman(), GMacRomanEncoding::GetInstance());
}

TEST_F(GMacRomanEncodingTest, GlyphNames) {
    ExpectGlyphNames(MacRoman(), cMacRomanEncodingVector, {{0xCA, 0x20}});
    EXPECT_EQ(GlyphNameOf(MacRoman(), 0x8E), "eacute");
    EXPECT_EQ(GlyphNameOf(MacRoman(), 0xDB), "currency");
    EXPECT_EQ(GlyphNameOf(MacRoman(), 0x0D), "");  // a control code has a value but no glyph
    EXPECT_TRUE(MacRoman().HasMapping(0x0D));
    EXPECT_FALSE(MacRoman().HasMapping(0xF0));
}

TEST_F(GMacRomanEncodingTest, Singleton) {
    EXPECT_EQ(BytesOf(MacRoman().GetASCIIDescription()), "MacRomanEncoding");
    EXPECT_TRUE(MacRoman().IsOfType(GBuffer("MacRomanEncoding")));
    EXPECT_FALSE(MacRoman().IsOfType(GBuffer("macromanencoding")));

    // SetInstance holds a reference: the old singleton lives on while someone else holds it.
    GSharedObject<GMacRomanEncoding> old(GMacRomanEncoding::GetInstance());
    GMacRomanEncoding* fresh = new GMacRomanEncoding;
    GMacRomanEncoding::SetInstance(fresh);
    EXPECT_EQ(GMacRomanEncoding::GetInstance(), fresh);
    EXPECT_EQ(fresh->GetRefCount(), 1);
    EXPECT_EQ(old->GetRefCount(), 1);
    GMacRomanEncoding::SetInstance(nullptr);
    EXPECT_EQ(GMacRomanEncoding::GetInstance(), nullptr);
    GMacRomanEncoding::SetInstance(old.Get());
    EXPECT_EQ(old->GetRefCount(), 2);
}

} // namespace
