#include "standin/StandinStringCompare.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

#include <string>
#include <thread>
#include <vector>

#include "support/ScopedEnvironment.h"

namespace {

using SC = StandinStringCompare;

constexpr unsigned kLocalized = SC::kCompareLocalized | SC::kCompareNonliteral;
constexpr unsigned kIgnoringCase = kLocalized | SC::kCompareCaseInsensitive;

int Compare(std::u16string const& a, std::u16string const& b, unsigned options) {
    return SC::Compare(a.data(), a.size(), b.data(), b.size(), options);
}

// The variables the user's languages are read from; nullptr unsets one.
struct Languages {
    char const* language;
    char const* lcAll;
    char const* lcMessages;
    char const* lang;
};

void SetLanguages(ScopedEnvironment& env, Languages const& languages) {
    auto apply = [&env](char const* name, char const* value) {
        if (value)
            env.Set(name, value);
        else
            env.Unset(name);
    };
    apply("LANGUAGE", languages.language);
    apply("LC_ALL", languages.lcAll);
    apply("LC_MESSAGES", languages.lcMessages);
    apply("LANG", languages.lang);
}

constexpr Languages kNoLanguage = {nullptr, nullptr, nullptr, nullptr};
constexpr Languages kSwedish = {nullptr, nullptr, nullptr, "sv_SE.UTF-8"};

TEST(StandinStringCompare, OptionsAsTheFrameworkUsesThem) {
    ScopedEnvironment env;
    SetLanguages(env, kNoLanguage);
    constexpr unsigned localized = kLocalized;
    constexpr unsigned ignoringCase = kIgnoringCase;
    struct Case {
        char const* what;
        std::u16string a;
        std::u16string b;
        unsigned options;
        int expected;
    };
    const Case cases[] = {
        {"literal: unit order", u"B", u"a", 0, -1},
        {"literal: composed and decomposed differ", u"\u00E9", u"e\u0301", 0, 1},
        {"non-literal: canonically equal", u"\u00E9", u"e\u0301", SC::kCompareNonliteral, 0},
        {"literal, case folded", u"ABC", u"abc", SC::kCompareCaseInsensitive, 0},
        {"localized: letters before case", u"B", u"a", localized, 1},
        {"localized: lower case first", u"a", u"A", localized, -1},
        {"localized: accents after letters", u"\u00E9a", u"eb", localized, -1},
        {"localized, ignoring case", u"Stra\u00DFe", u"STRA\u00DFE", ignoringCase, 0},
        {"localized, ignoring case: accents count", u"\u00E9", u"E", ignoringCase, 1},
        {"localized, canonical", u"\u00C5", u"A\u030A", localized, 0},
        {"empty", u"", u"", localized, 0},
        {"prefix first", u"ab", u"abc", localized, -1},
    };
    for (Case const& c : cases)
        EXPECT_EQ(Compare(c.a, c.b, c.options), c.expected) << c.what;
    EXPECT_EQ(SC::Compare(nullptr, 0, u"a", 1, localized), -1);
}

// Orders in which a tailored language differs from the root order.
TEST(StandinStringCompare, LocalizedFollowsTheUsersFirstLanguage) {
    struct Case {
        char const* what;
        Languages languages;
        std::u16string a;
        std::u16string b;
        unsigned options;
        int expected;
    };
    const Case cases[] = {
        {"no language: root order", kNoLanguage, u"\u00F6", u"z", kLocalized, -1},
        {"Swedish from LANG", kSwedish, u"\u00F6", u"z", kLocalized, 1},
        {"Swedish: a-ring after z", kSwedish, u"\u00E5", u"z", kLocalized, 1},
        {"Swedish, ignoring case", kSwedish, u"\u00D6L", u"zebra", kIgnoringCase, 1},
        {"Swedish, ignoring case: equal", kSwedish, u"\u00D6", u"\u00F6", kIgnoringCase, 0},
        {"Swedish, non-literal", kSwedish, u"o\u0308", u"\u00F6", kLocalized, 0},
        {"Swedish, decomposed after z", kSwedish, u"o\u0308", u"z", kLocalized, 1},
        {"Swedish, literal but localized", kSwedish, u"\u00F6", u"z", SC::kCompareLocalized, 1},
        {"Swedish does not change literal order", kSwedish, u"\u00F6", u"z", SC::kCompareCaseInsensitive, 1},
        {"Lithuanian: y sorts with i", {nullptr, nullptr, nullptr, "lt_LT.UTF-8"}, u"y", u"j", kLocalized, -1},
        {"root: y after j", kNoLanguage, u"y", u"j", kLocalized, 1},
        {"Danish: upper case first", {nullptr, nullptr, nullptr, "da_DK.UTF-8"}, u"a", u"A", kLocalized, 1},
        {"LC_MESSAGES before LANG", {nullptr, nullptr, "sv_SE", "de_DE.UTF-8"}, u"\u00F6", u"z", kLocalized, 1},
        {"LANGUAGE first entry decides", {"de:sv", nullptr, nullptr, "sv_SE.UTF-8"}, u"\u00F6", u"z", kLocalized, -1},
        {"LANGUAGE before LANG", {"sv:de", nullptr, nullptr, "de_DE.UTF-8"}, u"\u00F6", u"z", kLocalized, 1},
        {"LC_ALL=C names no language", {nullptr, "C", nullptr, "sv_SE.UTF-8"}, u"\u00F6", u"z", kLocalized, -1},
        {"a language without tailoring", {nullptr, nullptr, nullptr, "en_US.UTF-8"}, u"\u00F6", u"z", kLocalized, -1},
        {"an unknown language", {nullptr, nullptr, nullptr, "xx_YY"}, u"\u00F6", u"z", kLocalized, -1},
        {"a tag ICU cannot read", {"sv-!!:sv", nullptr, nullptr, nullptr}, u"\u00F6", u"z", kLocalized, -1},
        {"a collation keyword in the tag", {"de-u-co-phonebk", nullptr, nullptr, nullptr}, u"\u00E4z", u"af", kLocalized, -1},
        {"German without it", {"de", nullptr, nullptr, nullptr}, u"\u00E4z", u"af", kLocalized, 1},
    };
    for (Case const& c : cases) {
        ScopedEnvironment env;
        SetLanguages(env, c.languages);
        EXPECT_EQ(Compare(c.a, c.b, c.options), c.expected) << c.what;
        EXPECT_EQ(Compare(c.b, c.a, c.options), -c.expected) << c.what << " (swapped)";
    }
}

TEST(StandinStringCompare, ALanguageChangeTakesEffectOnTheNextCall) {
    ScopedEnvironment env;
    SetLanguages(env, kNoLanguage);
    EXPECT_EQ(Compare(u"\u00F6", u"z", kLocalized), -1);
    env.Set("LANG", "sv_SE.UTF-8");
    EXPECT_EQ(Compare(u"\u00F6", u"z", kLocalized), 1);
    env.Set("LANGUAGE", "fi:sv");
    EXPECT_EQ(Compare(u"\u00F6", u"z", kLocalized), 1);
    env.Set("LANGUAGE", "de");
    EXPECT_EQ(Compare(u"\u00F6", u"z", kLocalized), -1);
    env.Unset("LANGUAGE");
    EXPECT_EQ(Compare(u"\u00F6", u"z", kLocalized), 1);
}

// Only the user's languages count: neither ICU's default locale nor the C library's.
TEST(StandinStringCompare, IcuDefaultLocaleChangesNothing) {
    ScopedEnvironment env;
    SetLanguages(env, kNoLanguage);
    icu::Locale const saved = icu::Locale::getDefault();
    UErrorCode error = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("sv", "SE"), error);
    const int withoutLanguage = Compare(u"\u00F6", u"z", kLocalized);
    env.Set("LANG", "de_DE.UTF-8");
    const int german = Compare(u"\u00F6", u"z", kLocalized);
    error = U_ZERO_ERROR;
    icu::Locale::setDefault(saved, error);
    EXPECT_EQ(withoutLanguage, -1);
    EXPECT_EQ(german, -1);
}

TEST(StandinStringCompare, ThreadsCompareAtOnce) {
    ScopedEnvironment env;
    SetLanguages(env, kSwedish);
    constexpr unsigned options = kIgnoringCase;
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 500; ++i) {
                const bool right = Compare(u"r\u00E9sum\u00E9", u"R\u00C9SUM\u00C9", options) == 0 &&
                                   Compare(u"a", u"b", options) == -1 &&
                                   Compare(u"\u00D6", u"z", options) == 1 && Compare(u"\u00F6", u"z", kLocalized) == 1;
                if (!right)
                    ++failures[static_cast<std::size_t>(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

} // namespace
