#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "core/text/GString.h"
#include "core/values/GRange.h"
#include "support/EncodingTestSetup.h"

namespace {

std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

std::string Bound(GPair<int, bool> b) {
    if (!b.second && b.first == GRange::cOpenStart)
        return "<";
    if (!b.second && b.first == GRange::cOpenEnd)
        return ">";
    return (b.second ? "r" : "") + std::to_string(b.first);
}

// The sequences as "start..end" joined by blanks; "<" and ">" are the open ends, "r" marks
// reverse numbers.
std::string Describe(GRange const& range) {
    if (range.IsSelectAll())
        return "all";
    std::string text;
    for (int i = 0; i < range.GetNumOfSequences(); ++i) {
        GPair<int, bool> start, end;
        range.GetSequence(i, start, end);
        text += (i > 0 ? " " : "") + Bound(start) + ".." + Bound(end);
    }
    return text;
}

GRange Parsed(char const* text) {
    GRange range;
    range.Set(GBuffer(text));
    return range;
}

std::string Written(GRange const& range, int offset = 0, char const* separator = ",", char const* dash = "-") {
    GBuffer out("stale");
    range.ToString(out, offset, GBuffer(separator), GBuffer(dash));
    return Text(out);
}

} // namespace

// ---- Parsing ----

TEST(GRange, Parsing) {
    struct Case {
        char const* text;
        GRange::ParseResult result;
        char const* sequences;
    };
    Case const cases[] = {
        {"1-3,5", GRange::kParsed, "1..3 5..5"},
        {"1-3,4", GRange::kParsed, "1..4"},
        {"5,1", GRange::kParsed, "1..1 5..5"},
        {"1 - 3", GRange::kParsed, "1..3"},
        {"\t7 ,\t8", GRange::kParsed, "7..8"},
        {"1 2", GRange::kParsed, "12..12"},  // blanks are dropped before digits are read
        {"007", GRange::kParsed, "7..7"},
        {"1-3,2-6,10", GRange::kParsed, "1..6 10..10"},
        {"3-", GRange::kParsed, "3..>"},
        {"-", GRange::kParsed, "<..>"},
        {"-5", GRange::kParsed, "-5..-5"},
        {"--5", GRange::kParsed, "<..-5"},
        {"3--5", GRange::kParsed, "-5..3"},
        {"-5-", GRange::kParsed, "-5..>"},
        {"r2-r1", GRange::kParsed, "r1..r2"},
        {"R3", GRange::kParsed, "r3..r3"},
        {"r3-", GRange::kParsed, "r3..>"},
        {"5-r10", GRange::kParsed, "5..r10"},
        {"3-r1", GRange::kParsed, "r1..3"},
        {"2147483645", GRange::kParsed, "2147483645..2147483645"},
        {"-2147483645", GRange::kParsed, "-2147483645..-2147483645"},
        {"", GRange::kSyntaxError, ""},
        {"  ", GRange::kSyntaxError, ""},
        {"1,", GRange::kSyntaxError, "1..1"},
        {",1", GRange::kSyntaxError, ""},
        {"-,", GRange::kSyntaxError, "<..>"},
        {"1-3-5", GRange::kSyntaxError, "1..3"},
        {"1--", GRange::kSyntaxError, ""},
        {"r0", GRange::kSyntaxError, ""},
        {"1-r0", GRange::kSyntaxError, ""},
        {"r", GRange::kSyntaxError, ""},          // a reverse mark needs its digits
        {"1,r,2", GRange::kSyntaxError, "1..1"},
        {"1-r", GRange::kSyntaxError, ""},
        {"r-1", GRange::kSyntaxError, ""},
        {"2147483646", GRange::kSyntaxError, ""},  // would be the open end
        {"-2147483646", GRange::kSyntaxError, ""},
        {"1,99999999999", GRange::kSyntaxError, "1..1"},
        {"4294967297", GRange::kSyntaxError, ""},  // would wrap to 1 in 32 bits
        {"1-2147483646", GRange::kSyntaxError, ""},
    };
    for (Case const& c : cases) {
        GRange range;
        EXPECT_EQ(range.Set(GBuffer(c.text)), c.result) << c.text;
        EXPECT_EQ(Describe(range), c.sequences) << c.text;
        EXPECT_TRUE(range.CheckConsistency()) << c.text;
    }
}

