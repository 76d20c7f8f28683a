#include "mac/encodings/PMacPlatformEncoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GCharCode.h"
#include "standin/StandinStringEncoding.h"
#include "support/EncodingTestSetup.h"
#include "support/Fixtures.h"

namespace {

class PMacPlatformEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    GUnicodeEncoding const* Unicode() const { return GUnicodeEncoding::GetInstance(); }

    GSharedObject<PMacPlatformEncoding> mMacRoman{new PMacPlatformEncoding(StandinStringEncoding::kMacRoman)};
    GSharedObject<PMacPlatformEncoding> mShiftJIS{new PMacPlatformEncoding(StandinStringEncoding::kMacJapanese)};
};


TEST_F(PMacPlatformEncodingTest, DescriptionNamesTheNumber) {
    EXPECT_EQ(BytesOf(mShiftJIS->GetASCIIDescription()), "MacPlatformEncoding_TextEncoding1");
    EXPECT_EQ(BytesOf(mMacRoman->GetASCIIDescription()), "MacPlatformEncoding_TextEncoding0");
    EXPECT_EQ(BytesOf(PMacPlatformEncoding(0x421).GetASCIIDescription()), "MacPlatformEncoding_TextEncoding1057");
    EXPECT_TRUE(mShiftJIS->IsOfType(GBuffer("MacPlatformEncoding_TextEncoding1")));
    EXPECT_FALSE(mShiftJIS->IsOfType(GBuffer("MacPlatformEncoding_TextEncoding10")));
}

TEST_F(PMacPlatformEncodingTest, TheDefaultIsTheSystemEncoding) {
    GSharedObject<PMacPlatformEncoding> system(new PMacPlatformEncoding);
    EXPECT_EQ(system->GetEncodingNumber(), StandinStringEncoding::kMacRoman);
}

TEST_F(PMacPlatformEncodingTest, Decoding) {
    struct Case {
        char const* what;
        PMacPlatformEncoding const* encoding;
        std::string bytes;
        int32_t status;
        std::u16string units;
    };
    const Case cases[] = {
        {"empty", mShiftJIS.Get(), "", 1, u""},
        {"hiragana", mShiftJIS.Get(), "\x82\xA0", 1, u"\u3042"},
        {"yen and backslash", mShiftJIS.Get(), "\x5C\x80", 1, u"\u00A5\\"},
        {"lead byte at the end", mShiftJIS.Get(), "\x82\xA0\x82", 4, u""},
        {"invalid trail byte", mShiftJIS.Get(), "\x82\x20", 4, u""},
        {"Mac Roman", mMacRoman.Get(), "caf\x8E", 1, u"caf\u00E9"},
        {"Mac Roman zero byte", mMacRoman.Get(), std::string("A\0B", 3), 1, std::u16string(u"A\0B", 3)},
    };
    for (Case const& c : cases) {
        GBuffer output = UTF16Buffer(u"stale");
        EXPECT_EQ(c.encoding->ConvertTo(ByteBuffer(c.bytes), Unicode(), output), c.status) << c.what;
        EXPECT_EQ(UnitsOf(output), c.units) << c.what;
    }
}

