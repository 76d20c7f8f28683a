#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "core/streams/GMemoryInStream.h"
#include "core/support/GStreamSupport.h"
#include "support/TestStreams.h"

namespace {

std::vector<int> const kPieces = {1, 2, 3, 4, 5, 6, 7};

// A stream of a given length that only skips, at most step bytes at a time: its length is all
// it has.
class SkipOnlyInStream : public GInStream {
public:
    explicit SkipOnlyInStream(long long length, long long step = LLONG_MAX) : mLength(length), mStep(step) {}
    GInStream* CreateClone() const override { return nullptr; }
    int Read(GBuffer& out, int) override {
        out.Clear();
        return -1;
    }
    long long Skip(long long count) override {
        long long k = std::clamp(std::min(count, mStep), 0LL, mLength - mPos);
        mPos += k;
        return k;
    }
    void Reset() override { mPos = 0; }
    long long Position() const { return mPos; }

private:
    long long mLength;
    long long mStep;
    long long mPos = 0;
};

} // namespace

TEST(GStreamSupport, GetContentReadsUntilTheEndHoweverTheStreamDelivers) {
    for (std::size_t length : {0, 1, 13, 102399, 102400, 102401, 250000}) {
        for (bool pieces : {false, true}) {
            SCOPED_TRACE(::testing::Message() << length << (pieces ? " in pieces" : " whole"));
            std::string const data = CountingBytes(length);
            PiecewiseInStream in(data, pieces ? kPieces : PiecewiseInStream::Whole());
            in.Skip(5);  // GetContent starts from the beginning
            GBuffer out("prefix");
            EXPECT_EQ(GStreamSupport::GetContent(in, out), static_cast<int>(length));
            EXPECT_EQ(TestText(out), "prefix" + data);
            EXPECT_EQ(in.Position(), 0u);  // reset again afterwards
        }
    }
}

TEST(GStreamSupport, GetContentOfExactlyOneChunkReadsOnceMore) {
    std::string const data = CountingBytes(102400);
    GBuffer bytes = TestBuffer(data);
    GMemoryInStream in(bytes);
    GBuffer out;
    EXPECT_EQ(GStreamSupport::GetContent(in, out), 102400);
    EXPECT_EQ(out, bytes);

    GBuffer empty;
    GMemoryInStream none(empty);
    GBuffer kept("kept");
    EXPECT_EQ(GStreamSupport::GetContent(none, kept), 0);
    EXPECT_EQ(TestText(kept), "kept");
}

TEST(GStreamSupport, GetStreamLengthCountsAndResets) {
    for (std::size_t length : {0, 1, 102400, 250001}) {
        SCOPED_TRACE(length);
        PiecewiseInStream in(CountingBytes(length), kPieces);
        EXPECT_EQ(GStreamSupport::GetStreamLength(in), static_cast<long long>(length));
        EXPECT_EQ(in.Position(), 0u);
    }
    SkipOnlyInStream huge((1LL << 32) * 3 + 7);  // past 32 bits
    EXPECT_EQ(GStreamSupport::GetStreamLength(huge), (1LL << 32) * 3 + 7);
    EXPECT_EQ(huge.Position(), 0);
}

// Skips that never report the end, in big and in small steps: the count still ends.
TEST(GStreamSupport, GetStreamLengthOfAStreamWithoutEndIsBounded) {
    SkipOnlyInStream whole(LLONG_MAX);
    EXPECT_EQ(GStreamSupport::GetStreamLength(whole), GStreamSupport::cMaxStreamLength);
    SkipOnlyInStream bytewise(LLONG_MAX, 1);
    EXPECT_EQ(GStreamSupport::GetStreamLength(bytewise), GStreamSupport::cMaxSkipCalls);
}

TEST(GStreamSupport, CopyStreamCopiesEverythingFromWhereTheStreamIs) {
    std::string const data = CountingBytes(250000);
    PiecewiseInStream in(data, kPieces);
    in.Skip(10);
    CollectingOutStream out;
    EXPECT_EQ(GStreamSupport::CopyStream(in, out), 249990);
    EXPECT_EQ(out.Bytes(), data.substr(10));
    EXPECT_EQ(in.Position(), data.size());  // no reset

    PiecewiseInStream empty("");
    EXPECT_EQ(GStreamSupport::CopyStream(empty, out), 0);
}

// Going on after a short write would leave a gap in what the sink holds.
TEST(GStreamSupport, CopyStreamStopsAtAShortWrite) {
    std::string const data = CountingBytes(100);
    PiecewiseInStream in(data, kPieces);
    CollectingOutStream out(10);
    EXPECT_EQ(GStreamSupport::CopyStream(in, out), 10);
    EXPECT_EQ(out.Bytes(), data.substr(0, 10));
    EXPECT_EQ(out.Writes(), 5);  // 1 + 2 + 3 + 4 taken, then none of the next 5
}

TEST(GStreamSupport, StreamsAreEqualComparesBytesNotPieces) {
    std::string const data = CountingBytes(110000);
    std::string changedLast = data;
    changedLast.back() = 'x';
    std::string changedFirst = data;
    changedFirst.front() = 'x';
    struct Case {
        char const* name;
        std::string a, b;
        bool equal;
    };
    Case const cases[] = {
        {"both empty", "", "", true},
        {"empty and not", "", "a", false},
        {"not and empty", "a", "", false},
        {"same", data, data, true},
        {"last byte differs", data, changedLast, false},
        {"first byte differs", changedFirst, data, false},
        {"prefix first", data.substr(0, 102400), data, false},
        {"prefix second", data, data.substr(0, 109999), false},
    };
    std::vector<int> const patterns[] = {PiecewiseInStream::Whole(), kPieces, {5000, 3, 102400}};
    for (Case const& c : cases) {
        for (auto const& pa : patterns) {
            for (auto const& pb : patterns) {
                SCOPED_TRACE(::testing::Message() << c.name << ", pieces " << pa[0] << " and " << pb[0]);
                PiecewiseInStream a(c.a, pa);
                PiecewiseInStream b(c.b, pb);
                EXPECT_EQ(GStreamSupport::StreamsAreEqual(a, b), c.equal);
            }
        }
    }
}