// Plain sequences in ascending order are merged as they are read; anything else is merged at the
// end with them, also after a run that was merged as read.
TEST(GRange, ParsingMergesInOrderAndOutOfOrder) {
    struct Case {
        char const* text;
        char const* sequences;
    };
    Case const cases[] = {
        {"1-10,2-3", "1..10"},            // inside the last sequence
        {"1-3,3-5,6,8-9,9", "1..6 8..9"},  // overlapping, touching, repeated
        {"5-9,3-4", "3..9"},              // before the last one and touching it
        {"1-2,5-6,9-10,3-8", "1..10"},    // a late sequence joins three
        {"1-2,5-6,9-10,0", "0..2 5..6 9..10"},
        {"9-5,6,10", "5..10"},            // written high to low
        {"3-,5,2147483645", "3..>"},
        {"-,5", "<..>"},
        {"5,-", "<..>"},
        {"--5,-5", "<..-5"},
        {"--5,-4", "<..-4"},
        {"--5,-3", "<..-5 -3..-3"},
        {"0-2147483645,-", "<..>"},
        {"2147483645,2147483644", "2147483644..2147483645"},
        {"1-3,r1,4", "1..4 r1..r1"},       // a reverse number between joining plain ones
        {"1-3,r2-r1,r3,5", "1..3 r1..r3 5..5"},
        {"5,1-r1,6", "1..r1 5..6"},
        {"4,3-r1,3", "r1..3 3..4"},  // ordered by the numbers of the starts
        {"3-r1,5,R1-3,3-r1", "r1..3 5..5"},  // one of a repeated sequence with ends of both kinds
        {"r2-4,1,R2-4,r2-r3", "1..1 r2..r3 r2..4"},
    };
    GRange range = Parsed("r7,40-50");  // one range for all: nothing of an earlier text may stay
    for (Case const& c : cases) {
        EXPECT_EQ(range.Set(GBuffer(c.text)), GRange::kParsed) << c.text;
        EXPECT_EQ(Describe(range), c.sequences) << c.text;
        EXPECT_TRUE(range.CheckConsistency()) << c.text;
    }
    EXPECT_EQ(range.Set(GBuffer("1-3,7,5-6,")), GRange::kSyntaxError);
    EXPECT_EQ(Describe(range), "1..3 5..7");
    EXPECT_EQ(range.Set(GBuffer("1-3,7,r1-")), GRange::kParsed);
    EXPECT_EQ(Describe(range), "1..3 r1..> 7..7");
}

