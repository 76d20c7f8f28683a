#include "core/text/encodings/GUTF8Encoding.h"

#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include <random>
#include <string>
#include <vector>

#include "core/text/encodings/GCharCode.h"
#include "support/EncodingTestSetup.h"

namespace {

class GUTF8EncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    static GUTF8Encoding const* utf8() { return GUTF8Encoding::GetInstance(); }
    static GUnicodeEncoding const* unicode() { return GUnicodeEncoding::GetInstance(); }

    static int32_t Decode(std::string const& bytes, std::u16string& units) {
        GBuffer out("stale");
        const int32_t status = utf8()->ConvertTo(ByteBuffer(bytes), unicode(), out);
        units = UnitsOf(out);
        return status;
    }

    static int32_t Encode(std::u16string const& units, std::string& bytes) {
        GBuffer out("stale");
        const int32_t status = utf8()->ConvertFrom(UTF16Buffer(units), unicode(), out);
        bytes = BytesOf(out);
        return status;
    }
};

struct DecodeCase {
    std::string bytes;
    std::u16string units;
    int32_t status;
};

std::string Z(char const* text, std::size_t n) { return std::string(text, n); }

TEST_F(GUTF8EncodingTest, Decodes) {
    const DecodeCase cases[] = {
        {"", u"", 1},
        {"plain", u"plain", 1},
        {Z("\x41\x00\x42", 3), std::u16string(u"A\0B", 3), 2},
        {"\xC3\xA9\xE2\x82\xAC", u"\u00E9\u20AC", 1},
        {"\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF", u"\u0080\u07FF\u0800\uFFFF", 1},
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00", 1},
        {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", u"\xD800\xDC00\xDBFF\xDFFF", 1},
        // The forms this system writes and keeps reading.
        {"\xC0\x80", std::u16string(1, u'\0'), 1},
        {"\xED\xA0\x80", u"\xD800", 1},
        {"\xED\xA0\xBD\xED\xB8\x80", u"\xD83D\xDE00", 1},
        // Truncated and ill-formed: status 4, what came before stays.
        {"\xE2\x82", u"", 4},
        {"\x41\xFF\x42", u"A", 4},
        {"A\x80", u"A", 4},
        {"A\xC2\x41", u"A", 4},
        {"A\xE2\x28\xA1", u"A", 4},
        {"A\xF0\x9F\x98\x41", u"A", 4},
        // Overlong forms, values past U+10FFFF and the unused lead bytes.
        {"\xC0\xAF", u"", 4},
        {"\xC1\xBF", u"", 4},
        {"\xC0\x81", u"", 4},
        {"\xE0\x9F\xBF", u"", 4},
        {"\xE0\x80\xAF", u"", 4},
        {"\xF0\x8F\xBF\xBF", u"", 4},
        {"\xF0\x80\x80\xAF", u"", 4},
        {"x\xF4\x90\x80\x80", u"x", 4},
        {"x\xF5\x80\x80\x80", u"x", 4},
        {"x\xF7\xBF\xBF\xBF", u"x", 4},
        {"x\xF8\x88\x80\x80\x80", u"x", 4},
        {"x\xFE", u"x", 4},
    };
    for (DecodeCase const& c : cases) {
        std::u16string units;
        EXPECT_EQ(Decode(c.bytes, units), c.status) << testing::PrintToString(c.bytes);
        EXPECT_EQ(units, c.units) << testing::PrintToString(c.bytes);
    }
}

// The block-wise ASCII path: a zero, a non-ASCII byte or an error at every place of a long run.
TEST_F(GUTF8EncodingTest, LongASCIIRuns) {
    for (std::size_t at = 0; at < 40; ++at) {
        std::string text(40, 'x');
        std::u16string expected(40, u'x');
        std::u16string units;

        text[at] = '\0';
        expected[at] = u'\0';
        EXPECT_EQ(Decode(text, units), 2) << at;
        EXPECT_EQ(units, expected);

        text[at] = '\x7F';
        expected[at] = u'\x7F';
        EXPECT_EQ(Decode(text, units), 1) << at;
        EXPECT_EQ(units, expected);

        text[at] = '\xFF';
        EXPECT_EQ(Decode(text, units), 4) << at;
        EXPECT_EQ(units, std::u16string(at, u'x'));

        std::string wide = text.substr(0, at) + "\xC3\xA9" + text.substr(at + 1);
        expected[at] = u'\u00E9';
        EXPECT_EQ(Decode(wide, units), 1) << at;
        EXPECT_EQ(units, expected);
    }
}

// A mixed text cut at every byte: status 1 with the whole characters at a boundary, otherwise
// status 4 with the characters before the cut one.
TEST_F(GUTF8EncodingTest, TruncatedAtEveryPosition) {
    struct Piece {
        std::string bytes;
        std::u16string units;
    };
    const std::vector<Piece> pieces = {
        {"A", u"A"}, {"\xC3\xA9", u"\u00E9"}, {"\xE2\x82\xAC", u"\u20AC"}, {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        {"z", u"z"}, {"\xE4\xB8\x80", u"\u4E00"}, {"\xC0\x80", std::u16string(1, u'\0')}, {"\xED\xA0\x80", u"\xD800"},
        {"\xDF\xBF", u"\u07FF"}, {"!", u"!"},
    };
    std::string text;
    for (Piece const& p : pieces)
        text += p.bytes;
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        std::u16string before;
        std::size_t used = 0;
        for (Piece const& p : pieces) {
            if (used + p.bytes.size() > cut)
                break;
            used += p.bytes.size();
            before += p.units;
        }
        std::u16string units;
        EXPECT_EQ(Decode(text.substr(0, cut), units), used == cut ? 1 : 4) << cut;
        EXPECT_EQ(units, before) << cut;
    }
}

TEST_F(GUTF8EncodingTest, Encodes) {
    struct Case {
        std::u16string units;
        std::string bytes;
    };
    const Case cases[] = {
        {u"", ""},
        {u"plain", "plain"},
        {std::u16string(1, u'\0'), Z("\0", 1)},
        {u"\u00E9\u07FF\u0800\u20AC\uFFFF", "\xC3\xA9\xDF\xBF\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBF"},
        {u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},
        // Lone surrogates, also at the end and before a unit that is not a low surrogate.
        {u"\xD800", "\xED\xA0\x80"},
        {u"\xDC00", "\xED\xB0\x80"},
        {u"a\xD83D", "a\xED\xA0\xBD"},
        {u"\xD83Dx", "\xED\xA0\xBDx"},
        {u"\xDE00\xD83D", "\xED\xB8\x80\xED\xA0\xBD"},
    };
    for (Case const& c : cases) {
        std::string bytes;
        EXPECT_EQ(Encode(c.units, bytes), 1);
        EXPECT_EQ(bytes, c.bytes) << testing::PrintToString(c.bytes);
        // Every UTF-16 text comes back.
        std::u16string units;
        EXPECT_EQ(Decode(bytes, units), c.units.find(u'\0') == std::u16string::npos ? 1 : 2);
        EXPECT_EQ(units, c.units);
    }
    // An odd last byte is ignored; a high surrogate cut from its pair by it stays lone.
    GBuffer odd = UTF16Buffer(u"A\xD83D");
    odd.AppendByteArray(reinterpret_cast<unsigned char const*>("\xDE"), 1);
    GBuffer out;
    EXPECT_EQ(utf8()->ConvertFrom(odd, unicode(), out), 1);
    EXPECT_EQ(BytesOf(out), "A\xED\xA0\xBD");
}

TEST_F(GUTF8EncodingTest, EncodesFromOtherEncodings) {
    GBuffer out;
    EXPECT_EQ(utf8()->ConvertFrom(ByteBuffer("AB\x80"), GASCIIEncoding::GetInstance(), out), 2);
    EXPECT_EQ(BytesOf(out), "AB@");
    out = GBuffer("stale");
    EXPECT_EQ(utf8()->ConvertFrom(ByteBuffer("A\xE2\x82"), utf8(), out), 4);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(utf8()->ConvertFrom(ByteBuffer("\xC3\xA9t\xC3\xA9"), utf8(), out), 1);
    EXPECT_EQ(BytesOf(out), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(utf8()->ConvertFrom(ByteBuffer("x"), nullptr, out), 4);
    // Into ASCII through UTF-16: both steps' flags.
    EXPECT_EQ(utf8()->ConvertTo(ByteBuffer("A\xC3\xA9"), GASCIIEncoding::GetInstance(), out), 3);
    EXPECT_EQ(BytesOf(out), "A@");

    GBuffer same = ByteBuffer("\xC3\xA9");
    EXPECT_EQ(utf8()->ConvertTo(same, unicode(), same), 1);
    EXPECT_EQ(UnitsOf(same), u"\u00E9");
    EXPECT_EQ(utf8()->ConvertFrom(same, unicode(), same), 1);
    EXPECT_EQ(BytesOf(same), "\xC3\xA9");
}

TEST_F(GUTF8EncodingTest, GlyphNames) {
    GBuffer name;
    EXPECT_TRUE(utf8()->GetGlyphName(GCharCode(ByteBuffer("\xC3\xA9")), name));
    EXPECT_EQ(BytesOf(name), "eacute");
    EXPECT_TRUE(utf8()->GetGlyphName(GCharCode(static_cast<unsigned char>('A')), name));
    EXPECT_EQ(BytesOf(name), "A");
    EXPECT_FALSE(utf8()->GetGlyphName(GCharCode(ByteBuffer("\xC3")), name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_FALSE(utf8()->GetGlyphName(GCharCode(ByteBuffer("AB")), name));

    GCharCode code;
    utf8()->GetCharCode(GBuffer("eacute"), code);
    EXPECT_EQ(code, GCharCode(ByteBuffer("\xC3\xA9")));
    utf8()->GetCharCode(GBuffer("Euro"), code);
    EXPECT_EQ(code, GCharCode(ByteBuffer("\xE2\x82\xAC")));
    utf8()->GetCharCode(GBuffer("T_h"), code);
    EXPECT_TRUE(code.IsEmpty());
}

// Well-formed text decodes and encodes as ICU does it.
TEST_F(GUTF8EncodingTest, AgreesWithICUOnWellFormedText) {
    std::mt19937 random(4711);
    const char32_t ranges[][2] = {{0x20, 0x7E}, {0xA0, 0x7FF}, {0x800, 0xD7FF}, {0xE000, 0xFFFD}, {0x10000, 0x10FFFF}};
    for (int round = 0; round < 300; ++round) {
        std::u16string text;
        const int n = static_cast<int>(random() % 64);
        for (int i = 0; i < n; ++i) {
            auto const& r = ranges[random() % 5];
            const char32_t c = r[0] + random() % (r[1] - r[0] + 1);
            if (c >= 0x10000) {
                text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
            } else {
                text += static_cast<char16_t>(c);
            }
        }
        std::string ours;
        ASSERT_EQ(Encode(text, ours), 1);
        UErrorCode error = U_ZERO_ERROR;
        std::string icu(text.size() * 3 + 1, '\0');
        int32_t length = 0;
        u_strToUTF8(&icu[0], static_cast<int32_t>(icu.size()), &length, text.data(), static_cast<int32_t>(text.size()), &error);
        ASSERT_TRUE(U_SUCCESS(error));
        icu.resize(static_cast<std::size_t>(length));
        EXPECT_EQ(ours, icu);
        std::u16string back;
        EXPECT_EQ(Decode(icu, back), 1);
        EXPECT_EQ(back, text);
    }
}

} // namespace
