#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <boost/regex.hpp>

#include "core/support/GRegExpSupport.h"
#include "core/support/GStringSupport.h"
#include "core/text/GString.h"
#include "support/EncodingTestSetup.h"

namespace {

std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

GBuffer Buf(std::string const& s) {
    return GBuffer(reinterpret_cast<unsigned char const*>(s.data()), static_cast<int>(s.size()));
}

std::vector<std::string> Items(GTable<GBuffer> const& table) {
    std::vector<std::string> items;
    for (GBuffer const& b : table)
        items.push_back(Text(b));
    return items;
}

} // namespace

TEST(GRegExpSupport, MatchIsWholeTextAndSearchIsAnyPart) {
    struct Case {
        std::string text, pattern;
        bool match, search;
    };
    Case const cases[] = {
        {"abc", "b", false, true},
        {"abc", "a.c", true, true},
        {"abc", "", false, true},
        {"", "", true, true},
        {"", "a", false, false},
        {"2024-01", "\\d+-\\d+", true, true},
        {"foobar", "foo(?=bar)", false, true},   // Perl syntax: look-ahead
        {"aXbXc", "a.*?b", false, true},
        {"ABC", "(?i)abc", true, true},
        {"caf\xC3\xA9", "caf\xC3\xA9", true, true},
        {std::string("ab\0cd", 5), "ab", true, true},        // the text ends at its first zero
        {"ab", std::string("ab\0x", 4), true, true},         // so does the pattern
        {std::string("x\0y", 3), "y", false, false},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(GRegExpSupport::Match(Buf(c.text), Buf(c.pattern)), c.match) << c.text << " / " << c.pattern;
        EXPECT_EQ(GRegExpSupport::Search(Buf(c.text), Buf(c.pattern)), c.search) << c.text << " / " << c.pattern;
    }
}

TEST(GRegExpSupport, MatchWithACompiledPattern) {
    boost::regex const pattern("[0-9]+");
    EXPECT_TRUE(GRegExpSupport::Match(GBuffer("123"), pattern));
    EXPECT_FALSE(GRegExpSupport::Match(GBuffer("12a"), pattern));
    EXPECT_TRUE(GRegExpSupport::Match(Buf(std::string("12\0a", 4)), pattern));
}