namespace {

// A random text of range items and the range the general merge makes of them: each item added
// with AddRange in the order of the text.
struct RandomRangeText {
    std::string text;
    GRange expected;
};

// ascending: plain items only, ascending by start (the form users type); otherwise every form
// of item in any order.
RandomRangeText MakeRangeText(std::mt19937& random, bool ascending) {
    auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    RandomRangeText made;
    auto blank = [&]() {
        int b = pick(0, 12);
        if (b == 0)
            made.text += ' ';
        else if (b == 1)
            made.text += '\t';
    };
    auto number = [&](int n) {
        made.text += std::to_string(n);
        blank();
    };
    auto add = [&](int from, bool fromReverse, int to, bool toReverse) {
        made.expected.AddRange(from, fromReverse, to, toReverse);
    };
    // Near zero, near the largest number, or among the negative numbers.
    int base = std::vector<int>{0, GRange::cMaxNumber - 400, -300}[pick(0, 2)];
    int at = base;
    int items = pick(1, 40);
    blank();
    for (int i = 0; i < items; ++i) {
        if (i > 0) {
            made.text += ',';
            blank();
        }
        int a = ascending ? (at += pick(0, 12)) : base + pick(0, 300);
        a = std::min(a, GRange::cMaxNumber - 20);
        int b = a + pick(0, 12);
        int form = ascending ? pick(0, 9) : pick(0, 15);
        if (form == 9 && ascending && i > 0)
            form = 0;  // from the open start would go back
        if (form <= 3) {
            number(a);  // "-n" is the number -n
            add(a, false, a, false);
            continue;
        }
        if (a < 0 && form <= 6) {
            // "-n-m" runs to the number m, "-n--m" to -m.
            made.text += '-';
            number(-a);
            made.text += b < 0 ? "--" : "-";
            number(std::abs(b));
            add(a, false, b, false);
            continue;
        }
        switch (form) {
        case 4:
        case 5:
        case 6:
            number(a);
            made.text += '-';
            number(b);
            add(a, false, b, false);
            break;
        case 7:
            if (a < 0) {
                made.text += '-';
                number(-a);
                add(a, false, a, false);
                break;
            }
            number(b);  // high to low
            made.text += '-';
            number(a);
            add(a, false, b, false);
            break;
        case 8:
            number(a);
            made.text += '-';
            add(a, false, GRange::cOpenEnd, false);
            break;
        case 9: {
            int k = pick(0, 300);
            if (pick(0, 1) == 0) {
                made.text += '-';  // every item
                add(GRange::cOpenStart, false, GRange::cOpenEnd, false);
            } else {
                made.text += "--";
                number(k);
                add(GRange::cOpenStart, false, -k, false);
            }
            break;
        }
        case 10:
        case 11: {
            int r = pick(1, 30);
            made.text += form == 10 ? 'r' : 'R';
            number(r);
            add(r, true, r, true);
            break;
        }
        default: {
            // "rA-rB", "rA-b", "a-rB", "a-b" among them, in both orders.
            int r = pick(1, 6);  // small, so that some items repeat
            int q = pick(1, 6);
            bool plainFirst = form >= 14 && a >= 0;
            bool reverseEnd = form % 2 == 0;
            if (plainFirst) {
                number(a);
            } else {
                made.text += 'R';
                number(r);
            }
            made.text += '-';
            if (reverseEnd) {
                made.text += 'r';
                number(q);
            } else {
                number(std::abs(b));
            }
            add(plainFirst ? a : r, !plainFirst, reverseEnd ? q : std::abs(b), reverseEnd);
            break;
        }
        }
    }
    return made;
}

} // namespace

TEST(GRange, ParsingMatchesTheGeneralMerge) {
    std::mt19937 random(20261210);
    GRange range;
    for (int round = 0; round < 4000; ++round) {
        bool ascending = round % 2 == 0;
        RandomRangeText made = MakeRangeText(random, ascending);
        ASSERT_EQ(range.Set(GBuffer(made.text.c_str())), GRange::kParsed) << made.text;
        ASSERT_EQ(Describe(range), Describe(made.expected)) << made.text;
        ASSERT_TRUE(range == made.expected) << made.text;
        ASSERT_TRUE(range.CheckConsistency()) << made.text;
        // A syntax error keeps what was read before it.
        std::string broken = made.text + ",";
        ASSERT_EQ(range.Set(GBuffer(broken.c_str())), GRange::kSyntaxError) << broken;
        ASSERT_TRUE(range == made.expected) << broken;
    }
}

TEST(GRange, ForeignCharacterLeavesTheRangeAsItWas) {
    // Also where it follows items already read, or a syntax error; an empty range stays empty.
    for (std::string text : {"1;3", "1,a", "1.5", "x", "\xA0", "\n", "1-3,5,7x", "1,,x", "r0,x", "1-3 \x80", "-;"}) {
        GRange range = Parsed("2-4");
        EXPECT_EQ(range.Set(GBuffer(text.c_str())), GRange::kOutsideGrammar) << text;
        EXPECT_EQ(Describe(range), "2..4");
        GRange empty;
        EXPECT_EQ(empty.Set(GBuffer(text.c_str())), GRange::kOutsideGrammar) << text;
        EXPECT_EQ(Describe(empty), "") << text;
        EXPECT_EQ(empty.GetNumOfSequences(), 0) << text;
    }
    GRange zero = Parsed("2-4");
    EXPECT_EQ(zero.Set(GBuffer(reinterpret_cast<unsigned char const*>("1\0"), 2)), GRange::kOutsideGrammar);
    EXPECT_EQ(Describe(zero), "2..4");
    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(all.Set(GBuffer("1;3")), GRange::kOutsideGrammar);
    EXPECT_TRUE(all.IsSelectAll());
    EXPECT_EQ(all.Set(GBuffer(",1")), GRange::kSyntaxError);  // a syntax error has already started a new range
    EXPECT_FALSE(all.IsSelectAll());
    EXPECT_EQ(Describe(all), "");
    EXPECT_EQ(Describe(GRange(static_cast<char const*>(nullptr))), "");
    EXPECT_EQ(Describe(GRange("4-5")), "4..5");
}

