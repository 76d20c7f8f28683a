#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/streams/GBufferedInStreamDecorator.h"
#include "support/TestStreams.h"

namespace {

constexpr int kRefill = 16;

// A decorator with refills of exactly kRefill bytes over 0, 1, 2, ...
class Decorator : public ::testing::Test {
protected:
    std::string const data = CountingBytes(100);
    PiecewiseInStream inner{data, PiecewiseInStream::Whole()};
    GBufferedInStreamDecorator in{inner, kRefill};

    std::string Read(int count) {
        GBuffer out;
        int n = in.Read(out, count);
        EXPECT_EQ(n, n > 0 ? out.GetLength() : -1);
        return TestText(out);
    }
    std::string From(std::size_t pos, std::size_t n) const { return data.substr(pos, n); }
};

} // namespace

TEST_F(Decorator, EmptyInnerDeliversNothingAndUnreadsNothing) {
    PiecewiseInStream empty("");
    GBufferedInStreamDecorator d(empty, kRefill);
    EXPECT_EQ(d.Unread(5), 0);
    GBuffer out("stale");
    EXPECT_EQ(d.Read(out, 10), -1);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(d.Unread(5), 0);
    EXPECT_EQ(d.Read(out, 10), -1);
}

TEST_F(Decorator, ReadsAcrossRefillsInAnyAmounts) {
    std::string got;
    for (int count : {3, 13, 1, 40, 7, 100})
        got += Read(count);
    EXPECT_EQ(got, data);
    GBuffer out;
    EXPECT_EQ(in.Read(out, 1), -1);
}

TEST_F(Decorator, UnreadReachesBackToTheStartOfThePreviousRefill) {
    struct Case {
        int read, unread, moved;
    };
    Case const cases[] = {
        {5, 3, 3},     // within the first refill
        {5, 9, 5},     // no previous refill yet
        {16, 100, 16},
        {20, 20, 20},  // across one refill boundary
        {20, 100, 20},
        {32, 100, 32},
        {40, 100, 24},  // 8 of the third refill and all 16 of the second
        {40, 24, 24},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(::testing::Message() << "read " << c.read << " unread " << c.unread);
        in.Reset();
        ASSERT_EQ(Read(c.read), From(0, c.read));
        EXPECT_EQ(in.Unread(c.unread), c.moved);
        std::size_t pos = static_cast<std::size_t>(c.read - c.moved);
        EXPECT_EQ(Read(100), From(pos, 100));
    }
}

TEST_F(Decorator, ReadingBackFromThePreviousRefillDoesNotReadTheInnerStreamAgain) {
    Read(20);
    ASSERT_EQ(inner.Reads(), 2);
    ASSERT_EQ(in.Unread(10), 10);
    EXPECT_EQ(Read(6), From(10, 6));  // the rest of the previous refill
    EXPECT_EQ(Read(4), From(16, 4));  // the later refill from its start
    EXPECT_EQ(Read(12), From(20, 12));
    EXPECT_EQ(inner.Reads(), 2);
    EXPECT_EQ(Read(1), From(32, 1));
    EXPECT_EQ(inner.Reads(), 3);

    ASSERT_EQ(in.Unread(17), 17);  // 1 of the third refill and all of the second
    EXPECT_EQ(Read(30), From(16, 30));
}

TEST_F(Decorator, UnreadOfNothingOrLessMovesNothing) {
    for (int count : {0, -1, -1000, INT_MIN}) {
        SCOPED_TRACE(count);
        in.Reset();
        Read(20);
        EXPECT_EQ(in.Unread(count), 0);
        EXPECT_EQ(Read(5), From(20, 5));
        // At the start of a refill too, where the previous one would be entered.
        ASSERT_EQ(in.Unread(9), 9);
        EXPECT_EQ(in.Unread(count), 0);
        EXPECT_EQ(Read(9), From(16, 9));
    }
}

TEST_F(Decorator, RollBackReturnsToTheMarkOnce) {
    Read(5);
    in.SetRollBackPoint();
    EXPECT_EQ(Read(10), From(5, 10));
    EXPECT_EQ(in.Unread(3), 3);
    EXPECT_EQ(in.RollBack(), 7);
    EXPECT_EQ(in.RollBack(), -1);
    EXPECT_EQ(Read(4), From(5, 4));

    in.SetRollBackPoint();
    EXPECT_EQ(in.RollBack(), 0);  // nothing read since the mark
    EXPECT_EQ(in.RollBack(), -1);
}

