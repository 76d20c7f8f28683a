#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "core/support/GBufferSupport.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "support/EncodingTestSetup.h"
#include "support/LineEndsAsCR.h"

namespace {

std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

GBuffer Buf(std::string const& s) {
    return GBuffer(reinterpret_cast<unsigned char const*>(s.data()), static_cast<int>(s.size()));
}

GBuffer Units(std::u16string const& units) {
    return GBuffer(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2));
}

std::vector<std::string> Items(GTable<GBuffer> const& table) {
    std::vector<std::string> items;
    for (GBuffer const& b : table)
        items.push_back(Text(b));
    return items;
}

GTable<GBuffer> Table(std::vector<std::string> const& items) {
    GTable<GBuffer> table;
    for (std::string const& s : items)
        table.AddItem(Buf(s));
    return table;
}

std::string AsciiRoundTrip(std::string const& text) {
    GBuffer b = Buf(text);
    GBufferSupport::ASCIIReplaceSpecialChars(b);
    GBufferSupport::ASCIIReplaceEscapeCodes(b);
    return Text(b);
}

std::u16string UniRoundTrip(std::u16string const& text) {
    GBuffer b = Units(text);
    GBufferSupport::UniReplaceSpecialChars(b);
    GBufferSupport::UniReplaceEscapeCodes(b);
    return UnitsOf(b);
}

// Restores the platform line end (CR alone) after a test that changes it.
class GBufferSupportLineEnds : public ::testing::Test {
protected:
    void TearDown() override { GBufferSupport::SetLineEnding(true, false); }
};

} // namespace

// ---- Escaping ----

TEST(GBufferSupport, EscapingForQuotedStrings) {
    struct Case {
        std::string text, escaped;
    };
    Case const cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a\tb", "a\\tb"},
        {"x\r\ny", "x\\ny"},
        {"x\n\ry", "x\\ny"},
        {"\r\r", "\\n\\n"},
        {"\r\n\r\n", "\\n\\n"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"c:\\d", "c:\\\\d"},
        {"it's", "it's"},
        // The other two escape characters are escaped too, or the reader would take them as one.
        {"\xA5n", "\\\xA5n"},
        {"\x80\"", "\\\x80\\\""},
    };
    for (Case const& c : cases) {
        GBuffer b = Buf(c.text);
        GBufferSupport::ASCIIReplaceSpecialChars(b);
        EXPECT_EQ(Text(b), c.escaped) << c.text;
    }
}

TEST(GBufferSupport, UnescapingTakesEachEscapeCharacterAndKeepsUnknownPairs) {
    struct Case {
        std::string text, unescaped;
    };
    Case const cases[] = {
        {"a\\qb", "a\\qb"},
        {"end\\", "end\\"},
        {"\\", "\\"},
        {"x", "x"},
        {"", ""},
        {"\\n\\n", "\r\r"},
        {"\\t", "\t"},
        {"\\\"", "\""},
        {"\\'", "'"},
        {"\\\\", "\\"},
        {"\xA5n", "\r"},
        {"\x80t", "\t"},
        {"\\\xA5", "\xA5"},
        {"\xA5\\", "\\"},
        {"\x80\x80", "\x80"},
        {"\\\\n", "\\n"},
        {"a\xA5", "a\xA5"},
    };
    for (Case const& c : cases) {
        GBuffer b = Buf(c.text);
        GBufferSupport::ASCIIReplaceEscapeCodes(b);
        EXPECT_EQ(Text(b), c.unescaped) << c.text;
    }
}

TEST(GBufferSupport, EveryBytePairReadsBackAsWritten) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(AsciiRoundTrip(all), LineEndsAsCR(all));
    // Pairs and triples around the escape characters, where a reader could pair the wrong bytes.
    std::string const tricky = std::string("\\\x80\xA5\"'nt\r\n\t", 11);
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            std::string text{static_cast<char>(a), static_cast<char>(b)};
            ASSERT_EQ(AsciiRoundTrip(text), LineEndsAsCR(text)) << a << " " << b;
        }
        for (char t : tricky) {
            std::string text{t, static_cast<char>(a), t};
            ASSERT_EQ(AsciiRoundTrip(text), LineEndsAsCR(text)) << a;
        }
    }
}

