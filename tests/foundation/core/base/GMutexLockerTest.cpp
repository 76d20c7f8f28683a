#include <gtest/gtest.h>

#include <thread>

#include "core/base/GMutexLocker.h"

namespace {

bool FreeForAnotherThread(GMutex& mutex) {
    bool got = false;
    std::thread([&] {
        got = mutex.TryToLock();
        if (got)
            mutex.Unlock();
    }).join();
    return got;
}

}  // namespace

TEST(GMutexLocker, NestedLockersHoldTheMutexUntilTheOuterOneEnds) {
    GMutex mutex;
    {
        GMutexLocker outer(mutex);
        {
            GMutexLocker inner(&mutex);
            EXPECT_TRUE(mutex.TryToLock());  // the owner may take it again
            mutex.Unlock();
        }
        EXPECT_FALSE(FreeForAnotherThread(mutex));
    }
    EXPECT_TRUE(FreeForAnotherThread(mutex));
}

TEST(GMutexLocker, ReleasesWhenLeftByAnException) {
    GMutex mutex;
    try {
        GMutexLocker locker(mutex);
        throw 1;
    } catch (int) {
    }
    EXPECT_TRUE(FreeForAnotherThread(mutex));
}
