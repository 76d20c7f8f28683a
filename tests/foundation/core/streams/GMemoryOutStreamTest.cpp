#include <gtest/gtest.h>

#include "core/streams/GMemoryOutStream.h"
#include "support/TestStreams.h"

TEST(GMemoryOutStream, AppendsToTheTargetWithoutClearingIt) {
    GBuffer target("head:");
    GMemoryOutStream out(target);
    EXPECT_EQ(out.Write(GBuffer("ab")), 2);
    EXPECT_EQ(out.Write(GBuffer()), 0);
    EXPECT_EQ(out.Write(GBuffer("cde")), 3);
    out.Flush();
    out.Reset();
    EXPECT_EQ(out.Skip(4), 0);
    EXPECT_EQ(TestText(target), "head:abcde");

    EXPECT_EQ(out.Write(target), 10);  // the target itself
    EXPECT_EQ(TestText(target), "head:abcdehead:abcde");
}

TEST(GMemoryOutStream, OwnsATargetGivenByPointer) {
    GMemoryOutStream out(new GBuffer("x"));  // freed with the stream (the leak checker would tell)
    EXPECT_EQ(out.Write(GBuffer("yz")), 2);

    GMemoryOutStream none(static_cast<GBuffer*>(nullptr));
    EXPECT_EQ(none.Write(GBuffer("yz")), 0);
}
