#include "standin/StandinStringEncoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/encodings/generated/GMacJapaneseTables.h"

namespace {

using SE = StandinStringEncoding;

std::u16string UnitsOf(GMacJapaneseMapping const& m) {
    return std::u16string(reinterpret_cast<char16_t const*>(m.unicode), m.unicodeLength);
}

std::string BytesOf(GMacJapaneseMapping const& m) {
    std::string bytes;
    if (m.code > 0xFF)
        bytes += static_cast<char>(m.code >> 8);
    bytes += static_cast<char>(m.code & 0xFF);
    return bytes;
}

bool Decode(int encoding, std::string const& bytes, std::u16string& units) {
    return SE::Decode(encoding, reinterpret_cast<unsigned char const*>(bytes.data()), bytes.size(), units);
}

std::size_t Encode(int encoding, std::u16string const& units, std::string& bytes) {
    return SE::Encode(encoding, units.data(), units.size(), bytes);
}

TEST(StandinStringEncoding, DecodesWholeTextsOrNothing) {
    struct Case {
        char const* what;
        int encoding;
        std::string bytes;
        bool ok;
        std::u16string units;
    };
    const Case cases[] = {
        {"empty", SE::kMacRoman, "", true, u""},
        {"Mac Roman upper half", SE::kMacRoman, "A\x8E\xDB", true, u"A\u00E9\u20AC"},
        {"Mac Japanese hiragana", SE::kMacJapanese, "\x82\xA0", true, u"\u3042"},
        {"Mac Japanese 0x5C is yen, 0x80 backslash", SE::kMacJapanese, "\x5C\x80", true, u"\u00A5\\"},
        {"Mac Japanese trail byte 0x5C", SE::kMacJapanese, "\x83\x5C\x95\x5C\x94\x5C", true, u"\u30BD\u8868\u80FD"},
        {"Mac Japanese lead byte at the end", SE::kMacJapanese, std::string("A\x82"), false, u""},
        {"Mac Japanese lead byte alone", SE::kMacJapanese, "\x82", false, u""},
        {"Mac Japanese trail byte out of range", SE::kMacJapanese, "\x82\x20", false, u""},
        {"Mac Japanese unassigned code", SE::kMacJapanese, "\xFC\xFD", false, u""},
        {"Shift-JIS trail byte 0x5C, 0x5C itself", SE::kShiftJIS, "\x83\x5C\x5C", true, u"\u30BD\\"},
        {"Shift-JIS lead byte at the end", SE::kShiftJIS, "\x83", false, u""},
        {"code page 936", SE::kDOSChineseSimplified, "\xC4\xE3\xBA\xC3", true, u"\u4F60\u597D"},
        {"code page 936 cut", SE::kDOSChineseSimplified, "\xC4\xE3\xBA", false, u""},
        {"GB 18030 four bytes", SE::kGB18030, "\x81\x30\x81\x30", true, u"\u0080"},
        {"UTF-8 pair", SE::kUTF8, "\xF0\x9F\x98\x80", true, u"\U0001F600"},
        {"UTF-8 invalid byte after text", SE::kUTF8, "A\xFF", false, u""},
        {"ASCII upper half", SE::kASCII, "A\x80", false, u""},
        {"UTF-16 lone surrogate", SE::kUnicode, std::string("\x00\xD8", 2), true, u"\xD800"},
        {"UTF-16 odd byte count", SE::kUnicode, "A", false, u""},
        {"unknown number", 12345, "A", false, u""},
    };
    for (Case const& c : cases) {
        std::u16string units = u"stale";
        EXPECT_EQ(Decode(c.encoding, c.bytes, units), c.ok) << c.what;
        EXPECT_EQ(units, c.units) << c.what;
    }
}

TEST(StandinStringEncoding, EncodingStopsBeforeTheFirstCharacterTheTargetCannotHold) {
    struct Case {
        char const* what;
        int encoding;
        std::u16string units;
        std::size_t converted;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", SE::kMacRoman, u"", 0, ""},
        {"Mac Roman all", SE::kMacRoman, u"A\u00E9", 2, "A\x8E"},
        {"Mac Roman hiragana first", SE::kMacRoman, u"\u3042A", 0, ""},
        {"Mac Roman hiragana second", SE::kMacRoman, u"A\u3042B", 1, "A"},
        {"Mac Roman pair", SE::kMacRoman, u"A\U0001F600B", 1, "A"},
        {"Mac Roman lone surrogate", SE::kMacRoman, u"A\xD800" u"B", 1, "A"},
        {"Mac Roman lead surrogate at the end", SE::kMacRoman, u"AB\xD83D", 2, "AB"},
        {"Mac Japanese", SE::kMacJapanese, u"\u3042\u00A5\\", 3, "\x82\xA0\x5C\x80"},
        {"Mac Japanese pair", SE::kMacJapanese, u"A\U0001F600", 1, "A"},
        {"Mac Japanese Thai", SE::kMacJapanese, u"\u3042\u0E01\u3044", 1, "\x82\xA0"},
        {"Shift-JIS", SE::kShiftJIS, u"\u30BD\\", 2, "\x83\x5C\x5C"},
        {"code page 936", SE::kDOSChineseSimplified, u"\u4F60\u597D\u0E01", 2, "\xC4\xE3\xBA\xC3"},
        {"UTF-8 pair", SE::kUTF8, u"\U0001F600", 2, "\xF0\x9F\x98\x80"},
        {"UTF-8 lone surrogate", SE::kUTF8, u"A\xDC00", 1, "A"},
        {"UTF-16 lone surrogate", SE::kUnicode, u"\xD800", 1, std::string("\x00\xD8", 2)},
        {"unknown number", 12345, u"A", 0, ""},
    };
    for (Case const& c : cases) {
        std::string bytes = "stale";
        EXPECT_EQ(Encode(c.encoding, c.units, bytes), c.converted) << c.what;
        EXPECT_EQ(bytes, c.bytes) << c.what;
    }
}

TEST(StandinStringEncoding, LongTextsGrowTheOutput) {
    const std::u16string units(5000, u'\u3042');
    std::string bytes;
    ASSERT_EQ(Encode(SE::kUTF8, units, bytes), units.size());
    EXPECT_EQ(bytes.size(), 15000u);
    std::u16string back;
    ASSERT_TRUE(Decode(SE::kUTF8, bytes, back));
    EXPECT_EQ(back, units);
}

TEST(StandinStringEncoding, MacJapaneseRoundTripsEveryTableEntry) {
    std::string allBytes;
    std::u16string allUnits;
    for (GMacJapaneseMapping const& m : cMacJapaneseToUnicode) {
        const std::string bytes = BytesOf(m);
        const std::u16string units = UnitsOf(m);
        std::u16string decoded;
        ASSERT_TRUE(Decode(SE::kMacJapanese, bytes, decoded)) << std::hex << m.code;
        EXPECT_EQ(decoded, units) << std::hex << m.code;
        std::string encoded;
        EXPECT_EQ(Encode(SE::kMacJapanese, units, encoded), units.size()) << std::hex << m.code;
        EXPECT_EQ(encoded, bytes) << std::hex << m.code;
        allBytes += bytes;
        allUnits += units;
    }
    std::u16string decoded;
    ASSERT_TRUE(Decode(SE::kMacJapanese, allBytes, decoded));
    EXPECT_EQ(decoded, allUnits);
    std::string encoded;
    EXPECT_EQ(Encode(SE::kMacJapanese, allUnits, encoded), allUnits.size());
    EXPECT_EQ(encoded, allBytes);
}

TEST(StandinStringEncoding, MacJapaneseEncodesTheLongestSequence) {
    struct Case {
        char const* what;
        std::u16string units;
        std::size_t converted;
        std::string bytes;
    };
    const Case cases[] = {
        {"ellipsis alone", u"\u2026", 1, "\x81\x63"},
        {"ellipsis with its variant tag", u"\u2026\uF87F", 2, "\xFF"},
        {"ellipsis, then a letter", u"\u2026A", 2, "\x81\x63" "A"},
        {"five units", u"\uF862XIII", 5, "\x85\xAB"},
        {"five units then more", u"\uF862XIIIA", 6, "\x85\xAB" "A"},
        {"three units", u"\uF8600.", 3, "\x85\x91"},
        {"a tag without its sequence", u"A\uF862XI", 1, "A"},
        {"a sequence cut short", u"\uF862XII", 0, ""},
    };
    for (Case const& c : cases) {
        std::string bytes;
        EXPECT_EQ(Encode(SE::kMacJapanese, c.units, bytes), c.converted) << c.what;
        EXPECT_EQ(bytes, c.bytes) << c.what;
    }
}

// The user-defined area F040-FCFC: 188 trail bytes a lead (40-7E, 80-FC), in order onto
// U+E000-U+E98B.
TEST(StandinStringEncoding, MacJapaneseUserDefinedAreaBothWays) {
    struct Case {
        char const* what;
        std::string bytes;
        char16_t unit;
    };
    const Case cases[] = {
        {"first", "\xF0\x40", 0xE000},
        {"last before 7F", "\xF0\x7E", 0xE03E},
        {"first after 7F", "\xF0\x80", 0xE03F},
        {"trail 5C", "\xF0\x5C", 0xE01C},
        {"last of the first lead", "\xF0\xFC", 0xE0BB},
        {"first of the second lead", "\xF1\x40", 0xE0BC},
        {"last", "\xFC\xFC", 0xE98B},
    };
    for (Case const& c : cases) {
        std::u16string units;
        ASSERT_TRUE(Decode(SE::kMacJapanese, c.bytes, units)) << c.what;
        EXPECT_EQ(units, std::u16string(1, c.unit)) << c.what;
        std::string bytes;
        EXPECT_EQ(Encode(SE::kMacJapanese, std::u16string(1, c.unit), bytes), 1u) << c.what;
        EXPECT_EQ(bytes, c.bytes) << c.what;
    }
}

TEST(StandinStringEncoding, MacJapaneseUserDefinedAreaRoundTripsWhole) {
    std::string allBytes;
    std::u16string allUnits;
    char16_t expected = 0xE000;
    for (int lead = 0xF0; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            std::u16string units;
            ASSERT_TRUE(Decode(SE::kMacJapanese, bytes, units)) << std::hex << lead << ' ' << trail;
            ASSERT_EQ(units, std::u16string(1, expected)) << std::hex << lead << ' ' << trail;
            std::string encoded;
            EXPECT_EQ(Encode(SE::kMacJapanese, units, encoded), 1u) << std::hex << lead << ' ' << trail;
            EXPECT_EQ(encoded, bytes) << std::hex << lead << ' ' << trail;
            allBytes += bytes;
            allUnits += expected++;
        }
    }
    EXPECT_EQ(expected, 0xE98C);
    // Amid table characters, in one text.
    const std::string text = "A\x82\xA0" + allBytes + "\xFD\x5C";
    const std::u16string textUnits = u"A\u3042" + allUnits + u"\u00A9\u00A5";
    std::u16string decoded;
    ASSERT_TRUE(Decode(SE::kMacJapanese, text, decoded));
    EXPECT_EQ(decoded, textUnits);
    std::string encoded;
    EXPECT_EQ(Encode(SE::kMacJapanese, textUnits, encoded), textUnits.size());
    EXPECT_EQ(encoded, text);
}

