#include <gtest/gtest.h>

#include <string>

#include "core/bytes/GByteScramble.h"
#include "core/streams/GEncryptOutStream.h"
#include "support/TestStreams.h"

TEST(GEncryptOutStream, WritesScrambledBytesAndLeavesTheDataAlone) {
    CollectingOutStream sink;
    GEncryptOutStream out(sink);
    GBuffer data("Secret!");
    EXPECT_EQ(out.Write(data), 7);
    EXPECT_EQ(TestText(data), "Secret!");
    EXPECT_EQ(sink.Bytes(), "\xB2\xDC\xE2\xD1\xDC\xCB\x20");
    EXPECT_EQ(out.Write(GBuffer()), 0);
    EXPECT_EQ(sink.Bytes().size(), 7u);
}

TEST(GEncryptOutStream, ReportsWhatTheInnerStreamTook) {
    CollectingOutStream sink(5);
    GEncryptOutStream out(sink);
    EXPECT_EQ(out.Write(GBuffer("abc")), 3);
    EXPECT_EQ(out.Write(GBuffer("defg")), 2);
    EXPECT_EQ(sink.Bytes().size(), 5u);
}

// A file under the scrambler must be flushed when its writer flushes.
TEST(GEncryptOutStream, FlushReachesTheInnerStream) {
    CollectingOutStream sink;
    GEncryptOutStream out(sink);
    out.Flush();
    EXPECT_EQ(sink.Flushes(), 1);
    out.Reset();
    EXPECT_EQ(out.Skip(3), 0);
}

TEST(GEncryptOutStream, OwnsAnInnerStreamGivenByPointerOnly) {
    bool destroyed = false;
    CollectingOutStream borrowed;
    borrowed.ReportDestructionTo(&destroyed);
    { GEncryptOutStream out(borrowed); }
    EXPECT_FALSE(destroyed);

    auto* owned = new CollectingOutStream;
    owned->ReportDestructionTo(&destroyed);
    { GEncryptOutStream out(owned); }
    EXPECT_TRUE(destroyed);

    GEncryptOutStream none(static_cast<GOutStream*>(nullptr));
    EXPECT_EQ(none.Write(GBuffer("ab")), 0);
    none.Flush();
}
