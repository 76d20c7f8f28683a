#include "core/support/GStringSupport.h"

#include <gtest/gtest.h>

#include <unicode/locid.h>

#include <clocale>
#include <string>
#include <vector>

#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "standin/StandinStringEncoding.h"
#include "support/ScopedEnvironment.h"
#include "support/SingleByteTestSetup.h"

namespace {

GEncoding* ASCII() { return GASCIIEncoding::GetInstance(); }
GEncoding* Unicode() { return GUnicodeEncoding::GetInstance(); }
GEncoding* UTF8() { return GUTF8Encoding::GetInstance(); }
GEncoding* WinAnsi() { return GWinAnsiEncoding::GetInstance(); }
GEncoding* MacRoman() { return GMacRomanEncoding::GetInstance(); }
GEncoding* ShiftJIS() { return GShiftJISEncoding::GetInstance(); }
GEncoding* Platform() { return GPlatformEncoding::GetInstance(); }

GString U(std::u16string const& units) { return GString(UTF16Buffer(units), Unicode(), false); }
std::u16string Units(GString const& s) { return UnitsOf(s.GetBuffer(GUnicodeEncoding::GetInstance())); }

GTable<GEncoding*> Candidates(std::vector<GEncoding*> const& encodings) {
    GTable<GEncoding*> table;
    for (GEncoding* e : encodings)
        table.AddItem(e);
    return table;
}

std::vector<std::u16string> Items(GTable<GString> const& table) {
    std::vector<std::u16string> items;
    for (GString const& s : table)
        items.push_back(Units(s));
    return items;
}

// Restores the system code page a test changes.
class SystemEncodingScope {
public:
    explicit SystemEncodingScope(int encoding) : mSaved(StandinStringEncoding::GetSystemEncoding()) {
        StandinStringEncoding::SetSystemEncoding(encoding);
    }
    ~SystemEncodingScope() { StandinStringEncoding::SetSystemEncoding(mSaved); }
    SystemEncodingScope(SystemEncodingScope const&) = delete;
    SystemEncodingScope& operator=(SystemEncodingScope const&) = delete;

private:
    int mSaved;
};

class GStringSupportTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        if (GPlatformEncodingFactory::GetInstance() == nullptr)
            GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
    }
};

// ---- Encoding detection ----

struct DetectionCase {
    char const* label;
    std::string bytes;
    GEncoding* (*expected)();  // null: no encoding found
    std::u16string text;
};

void ExpectDetection(DetectionCase const& c, GTable<GEncoding*> const& candidates) {
    GString out("left over");
    const bool found = GStringSupport::AssignEncoding(ByteBuffer(c.bytes), out, candidates);
    if (c.expected == nullptr) {
        EXPECT_FALSE(found) << c.label;
        EXPECT_TRUE(out.IsEmpty()) << c.label;
        EXPECT_EQ(out.GetEncoding().Get(), nullptr) << c.label;
        return;
    }
    ASSERT_TRUE(found) << c.label;
    EXPECT_EQ(out.GetEncoding().Get(), c.expected()) << c.label << ": " << BytesOf(out.GetEncodingName());
    EXPECT_EQ(Units(out), c.text) << c.label;
}

