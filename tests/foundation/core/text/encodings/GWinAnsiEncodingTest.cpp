#include "core/text/encodings/GWinAnsiEncoding.h"

#include <gtest/gtest.h>

#include <array>

#include "core/text/encodings/generated/GSingleByteTables.h"
#include "support/SingleByteTestSetup.h"

namespace {

class GWinAnsiEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    GWinAnsiEncoding const& WinAnsi() const { return *GWinAnsiEncoding::GetInstance(); }
};

// Windows-1252 (ICU's "windows-1252") except where PDF's WinAnsiEncoding differs: -1 is no value.
std::map<int, int> WinAnsiDeltas() {
    std::map<int, int> deltas;
    for (int b = 0x00; b < 0x20; ++b)
        if (b != 0x09 && b != 0x0A && b != 0x0D)
            deltas[b] = -1;
    for (int b : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D})
        deltas[b] = 0x2022;
    deltas[0xA0] = 0x0020;
    deltas[0xAD] = 0x002D;
    return deltas;
}

TEST_F(GWinAnsiEncodingTest, EveryByteIsWindows1252ExceptTheDeltas) {
    const std::map<int, int> icu = IcuToUnicode("windows-1252");
    const std::map<int, int> deltas = WinAnsiDeltas();
    ASSERT_EQ(icu.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        const auto delta = deltas.find(b);
        const int expected = delta != deltas.end() ? delta->second : icu.at(b);
        EXPECT_EQ(DecodeByte(WinAnsi(), b), expected) << "byte 0x" << std::hex << b;
    }
}

TEST_F(GWinAnsiEncodingTest, UnusedCodesAreBullets) {
    for (int b : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x95}) {
        EXPECT_EQ(GlyphNameOf(WinAnsi(), b), "bullet") << std::hex << b;
        EXPECT_EQ(DecodeByte(WinAnsi(), b), 0x2022) << std::hex << b;
    }
    GCharCode code;
    WinAnsi().GetCharCode(GBuffer("bullet"), code);
    EXPECT_EQ(code, GCharCode(static_cast<unsigned char>(0x95)));
    GBuffer out;
    EXPECT_EQ(WinAnsi().ConvertFrom(UTF16Buffer(u"\u2022"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertOK);
    EXPECT_EQ(BytesOf(out), "\x95");
    EXPECT_EQ(WinAnsi().ConvertTo(ByteBuffer("a\x05"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertLossy);
    EXPECT_EQ(UnitsOf(out), u"a@");
    // The second space and hyphen decode, but the characters encode to the first ones.
    EXPECT_EQ(WinAnsi().ConvertFrom(UTF16Buffer(u" -\u00A0\u00AD"), GUnicodeEncoding::GetInstance(), out),
              GEncoding::kConvertLossy);
    EXPECT_EQ(BytesOf(out), " -@@");
}

const std::map<int, int> kWinAnsiFirstBytes = {{0xA0, 0x20}, {0xAD, 0x2D}, {0x7F, 0x95}, {0x81, 0x95},
                                               {0x8D, 0x95}, {0x8F, 0x95}, {0x90, 0x95}, {0x9D, 0x95}};

TEST_F(GWinAnsiEncodingTest, RoundTripsEveryMappedByte) {
    ExpectRoundTrips(WinAnsi(), kWinAnsiFirstBytes);
    ExpectEncodersAgree(WinAnsi(), GWinAnsiEncoding::GetInstance());
}

TEST_F(GWinAnsiEncodingTest, GlyphNames) {
    std::array<char const*, 256> names;
    for (int b = 0; b < 256; ++b)
        names[b] = cWinAnsiEncodingVector[b] != nullptr || b < 0x21 ? cWinAnsiEncodingVector[b] : "bullet";
    ExpectGlyphNames(WinAnsi(), names.data(), kWinAnsiFirstBytes);
    EXPECT_EQ(GlyphNameOf(WinAnsi(), 0x80), "Euro");
    EXPECT_EQ(GlyphNameOf(WinAnsi(), 0x09), "");
    EXPECT_EQ(BytesOf(WinAnsi().GetASCIIDescription()), "WinAnsiEncoding");
}

} // namespace
