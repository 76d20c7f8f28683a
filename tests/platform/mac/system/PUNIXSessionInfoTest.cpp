#include <gtest/gtest.h>

#include <unistd.h>

#include "mac/system/PUNIXSessionInfo.h"

TEST(PUNIXSessionInfo, OneSessionWithoutPrefix) {
    PUNIXSessionInfo info;
    EXPECT_EQ(info.GetCurrentSession(), -1);
    GTable<int> sessions;
    for (int s : {3, 4, 5})
        sessions.AddItem(s);
    info.GetAllActiveSessions(sessions);
    ASSERT_EQ(sessions.GetCount(), 1);
    EXPECT_EQ(sessions[0], -1);
    EXPECT_TRUE(info.GetSessionPrefix(-1).IsEmpty());
    EXPECT_TRUE(info.GetSessionPrefix(7).IsEmpty());
}

TEST(PUNIXSessionInfo, InstanceIsMadeOnceAndIsTheUnixOne) {
    GSessionInfo* first = GSessionInfo::GetInstance();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GSessionInfo::GetInstance(), first);
    EXPECT_NE(dynamic_cast<PUNIXSessionInfo*>(first), nullptr);
    EXPECT_EQ(first->GetCurrentSession(), -1);
}