TEST_F(GStringSupportTest, AssignEncodingInTheDefaultOrder) {
    using namespace std::string_literals;
    DetectionCase const cases[] = {
        {"empty", "", ASCII, u""},
        {"ASCII", "Hello, world", ASCII, u"Hello, world"},
        {"ASCII with trailing zeros", "Hi\0\0"s, ASCII, u"Hi"},
        {"UTF-16LE without mark", "H\0i\0"s, Unicode, u"Hi"},
        {"UTF-16BE without mark", "\0H\0i"s, Unicode, u"Hi"},
        {"UTF-16LE with trailing zero units", "H\0i\0\0\0\0\0"s, Unicode, u"Hi"},
        {"UTF-16 without mark, zeros on both sides", "\0\x30\x42\0"s, Unicode, u"\u3000\u0042"},
        {"UTF-16 without mark, odd length", "H\0i\0!"s, Unicode, u"Hi"},
        {"mark FF FE", "\xFF\xFEH\0i\0"s, Unicode, u"Hi"},
        {"mark FE FF", "\xFE\xFF\0H\0i"s, Unicode, u"Hi"},
        {"mark alone", "\xFF\xFE", Unicode, u""},
        {"big-endian mark alone", "\xFE\xFF", Unicode, u""},
        {"mark with odd length", "\xFE\xFF\0H\0"s, Unicode, u"H"},
        {"mark, language tag, trailing zeros", "\xFF\xFE\x1B\0e\0n\0\x1B\0H\0i\0\0\0"s, Unicode, u"Hi"},
        {"mark, non-BMP", "\xFF\xFE\x3D\xD8\x00\xDE"s, Unicode, u"\U0001F600"},
        {"UTF-8 mark", "\xEF\xBB\xBF" "caf\xC3\xA9", UTF8, u"caf\u00E9"},
        {"UTF-8 mark with trailing zeros", "\xEF\xBB\xBF" "ok\0\0"s, UTF8, u"ok"},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", UTF8, u""},
        {"UTF-8 mark before invalid UTF-8", "\xEF\xBB\xBF\xFF", WinAnsi, u"\u00EF\u00BB\u00BF\u00FF"},
        {"two bytes of a UTF-8 mark", "\xEF\xBB", WinAnsi, u"\u00EF\u00BB"},
        {"WinAnsi", "caf\xE9 \x80", WinAnsi, u"caf\u00E9 \u20AC"},
        // The rule is order alone: UTF-8 is not among the defaults and reads as WinAnsi.
        {"UTF-8 without mark", "caf\xC3\xA9", WinAnsi, u"caf\u00C3\u00A9"},
        {"Mac Roman (a form feed WinAnsi lacks)", "\x0C" "caf\x8E", MacRoman, u"\fcaf\u00E9"},
        {"platform encoding (Mac Roman lacks 0xF0)", "\x01\xF0", Platform, u"\u0001\uF8FF"},
    };
    for (DetectionCase const& c : cases)
        ExpectDetection(c, GTable<GEncoding*>());
}

TEST_F(GStringSupportTest, AssignEncodingReachesShiftJISWhenTheCodePagesBeforeItRefuse) {
    SystemEncodingScope ascii(StandinStringEncoding::kASCII);
    // 0x01 has no character in WinAnsi or PDFDoc, 0xB0 none in Mac Roman or ASCII; Shift-JIS
    // reads half-width katakana and two kanji.
    ExpectDetection({"Shift-JIS", "\x01\xB0\x93\xFA\x96\x7B", ShiftJIS, u"\u0001\uFF70\u65E5\u672C"},
                    GTable<GEncoding*>());
}

TEST_F(GStringSupportTest, AssignEncodingWithCandidates) {
    using namespace std::string_literals;
    struct Case {
        DetectionCase detection;
        std::vector<GEncoding*> candidates;
    };
    Case const cases[] = {
        {{"UTF-8 first", "caf\xC3\xA9", UTF8, u"caf\u00E9"}, {UTF8(), WinAnsi()}},
        {{"UTF-8 refused, WinAnsi next", "caf\xE9", WinAnsi, u"caf\u00E9"}, {UTF8(), WinAnsi()}},
        {{"Shift-JIS", "\x93\xFA\x96\x7B", ShiftJIS, u"\u65E5\u672C"}, {ShiftJIS(), WinAnsi()}},
        {{"cut Shift-JIS", "\x93\xFA\x96", WinAnsi, u"\u201C\u00FA\u2013"}, {ShiftJIS(), WinAnsi()}},
        {{"order decides", "caf\xE9", MacRoman, u"caf\u00C8"}, {MacRoman(), WinAnsi()}},
        {{"nothing fits", "caf\xE9", nullptr, u""}, {ASCII()}},
        {{"a mark wins whatever the candidates", "\xFF\xFEH\0i\0"s, Unicode, u"Hi"}, {WinAnsi()}},
        {{"wide text without UTF-16 among the candidates", "a\0b"s, nullptr, u""}, {WinAnsi()}},
        {{"wide text with UTF-16 among them", "a\0b\0"s, Unicode, u"ab"}, {WinAnsi(), Unicode()}},
        {{"UTF-16 for narrow text", "ab", Unicode, u"\u6261"}, {Unicode()}},
    };
    for (Case const& c : cases)
        ExpectDetection(c.detection, Candidates(c.candidates));
}

TEST_F(GStringSupportTest, AssignEncodingOfTheOutputsOwnBytes) {
    GString s(GBuffer("caf\xE9"), WinAnsi());
    ASSERT_TRUE(GStringSupport::AssignEncoding(s.GetEncodedBuffer(), s));
    EXPECT_EQ(s.GetEncoding().Get(), WinAnsi());
    EXPECT_EQ(Units(s), u"caf\u00E9");
}

TEST_F(GStringSupportTest, AssignedTextOwnsItsBytes) {
    GString out;
    {
        GBuffer bytes;
        bytes.Set(reinterpret_cast<unsigned char const*>("text\0\0"), 6);
        ASSERT_TRUE(GStringSupport::AssignEncoding(bytes, out));
        bytes.GetWritePtr()[0] = 'n';
    }
    EXPECT_EQ(Units(out), u"text");
}