TEST_F(Decorator, UnreadingPastTheMarkLosesIt) {
    Read(5);
    in.SetRollBackPoint();
    Read(3);
    EXPECT_EQ(in.Unread(4), 4);
    EXPECT_EQ(in.RollBack(), -1);
    EXPECT_EQ(Read(3), From(4, 3));
}

// A mark that Unread can no longer reach is lost: rolling back part of the way would leave the
// reader at a position it never marked.
TEST_F(Decorator, RollBackOutOfReachMovesNothing) {
    struct Case {
        int before, after, result;
    };
    Case const cases[] = {
        {0, 32, 32},  // mark at the start of the previous refill: just reachable
        {0, 33, -1},
        {0, 40, -1},
        {8, 24, 24},
        {8, 40, -1},
        {20, 28, 28},
        {20, 29, -1},
        {0, 100, -1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mark at " << c.before << ", read " << c.after);
        in.Reset();
        Read(c.before);
        in.SetRollBackPoint();
        ASSERT_EQ(Read(c.after).size(), std::min<std::size_t>(c.after, data.size() - c.before));
        int pos = std::min<int>(c.before + c.after, static_cast<int>(data.size()));
        EXPECT_EQ(in.RollBack(), c.result);
        if (c.result > 0)
            pos -= c.result;
        EXPECT_EQ(Read(2), From(pos, 2));
    }
}

TEST_F(Decorator, LostMarkStaysLost) {
    in.SetRollBackPoint();
    Read(40);
    in.Unread(20);  // back within reach of where the mark was
    EXPECT_EQ(in.RollBack(), -1);
    EXPECT_EQ(Read(2), From(20, 2));
}

TEST_F(Decorator, CountBelowOneAndHugeCounts) {
    in.SetRollBackPoint();
    GBuffer out("stale");
    EXPECT_EQ(in.Read(out, 0), -1);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(in.Read(out, -7), -1);
    EXPECT_EQ(in.Read(out, INT_MAX), 100);  // no block of INT_MAX bytes reserved for it
    EXPECT_EQ(TestText(out), data);
    EXPECT_EQ(in.Read(out, INT_MAX), -1);
}

TEST_F(Decorator, SkipCountsTowardsTheMark) {
    in.SetRollBackPoint();
    EXPECT_EQ(in.Skip(10), 10);
    EXPECT_EQ(in.RollBack(), 10);
    EXPECT_EQ(in.Skip(-3), 0);
    EXPECT_EQ(in.Skip(1000), 100);
}

TEST_F(Decorator, ResetStartsOverAndForgetsTheMark) {
    Read(40);
    in.SetRollBackPoint();
    Read(3);
    in.Reset();
    EXPECT_EQ(inner.Resets(), 1);
    EXPECT_EQ(in.RollBack(), -1);
    EXPECT_EQ(in.Unread(5), 0);
    EXPECT_EQ(Read(20), From(0, 20));
}

// Otherwise each refill would hold one piece, and Unread would reach back only a few bytes.
TEST(GBufferedInStreamDecorator, RefillsAreFullWhenTheInnerStreamDeliversInPieces) {
    std::string const data = CountingBytes(1000);
    PiecewiseInStream inner(data);
    GBufferedInStreamDecorator in(inner, 64);
    GBuffer out;
    for (int pos = 0; pos + 64 <= 1000; pos += 64) {
        SCOPED_TRACE(pos);
        ASSERT_EQ(in.Read(out, 64), 64);
        EXPECT_EQ(TestText(out), data.substr(static_cast<std::size_t>(pos), 64));
        EXPECT_EQ(in.Unread(64), 64);
        ASSERT_EQ(in.Read(out, 64), 64);
    }
    EXPECT_EQ(in.Read(out, 100), 1000 % 64);
    EXPECT_EQ(in.Unread(1000), 1000 % 64 + 64);
}

TEST_F(Decorator, BufferSizeBelowOneStillDeliversEverything) {
    for (int size : {0, -5}) {
        PiecewiseInStream source(data);
        GBufferedInStreamDecorator d(source, size);
        GBuffer out;
        ASSERT_EQ(d.Read(out, 1000), 100);
        EXPECT_EQ(TestText(out), data);
    }
}

TEST_F(Decorator, CloneIsIndependentAndStartsWhereTheOriginalIs) {
    Read(20);
    in.Unread(7);  // into the previous refill
    in.SetRollBackPoint();
    Read(2);
    std::unique_ptr<GInStream> clone(in.CreateClone());
    ASSERT_NE(clone, nullptr);
    auto* copy = dynamic_cast<GBufferedInStreamDecorator*>(clone.get());
    ASSERT_NE(copy, nullptr);

    GBuffer out;
    ASSERT_EQ(copy->Read(out, 5), 5);
    EXPECT_EQ(TestText(out), From(15, 5));
    EXPECT_EQ(copy->RollBack(), 7);
    EXPECT_EQ(copy->Read(out, 100), 87);
    EXPECT_EQ(TestText(out), From(13, 87));

    EXPECT_EQ(Read(3), From(15, 3));  // the original did not move
    EXPECT_EQ(in.RollBack(), 5);
    EXPECT_EQ(Read(100), From(13, 87));
}

TEST_F(Decorator, CloneNeedsACloneOfTheInnerStream) {
    inner.SetCloneable(false);
    Read(3);
    EXPECT_EQ(in.CreateClone(), nullptr);
}

TEST(GBufferedInStreamDecorator, OwnsAnInnerStreamGivenByPointerOnly) {
    bool destroyed = false;
    PiecewiseInStream borrowed("abc");
    borrowed.ReportDestructionTo(&destroyed);
    { GBufferedInStreamDecorator d(borrowed, 8); }
    EXPECT_FALSE(destroyed);

    auto* owned = new PiecewiseInStream("abc");
    owned->ReportDestructionTo(&destroyed);
    { GBufferedInStreamDecorator d(owned, 8); }
    EXPECT_TRUE(destroyed);

    GBufferedInStreamDecorator none(static_cast<GInStream*>(nullptr), 8);
    GBuffer out;
    EXPECT_EQ(none.Read(out, 4), -1);
    none.Reset();
}

// Random reads, unreads and roll-backs against a model of the position: whatever the decorator
// reports having moved, the bytes it delivers next must be the ones at the moved-to position.
TEST(GBufferedInStreamDecorator, StaysConsistentUnderRandomUse) {
    struct Setup {
        char const* name;
        std::vector<int> pieces;
        int bufferSize;
    };
    Setup const setups[] = {
        {"full refills", PiecewiseInStream::Whole(), 16},
        {"pieces of 1..7", {1, 2, 3, 4, 5, 6, 7}, 16},
        {"pieces of 1..7, buffer of 5", {1, 2, 3, 4, 5, 6, 7}, 5},
    };
    std::string const data = CountingBytes(60000);
    for (Setup const& s : setups) {
        SCOPED_TRACE(s.name);
        GBufferedInStreamDecorator in(new PiecewiseInStream(data, s.pieces), s.bufferSize);
        std::uint32_t seed = 12345;
        auto next = [&seed](int n) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(n));
        };
        long long pos = 0;
        long long mark = -1;
        int unreads = 0, rollBacks = 0, lost = 0;
        for (int step = 0; step < 4000 && pos < static_cast<long long>(data.size()); ++step) {
            SCOPED_TRACE(step);
            switch (next(4)) {
            case 0: {
                int count = next(24);
                GBuffer out;
                int n = in.Read(out, count);
                long long expected = std::min<long long>(count, static_cast<long long>(data.size()) - pos);
                ASSERT_EQ(n, expected > 0 ? expected : -1);
                ASSERT_EQ(TestText(out), data.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(expected)));
                pos += expected;
                break;
            }
            case 1: {
                int count = next(27) - 3;
                int moved = in.Unread(count);
                ASSERT_GE(moved, 0);
                ASSERT_LE(moved, std::max(count, 0));
                ASSERT_LE(moved, pos);
                pos -= moved;
                if (mark > pos)
                    mark = -1;
                unreads += moved > 0;
                break;
            }
            case 2:
                in.SetRollBackPoint();
                mark = pos;
                break;
            default: {
                int result = in.RollBack();
                if (mark < 0) {
                    ASSERT_EQ(result, -1);
                } else if (result != -1) {
                    ASSERT_EQ(result, pos - mark);
                    pos = mark;
                    rollBacks += result > 0;
                } else {
                    ++lost;
                }
                mark = -1;
            }
            }
        }
        // Every path was taken.
        EXPECT_GT(unreads, 200);
        EXPECT_GT(rollBacks, 20);
        EXPECT_GT(lost, 10);
    }
}