// ---- Merging ----

TEST(GRange, AddRangeResults) {
    struct Step {
        int from, to;
        int result;
        char const* after;
    };
    struct Case {
        char const* start;
        std::vector<Step> steps;
    };
    Case const cases[] = {
        {"", {{7, 2, 1, "2..7"}, {3, 4, 0, "2..7"}, {8, 9, 1, "2..9"}, {2, 9, 0, "2..9"}}},
        {"1-3,5-9", {{2, 6, 3, "1..9"}}},
        {"2-3,5-6", {{0, 20, 3, "0..20"}}},
        {"2-3,5-6", {{4, 4, 1, "2..6"}}},         // touching both sides joins all three
        {"2-3,6-7", {{10, 12, 1, "2..3 6..7 10..12"}}},
        {"1-3", {{2, 5, 3, "1..5"}}},
        {"5-9", {{3, 6, 3, "3..9"}}},
        {"5-9", {{3, 5, 3, "3..9"}}},
        {"5-9", {{5, 9, 0, "5..9"}}},
        {"1-2,4-5,7-8", {{3, 3, 1, "1..5 7..8"}}},
        {"1-2,5-6,9-10", {{3, 9, 3, "1..10"}}},
        {"1-2,5-6,9-10", {{4, 7, 3, "1..2 4..7 9..10"}}},
        {"-", {{5, 7, 0, "<..>"}}},
        {"3-", {{1, 2, 1, "1..>"}}},
    };
    for (Case const& c : cases) {
        GRange range = Parsed(c.start);
        for (Step const& s : c.steps) {
            EXPECT_EQ(range.AddRange(s.from, s.to), s.result) << c.start << " + " << s.from << "-" << s.to;
            EXPECT_EQ(Describe(range), s.after) << c.start << " + " << s.from << "-" << s.to;
            EXPECT_TRUE(range.CheckConsistency());
        }
    }
}

TEST(GRange, ReverseNumbersMergeOnlyWithTheirKind) {
    GRange range;
    EXPECT_EQ(range.AddReverse(1), 1);
    EXPECT_EQ(range.AddReverse(2), 1);  // a join keeps the result
    EXPECT_EQ(Describe(range), "r1..r2");
    EXPECT_EQ(range.Add(2), 1);
    EXPECT_EQ(Describe(range), "r1..r2 2..2");
    EXPECT_TRUE(range.HasReverseItems());
    EXPECT_FALSE(Parsed("1-5").HasReverseItems());
}

TEST(GRange, MergingKeepsSequencesOfTheOtherKind) {
    // Plain sequences that join around reverse ones must not swallow them.
    GRange range = Parsed("1-2,r3-r4,5-6,r10-r11,8-9");
    EXPECT_EQ(range.AddRange(1, 9), 3);
    EXPECT_EQ(Describe(range), "1..9 r3..r4 r10..r11");
    EXPECT_TRUE(range.CheckConsistency());

    // A sequence that ends in the other kind has no known span before Resolve: it is kept apart.
    GRange mixed = Parsed("1-10,5-r1");
    EXPECT_EQ(Describe(mixed), "1..10 r1..5");
    EXPECT_EQ(mixed.AddRange(5, false, 1, true), 0);
    mixed.Resolve(20);
    EXPECT_EQ(Describe(mixed), "1..20");
    GRange overlap = Parsed("3-r1,2-7");
    EXPECT_EQ(Describe(overlap), "r1..3 2..7");
    overlap.Resolve(10);
    EXPECT_EQ(Describe(overlap), "2..10");
}