TEST_F(GStringSupportTest, GetBufferTakesTheFirstCleanEncoding) {
    struct Case {
        char const* label;
        GString text;
        std::vector<GEncoding*> candidates;
        bool found;
        std::string bytes;
    };
    Case const cases[] = {
        {"ASCII", GString("abc"), {}, true, "abc"},
        {"WinAnsi before Mac Roman", U(u"caf\u00E9"), {}, true, "caf\xE9"},
        {"Shift-JIS after the code pages", U(u"\u65E5\u672C"), {}, true, "\x93\xFA\x96\x7B"},
        {"UTF-16 last", U(u"\U0001F600"), {}, true, std::string("\x3D\xD8\x00\xDE", 4)},
        {"candidate order", U(u"caf\u00E9"), {MacRoman(), WinAnsi()}, true, "caf\x8E"},
        {"none clean", U(u"caf\u00E9"), {ASCII()}, false, ""},
    };
    for (Case const& c : cases) {
        GBuffer out("left over");
        EXPECT_EQ(GStringSupport::GetBuffer(c.text, out, Candidates(c.candidates)), c.found) << c.label;
        EXPECT_EQ(BytesOf(out), c.bytes) << c.label;
    }
    EXPECT_EQ(BytesOf(GStringSupport::GetBuffer(U(u"caf\u00E9"), MacRoman())), "caf\x8E");
}

// ---- Escapes and quotes ----

TEST_F(GStringSupportTest, QuoteStringEscapesAndSetSpecialCharactersReadsBack) {
    struct Case {
        char const* label;
        std::u16string text;
        std::u16string quoted;
        std::u16string readBack;
    };
    Case const cases[] = {
        {"plain", u"abc", u"\"abc\"", u"abc"},
        {"empty", u"", u"\"\"", u""},
        {"tab", u"a\tb", u"\"a\\tb\"", u"a\tb"},
        {"CR", u"a\rb", u"\"a\\nb\"", u"a\rb"},
        {"LF", u"a\nb", u"\"a\\nb\"", u"a\rb"},
        {"CR LF as one", u"a\r\nb", u"\"a\\nb\"", u"a\rb"},
        {"LF CR as one", u"a\n\rb", u"\"a\\nb\"", u"a\rb"},
        {"two LFs", u"a\n\nb", u"\"a\\n\\nb\"", u"a\r\rb"},
        {"double quote", u"say \"hi\"", u"\"say \\\"hi\\\"\"", u"say \"hi\""},
        {"backslash", u"C:\\dir\\", u"\"C:\\\\dir\\\\\"", u"C:\\dir\\"},
        {"backslash before n", u"\\n", u"\"\\\\n\"", u"\\n"},
        {"single quote", u"it's", u"\"it's\"", u"it's"},
        // Text files know only the backslash as an escape: other applications read them so.
        {"yen sign", u"\u00A5n", u"\"\u00A5n\"", u"\u00A5n"},
        {"U+0080", u"\u0080t", u"\"\u0080t\"", u"\u0080t"},
        {"backslash before a yen sign", u"\\\u00A5", u"\"\\\\\u00A5\"", u"\\\u00A5"},
        {"non-ASCII", u"\u65E5\u00E9\U0001F600", u"\"\u65E5\u00E9\U0001F600\"", u"\u65E5\u00E9\U0001F600"},
        // Composing the result would join the escape letter and the mark.
        {"combining mark after a line end", u"a\r\u0301", u"\"a\\n\u0301\"", u"a\r\u0301"},
    };
    for (Case const& c : cases) {
        GString quoted = U(c.text);
        GStringSupport::QuoteString(quoted);
        EXPECT_EQ(Units(quoted), c.quoted) << c.label;
        EXPECT_EQ(quoted.GetEncoding().Get(), Unicode()) << c.label;

        GString escaped = U(c.text);
        GStringSupport::ReplaceSpecialChars(escaped);
        EXPECT_EQ(Units(escaped), c.quoted.substr(1, c.quoted.size() - 2)) << c.label;
        GStringSupport::SetSpecialCharacters(escaped);
        EXPECT_EQ(Units(escaped), c.readBack) << c.label;
    }
}

TEST_F(GStringSupportTest, EscapesOfAnEightBitText) {
    GString text(GBuffer("caf\xE9\t\"x\""), WinAnsi());
    GStringSupport::QuoteString(text);
    EXPECT_EQ(Units(text), u"\"caf\u00E9\\t\\\"x\\\"\"");
}

