#include <gtest/gtest.h>

#include <thread>

#include "core/base/GMutexLocker.h"

TEST(PUNIXMutexImp, RecursiveLockBlocksOtherThreadsUntilFullyUnlocked) {
    GMutex mutex;
    mutex.Lock();
    mutex.Lock();
    bool otherGot = true;
    std::thread([&] { otherGot = mutex.TryToLock(); }).join();
    EXPECT_FALSE(otherGot);
    mutex.Unlock();
    std::thread([&] { otherGot = mutex.TryToLock(); }).join();
    EXPECT_FALSE(otherGot);
    mutex.Unlock();
    std::thread([&] {
        otherGot = mutex.TryToLock();
        if (otherGot)
            mutex.Unlock();
    }).join();
    EXPECT_TRUE(otherGot);
}