TEST(StandinStringEncoding, MacJapaneseNeighboursOfTheUserDefinedArea) {
    struct Decoding {
        char const* what;
        std::string bytes;
        bool ok;
        std::u16string units;
    };
    const Decoding decodings[] = {
        {"lead EF", "\xEF\x40", false, u""},
        {"lead EF, last trail", "\xEF\xFC", false, u""},
        {"last vertical form before the area", "\xED\x96", true, u"\u30F6\uF87E"},
        {"trail 7F", "\xF0\x7F", false, u""},
        {"trail below 40", "\xF0\x3F", false, u""},
        {"trail FD", "\xFC\xFD", false, u""},
        {"trail FF", "\xF5\xFF", false, u""},
        {"lead at the end", "A\xFC", false, u""},
        {"FD is one byte", "\xFD", true, u"\u00A9"},
        {"FE is one byte", "\xFE", true, u"\u2122"},
        {"FD before a trail byte", "\xFD\x40", true, u"\u00A9@"},
    };
    for (Decoding const& c : decodings) {
        std::u16string units = u"stale";
        EXPECT_EQ(Decode(SE::kMacJapanese, c.bytes, units), c.ok) << c.what;
        EXPECT_EQ(units, c.units) << c.what;
    }
    struct Encoding {
        char const* what;
        std::u16string units;
        std::size_t converted;
        std::string bytes;
    };
    const Encoding encodings[] = {
        {"U+DFFF before the area", u"A\xDFFF", 1, "A"},
        {"U+E98C after the area", u"A\uE98C", 1, "A"},
        {"end of the private-use block", u"\uF8FF", 0, ""},
        {"area then past it", u"\uE98B\uE98C", 1, "\xFC\xFC"},
    };
    for (Encoding const& c : encodings) {
        std::string bytes = "stale";
        EXPECT_EQ(Encode(SE::kMacJapanese, c.units, bytes), c.converted) << c.what;
        EXPECT_EQ(bytes, c.bytes) << c.what;
    }
}