TEST(GBufferSupport, UnitTextsReadBackAsWritten) {
    std::vector<char16_t> sample;
    for (char16_t u = 0; u < 0x300; ++u)
        sample.push_back(u);
    // Units whose low or high byte is an escape character are not escape characters.
    for (unsigned u : {0x015C, 0x5C00, 0x01A5, 0xA500, 0x0180, 0x8000, 0x20AC, 0xD800, 0xDC00, 0xFFFF, 0xFEFF, 0x0A0D})
        sample.push_back(static_cast<char16_t>(u));
    std::u16string all(sample.begin(), sample.end());
    EXPECT_EQ(UniRoundTrip(all), LineEndsAsCR(all));
    for (char16_t a : sample)
        for (char16_t b : {u'\\', u'\u00A5', u'\u0080', u'n', u'"', u'\r', u'\n', u'\u015C'}) {
            std::u16string text{a, b};
            ASSERT_EQ(UniRoundTrip(text), LineEndsAsCR(text)) << int(a) << " " << int(b);
            text = std::u16string{b, a};
            ASSERT_EQ(UniRoundTrip(text), LineEndsAsCR(text)) << int(b) << " " << int(a);
        }
}

TEST(GBufferSupport, UnitFormsWorkOnUnits) {
    GBuffer b = Units(u"a\t\u00A5\"\u015C");
    GBufferSupport::UniReplaceSpecialChars(b);
    EXPECT_EQ(UnitsOf(b), u"a\\t\\\u00A5\\\"\u015C");

    b = Units(u"\u00A5n\u0080t\u015Cn");
    GBufferSupport::UniReplaceEscapeCodes(b);
    EXPECT_EQ(UnitsOf(b), u"\r\t\u015Cn");

    // An odd last byte is carried along.
    b = Buf(std::string("\t\0z", 3));
    GBufferSupport::UniReplaceSpecialChars(b);
    EXPECT_EQ(Text(b), std::string("\\\0t\0z", 5));
}

TEST(GBufferSupport, EscapingLeavesBorrowedBytesAlone) {
    static char const kText[] = "a\tb\\n";
    GBuffer b;
    b.SetFromStatic(kText);
    GBuffer copy = b;
    GBufferSupport::ASCIIReplaceSpecialChars(b);
    GBufferSupport::ASCIIReplaceEscapeCodes(copy);
    EXPECT_EQ(std::string(kText), "a\tb\\n");
    EXPECT_EQ(Text(b), "a\\tb\\\\n");
    EXPECT_EQ(Text(copy), "a\tb\r");
}

TEST_F(GBufferSupportLineEnds, EscapedLineEndFollowsTheFlags) {
    struct Case {
        bool cr, lf;
        std::string expected;
    };
    Case const cases[] = {{true, false, "a\rb"}, {true, true, "a\r\nb"}, {false, true, "a\nb"}, {false, false, "ab"}};
    for (Case const& c : cases) {
        GBufferSupport::SetLineEnding(c.cr, c.lf);
        GBuffer b("a\\nb");
        GBufferSupport::ASCIIReplaceEscapeCodes(b);
        EXPECT_EQ(Text(b), c.expected);
        GBuffer u = Units(u"a\\nb");
        GBufferSupport::UniReplaceEscapeCodes(u);
        EXPECT_EQ(UnitsOf(u), std::u16string(c.expected.begin(), c.expected.end()));
    }
}

TEST_F(GBufferSupportLineEnds, PlatformLineEndings) {
    struct Case {
        bool cr, lf;
        std::string text, expected;
    };
    Case const cases[] = {
        {true, false, "a\r\nb", "a\rb"},   {true, false, "a\nb\n", "a\rb\r"}, {true, false, "a\n\rb", "a\r\rb"},
        {true, false, "none", "none"},     {true, true, "a\rb", "a\r\nb"},    {true, true, "a\r\nb", "a\r\nb"},
        {false, true, "a\r\n\rb", "a\n\nb"}, {false, false, "a\r\nb\n", "ab"}, {true, false, "", ""},
    };
    for (Case const& c : cases) {
        GBufferSupport::SetLineEnding(c.cr, c.lf);
        GBuffer b = Buf(c.text);
        GBufferSupport::ASCIIPlatformLineEndings(b);
        EXPECT_EQ(Text(b), c.expected) << c.cr << c.lf << " " << c.text;
        GBuffer u = Units(std::u16string(c.text.begin(), c.text.end()));
        GBufferSupport::UniPlatformLineEndings(u);
        EXPECT_EQ(UnitsOf(u), std::u16string(c.expected.begin(), c.expected.end()));
    }
}

