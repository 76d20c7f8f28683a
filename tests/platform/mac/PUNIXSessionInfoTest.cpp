#include <gtest/gtest.h>

#include <unistd.h>

#include "PMacXProcessInfo.h"
#include "PUNIXSessionInfo.h"

TEST(PUNIXSessionInfo, OneSessionWithoutPrefix) {
    PUNIXSessionInfo info;
    EXPECT_EQ(info.GetCurrentSession(), -1);
    std::vector<int> sessions = {3, 4, 5};
    info.GetAllActiveSessions(sessions);
    EXPECT_EQ(sessions, std::vector<int>{-1});
    EXPECT_TRUE(info.GetSessionPrefix(-1).empty());
    EXPECT_TRUE(info.GetSessionPrefix(7).empty());
}

TEST(PMacXProcessInfo, CurrentProcessIDIsTheRunningProcess) {
    EXPECT_EQ(PMacXProcessInfo().GetCurrentProcessID(), static_cast<int>(getpid()));
}
