#include "mac/ipc/PIPCProcessCheck.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "support/ForkedChild.h"

namespace {

TEST(PIPCProcessCheckTest, PlainIDs) {
    struct Case {
        int pid;
        bool running;
    } const cases[] = {{0, false}, {-1, false}, {-2147483647 - 1, false}, {getpid(), true}, {1, true}, {2147483647, false}};
    for (const Case& c : cases)
        EXPECT_EQ(c.running, PIPCProcessCheck::IsRunning(c.pid)) << c.pid;
    EXPECT_EQ(getpid(), PIPCProcessCheck::GetCurrentProcessID());
}

TEST(PIPCProcessCheckTest, ChildInEveryState) {
    ForkedChild child([](ForkedChild& self) {
        self.Signal();
        return self.AwaitGo() ? 0 : 1;
    });
    ASSERT_TRUE(child.AwaitSignal());
    EXPECT_TRUE(PIPCProcessCheck::IsRunning(child.Pid())) << "running";
    child.Kill(SIGSTOP);
    EXPECT_TRUE(PIPCProcessCheck::IsRunning(child.Pid())) << "stopped";
    child.Kill(SIGCONT);
    child.Go();
    ASSERT_TRUE(child.AwaitZombie());
    EXPECT_FALSE(PIPCProcessCheck::IsRunning(child.Pid())) << "zombie";
    EXPECT_EQ(0, child.Wait());
    EXPECT_FALSE(PIPCProcessCheck::IsRunning(child.Pid())) << "reaped";
}

}  // namespace