TEST_F(GStringSupportTest, LineEndsBecomeTheDefaultCharacter) {
    DefaultCharacterScope scope('?');
    GString text = U(u"a\r\nb\nc\rd\n\re");
    GStringSupport::ReplaceSpecialEndCharsWithDefaultChar(text);
    EXPECT_EQ(Units(text), u"a?b?c?d?e");
}

// ---- Lists ----

TEST_F(GStringSupportTest, SeparatedStringToStringTable) {
    struct Case {
        std::u16string text;
        std::u16string separator;
        bool keepEmpty;
        std::vector<std::u16string> items;
    };
    Case const cases[] = {
        {u"", u",", false, {}},
        {u"", u",", true, {u""}},
        {u"a,,b", u",", true, {u"a", u"", u"b"}},
        {u"a,,b", u",", false, {u"a", u"b"}},
        {u",a,", u",", true, {u"", u"a", u""}},
        {u",a,", u",", false, {u"a"}},
        {u"a, b, c", u", ", false, {u"a", u"b", u"c"}},
        {u"a::b:::c", u"::", true, {u"a", u"b", u":c"}},
        {u"\u65E5\u00B7\u672C", u"\u00B7", false, {u"\u65E5", u"\u672C"}},
        {u"no separator", u";", false, {u"no separator"}},
        // An empty separator matches nothing.
        {u"abc", u"", false, {u"abc"}},
        {u"", u"", true, {u""}},
        {u"", u"", false, {}},
    };
    for (Case const& c : cases) {
        GTable<GString> out;
        out.AddItem(GString("stale"));
        GStringSupport::SeparatedStringToStringTable(U(c.text), U(c.separator), out, c.keepEmpty);
        EXPECT_EQ(Items(out), c.items) << std::string(c.text.begin(), c.text.end());
    }
}

TEST_F(GStringSupportTest, SplitAndJoinWithTheirOwnOutput) {
    GTable<GString> table;
    table.AddItem(U(u"x;y;z"));
    GStringSupport::SeparatedStringToStringTable(table[0], GString(";"), table, false);
    EXPECT_EQ(Items(table), (std::vector<std::u16string>{u"x", u"y", u"z"}));

    GString separator("--");
    GStringSupport::StringTableToSeparatedString(table, separator, separator);
    EXPECT_EQ(Units(separator), u"x--y--z");
    GStringSupport::StringTableToSeparatedString(table, GString("+"), table[1]);
    EXPECT_EQ(Units(table[1]), u"x+y+z");
}

TEST_F(GStringSupportTest, StringTableToSeparatedString) {
    struct Case {
        std::vector<GString> items;
        std::u16string joined;
    };
    Case const cases[] = {
        {{}, u""},
        {{GString("a")}, u"a"},
        {{GString("a"), GString(""), GString("b")}, u"a, , b"},
        {{GString("a"), U(u"\u65E5")}, u"a, \u65E5"},
    };
    for (Case const& c : cases) {
        GTable<GString> items;
        for (GString const& s : c.items)
            items.AddItem(s);
        GString out("stale");
        GStringSupport::StringTableToSeparatedString(items, GString(", "), out);
        EXPECT_EQ(Units(out), c.joined);
    }
}

TEST_F(GStringSupportTest, SearchAndReplace) {
    struct Case {
        std::u16string text;
        std::vector<std::pair<std::u16string, std::u16string>> pairs;
        std::u16string result;
    };
    Case const cases[] = {
        {u"a-b-c", {{u"-", u"+"}}, u"a+b+c"},
        {u"aaa", {{u"a", u"aa"}}, u"aaaaaa"},  // inserted text is not searched again
        {u"abc", {{u"a", u"x"}, {u"x", u"y"}}, u"ybc"},  // later pairs see it
        {u"abc", {{u"", u"x"}}, u"abc"},  // an empty search string matches nothing
        {u"abab", {{u"ab", u""}}, u""},
        {u"\u65E5\u672C", {{u"\u672C", u"\u00E9"}}, u"\u65E5\u00E9"},
    };
    for (Case const& c : cases) {
        GTable<GPair<GString, GString>> pairs;
        for (auto const& p : c.pairs)
            pairs.AddItem(GPair<GString, GString>(U(p.first), U(p.second)));
        GString text = U(c.text);
        GStringSupport::SearchAndReplace(text, pairs);
        EXPECT_EQ(Units(text), c.result);
    }
}

// ---- White space ----