TEST(GBufferSupport, LineEndsBecomeTheDefaultCharacter) {
    std::u16string const at(1, static_cast<char16_t>(GEncoding::GetDefaultUnit()));
    struct Case {
        std::u16string text, expected;
    };
    Case const cases[] = {
        {u"a\r\nb\n\rc\rd\ne", u"a" + at + u"b" + at + u"c" + at + u"d" + at + u"e"},
        {u"\r\r", at + at},
        {u"\n\n\r", at + at},
        {u"none", u"none"},
        {u"", u""},
    };
    for (Case const& c : cases) {
        GBuffer b = Units(c.text);
        GBufferSupport::UniReplaceSpecialEndCharsWithDefaultChar(b);
        EXPECT_EQ(UnitsOf(b), c.expected);
    }
}

TEST(GBufferSupport, GetUnicodeBuffer) {
    StartFoundation();
    EXPECT_EQ(UnitsOf(GBufferSupport::GetUnicodeBuffer("abc", GASCIIEncoding::GetInstance())), u"abc");
    EXPECT_EQ(UnitsOf(GBufferSupport::GetUnicodeBuffer(GBuffer("caf\xC3\xA9"), GUTF8Encoding::GetInstance())),
              u"caf\u00E9");
    // Composed, as all UTF-16 text of the framework.
    EXPECT_EQ(UnitsOf(GBufferSupport::GetUnicodeBuffer("e\xCC\x81", GUTF8Encoding::GetInstance())), u"\u00E9");
    EXPECT_EQ(UnitsOf(GBufferSupport::GetUnicodeBuffer(GBuffer(), GASCIIEncoding::GetInstance())), u"");
}

// ---- Unit texts ----

TEST(GBufferSupport, RemoveUnicodeLanguageTags) {
    struct Case {
        std::u16string text, expected;
    };
    Case const cases[] = {
        {u"a\u001Ben\u001Bb", u"ab"},
        {u"a\u001Benb", u"a\u001Benb"},
        {u"xy\u001Ben\u001B", u"xy"},
        {u"\u001B\u001B\u001Bz\u001B", u"\u001Bz\u001B"},
        {u"", u""},
    };
    for (Case const& c : cases) {
        GBuffer b = Units(c.text);
        GBufferSupport::RemoveUnicodeLanguageTags(b);
        EXPECT_EQ(UnitsOf(b), c.expected);
    }
}

TEST(GBufferSupport, ByteSwapsCopyBorrowedBytesAndKeepAnOddByte) {
    static char const kText[] = "abcde";
    GBuffer b;
    b.SetFromStatic(kText);
    GBufferSupport::SwapUnicodeBytes(b);
    EXPECT_EQ(Text(b), "badce");
    EXPECT_EQ(std::string(kText), "abcde");

    GBuffer big = Units(u"\u1234");
    GBufferSupport::SwapBigEndian(big);
    GBuffer little = Units(u"\u1234");
    GBufferSupport::SwapLittleEndian(little);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    EXPECT_EQ(Text(big), "\x12\x34");
    EXPECT_EQ(Text(little), "\x34\x12");
#endif
    GBuffer empty;
    GBufferSupport::SwapUnicodeBytes(empty);
    EXPECT_TRUE(empty.IsEmpty());
}

// ---- White space and zeros ----