TEST(GRange, OrderOfAddingDoesNotMatter) {
    struct Sequence {
        int from;
        bool fromReverse;
        int to;
        bool toReverse;
    };
    // Equal starts of both kinds, two sequences of mixed kinds with one start, a join.
    std::vector<Sequence> sequences = {
        {1, false, 3, false}, {1, true, 5, false}, {1, true, 2, true}, {4, false, 6, false}, {3, false, 1, true},
    };
    std::vector<int> order = {0, 1, 2, 3, 4};
    std::string first;
    do {
        GRange range;
        for (int i : order)
            range.AddRange(sequences[i].from, sequences[i].fromReverse, sequences[i].to, sequences[i].toReverse);
        if (first.empty())
            first = Describe(range);
        ASSERT_EQ(Describe(range), first);
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(first, "1..6 r1..r2 r1..3 r1..5");
    EXPECT_EQ(Describe(Parsed("4-6,r2-r1,3-r1,5-r1,1-3")), first);
}

TEST(GRange, SelectAll) {
    GRange range = Parsed("1-3");
    range.SetSelectAll();
    EXPECT_EQ(range.GetCount(), 0x7FFFFFFF);
    EXPECT_TRUE(range.IsInRange(-5));
    EXPECT_EQ(range.AddRange(4, 9), 0);
    EXPECT_EQ(range.GetNumOfSequences(), 0);
    EXPECT_TRUE(range.CheckConsistency());
    range.Clear();
    EXPECT_FALSE(range.IsSelectAll());
    EXPECT_EQ(range.GetCount(), 0);
}

TEST(GRange, AddSequenceAndTables) {
    struct Case {
        int start, length, result;
        char const* after;
    };
    Case const cases[] = {
        {5, 3, 1, "5..7"},
        {5, -3, 1, "3..5"},
        {5, 0, 0, ""},
        {5, 1, 1, "5..5"},
        {2147483000, 2000, 1, "2147483000..2147483645"},  // cut below the open end
        {-2147483000, -2000, 1, "-2147483645..-2147483000"},
    };
    for (Case const& c : cases) {
        GRange range;
        EXPECT_EQ(range.AddSequence(c.start, c.length), c.result) << c.start << " " << c.length;
        EXPECT_EQ(Describe(range), c.after);
    }
    GRange range;
    GTable<int> numbers;
    for (int n : {1, 2, 3, 7})
        numbers.AddItem(n);
    EXPECT_EQ(range.Add(numbers), 1);
    EXPECT_EQ(Describe(range), "1..3 7..7");
    GTable<int> more;
    more.AddItem(2);
    EXPECT_EQ(range.Add(more), 0);
    more.AddItem(4);
    EXPECT_EQ(range.Add(more), 1);  // joined with 1..3 by touching, which keeps the result
    EXPECT_EQ(Describe(range), "1..4 7..7");
}

TEST(GRange, AddAnotherRange) {
    GRange range = Parsed("1-3");
    EXPECT_EQ(range.Add(Parsed("10,r2")), 1);
    EXPECT_EQ(Describe(range), "1..3 r2..r2 10..10");
    EXPECT_EQ(range.Add(Parsed("2-11")), 3);
    EXPECT_EQ(range.Add(range), 0);
    EXPECT_EQ(Describe(range), "1..11 r2..r2");
    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(range.Add(all), 3);  // every member joins: the result is every member
    EXPECT_TRUE(range.IsSelectAll());
    EXPECT_EQ(range.Add(all), 0);
}

// ---- Queries ----

TEST(GRange, GetSequenceOutOfBoundsLeavesOutputs) {
    GRange range = Parsed("3-5");
    int start = 42, length = 42;
    range.GetSequence(1, start, length);
    range.GetSequence(-1, start, length);
    EXPECT_EQ(start, 42);
    EXPECT_EQ(length, 42);
    range.GetSequence(0, start, length);
    EXPECT_EQ(start, 3);
    EXPECT_EQ(length, 3);
    GPair<int, bool> s(7, true), e(8, true);
    range.GetSequence(5, s, e);
    EXPECT_EQ(s, (GPair<int, bool>(7, true)));
    EXPECT_EQ(e, (GPair<int, bool>(8, true)));
}

TEST(GRange, GetCountSaturates) {
    struct Case {
        char const* text;
        int count;
    };
    Case const cases[] = {
        {"1-3,5", 4},
        {"", 0},
        {"3-", 0x7FFFFFFE - 3 + 1},
        {"-", 0x7FFFFFFF},                      // the open ends span more than 32 bits
        {"--5,3-", 0x7FFFFFFF},
        {"-2147483645-2147483645", 0x7FFFFFFF},
        {"0-2147483645", 2147483646},
    };
    for (Case const& c : cases)
        EXPECT_EQ(Parsed(c.text).GetCount(), c.count) << c.text;
}

TEST(GRange, IsInRangeOfASequence) {
    GRange range = Parsed("1-10,20-30");
    struct Case {
        int from, to, result;
    };
    Case const cases[] = {{1, 10, 1}, {2, 5, 0}, {5, 15, 2}, {20, 30, 1}, {25, 25, 0}, {11, 19, 2}, {0, 1, 2}};
    for (Case const& c : cases)
        EXPECT_EQ(range.IsInRange(c.from, c.to), c.result) << c.from << "-" << c.to;
    EXPECT_EQ(GRange().IsInRange(1, 2), 2);
    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(all.IsInRange(1, 2), 0);
    EXPECT_TRUE(range.IsInRange(10));
    EXPECT_FALSE(range.IsInRange(11));
}

TEST(GRange, NextAndPrevious) {
    GRange range = Parsed("3-5,8-9");
    struct Case {
        int n, next, previous;
    };
    Case const cases[] = {
        {0, 3, 0}, {3, 4, 3}, {4, 5, 3}, {5, 8, 4}, {6, 8, 5}, {8, 9, 5}, {9, 9, 8}, {12, 12, 9},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(range.GetNext(c.n), c.next) << c.n;
        EXPECT_EQ(range.GetPrevious(c.n), c.previous) << c.n;
    }
    EXPECT_EQ(GRange().GetNext(4), 4);
    EXPECT_EQ(GRange().GetPrevious(4), 4);
    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(all.GetNext(4), 5);
    EXPECT_EQ(all.GetPrevious(4), 3);
    EXPECT_EQ(all.GetNext(INT_MAX), INT_MAX);
    EXPECT_EQ(all.GetPrevious(INT_MIN), INT_MIN);
}

TEST(GRange, GetUnion) {
    int from = 0, to = 0;
    Parsed("3-5,8-9").GetUnion(from, to);
    EXPECT_EQ(from, 3);
    EXPECT_EQ(to, 9);
    GRange().GetUnion(from, to);
    EXPECT_EQ(from, -1);
    EXPECT_EQ(to, -1);
    GRange all;
    all.SetSelectAll();
    all.GetUnion(from, to);  // every member, not an empty range
    EXPECT_EQ(from, GRange::cOpenStart);
    EXPECT_EQ(to, GRange::cOpenEnd);
}

TEST(GRange, GetIntersection) {
    struct Case {
        char const* a;
        char const* b;
        char const* common;
    };
    Case const cases[] = {
        {"1-5,10-20", "3-12", "3..5 10..12"},
        {"1-5", "6-9", ""},
        {"", "1-5", ""},
        {"1-10", "2,4,6", "2..2 4..4 6..6"},
        {"r1-r3", "r2-r5", "r2..r3"},       // reverse numbers stay reverse
        {"1-5", "r1-r5", ""},               // not comparable before Resolve
        {"3-r1", "3-r1", "r1..3"},
        {"3-r1", "4-r1", ""},
        {"-", "5-7", "5..7"},
        {"-", "r2-r1,3-r1", "r1..r2 r1..3"},  // every item, counted either way
        {"3-", "r2-r1", ""},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(Describe(GRange::GetIntersection(Parsed(c.a), Parsed(c.b))), c.common) << c.a << " & " << c.b;
        EXPECT_EQ(Describe(GRange::GetIntersection(Parsed(c.b), Parsed(c.a))), c.common) << c.b << " & " << c.a;
    }
    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(Describe(GRange::GetIntersection(all, Parsed("2-4,r1"))), "r1..r1 2..4");
    EXPECT_EQ(Describe(GRange::GetIntersection(Parsed("2-4"), all)), "2..4");
    EXPECT_TRUE(GRange::GetIntersection(all, all).IsSelectAll());
}

// ---- Resolve and shift ----

TEST(GRange, Resolve) {
    struct Case {
        char const* text;
        int count;
        char const* resolved;
    };
    Case const cases[] = {
        {"r2-r1", 10, "9..10"},
        {"3-", 8, "3..>"},
        {"1-2,r1", 3, "1..3"},
        {"r1,1", 1, "1..1"},
        {"r5", 3, "-1..-1"},
        {"r2-", 10, "9..>"},
        {"-,r1", 4, "<..>"},
        {"r1", 2147483645, "2147483645..2147483645"},
        {"r1", INT_MAX, "2147483645..2147483645"},  // kept below the open end
    };
    for (Case const& c : cases) {
        GRange range = Parsed(c.text);
        range.Resolve(c.count);
        EXPECT_EQ(Describe(range), c.resolved) << c.text;
        EXPECT_FALSE(range.HasReverseItems());
        EXPECT_TRUE(range.CheckConsistency());
    }
    GRange resolved = Parsed("3-");
    resolved.Resolve(8);
    EXPECT_EQ(Written(resolved), "3-");
}

TEST(GRange, Shift) {
    struct Case {
        char const* text;
        int delta;
        char const* shifted;
    };
    Case const cases[] = {
        {"3-5,8-", 2, "5..7 10..>"},
        {"--5", 3, "<..-2"},
        {"-", 100, "<..>"},
        {"r2,4", 5, "r2..r2 9..9"},
        {"r2,4", -3, "1..1 r2..r2"},     // the order by start follows the shift
        {"2147483000-2147483645", 1000, "2147483645..2147483645"},
        {"1,3", INT_MAX, "2147483645..2147483645"},  // cut at the largest number, then joined
        {"-5,-3", INT_MIN, "-2147483645..-2147483645"},
    };
    for (Case const& c : cases) {
        GRange range = Parsed(c.text);
        range.Shift(c.delta);
        EXPECT_EQ(Describe(range), c.shifted) << c.text;
        EXPECT_TRUE(range.CheckConsistency()) << c.text;
    }
}

// ---- Comparing ----

TEST(GRange, Equality) {
    EXPECT_TRUE(Parsed("1-3,5") == Parsed("5,3,2,1"));
    EXPECT_FALSE(Parsed("1-3") == Parsed("1-4"));
    EXPECT_FALSE(Parsed("r1") == Parsed("1"));
    GRange all;
    all.SetSelectAll();
    EXPECT_FALSE(all == GRange());
    EXPECT_TRUE(GRange::cEmptyRange == GRange());
    EXPECT_TRUE(Parsed("1") != Parsed("2"));
}

TEST(GRange, PartialOrderLessThan) {
    struct Case {
        char const* a;
        char const* b;
        int order;
    };
    Case const cases[] = {
        {"1-3", "1-5", 0},
        {"1-5", "1-5", 1},
        {"1-5", "2-3", 2},
        {"", "", 1},
        {"", "1", 0},
        {"1", "", 2},
        {"1-3,5", "1-3,5,7", 0},
        {"1-3", "1-3,7", 0},
        {"1-3,7", "1-3,8", 2},
        {"2,7", "1-3,5-9", 0},
        {"r1", "r1", 2},
        {"1", "1,r1", 2},
    };
    for (Case const& c : cases)
        EXPECT_EQ(Parsed(c.a).PartialOrderLessThan(Parsed(c.b)), c.order) << c.a << " < " << c.b;
    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(all.PartialOrderLessThan(all), 1);
    EXPECT_EQ(all.PartialOrderLessThan(Parsed("1")), 2);
    EXPECT_EQ(all.PartialOrderLessThan(GRange()), 2);
    EXPECT_EQ(Parsed("1").PartialOrderLessThan(all), 0);
    EXPECT_EQ(GRange().PartialOrderLessThan(all), 0);
}

// ---- Text ----

TEST(GRange, ToString) {
    struct Case {
        char const* text;
        int offset;
        char const* separator;
        char const* dash;
        char const* written;
    };
    Case const cases[] = {
        {"0-4", 1, ",", "-", "1-5"},
        {"r1", 0, ",", "-", "R1"},
        {"r2-r1", 1, ",", "-", "R2-R3"},  // the offset applies to reverse numbers too
        {"", 0, ",", "-", ""},
        {"3-", 0, ",", "-", "3-"},
        {"-", 0, ",", "-", "-"},
        {"--5", 0, ",", "-", "--5"},
        {"-5--3", 0, ",", "-", "-5--3"},
        {"1-3,5,7-", 0, ", ", " to ", "1 to 3, 5, 7 to "},
        {"5-r10", 0, ",", "-", "5-R10"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(Written(Parsed(c.text), c.offset, c.separator, c.dash), c.written) << c.text;

    GRange all;
    all.SetSelectAll();
    EXPECT_EQ(Written(all), "-");  // every item, not an empty text

    // From the open start to a number of zero or more: "-n" would read back as the number -n.
    GRange fromStart = Parsed("--5,-4-3");
    EXPECT_EQ(Describe(fromStart), "<..3");
    EXPECT_EQ(Written(fromStart), "--1,0-3");
    EXPECT_EQ(Parsed(Written(fromStart).c_str()), fromStart);
    EXPECT_EQ(Written(fromStart, 2), "--1,0-5");
    EXPECT_EQ(Written(fromStart, -3), "--1,0");
    EXPECT_EQ(Written(fromStart, -4), "--1");
}

TEST(GRange, ToStringReadsBack) {
    for (char const* text : {"1-3,5", "r2-r1", "3-", "-", "--5", "-5--3", "1,r1,3-r2,r5-", "5-r10,1-2", "0",
                             "-7", "--0", "1-10,5-r1", "2147483645", "-2147483645-", "r2147483645",
                             "1,3,5-7,r2,r9-r8,10-,--20", "3-r1,2-7"}) {
        GRange range = Parsed(text);
        GRange again = Parsed(Written(range).c_str());
        EXPECT_EQ(again, range) << text << " -> " << Written(range);
    }
}

TEST(GRange, ToCompactString) {
    GRange range = Parsed("1-3,5,7-9");
    GBuffer out;
    range.ToCompactString(out, 2, GBuffer("..."), 0, GBuffer(","), GBuffer("-"));
    EXPECT_EQ(Text(out), "1...9");
    range.ToCompactString(out, 3, GBuffer("..."), 0, GBuffer(","), GBuffer("-"));
    EXPECT_EQ(Text(out), "1-3,5,7-9");
    range.ToCompactString(out, 0, GBuffer("~"), 1, GBuffer(","), GBuffer("-"));
    EXPECT_EQ(Text(out), "2~10");
    Parsed("--5,8-").ToCompactString(out, 1, GBuffer("~"), 0, GBuffer(","), GBuffer("-"));
    EXPECT_EQ(Text(out), "~");
    GRange().ToCompactString(out, 0, GBuffer("~"), 0, GBuffer(","), GBuffer("-"));
    EXPECT_EQ(Text(out), "");
}

TEST(GRange, StringForms) {
    StartFoundation();
    EXPECT_EQ(Describe(GRange(GString(u"1-3, r1"))), "1..3 r1..r1");
    GRange range;
    EXPECT_EQ(range.Set(GString("2-4")), 0);
    EXPECT_EQ(range.Set(GString(u"1\u20133")), 1);  // an en dash is outside the grammar
    EXPECT_EQ(Describe(range), "2..4");
    EXPECT_EQ(range.Set(GString()), 2);
    EXPECT_EQ(range.Set("7,9"), 0);
    EXPECT_EQ(Describe(range), "7..7 9..9");

    range = Parsed("1-3,5,r2");
    GString out("stale");
    range.ToString(out, 0, GString(u", "), GString(u"\u2013"));
    EXPECT_TRUE(out == GString(u"1\u20133, R2, 5"));
    range.ToCompactString(out, 1, GString(u"\u2026"), 1, GString(","), GString("-"));
    EXPECT_TRUE(out == GString(u"2\u20266"));
    GRange().ToString(out, 0, GString(","), GString("-"));
    EXPECT_TRUE(out.IsEmpty());
}