TEST(GRegExpSupport, ReplaceEveryOccurrence) {
    struct Case {
        std::string text, pattern, format, result;
    };
    Case const cases[] = {
        {"a1b22", "[0-9]+", "<$&>", "a<1>b<22>"},
        {"2024-01", "(\\d+)-(\\d+)", "$2/$1", "01/2024"},
        {"none", "x", "y", "none"},
        {"", "x", "y", ""},
        {"aaa", "a", "", ""},
        {"abc", "", "-", "-a-b-c-"},
        {std::string("a1\0" "1", 4), "1", "x", "ax"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(Text(GRegExpSupport::Replace(Buf(c.text), Buf(c.pattern), Buf(c.format))), c.result) << c.text;
}

TEST(GRegExpSupport, SearchCollectsTheMatchAndItsGroups) {
    struct Case {
        std::string text;
        char const* pattern;
        bool found;
        std::vector<std::string> groups;
    };
    Case const cases[] = {
        {"2024-01", "(\\d+)-(\\d+)", true, {"2024-01", "2024", "01"}},
        {"at 2024-01 and 2025-02", "(\\d+)-(\\d+)", true, {"2024-01", "2024", "01"}},
        {"b", "(a)|(b)", true, {"b", "", "b"}},  // a group without a part is an empty item
        {"xyz", "(\\d)", false, {}},
        {std::string("x\0y12", 5), "[0-9]+", true, {"12"}},  // the whole text is searched
        {"abc", nullptr, true, {""}},
    };
    for (Case const& c : cases) {
        GTable<GBuffer> groups;
        groups.AddItem(GBuffer("stale"));
        EXPECT_EQ(GRegExpSupport::Search(Buf(c.text), c.pattern, groups), c.found) << c.text;
        EXPECT_EQ(Items(groups), c.groups) << c.text;
    }
    // The text may be one of the groups.
    GTable<GBuffer> groups;
    groups.AddItem(GBuffer("key=value"));
    EXPECT_TRUE(GRegExpSupport::Search(groups[0], "(\\w+)=(\\w+)", groups));
    EXPECT_EQ(Items(groups), (std::vector<std::string>{"key=value", "key", "value"}));
}

TEST(GRegExpSupport, InvalidPatterns) {
    for (char const* bad : {"(", "a(", "[", "*a", "a{2,1}", "(?<", "\\"}) {
        EXPECT_FALSE(GRegExpSupport::IsValidRegExp(GBuffer(bad))) << bad;
        EXPECT_THROW(GRegExpSupport::Match(GBuffer("a"), GBuffer(bad)), boost::regex_error) << bad;
        EXPECT_THROW(GRegExpSupport::Search(GBuffer("a"), GBuffer(bad)), boost::regex_error) << bad;
        EXPECT_THROW(GRegExpSupport::Replace(GBuffer("a"), GBuffer(bad), GBuffer("x")), boost::regex_error) << bad;
        GTable<GBuffer> groups;
        groups.AddItem(GBuffer("stale"));
        EXPECT_THROW(GRegExpSupport::Search(GBuffer("a"), bad, groups), boost::regex_error) << bad;
        EXPECT_EQ(groups.GetCount(), 0);
    }
    for (char const* good : {"", "a+", "(a)(b)?", "[a-z]{2,3}", "\\d+\\.\\d*"})
        EXPECT_TRUE(GRegExpSupport::IsValidRegExp(GBuffer(good))) << good;
    // Only the part before a zero byte is compiled.
    EXPECT_TRUE(GRegExpSupport::IsValidRegExp(Buf(std::string("a\0(", 3))));
}

namespace {

std::vector<std::u16string> UnitItems(GTable<GString> const& table) {
    std::vector<std::u16string> items;
    for (GString const& s : table)
        items.push_back(UnitsOf(s.GetBuffer(GUnicodeEncoding::GetInstance())));
    return items;
}

} // namespace

TEST(GRegExpSupport, StringsAreMatchedAsUTF8) {
    StartFoundation();
    GTable<GString> groups;
    EXPECT_TRUE(GRegExpSupport::Match(GString("2024-01"), "(\\d+)-(\\d+)", groups));
    EXPECT_EQ(UnitItems(groups), (std::vector<std::u16string>{u"2024-01", u"2024", u"01"}));
    EXPECT_TRUE(groups[1] == GString("2024"));

    EXPECT_FALSE(GRegExpSupport::Match(GString("x2024-01"), "(\\d+)-(\\d+)", groups));
    EXPECT_EQ(groups.GetCount(), 0);

    GString cafe(u"caf\u00E9 cr\u00E8me");
    EXPECT_FALSE(GRegExpSupport::Search(cafe, "cr(.)me", groups));  // "." is one byte of UTF-8
    EXPECT_TRUE(GRegExpSupport::Search(cafe, "cr(.+)me", groups));
    EXPECT_EQ(UnitItems(groups), (std::vector<std::u16string>{u"cr\u00E8me", u"\u00E8"}));
    EXPECT_TRUE(GRegExpSupport::Search(GString("b"), "(a)|(b)", groups));
    EXPECT_EQ(UnitItems(groups), (std::vector<std::u16string>{u"b", u"", u"b"}));
    EXPECT_FALSE(GRegExpSupport::Search(GString(), "a", groups));
    EXPECT_THROW(GRegExpSupport::Search(cafe, "(", groups), boost::regex_error);

    // The text may be one of the groups.
    groups.Resize(0);
    groups.AddItem(GString("key=value"));
    EXPECT_TRUE(GRegExpSupport::Match(groups[0], "(\\w+)=(\\w+)", groups));
    EXPECT_EQ(UnitItems(groups), (std::vector<std::u16string>{u"key=value", u"key", u"value"}));
}

namespace {

// Runs check on a thread of its own and waits at most a few seconds: a pattern that sends boost
// into a loop fails the test instead of hanging it (the stuck thread is left behind).
template <class Check>
::testing::AssertionResult EndsInTime(Check check) {
    auto task = std::make_shared<std::packaged_task<void()>>(check);
    std::future<void> done = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        return ::testing::AssertionFailure() << "did not end";
    done.get();
    return ::testing::AssertionSuccess();
}

} // namespace

// boost loops for ever on a comment group after a possessive quantifier; comment groups are
// taken out first, and behave as in Perl.
TEST(GRegExpSupport, CommentGroupsAreNoOps) {
    struct Case {
        std::string pattern, text;
        bool match;
    };
    Case const cases[] = {
        {"a++(?#)b", "aab", true},
        {"a++(?#x)(?#y)b", "aab", true},
        {"a*+(?#)b", "b", true},
        {"a?+(?#c)b", "ab", true},
        {"a{2}+(?#)b", "aab", true},
        {"(?x) a++ (?#) b", "aab", true},        // white space of the x mode between
        {"(?x) a++ #[ (\n (?#) b", "aab", true},  // a line comment of the x mode holds no class
        {"a(?#x)+", "aaa", true},                 // a quantifier binds to what went before
        {"a*(?#)?b", "aab", true},                // "a*?": lazy, as in Perl
        {"(a)\\1(?#)0", "aa0", true},             // not one back-reference \10
        {"\\x4(?#)1", std::string("\x04") + "1", true},
        {"((?#)?:a)", ":a", true},                // an optional empty group, not "(?:"
        {"a(?#)", "a", true},
        {"(?#)a", "a", true},
        {"(?#a)(?#b)", "", true},
        {"[(?#)]+", "(?#)", true},                // in a class: members
        {"[](?#)]+", "](?#)", true},
        {"[[:alpha:](?#)]+", "a(?#)", true},
        {"\\(?#\\)", "(#)", true},               // an escaped parenthesis opens no comment
        {"\\Q(?#)\\E", "(?#)", true},
        {"\\Qa++\\E(?#)b", "a++b", true},
        {"(?x:a++ (?#) b)(?#)c", "aabc", true},
        {"(?x)(?-x:a++(?#) )b", "aa b", true},    // white space is literal again inside
    };
    for (Case const& c : cases) {
        bool valid = false;
        bool matched = false;
        ASSERT_TRUE(EndsInTime([&] {
            valid = GRegExpSupport::IsValidRegExp(Buf(c.pattern));
            matched = valid && GRegExpSupport::Match(Buf(c.text), Buf(c.pattern));
        })) << c.pattern;
        EXPECT_TRUE(valid) << c.pattern;
        EXPECT_EQ(matched, c.match) << c.pattern << " / " << c.text;
    }
    // Patterns that stay wrong stay wrong.
    for (char const* bad : {"a++(?#)+", "a++(?#)(?#)*", "(?#)*", "[(?#)", "a++(?#)("}) {
        bool valid = true;
        ASSERT_TRUE(EndsInTime([&] { valid = GRegExpSupport::IsValidRegExp(GBuffer(bad)); })) << bad;
        EXPECT_FALSE(valid) << bad;
    }
    // Through every caller that compiles.
    ASSERT_TRUE(EndsInTime([] {
        EXPECT_TRUE(GRegExpSupport::Search(GBuffer("xaab"), GBuffer("a++(?#)b")));
        EXPECT_EQ(Text(GRegExpSupport::Replace(GBuffer("aab"), GBuffer("a++(?#)b"), GBuffer("x"))), "x");
        GTable<GBuffer> groups;
        EXPECT_TRUE(GRegExpSupport::Search(GBuffer("aab"), "(a++)(?#)b", groups));
        EXPECT_EQ(Items(groups), (std::vector<std::string>{"aab", "aa"}));
    }));
    StartFoundation();
    ASSERT_TRUE(EndsInTime([] {
        EXPECT_TRUE(GStringSupport::MatchStrings(GString("a++(?#)b"), GString("AAB"), true, false, false, true));
        EXPECT_TRUE(GStringSupport::MatchStrings(GString("a++(?#)b"), GString("xaab"), false, true, false, true));
        EXPECT_FALSE(GStringSupport::MatchStrings(GString("a++(?#)b"), GString("xaab"), false, false, false, true));
    }));
}
