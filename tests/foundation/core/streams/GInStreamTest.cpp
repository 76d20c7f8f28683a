#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "core/streams/GBufferedInStreamDecorator.h"
#include "core/streams/GDecryptInStream.h"
#include "core/streams/GHexDecode.h"
#include "core/streams/GHexEncode.h"
#include "core/streams/GInStream.h"
#include "core/streams/GMemoryInStream.h"
#include "support/TestStreams.h"

namespace {

// A stream of a given length whose bytes are never written: only the counts matter.
class SizedInStream : public GInStream {
public:
    explicit SizedInStream(long long length) : mLength(length) {}
    GInStream* CreateClone() const override { return nullptr; }
    int Read(GBuffer& out, int count) override {
        int k = static_cast<int>(std::min<long long>(count, mLength - mPos));
        if (k < 1) {
            out.Clear();
            return -1;
        }
        largest = std::max(largest, count);
        out.SetLength(k);
        mPos += k;
        return k;
    }
    void Reset() override { mPos = 0; }
    int largest = 0;

private:
    long long mLength;
    long long mPos = 0;
};

} // namespace

TEST(GInStream, ReadOfLessThanOneByteDeliversNothing) {
    struct Case {
        char const* name;
        std::function<std::unique_ptr<GInStream>(GBuffer const&)> make;
    };
    Case const cases[] = {
        {"memory, borrowed", [](GBuffer const& b) { return std::make_unique<GMemoryInStream>(b); }},
        {"memory, owned", [](GBuffer const& b) { return std::make_unique<GMemoryInStream>(new GBuffer(b)); }},
        {"buffered", [](GBuffer const& b) { return std::make_unique<GBufferedInStreamDecorator>(new GMemoryInStream(b), 4); }},
        {"decrypting", [](GBuffer const& b) { return std::make_unique<GDecryptInStream>(new GMemoryInStream(b)); }},
    };
    GBuffer const data("abcdef");
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<GInStream> in = c.make(data);
        for (int count : {0, -1, INT_MIN}) {
            GBuffer out("stale");
            EXPECT_EQ(in->Read(out, count), -1);
            EXPECT_TRUE(out.IsEmpty());
        }
        GBuffer out;
        EXPECT_EQ(in->Read(out, 100), 6);  // nothing was consumed
    }
}

TEST(GInStream, ADecoratorWithoutInnerStreamClonesToAnEmptyOne) {
    struct Case {
        char const* name;
        std::function<std::unique_ptr<GInStream>()> make;
    };
    Case const cases[] = {
        {"buffered", [] { return std::make_unique<GBufferedInStreamDecorator>(static_cast<GInStream*>(nullptr), 4); }},
        {"hex decoding", [] { return std::make_unique<GHexDecode>(static_cast<GInStream*>(nullptr)); }},
        {"hex encoding", [] { return std::make_unique<GHexEncode>(static_cast<GInStream*>(nullptr), false); }},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<GInStream> in = c.make();
        std::unique_ptr<GInStream> clone(in->CreateClone());
        ASSERT_NE(clone, nullptr);
        GBuffer out;
        EXPECT_EQ(clone->Read(out, 10), -1);
    }
}

TEST(GInStream, DefaultSkipReadsInChunksOfAtMostOneMegabyte) {
    long long const length = (1LL << 32) + 100;
    SizedInStream in(length);
    EXPECT_EQ(in.Skip(0), 0);
    EXPECT_EQ(in.Skip(-5), 0);
    EXPECT_EQ(in.Skip((1LL << 32) + 10), (1LL << 32) + 10);  // no 32-bit cut of the count
    EXPECT_EQ(in.largest, 1048576);
    EXPECT_EQ(in.Skip(1000), 90);
    EXPECT_EQ(in.Skip(1000), 0);
}

TEST(GInStream, DefaultSkipGoesOnAfterShortReads) {
    PiecewiseInStream in(CountingBytes(50));
    EXPECT_EQ(in.Skip(20), 20);
    GBuffer out;
    ASSERT_GT(in.Read(out, 1), 0);
    EXPECT_EQ(out.GetPtr()[0], 20);
}