TEST(GBufferSupport, StripWhiteSpace) {
    struct Case {
        std::string text, leading, trailing;
    };
    Case const cases[] = {
        {" \t\r\n\v\bx y\b\v\n\r\t ", "x y\b\v\n\r\t ", " \t\r\n\v\bx y"},
        {"  ", "", ""},
        {"", "", ""},
        {"\fx\f", "\fx\f", "\fx\f"},  // form feed is not white space here
        {"x", "x", "x"},
    };
    for (Case const& c : cases) {
        GBuffer leading = Buf(c.text);
        GBufferSupport::StripLeadingWhiteSpace(leading);
        EXPECT_EQ(Text(leading), c.leading);
        GBuffer trailing = Buf(c.text);
        GBufferSupport::StripTrailingWhiteSpace(trailing);
        EXPECT_EQ(Text(trailing), c.trailing);
    }
    static char const kText[] = "word  ";
    GBuffer borrowed;
    borrowed.SetFromStatic(kText);
    GBufferSupport::StripTrailingWhiteSpace(borrowed);
    EXPECT_EQ(Text(borrowed), "word");
    EXPECT_EQ(std::string(kText), "word  ");
}

TEST(GBufferSupport, StripTrailingZeroes) {
    struct Case {
        std::string text;
        bool units;
        std::string expected;
    };
    Case const cases[] = {
        {std::string("ab\0\0\0", 5), false, "ab"},
        {std::string("\0\0", 2), false, ""},
        {std::string("a\0\0\0\0\0", 6), true, std::string("a\0", 2)},
        {std::string("\0a\0\0", 4), true, std::string("\0a", 2)},
        {std::string("a\0\0", 3), true, std::string("a\0\0", 3)},  // odd: no whole units to judge
        {"", true, ""},
    };
    for (Case const& c : cases) {
        GBuffer b = Buf(c.text);
        GBufferSupport::StripTrailingZeroes(b, c.units);
        EXPECT_EQ(Text(b), c.expected);
    }
}

// ---- Pascal strings and format strings ----

TEST(GBufferSupport, ConvertToPString) {
    GBuffer longText = Buf(std::string(300, 'x'));
    unsigned char const* p = GBufferSupport::ConvertToPString(longText);
    EXPECT_EQ(longText.GetLength(), 256);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p, longText.GetPtr());
    EXPECT_EQ(Text(longText).substr(1), std::string(255, 'x'));

    static char const kText[] = "abc";
    GBuffer borrowed;
    borrowed.SetFromStatic(kText);
    GBufferSupport::ConvertToPString(borrowed);
    EXPECT_EQ(Text(borrowed), "\x03" "abc");
    EXPECT_EQ(std::string(kText), "abc");

    GBuffer empty;
    GBufferSupport::ConvertToPString(empty);
    EXPECT_EQ(Text(empty), std::string(1, '\0'));
}

TEST(GBufferSupport, GenerateFormatStringForReals) {
    struct Case {
        int n;
        char const* format;
    };
    Case const cases[] = {{3, "%1.3f"}, {0, "%1.0f"}, {99, "%1.99f"}, {-1, "%1.0f"}, {150, "%1.99f"}};
    for (Case const& c : cases) {
        GBuffer out("old");
        GBufferSupport::GenerateFormatStringForReals(c.n, out);
        EXPECT_EQ(Text(out), c.format);
    }
}

// ---- Compact reals ----

TEST(GBufferSupport, RealToBuffer) {
    struct Case {
        double value;
        char const* text;
    };
    Case const cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {-0.05, "-0.05"},
        {0.03, "0.03"},
        {123456.789, "123456.789"},
        {2.5, "2.5"},
        {12.345675, "12.34568"},
        {0.0123456789, "0.0123456"},
        {0.000012345678, "0.0000123456"},
        {0.0999999999, "0.0999999"},  // cut, not rounded, below 0.1
        {2e-16, "0.0000000000000002"},
        {1e-16, "0"},
        {-1e-17, "0"},
        {0.1, "0.1"},
        {9999.99999, "9999.99999"},
        {9999.999994, "9999.99999"},
        {10000.0, "10000"},
        {-12345.678901, "-12345.6789"},
        {1e60, "100000000000000007629769841091887003294964970946560"},
        {std::numeric_limits<double>::infinity(), "100000000000000007629769841091887003294964970946560"},
        {-std::numeric_limits<double>::infinity(), "-100000000000000007629769841091887003294964970946560"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {std::numeric_limits<double>::denorm_min(), "0"},
    };
    for (Case const& c : cases) {
        GBuffer out;
        GBufferSupport::RealToBuffer(c.value, out, false);
        EXPECT_EQ(Text(out), c.text) << c.value;
    }
    GBuffer blank;
    GBufferSupport::RealToBuffer(0.0, blank, true);
    EXPECT_EQ(Text(blank), "0 ");
    GBufferSupport::RealToBuffer(-1.5, blank, true);
    EXPECT_EQ(Text(blank), "-1.5 ");
}