TEST_F(PMacPlatformEncodingTest, EncodingStopsAtTheFirstCharacterTheCodePageLacks) {
    struct Case {
        char const* what;
        PMacPlatformEncoding const* encoding;
        GBuffer source;
        int32_t status;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", mMacRoman.Get(), GBuffer(), 1, ""},
        {"hiragana into Mac Roman", mMacRoman.Get(), UTF16Buffer(u"\u3042"), 4, ""},
        {"A then hiragana into Mac Roman", mMacRoman.Get(), UTF16Buffer(u"A\u3042"), 2, "A"},
        {"A then a pair into Mac Roman", mMacRoman.Get(), UTF16Buffer(u"A\U0001F600"), 2, "A"},
        {"Mac Roman", mMacRoman.Get(), UTF16Buffer(u"caf\u00E9"), 1, "caf\x8E"},
        {"one byte only", mMacRoman.Get(), ByteBuffer("A"), 4, ""},
        {"odd last byte ignored", mMacRoman.Get(), ByteBuffer(std::string("A\0B", 3)), 1, "A"},
        {"Shift-JIS", mShiftJIS.Get(), UTF16Buffer(u"\u3042\u30BD"), 1, "\x82\xA0\x83\x5C"},
        {"Thai into Shift-JIS", mShiftJIS.Get(), UTF16Buffer(u"\u3042\u0E01\u3044"), 2, "\x82\xA0"},
    };
    for (Case const& c : cases) {
        GBuffer output = ByteBuffer("stale");
        EXPECT_EQ(c.encoding->ConvertFromUnicode(c.source, output), c.status) << c.what;
        EXPECT_EQ(BytesOf(output), c.bytes) << c.what;
    }
}

TEST_F(PMacPlatformEncodingTest, AnUnknownNumberConvertsNothing) {
    GSharedObject<PMacPlatformEncoding> unknown(new PMacPlatformEncoding(12345));
    GBuffer output;
    EXPECT_EQ(unknown->ConvertTo(ByteBuffer("A"), Unicode(), output), 4);
    EXPECT_TRUE(output.IsEmpty());
    EXPECT_EQ(unknown->ConvertFromUnicode(UTF16Buffer(u"A"), output), 4);
    EXPECT_TRUE(output.IsEmpty());
}

TEST_F(PMacPlatformEncodingTest, SourceAndOutputMayBeOneBuffer) {
    GBuffer text = ByteBuffer("\x82\xA0");
    EXPECT_EQ(mShiftJIS->ConvertTo(text, Unicode(), text), 1);
    EXPECT_EQ(UnitsOf(text), u"\u3042");
    EXPECT_EQ(mShiftJIS->ConvertFromUnicode(text, text), 1);
    EXPECT_EQ(BytesOf(text), "\x82\xA0");
}

// ソ, 表 and 能 have the trail byte 0x5C, which a byte-wise reader takes for a backslash or yen.
TEST_F(PMacPlatformEncodingTest, ShiftJISFixtureWithTrailBytes5CRoundTrips) {
    const std::string bytes = ReadFixture("ShiftJISTrail5C.txt");
    GBuffer utf16;
    ASSERT_EQ(mShiftJIS->ConvertTo(ByteBuffer(bytes), Unicode(), utf16), 1);
    EXPECT_EQ(UnitsOf(utf16), u"ソフト表示能力、ソ表能。¥100 ソ\r");
    GBuffer back;
    ASSERT_EQ(mShiftJIS->ConvertFromUnicode(utf16, back), 1);
    EXPECT_EQ(BytesOf(back), bytes);
}

TEST_F(PMacPlatformEncodingTest, ConvertsThroughTheFrameworkBothWays) {
    GBuffer utf16;
    EXPECT_EQ(Unicode()->ConvertFrom(ByteBuffer("\x82\xA0" "A"), mShiftJIS.Get(), utf16), 1);
    EXPECT_EQ(UnitsOf(utf16), u"\u3042A");
    GBuffer sjis;
    EXPECT_EQ(mShiftJIS->ConvertFrom(utf16, Unicode(), sjis), 1);
    EXPECT_EQ(BytesOf(sjis), "\x82\xA0" "A");
    GBuffer roman;
    EXPECT_EQ(mMacRoman->ConvertFrom(ByteBuffer("A\x82\xA0"), mShiftJIS.Get(), roman), 2);
    EXPECT_EQ(BytesOf(roman), "A");
    GBuffer ascii;
    EXPECT_EQ(mShiftJIS->ConvertTo(ByteBuffer("\x82"), GASCIIEncoding::GetInstance(), ascii), 4);
}

