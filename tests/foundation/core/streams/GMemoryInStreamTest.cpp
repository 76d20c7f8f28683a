#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "core/streams/GMemoryInStream.h"
#include "support/TestStreams.h"

namespace {

std::string ReadText(GInStream& in, int count) {
    GBuffer out;
    int n = in.Read(out, count);
    EXPECT_EQ(n, n > 0 ? out.GetLength() : -1);
    return TestText(out);
}

} // namespace

TEST(GMemoryInStream, ReadsTheBufferInCountedChunks) {
    GBuffer data("abcdefg");
    GMemoryInStream in(data);
    EXPECT_EQ(in.GetLength(), 7);
    EXPECT_EQ(ReadText(in, 3), "abc");
    EXPECT_EQ(ReadText(in, 0), "");
    EXPECT_EQ(ReadText(in, -2), "");
    EXPECT_EQ(ReadText(in, 10), "defg");
    GBuffer out("stale");
    EXPECT_EQ(in.Read(out, 1), -1);
    EXPECT_TRUE(out.IsEmpty());
    in.Reset();
    EXPECT_EQ(ReadText(in, INT_MAX), "abcdefg");
}

TEST(GMemoryInStream, SkipStaysInsideTheBuffer) {
    struct Case {
        long long count, skipped;
    };
    Case const cases[] = {
        {3, 3},
        {4, 4},
        {100, 4},
        {0, 0},
        {-1, 0},
        {LLONG_MIN, 0},
        {(1LL << 32) + 1, 4},      // not cut to 32 bits (that would skip 1)
        {-(1LL << 32) + 2, 0},     // cut to 32 bits, it would skip 2 forward
        {-(1LL << 31) - 1, 0},     // cut to 32 bits, it would be INT_MAX
        {LLONG_MAX, 4},
    };
    GBuffer data("abcdef");
    for (Case const& c : cases) {
        SCOPED_TRACE(c.count);
        GMemoryInStream in(data);
        in.Skip(2);
        EXPECT_EQ(in.Skip(c.count), c.skipped);
        EXPECT_EQ(ReadText(in, 1), std::string("abcdef").substr(static_cast<std::size_t>(2 + c.skipped), 1));
    }
}

TEST(GMemoryInStream, UnreadStopsAtTheStart) {
    struct Case {
        int count, moved, pos;
    };
    Case const cases[] = {
        {5, 3, 0},
        {3, 3, 0},
        {2, 2, 1},
        {0, 0, 3},
        {-1, 0, 3},
        {INT_MIN, 0, 3},
        {INT_MAX, 3, 0},
    };
    GBuffer data("abcdef");
    for (Case const& c : cases) {
        SCOPED_TRACE(c.count);
        GMemoryInStream in(data);
        ReadText(in, 3);
        EXPECT_EQ(in.Unread(c.count), c.moved);
        EXPECT_EQ(ReadText(in, 1), std::string("abcdef").substr(static_cast<std::size_t>(c.pos), 1));
    }
}

TEST(GMemoryInStream, RollBackReturnsToTheMarkOnce) {
    GBuffer data("abcdefghij");
    GMemoryInStream in(data);
    EXPECT_EQ(in.RollBack(), -1);
    ReadText(in, 2);
    in.SetRollBackPoint();
    ReadText(in, 5);
    EXPECT_EQ(in.Unread(1), 1);
    EXPECT_EQ(in.RollBack(), 4);
    EXPECT_EQ(in.RollBack(), -1);
    EXPECT_EQ(ReadText(in, 1), "c");

    in.SetRollBackPoint();
    in.Reset();
    EXPECT_EQ(in.RollBack(), -1);
}

// Otherwise RollBack would move forward and report a negative distance (-1 meaning no mark).
TEST(GMemoryInStream, UnreadingPastTheMarkLosesIt) {
    GBuffer data("abcdefghij");
    GMemoryInStream in(data);
    ReadText(in, 4);
    in.SetRollBackPoint();
    ReadText(in, 1);
    in.Unread(2);
    EXPECT_EQ(in.RollBack(), -1);
    EXPECT_EQ(ReadText(in, 1), "d");
}

TEST(GMemoryInStream, ReadsABorrowedBufferInPlace) {
    GBuffer data("abc");
    GMemoryInStream in(data);
    data += "def";  // seen by the stream: it holds no copy
    EXPECT_EQ(ReadText(in, 10), "abcdef");
}

TEST(GMemoryInStream, CloneOfABorrowedBufferOwnsACopy) {
    auto data = std::make_unique<GBuffer>("hello");
    GMemoryInStream in(*data);
    ReadText(in, 2);
    in.SetRollBackPoint();
    std::unique_ptr<GInStream> clone(in.CreateClone());
    ASSERT_NE(clone, nullptr);
    *data = "XXXXX";
    data.reset();
    EXPECT_EQ(ReadText(*clone, 10), "llo");
    EXPECT_EQ(dynamic_cast<GBufferedInStream&>(*clone).RollBack(), 3);

    // Even when the caller's buffer only borrows bytes that then change.
    unsigned char bytes[] = {'w', 'x', 'y', 'z'};
    GBuffer lender;
    lender.TakeByteArray(bytes, 4, 4);
    GMemoryInStream borrowing(lender);
    std::unique_ptr<GInStream> copy(borrowing.CreateClone());
    bytes[0] = '!';
    EXPECT_EQ(ReadText(*copy, 10), "wxyz");
}

TEST(GMemoryInStream, ClonesShareAnOwnedBufferAndMoveIndependently) {
    auto in = std::make_unique<GMemoryInStream>(new GBuffer("0123456789"));
    ReadText(*in, 3);
    std::unique_ptr<GInStream> a(in->CreateClone());
    std::unique_ptr<GInStream> b(a->CreateClone());
    in.reset();  // the clones keep the buffer alive
    EXPECT_EQ(ReadText(*a, 4), "3456");
    EXPECT_EQ(ReadText(*b, 2), "34");
    a.reset();
    EXPECT_EQ(ReadText(*b, 20), "56789");
}

TEST(GMemoryInStream, NullOwnedBufferReadsAsEmpty) {
    GMemoryInStream in(static_cast<GBuffer*>(nullptr));
    EXPECT_EQ(in.GetLength(), 0);
    EXPECT_EQ(ReadText(in, 5), "");
    EXPECT_EQ(in.Skip(5), 0);
    EXPECT_EQ(in.Unread(5), 0);
    std::unique_ptr<GInStream> clone(in.CreateClone());
    EXPECT_EQ(ReadText(*clone, 5), "");
}

TEST(GMemoryInStream, ABorrowedBufferThatShrankReadsNothingAndSkipsNothing) {
    GBuffer data("abcdef");
    GMemoryInStream in(data);
    ReadText(in, 5);
    data = "ab";
    EXPECT_EQ(ReadText(in, 3), "");
    EXPECT_EQ(in.Skip(3), 0);
    EXPECT_EQ(in.Unread(4), 4);
    EXPECT_EQ(ReadText(in, 3), "b");
}