TEST(GBufferSupport, RealToBufferKeepsThePointUnderAnotherLocale) {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    std::locale previousGlobal = std::locale::global(std::locale("de_DE.UTF-8"));
    GBuffer small, middle, large;
    GBufferSupport::RealToBuffer(0.05, small, false);
    GBufferSupport::RealToBuffer(2.5, middle, false);
    GBufferSupport::RealToBuffer(123456.5, large, false);
    std::locale::global(previousGlobal);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(Text(small), "0.05");
    EXPECT_EQ(Text(middle), "2.5");
    EXPECT_EQ(Text(large), "123456.5");
}

// ---- Separated lists ----

TEST(GBufferSupport, SeparatedBufferToBufferTable) {
    struct Case {
        std::string text, separators;
        bool keepEmpty;
        std::vector<std::string> items;
    };
    Case const cases[] = {
        {"a,,b", ",", true, {"a", "", "b"}},
        {"a,,b", ",", false, {"a", "b"}},
        {"a,", ",", true, {"a", ""}},
        {"", ",", true, {""}},
        {"", ",", false, {}},
        {",", ",", false, {}},
        {"a;b,c", ",;", false, {"a", "b", "c"}},
        {"abc", "", true, {"abc"}},
        {std::string("a\0b", 3), std::string(1, '\0'), true, {"a", "b"}},
    };
    for (Case const& c : cases) {
        GTable<unsigned char> separators;
        for (char s : c.separators)
            separators.AddItem(static_cast<unsigned char>(s));
        GTable<GBuffer> items = Table({"stale"});
        GBufferSupport::SeparatedBufferToBufferTable(Buf(c.text), separators, items, c.keepEmpty);
        EXPECT_EQ(Items(items), c.items) << c.text;
    }
    // The text may be an item of the output table.
    GTable<unsigned char> comma;
    comma.AddItem(',');
    GTable<GBuffer> items = Table({"x", "a,b"});
    GBufferSupport::SeparatedBufferToBufferTable(items[1], comma, items, false);
    EXPECT_EQ(Items(items), (std::vector<std::string>{"a", "b"}));
}

TEST(GBufferSupport, BufferTableToSeparatedBuffer) {
    GBuffer out("stale");
    GBufferSupport::BufferTableToSeparatedBuffer(Table({"a", "", "b"}), GBuffer(", "), out);
    EXPECT_EQ(Text(out), "a, , b");
    GBufferSupport::BufferTableToSeparatedBuffer(Table({}), GBuffer(","), out);
    EXPECT_EQ(Text(out), "");
}

TEST(GBufferSupport, SplitSeparatedBuffer) {
    struct Case {
        std::string text;
        std::vector<std::string> items;
    };
    Case const cases[] = {
        {"#|a#|b|c", {"a|b", "c"}},
        {"#|", {}},
        {"ab", {}},
        {"", {}},
        {"#|a", {"a"}},
        {"#||", {"", ""}},
        {"#|#", {""}},
        {"#|ab#", {"ab"}},  // an escape as the last byte is dropped
        {"#|a##|", {"a#", ""}},
        {"\\;a\\;b;c", {"a;b", "c"}},
    };
    for (Case const& c : cases) {
        GTable<GBuffer> items = Table({"stale"});
        GBufferSupport::SplitSeparatedBuffer(Buf(c.text), items);
        EXPECT_EQ(Items(items), c.items) << c.text;
    }
}

TEST(GBufferSupport, MergedListsSplitBackItemForItem) {
    struct Case {
        std::vector<std::string> items;
        std::string merged;
    };
    Case const cases[] = {
        {{}, ""},
        {{"a#", ""}, "#|a##|"},
        {{"a", "b"}, "#|a|b"},
        {{""}, "#|#"},  // "#|" would read back as no items
        {{"", ""}, "#||"},
        {{"|"}, "#|#|"},
        {{"#"}, "#|##"},
        {{"", "a"}, "#||a"},
        {{"a", ""}, "#|a|"},
        {{"x|y#z", "", "#|"}, "#|x#|y##z||###|"},
    };
    for (Case const& c : cases) {
        GBuffer merged("stale");
        GBufferSupport::MergeIntoSeparatedBuffer(Table(c.items), merged);
        EXPECT_EQ(Text(merged), c.merged);
        GTable<GBuffer> items;
        GBufferSupport::SplitSeparatedBuffer(merged, items);
        EXPECT_EQ(Items(items), c.items) << c.merged;
    }
}