TEST_F(PMacPlatformEncodingTest, ComposesToFormCOrKC) {
    struct Case {
        GBuffer text;
        bool compatibility;
        GBuffer expected;
    };
    const Case cases[] = {
        {UTF16Buffer(u"e\u0301"), false, UTF16Buffer(u"\u00E9")},
        {UTF16Buffer(u"\uFB01"), true, UTF16Buffer(u"fi")},
        {UTF16Buffer(u"\uFB01"), false, UTF16Buffer(u"\uFB01")},
        {GBuffer(), false, GBuffer()},
        {GBuffer(), true, GBuffer()},
        {ByteBuffer("A"), false, ByteBuffer("A")},
        // An odd last byte is kept, not lost.
        {ByteBuffer(std::string("e\0\x01\x03Z", 5)), false, ByteBuffer(std::string("\xE9\0Z", 3))},
    };
    for (Case const& c : cases) {
        GBuffer text = c.text;
        mMacRoman->EnsureComposedUnicode(text, c.compatibility);
        EXPECT_EQ(BytesOf(text), BytesOf(c.expected));
    }
}

TEST_F(PMacPlatformEncodingTest, ComposesUnalignedBorrowedText) {
    alignas(2) static const char storage[] = "xe\0\x01\x03";
    GBuffer text;
    text.SetFromStatic(storage + 1, 4, 4);
    mMacRoman->EnsureComposedUnicode(text, false);
    EXPECT_EQ(UnitsOf(text), u"\u00E9");
}

TEST_F(PMacPlatformEncodingTest, GlyphNamesGoThroughUnicode) {
    struct Case {
        char const* what;
        PMacPlatformEncoding const* encoding;
        GCharCode code;
        bool found;
        std::string name;
    };
    const Case cases[] = {
        {"hiragana", mShiftJIS.Get(), GCharCode(0x82A0u, 2), true, "ahiragana"},
        {"one byte", mMacRoman.Get(), GCharCode(static_cast<unsigned char>('A')), true, "A"},
        {"Mac Roman e acute", mMacRoman.Get(), GCharCode(static_cast<unsigned char>(0x8E)), true, "eacute"},
        {"a leading zero byte", mMacRoman.Get(), GCharCode(0x41u, 2), true, "A"},
        {"empty", mMacRoman.Get(), GCharCode(), false, ""},
        {"lead byte alone", mShiftJIS.Get(), GCharCode(static_cast<unsigned char>(0x82)), false, ""},
        {"a multi-unit mapping", mShiftJIS.Get(), GCharCode(0x85ABu, 2), false, ""},
        {"longer than four bytes", mMacRoman.Get(), GCharCode(reinterpret_cast<unsigned char const*>("AAAAA"), 5),
         false, ""},
    };
    for (Case const& c : cases) {
        GBuffer name = ByteBuffer("stale");
        EXPECT_EQ(c.encoding->GetGlyphName(c.code, name), c.found) << c.what;
        EXPECT_EQ(BytesOf(name), c.name) << c.what;
    }
}

TEST_F(PMacPlatformEncodingTest, CharCodesGoThroughUnicode) {
    struct Case {
        char const* what;
        PMacPlatformEncoding const* encoding;
        char const* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"hiragana", mShiftJIS.Get(), "ahiragana", "\x82\xA0"},
        {"letter", mMacRoman.Get(), "A", "A"},
        {"hiragana into Mac Roman", mMacRoman.Get(), "ahiragana", ""},
        {"unknown name", mMacRoman.Get(), "nosuchglyph", ""},
        {"ligature of two units", mMacRoman.Get(), "T_h", ""},
    };
    for (Case const& c : cases) {
        GCharCode code(0x99u, 1);
        c.encoding->GetCharCode(GBuffer(c.name), code);
        EXPECT_EQ(std::string(reinterpret_cast<char const*>(code.Get()), code.GetLength()), c.bytes) << c.what;
    }
}

}  // namespace
