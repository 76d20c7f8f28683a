#include "standin/StandinStringCompare.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using SC = StandinStringCompare;

int Compare(std::u16string const& a, std::u16string const& b, unsigned options) {
    return SC::Compare(a.data(), a.size(), b.data(), b.size(), options);
}

TEST(StandinStringCompare, OptionsAsTheFrameworkUsesThem) {
    constexpr unsigned localized = SC::kCompareLocalized | SC::kCompareNonliteral;
    constexpr unsigned ignoringCase = localized | SC::kCompareCaseInsensitive;
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

TEST(StandinStringCompare, ThreadsCompareAtOnce) {
    constexpr unsigned options = SC::kCompareLocalized | SC::kCompareNonliteral | SC::kCompareCaseInsensitive;
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 500; ++i) {
                const bool right = Compare(u"r\u00E9sum\u00E9", u"R\u00C9SUM\u00C9", options) == 0 &&
                                   Compare(u"a", u"b", options) == -1;
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