TEST_F(GStringSupportTest, WhiteSpaceIsExactlySixCodes) {
    for (int c = 0; c < 256; ++c) {
        const bool expected = c == 8 || c == 9 || c == 10 || c == 11 || c == 13 || c == 32;
        EXPECT_EQ(GStringSupport::IsWhiteSpace(static_cast<unsigned char>(c)), expected) << c;
        EXPECT_EQ(GStringSupport::IsWhiteSpace(static_cast<unsigned short>(c)), expected) << c;
    }
    EXPECT_FALSE(GStringSupport::IsWhiteSpace(static_cast<unsigned short>(0x2000)));
    EXPECT_FALSE(GStringSupport::IsWhiteSpace(static_cast<unsigned short>(0x0120)));  // 32 in the low byte
    // The buffer trimming and the number readers agree.
    GBuffer formFeed("\f 12");
    EXPECT_EQ(formFeed.GetInt64(), 0);
    EXPECT_EQ(GBuffer("\b\v 12").GetInt64(), 12);
}

TEST_F(GStringSupportTest, StripWhiteSpace) {
    struct Case {
        std::u16string text;
        std::u16string leading;
        std::u16string trailing;
    };
    Case const cases[] = {
        {u"", u"", u""},
        {u"   ", u"", u""},
        {u" \t\r\n\b\v", u"", u""},
        {u" a b ", u"a b ", u" a b"},
        {u"\fa\f", u"\fa\f", u"\fa\f"},
        {u"\u3000a", u"\u3000a", u"\u3000a"},
    };
    for (Case const& c : cases) {
        GString leading = U(c.text);
        EXPECT_EQ(Units(GStringSupport::StripLeadingWhiteSpace(leading)), c.leading);
        GString trailing = U(c.text);
        EXPECT_EQ(Units(GStringSupport::StripTrailingWhiteSpace(trailing)), c.trailing);
    }
    GString ascii("  x  ");
    EXPECT_EQ(Units(GStringSupport::StripTrailingWhiteSpace(GStringSupport::StripLeadingWhiteSpace(ascii))), u"x");
}

// ---- Comparisons ----

TEST_F(GStringSupportTest, IsEqualIgnoreCaseAndEmailAddresses) {
    EXPECT_TRUE(GStringSupport::IsEqualIgnoreCase(GString("Hello"), U(u"hELLO")));
    EXPECT_TRUE(GStringSupport::IsEqualIgnoreCase(U(u"\u00C9T\u00C9"), GString(GBuffer("\xE9t\xE9"), WinAnsi())));
    EXPECT_FALSE(GStringSupport::IsEqualIgnoreCase(GString("a"), GString("b")));
    EXPECT_TRUE(GStringSupport::IsEqualIgnoreCase(GString(), GString("")));

    struct Case {
        char const* text;
        bool possible;
    };
    Case const cases[] = {
        {"user@example.com", true}, {"@example.com", false}, {"user@", false}, {"us er@example.com", false},
        {"user@exa mple", false},   {"no at sign", false},    {"a@b", true},   {"", false},
        {"@", false},               {"a@@", true},
    };
    for (Case const& c : cases)
        EXPECT_EQ(GStringSupport::IsPossibleEmailAddress(GString(c.text)), c.possible) << c.text;
}

struct CompareCase {
    std::u16string a;
    std::u16string b;
    bool caseSensitive;
    int expected;
};

std::vector<CompareCase> const& CompareCases() {
    static std::vector<CompareCase> const cases = {
        {u"a", u"b", true, -1},
        {u"b", u"a", true, 1},
        {u"a", u"A", true, -1},
        {u"a", u"A", false, 0},
        {u"A", u"b", true, -1},  // letters outweigh case
        {u"\u00E9", u"e\u0301", true, 0},  // canonically equivalent
        {u"r\u00E9sum\u00E9", u"resume", false, 1},  // accents still count
        {u"\u00E4", u"z", true, -1},  // Swedish would put it after z
        {u"i", u"I", false, 0},  // Turkish would not
        {u"file10", u"file2", true, -1},  // digits are letters here
        {u"", u"a", true, -1},
        {u"", u"", false, 0},
        {u"\u65E5", u"\u65E5", true, 0},
    };
    return cases;
}

std::vector<int> CompareAll() {
    std::vector<int> results;
    for (CompareCase const& c : CompareCases())
        results.push_back(GStringSupport::Compare(U(c.a), U(c.b), c.caseSensitive));
    return results;
}