// ---- Bit blocks ----

namespace {

std::vector<unsigned char> Bytes(GBuffer const& b) {
    return std::vector<unsigned char>(b.GetPtr(), b.GetPtr() + b.GetLength());
}

GBuffer FromBytes(std::vector<unsigned char> const& bytes) {
    return GBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

// Bit by bit, as the operation is defined.
std::vector<unsigned char> ReferenceCopy(std::vector<unsigned char> const& src, int srcBit, int count,
                                         std::vector<unsigned char> dst, int dstBit) {
    std::int64_t srcBits = 8 * static_cast<std::int64_t>(src.size());
    if (count < 1 || srcBit < 0 || dstBit < 0 || srcBit >= srcBits)
        return dst;
    std::int64_t n = std::min<std::int64_t>(count, srcBits - srcBit);
    std::size_t need = static_cast<std::size_t>((dstBit + n - 1) / 8 + 1);
    if (dst.size() < need)
        dst.resize(need, 0);
    for (std::int64_t i = 0; i < n; ++i) {
        std::int64_t from = srcBit + i;
        std::int64_t to = dstBit + i;
        int bit = (src[static_cast<std::size_t>(from / 8)] >> (from % 8)) & 1;
        unsigned char& byte = dst[static_cast<std::size_t>(to / 8)];
        byte = static_cast<unsigned char>((byte & ~(1 << (to % 8))) | (bit << (to % 8)));
    }
    return dst;
}

} // namespace

TEST(GBufferSupport, CopyBitBlock) {
    struct Case {
        std::vector<unsigned char> src;
        int srcBit, count;
        std::vector<unsigned char> dst;
        int dstBit;
        std::vector<unsigned char> expected;
    };
    int const kAll = std::numeric_limits<int>::max();
    Case const cases[] = {
        {{0xAB}, 4, 4, {}, 0, {0x0A}},
        {{0xFF}, 0, 8, {0x00, 0x00}, 4, {0xF0, 0x0F}},
        {{0x0F}, 0, 4, {0x00}, 2, {0x3C}},
        {{0x00}, 0, 3, {0xFF}, 3, {0xC7}},               // bits outside the target keep their values
        {{0xFF}, 4, 100, {}, 0, {0x0F}},                 // cut to what the source holds
        {{0xAA, 0x55}, 0, kAll, {}, 0, {0xAA, 0x55}},    // a count that would overflow bit sums
        {{0xAA, 0x55}, 9, kAll, {0x01}, 1, {0x55}},
        {{0x01}, 0, 1, {}, 17, {0x00, 0x00, 0x02}},      // new bytes are zero
        {{0xFF}, 0, 0, {0x12}, 0, {0x12}},               // nothing for count < 1
        {{0xFF}, -1, 4, {0x12}, 0, {0x12}},
        {{0xFF}, 0, 4, {0x12}, -1, {0x12}},
        {{0xFF}, 8, 4, {0x12}, 0, {0x12}},               // srcBit past the source
        {{}, 0, 4, {0x12}, 0, {0x12}},
    };
    for (Case const& c : cases) {
        GBuffer dst = FromBytes(c.dst);
        GBufferSupport::CopyBitBlock_LBE_LBE(FromBytes(c.src), c.srcBit, c.count, dst, c.dstBit);
        EXPECT_EQ(Bytes(dst), c.expected) << c.srcBit << " " << c.count << " " << c.dstBit;
        EXPECT_EQ(c.expected, ReferenceCopy(c.src, c.srcBit, c.count, c.dst, c.dstBit));
    }
}

TEST(GBufferSupport, CopyBitBlockMatchesBitByBitCopy) {
    std::uint32_t state = 7;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    for (int round = 0; round < 2000; ++round) {
        std::vector<unsigned char> src(next(6)), dst(next(6));
        for (unsigned char& b : src)
            b = static_cast<unsigned char>(next(256));
        for (unsigned char& b : dst)
            b = static_cast<unsigned char>(next(256));
        int srcBit = static_cast<int>(next(50));
        int count = static_cast<int>(next(50));
        int dstBit = static_cast<int>(next(50));
        GBuffer out = FromBytes(dst);
        GBufferSupport::CopyBitBlock_LBE_LBE(FromBytes(src), srcBit, count, out, dstBit);
        ASSERT_EQ(Bytes(out), ReferenceCopy(src, srcBit, count, dst, dstBit)) << round;
    }
}

TEST(GBufferSupport, CopyBitBlockWithinOneBufferReadsTheOriginalBits) {
    GBuffer b = FromBytes({0x12, 0x34});
    GBufferSupport::CopyBitBlock_LBE_LBE(b, 0, 16, b, 4);
    EXPECT_EQ(Bytes(b), (std::vector<unsigned char>{0x22, 0x41, 0x03}));

    static char const kBytes[] = "\x0F";
    GBuffer borrowed;
    borrowed.SetFromStatic(kBytes);
    GBufferSupport::CopyBitBlock_LBE_LBE(borrowed, 0, 4, borrowed, 4);
    EXPECT_EQ(Bytes(borrowed), (std::vector<unsigned char>{0xFF}));
    EXPECT_EQ(static_cast<unsigned char>(kBytes[0]), 0x0F);
}

// ---- Roman numerals ----

TEST(GBufferSupport, RomanNumerals) {
    struct Case {
        unsigned value;
        char const* lower;
    };
    Case const cases[] = {
        {0, ""},        {1, "i"},         {3, "iii"},       {4, "iv"},       {5, "v"},
        {8, "viii"},    {9, "ix"},        {14, "xiv"},      {40, "xl"},      {49, "xlix"},
        {90, "xc"},     {400, "cd"},      {444, "cdxliv"},  {888, "dccclxxxviii"},
        {1994, "mcmxciv"}, {2024, "mmxxiv"}, {3999, "mmmcmxcix"}, {5000, "mmmmm"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(Text(GBufferSupport::IntToRomanNumeralLower(c.value)), c.lower);
        std::string upper = c.lower;
        for (char& ch : upper)
            ch = static_cast<char>(ch - 'a' + 'A');
        EXPECT_EQ(Text(GBufferSupport::IntToRomanNumeralUpper(c.value)), upper);
    }
    EXPECT_EQ(Text(GBufferSupport::IntToRomanNumeralUpper(3999)), "MMMCMXCIX");
}

TEST(GBufferSupport, RomanNumeralOfTheLargestValue) {
    std::string text = Text(GBufferSupport::IntToRomanNumeralLower(4294967295u));
    ASSERT_EQ(text.size(), 4294967u + 5u);
    EXPECT_EQ(text.find_first_not_of('m'), 4294967u);
    EXPECT_EQ(text.substr(4294967), "ccxcv");
}

// ---- Real-number syntax ----

TEST(GBufferSupport, IsReal) {
    struct Case {
        std::string text;
        bool real;
    };
    Case const cases[] = {
        {"1", true},      {"-1.5", true},    {".5", true},     {"5.", true},      {"1e5", true},
        {"+2.5E-3", true}, {"0", true},      {"1.5e+10", true}, {"007", true},    {"-.5e-2", true},
        {std::string("1\0x", 3), true},  // up to the first zero byte
        {"", false},      {"e5", false},     {"1.5.2", false}, {" 1", false},     {"1 ", false},
        {"1e", false},    {"+", false},      {".", false},     {"-.e1", false},   {"1x", false},
        {"nan", false},   {"inf", false},    {"1,5", false},   {"--1", false},
        {std::string("\0" "1", 2), false},
    };
    for (Case const& c : cases)
        EXPECT_EQ(GBufferSupport::IsReal(Buf(c.text)), c.real) << c.text;
}

TEST(GBufferSupport, IsBackSlashCharacter) {
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(GBufferSupport::IsBackSlashCharacter(static_cast<unsigned char>(c)),
                  c == 0x5C || c == 0x80 || c == 0xA5)
            << c;
}