TEST(StandinStringEncoding, NormalisesToFormsCAndKC) {
    struct Case {
        std::u16string text;
        SE::NormalizationForm form;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"", SE::NormalizationForm::kC, u""},
        {u"e\u0301", SE::NormalizationForm::kC, u"\u00E9"},
        {u"\uFB01", SE::NormalizationForm::kC, u"\uFB01"},
        {u"\uFB01", SE::NormalizationForm::kKC, u"fi"},
        {u"\u30AB\u3099", SE::NormalizationForm::kC, u"\u30AC"},
        {u"\uFF76\uFF9E", SE::NormalizationForm::kKC, u"\u30AC"},
        {u"A\xD800" u"e\u0301", SE::NormalizationForm::kC, u"A\xD800\u00E9"},
        // One character that form KC makes 18.
        {u"\uFDFA", SE::NormalizationForm::kKC,
         u"\u0635\u0644\u0649 \u0627\u0644\u0644\u0647 \u0639\u0644\u064A\u0647 \u0648\u0633\u0644\u0645"},
    };
    for (Case const& c : cases) {
        std::u16string text = c.text;
        EXPECT_TRUE(SE::Normalize(text, c.form));
        EXPECT_EQ(text, c.expected);
    }
}

TEST(StandinStringEncoding, SystemEncodingIsMacRomanUntilChanged) {
    EXPECT_EQ(SE::GetSystemEncoding(), SE::kMacRoman);
    SE::SetSystemEncoding(SE::kMacJapanese);
    EXPECT_EQ(SE::GetSystemEncoding(), SE::kMacJapanese);
    SE::SetSystemEncoding(SE::kMacRoman);
}

TEST(StandinStringEncoding, KnowsItsNumbersAndNoOthers) {
    for (int encoding : {SE::kMacRoman, SE::kMacJapanese, SE::kMacGreek, SE::kMacCyrillic, SE::kMacCentralEurRoman,
                         SE::kMacTurkish, SE::kUnicode, SE::kISOLatin1, SE::kDOSJapanese,
                         SE::kDOSChineseSimplified, SE::kWindowsLatin1, SE::kASCII, SE::kGB18030, SE::kShiftJIS,
                         SE::kUTF8})
        EXPECT_TRUE(SE::IsSupported(encoding)) << encoding;
    EXPECT_FALSE(SE::IsSupported(-1));
    EXPECT_FALSE(SE::IsSupported(12345));
}

}  // namespace
