#include "core/text/encodings/GPDFDocEncoding.h"

#include <gtest/gtest.h>

#include "core/text/encodings/generated/GSingleByteTables.h"
#include "support/SingleByteTestSetup.h"

namespace {

class GPDFDocEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    GPDFDocEncoding const& PDFDoc() const { return *GPDFDocEncoding::GetInstance(); }
};

// PDFDocEncoding as the PDF Reference prints it, written out here: the spacing accents, the
// typographic characters and the euro sign; the rest is ASCII or Latin-1. -1 is no value.
std::map<int, int> PDFDocExpected() {
    std::map<int, int> expected;
    for (int b = 0; b < 256; ++b)
        expected[b] = b;
    for (int b = 0x00; b < 0x18; ++b)
        if (b != 0x09 && b != 0x0A && b != 0x0D)
            expected[b] = -1;
    const int accents[] = {0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC};
    for (int i = 0; i < 8; ++i)
        expected[0x18 + i] = accents[i];
    const int typographic[] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044,
                               0x2039, 0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018,
                               0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160,
                               0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E};
    for (int i = 0; i < 31; ++i)
        expected[0x80 + i] = typographic[i];
    expected[0x7F] = -1;
    expected[0x9F] = -1;
    expected[0xA0] = 0x20AC;
    expected[0xAD] = -1;
    // Where this system departs from the reference: fraction reads as division, minus as hyphen.
    expected[0x87] = 0x00F7;
    expected[0x8A] = 0x002D;
    return expected;
}

TEST_F(GPDFDocEncodingTest, EveryByteFollowsTheReference) {
    const std::map<int, int> expected = PDFDocExpected();
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(DecodeByte(PDFDoc(), b), expected.at(b)) << "byte 0x" << std::hex << b;
}

TEST_F(GPDFDocEncodingTest, DivisionAndHyphen) {
    GBuffer out;
    EXPECT_EQ(PDFDoc().ConvertFrom(UTF16Buffer(u"\u00F7-"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "\x87-");
    EXPECT_EQ(PDFDoc().ConvertTo(ByteBuffer("\x87\x18"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertOK);
    EXPECT_EQ(UnitsOf(out), u"\u00F7\u02D8");
    // The reference's own values have no byte, but their glyph names lead to those bytes.
    EXPECT_EQ(PDFDoc().ConvertFromUnicode(UTF16Buffer(u"\u2044\u2212"), out), GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), "@@");
    EXPECT_EQ(PDFDoc().ConvertFrom(UTF16Buffer(u"\u2044\u2212"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "\x87\x8A");
}

TEST_F(GPDFDocEncodingTest, RoundTripsEveryMappedByte) {
    ExpectRoundTrips(PDFDoc(), {{0xF7, 0x87}, {0x8A, 0x2D}});
    ExpectEncodersAgree(PDFDoc(), GPDFDocEncoding::GetInstance());
}

TEST_F(GPDFDocEncodingTest, GlyphNames) {
    ExpectGlyphNames(PDFDoc(), cPDFDocEncodingVector);
    EXPECT_EQ(GlyphNameOf(PDFDoc(), 0x87), "fraction");
    EXPECT_EQ(GlyphNameOf(PDFDoc(), 0xA0), "Euro");
    EXPECT_EQ(BytesOf(PDFDoc().GetASCIIDescription()), "PDFDocEncoding");
}

} // namespace
