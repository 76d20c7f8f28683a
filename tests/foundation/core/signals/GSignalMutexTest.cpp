// The signal's mutex: recursion on one thread, exclusion between threads, and a lock taken while
// the process had one thread that a thread started later waits for and is woken from.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "core/signals/GSignalMutex.h"

namespace {

// Ends the process when flag is not set in time: a lost wake-up would hang the test run.
void AwaitOrDie(const std::atomic<bool>& flag, const char* what) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!flag && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!flag) {
        std::fprintf(stderr, "watchdog: %s not done within 30 s\n", what);
        std::fflush(stderr);
        std::_Exit(3);
    }
}

TEST(GSignalMutexTest, TheOwnerLocksAgainAndOthersWaitForTheLastUnlock) {
    GSignalMutex mutex;
    mutex.Lock();
    mutex.Lock();
    std::atomic<bool> entered{false};
    // Started while the mutex is held: in a process that had one thread until now, the lock was
    // taken without an atomic instruction and must still keep this thread out.
    std::thread other([&] {
        GSignalMutex::Locker lock(mutex);
        entered = true;
    });
    mutex.Unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load());
    mutex.Unlock();
    AwaitOrDie(entered, "the waiting thread");
    other.join();
}

TEST(GSignalMutexTest, EightThreadsTakeTurns) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 20000;
    GSignalMutex mutex;
    // Plain on purpose: the mutex alone keeps the threads apart (ThreadSanitizer would see a race).
    long counter = 0;
    int depthSeen = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                GSignalMutex::Locker outer(mutex);
                ++counter;
                if (i % 16 == 0) {
                    GSignalMutex::Locker inner(mutex);
                    ++counter;
                    ++depthSeen;
                }
                if (i % 1024 == 0)
                    std::this_thread::yield();
            }
        });
    }
    std::atomic<bool> done{false};
    std::thread watcher([&] { AwaitOrDie(done, "eight threads taking turns"); });
    for (std::thread& thread : threads)
        thread.join();
    done = true;
    watcher.join();
    const int nested = kThreads * ((kRounds + 15) / 16);
    EXPECT_EQ(depthSeen, nested);
    EXPECT_EQ(counter, static_cast<long>(kThreads) * kRounds + nested);
}

// The first thread locks without atomic instructions until another thread asks: the mutex must
// keep them apart across that change, whenever in the owner's lock or unlock it comes.
TEST(GSignalMutexTest, AThreadThatTookItAloneAndALaterThreadTakeTurns) {
    constexpr int kRounds = 200;
    constexpr long kLocks = 2000;
    long lost = 0;
    std::atomic<bool> done{false};
    std::thread watcher([&] { AwaitOrDie(done, "two threads taking turns"); });
    for (int round = 0; round < kRounds; ++round) {
        GSignalMutex mutex;
        long counter = 0;
        std::atomic<int> running{0};
        // Each thread goes on until both have run, so that the later one meets the first one's
        // locks; returns how often it locked.
        auto work = [&] {
            running.fetch_add(1);
            long locks = 0;
            for (; locks < kLocks || running.load(std::memory_order_relaxed) < 2; ++locks) {
                GSignalMutex::Locker lock(mutex);
                // Read, a pause, then written: an overlapping holder would lose counts.
                const long seen = counter;
                for (volatile int spin = 0; spin < 20; spin = spin + 1) {
                }
                counter = seen + 1;
            }
            return locks;
        };
        long firstLocks = 0;
        long laterLocks = 0;
        std::thread first([&] { firstLocks = work(); });
        while (running.load() == 0)
            std::this_thread::yield();
        std::thread later([&] { laterLocks = work(); });
        first.join();
        later.join();
        lost += firstLocks + laterLocks - counter;
    }
    done = true;
    watcher.join();
    EXPECT_EQ(lost, 0);
}

// A thread that holds the mutex the cheap way keeps a later thread out until it lets go.
TEST(GSignalMutexTest, ALaterThreadWaitsForTheFirstThreadsHold) {
    GSignalMutex mutex;
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::atomic<bool> entered{false};
    std::thread first([&] {
        for (int i = 0; i < 100; ++i)
            GSignalMutex::Locker warm(mutex);
        GSignalMutex::Locker lock(mutex);
        holding = true;
        AwaitOrDie(release, "the release");
    });
    AwaitOrDie(holding, "the first thread's hold");
    std::thread later([&] {
        GSignalMutex::Locker lock(mutex);
        entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load());
    release = true;
    AwaitOrDie(entered, "the later thread");
    first.join();
    later.join();
}

} // namespace