// No user language: the root order.
void UnsetUserLanguages(ScopedEnvironment& environment) {
    for (char const* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        environment.Unset(name);
}

TEST_F(GStringSupportTest, CompareIsLocalisedAndCanonical) {
    ScopedEnvironment environment;
    UnsetUserLanguages(environment);
    for (CompareCase const& c : CompareCases())
        EXPECT_EQ(GStringSupport::Compare(U(c.a), U(c.b), c.caseSensitive), c.expected)
            << std::string(c.a.begin(), c.a.end()) << " / " << std::string(c.b.begin(), c.b.end());
}

// The user's languages decide the order; the C library's locale and ICU's default do not.
TEST_F(GStringSupportTest, CompareGivesTheSameAnswerUnderEveryProcessLocale) {
    ScopedEnvironment environment;
    UnsetUserLanguages(environment);
    std::vector<int> const expected = CompareAll();
    std::string const savedLocale = std::setlocale(LC_ALL, nullptr);
    icu::Locale const savedIcuDefault = icu::Locale::getDefault();
    char const* const locales[] = {"C", "de_DE.utf8", "tr_TR.utf8", "ja_JP.utf8"};
    char const* const icuDefaults[] = {"sv_SE", "tr_TR", "ja_JP"};
    for (char const* name : locales) {
        if (std::setlocale(LC_ALL, name) == nullptr)
            continue;  // a locale this machine lacks changes nothing worth checking
        for (char const* icuDefault : icuDefaults) {
            UErrorCode error = U_ZERO_ERROR;
            icu::Locale::setDefault(icu::Locale(icuDefault), error);
            EXPECT_EQ(CompareAll(), expected) << name << " / " << icuDefault;
        }
    }
    UErrorCode error = U_ZERO_ERROR;
    icu::Locale::setDefault(savedIcuDefault, error);
    std::setlocale(LC_ALL, savedLocale.c_str());
}

TEST_F(GStringSupportTest, CompareFollowsTheUsersFirstLanguage) {
    ScopedEnvironment environment;
    UnsetUserLanguages(environment);
    EXPECT_EQ(GStringSupport::Compare(U(u"\u00E4"), U(u"z"), true), -1);
    environment.Set("LANG", "sv_SE.UTF-8");
    EXPECT_EQ(GStringSupport::Compare(U(u"\u00E4"), U(u"z"), true), 1);
    EXPECT_EQ(GStringSupport::Compare(U(u"\u00C4"), U(u"z"), false), 1);
    environment.Set("LANGUAGE", "tr");
    // Turkish: "I" is the capital of the dotless "ı", which sorts before "i".
    EXPECT_EQ(GStringSupport::Compare(U(u"i"), U(u"I"), false), 1);
    EXPECT_EQ(GStringSupport::Compare(U(u"\u0130"), U(u"i"), false), 0);
}

TEST_F(GStringSupportTest, MatchStrings) {
    struct Case {
        char const* label;
        std::u16string pattern;
        std::u16string text;
        bool ignoreCase, partial, invert, regExp;
        bool matched;
    };
    Case const cases[] = {
        {"equal", u"abc", u"abc", false, false, false, false, true},
        {"not equal", u"abc", u"abcd", false, false, false, false, false},
        {"case differs", u"ABC", u"abc", false, false, false, false, false},
        {"ignoring case", u"ABC", u"abc", true, false, false, false, true},
        {"ignoring case outside ASCII", u"\u00C9T\u00C9", u"\u00E9t\u00E9", true, false, false, false, true},
        {"contained", u"b", u"abc", false, true, false, false, true},
        {"not contained", u"x", u"abc", false, true, false, false, false},
        {"empty pattern is contained", u"", u"abc", false, true, false, false, true},
        {"inverted", u"x", u"abc", false, true, true, false, true},
        {"regex whole text", u"a.c", u"abc", false, false, false, true, true},
        {"regex whole text only", u"b", u"abc", false, false, false, true, false},
        {"regex anywhere", u"b", u"abc", false, true, false, true, true},
        {"regex case", u"A.C", u"abc", false, false, false, true, false},
        {"regex ignoring case", u"A.C", u"abc", true, false, false, true, true},
        {"regex ignoring case outside ASCII", u"\u00C9t\u00C9", u"\u00E9T\u00E9", true, false, false, true, true},
        // Upper-case escapes keep their meaning when case is ignored.
        {"\\D ignoring case", u"\\D+", u"ABC", true, false, false, true, true},
        {"\\D ignoring case, digits", u"\\D+", u"123", true, false, false, true, false},
        {"\\S ignoring case", u"\\S+", u"Ab", true, false, false, true, true},
        {"\\W ignoring case", u"\\W", u"A", true, true, false, true, false},
        {"\\B ignoring case", u"a\\B", u"AB", true, true, false, true, true},
        {"class ignoring case", u"[A-C]+", u"abc", true, false, false, true, true},
        {"regex on UTF-8", u"\u65E5\u672C+", u"\u65E5\u672C", false, false, false, true, true},
        {"bad pattern", u"(", u"abc", false, true, false, true, false},
        {"bad pattern inverted", u"(", u"abc", false, true, true, true, true},
        {"regex inverted", u"a.c", u"abc", false, false, true, true, false},
    };
    for (Case const& c : cases)
        EXPECT_EQ(GStringSupport::MatchStrings(U(c.pattern), U(c.text), c.ignoreCase, c.partial, c.invert, c.regExp),
                  c.matched)
            << c.label;
}

TEST_F(GStringSupportTest, NaturalOrder) {
    struct Case {
        std::u16string a;
        std::u16string b;
        bool less;  // a before b
        bool greater;  // b before a
    };
    Case const cases[] = {
        {u"file2", u"file10", true, false},
        {u"file10", u"file10", false, false},
        {u"file007", u"file7", false, false},  // leading zeros only: neither
        {u"file7a", u"file007b", true, false},  // then the rests decide
        {u"a1b2", u"a1b10", true, false},
        {u"a1b2", u"a1c1", true, false},
        {u"abc", u"abd", true, false},  // no digits: plain order
        {u"a1", u"b1", true, false},  // different prefixes: plain order
        {u"x1", u"xy1", true, false},  // digits at different places: plain order
        {u"1", u"a", true, false},
        {u"", u"1", true, false},
        {u"", u"", false, false},
        // Digit runs far beyond 32 bits compare by value.
        {u"v99999999999999999999", u"v100000000000000000000", true, false},
        {u"v4294967297", u"v2", false, true},
        {u"v0000000000000000000001", u"v2", true, false},
        {u"id18446744073709551617x", u"id18446744073709551617y", true, false},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(GStringSupport::IsLessThanAlphanumeric(U(c.a), U(c.b)), c.less)
            << std::string(c.a.begin(), c.a.end()) << " < " << std::string(c.b.begin(), c.b.end());
        EXPECT_EQ(GStringSupport::IsLessThanAlphanumeric(U(c.b), U(c.a)), c.greater)
            << std::string(c.b.begin(), c.b.end()) << " < " << std::string(c.a.begin(), c.a.end());
    }
}

// A sort needs a strict weak order: comparing at the first digits only, or a digit run by its
// first digit, made cycles such as these.
TEST_F(GStringSupportTest, NaturalOrderIsTransitive) {
    std::vector<std::u16string> const texts = {
        u"a\u6130\u3700\u3000\u00000b", u"a7b", u"a07c", u"a\u0135", u"a9", u"a10", u"a\u0131x", u"a007",
        u"a", u"", u"7", u"07a", u"a7", u"a7\u0135", u"a07b", u"b"};
    auto const less = [](std::u16string const& a, std::u16string const& b) {
        return GStringSupport::IsLessThanAlphanumeric(U(a), U(b));
    };
    for (auto const& a : texts) {
        EXPECT_FALSE(less(a, a));
        for (auto const& b : texts) {
            EXPECT_FALSE(less(a, b) && less(b, a));
            for (auto const& c : texts) {
                if (less(a, b) && less(b, c)) {
                    EXPECT_TRUE(less(a, c));
                }
                if (!less(a, b) && !less(b, a) && !less(b, c) && !less(c, b)) {
                    EXPECT_TRUE(!less(a, c) && !less(c, a));
                }
            }
        }
    }
    EXPECT_TRUE(less(u"a7b", u"a07c"));
    EXPECT_TRUE(less(u"a07c", u"a\u6130"));  // a digit run sorts as "0" against other units
    EXPECT_TRUE(less(u"a10", u"a\u0135"));
    EXPECT_TRUE(less(u"a9", u"a10"));
}

TEST_F(GStringSupportTest, NaturalOrderOfMixedEncodings) {
    EXPECT_TRUE(GStringSupport::IsLessThanAlphanumeric(GString("Page 9"), U(u"Page 10")));
    EXPECT_TRUE(GStringSupport::IsLessThanAlphanumeric(GString(GBuffer("caf\xE9 2"), WinAnsi()), U(u"caf\u00E9 12")));
}

// ---- Names ----

TEST_F(GStringSupportTest, IncreaseNumericSuffix) {
    struct Case {
        std::u16string text;
        unsigned int maxLength;
        std::u16string result;
    };
    Case const cases[] = {
        {u"Report", 0, u"Report (2)"},
        {u"Report (2)", 0, u"Report (3)"},
        {u"Report (9)", 0, u"Report (10)"},
        {u"Report(9)", 0, u"Report(10)"},
        {u"Report (02)", 0, u"Report (02) (2)"},
        {u"Report (+2)", 0, u"Report (+2) (2)"},
        {u"Report ( 2)", 0, u"Report ( 2) (2)"},
        {u"Report ()", 0, u"Report () (2)"},
        {u"Report (x)", 0, u"Report (x) (2)"},
        {u"Report (0)", 0, u"Report (1)"},
        {u"Report (-1)", 0, u"Report (0)"},
        {u"Report (2147483647)", 0, u"Report (2147483648)"},
        {u"Report (4294967298)", 0, u"Report (4294967298) (2)"},
        {u"(2)", 0, u"(2) (2)"},  // too short to hold a counter
        {u"a(2)", 0, u"a(3)"},
        {u"", 0, u" (2)"},
        {u"Report", 8, u"Repo (2)"},
        {u"Report", 10, u"Report (2)"},
        {u"Report (9)", 10, u"Report(10)"},
        // The maximum below the suffix's length: the suffix alone.
        {u"Report", 3, u" (2)"},
        {u"Report (9)", 2, u"(10)"},
        // A cut never separates a surrogate pair.
        {u"ab\U0001F600cd", 7, u"ab (2)"},
    };
    for (Case const& c : cases) {
        GString text = U(c.text);
        GStringSupport::IncreaseNumericSuffix(text, c.maxLength);
        EXPECT_EQ(Units(text), c.result) << std::string(c.text.begin(), c.text.end()) << " max " << c.maxLength;
    }
}

TEST_F(GStringSupportTest, GetUnicodeRange) {
    GRange latin = GStringSupport::GetUnicodeRange(GStringSupport::kUpperCaseLatin);
    EXPECT_EQ(latin.GetCount(), 26);
    EXPECT_TRUE(latin.IsInRange('A'));
    EXPECT_FALSE(latin.IsInRange('a'));

    GRange cjk = GStringSupport::GetUnicodeRange(GStringSupport::kCJK);
    EXPECT_EQ(cjk.GetNumOfSequences(), 6);
    for (int inside : {0x2E80, 0x30FF, 0x3400, 0x65E5, 0xF900, 0xFE4F})
        EXPECT_TRUE(cjk.IsInRange(inside)) << std::hex << inside;
    for (int outside : {0x2E7F, 0x3100, 0x31BF, 0xA000, 0xFE50, 0x41})
        EXPECT_FALSE(cjk.IsInRange(outside)) << std::hex << outside;

    GRange plane = GStringSupport::GetUnicodeRange(GStringSupport::kBasicPlane);
    EXPECT_EQ(plane.GetCount(), 65536);
    EXPECT_EQ(GStringSupport::GetUnicodeRange(static_cast<GStringSupport::RangeSpecifier>(3)).GetCount(), 0);
}

// ---- Scrambling ----

TEST_F(GStringSupportTest, ScrambleHasAFixedForm) {
    struct Case {
        GString text;
        char const* scrambled;
    };
    Case const cases[] = {
        {GString(), ">"},
        {GString(""), ">"},
        {GString("abc"), "e0e1e2>"},
        {U(u"\u00E9"), "4298>"},  // the UTF-8 bytes C3 A9
        {GString(GBuffer("\xE9"), WinAnsi()), "4298>"},
    };
    for (Case const& c : cases) {
        GString const scrambled = GStringSupport::Scramble(c.text);
        EXPECT_EQ(scrambled.GetEncoding().Get(), ASCII());
        EXPECT_EQ(BytesOf(scrambled.GetEncodedBuffer()), c.scrambled);
    }
}

TEST_F(GStringSupportTest, ScrambleRoundTrips) {
    std::u16string const texts[] = {
        u"",
        u"secret",
        u"p\u00E4ssw\u00F6rd",
        u"\u65E5\u672C\u8A9E",
        u"\U0001F600 emoji",
        u"tab\tand\rCR",
        std::u16string(u"nul\0inside", 10),
        std::u16string(1, static_cast<char16_t>(0xD800)) + u" lone surrogate",
    };
    for (std::u16string const& text : texts) {
        GString const back = GStringSupport::DeScramble(GStringSupport::Scramble(U(text)));
        EXPECT_EQ(Units(back), text) << text.size();
    }
}

TEST_F(GStringSupportTest, DeScrambleReadsWhatTheHexFiltersRead) {
    struct Case {
        char const* label;
        GString text;
        std::u16string result;
    };
    Case const cases[] = {
        {"upper-case digits and white space", GString(" E0 E1\tE2 >"), u"abc"},
        {"without the end marker", GString("e0e1e2"), u"abc"},
        {"text after the marker is ignored", GString("e0>zz"), u"a"},
        {"a character that is no digit", GString("e0x1>"), u""},
        {"a character outside ASCII", U(u"e0\u00E9>"), u""},
        {"bytes that are not UTF-8", GString("46>"), u""},  // the byte FF
        {"empty", GString(), u""},
    };
    for (Case const& c : cases)
        EXPECT_EQ(Units(GStringSupport::DeScramble(c.text)), c.result) << c.label;
}

} // namespace
