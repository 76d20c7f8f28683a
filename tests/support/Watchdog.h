#pragma once
// Ends the process with a message when the work of a scope is not done in time: a deadlock never
// returns and would otherwise hang the test run. Exit status 3. The constructor returns only once
// the thread waits: a fork right after it must not catch the new thread inside the allocator, or
// the child would inherit a lock that nobody releases.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

class Watchdog {
public:
    // what names the work in the message.
    Watchdog(std::chrono::seconds limit, const char* what)
        : mThread([this, limit, what] {
              std::unique_lock<std::mutex> lock(mMutex);
              mStarted = true;
              mDone.notify_all();
              if (!mDone.wait_for(lock, limit, [this] { return mFinished; })) {
                  std::fprintf(stderr, "watchdog: %s not done within %lld s (deadlock?)\n", what,
                               static_cast<long long>(limit.count()));
                  std::fflush(stderr);
                  std::_Exit(3);
              }
          }) {
        std::unique_lock<std::mutex> lock(mMutex);
        mDone.wait(lock, [this] { return mStarted; });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mFinished = true;
        }
        mDone.notify_all();
        mThread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mMutex;
    std::condition_variable mDone;
    bool mStarted = false;
    bool mFinished = false;
    std::thread mThread;
};
