#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "mac/threads/PUNIXThreadImp.h"

namespace {

struct Started {
    std::mutex mutex;
    std::condition_variable changed;
    bool ran = false;
    int value = 0;
    pthread_t thread{};
};

struct Argument {
    Started* started;
    int value;
};

void Entry(void* raw) {
    const Argument* argument = static_cast<Argument*>(raw);
    Started& started = *argument->started;
    std::lock_guard<std::mutex> lock(started.mutex);
    started.value = argument->value;
    started.thread = PUNIXThreadImp::GetCurrentThreadId();
    started.ran = true;
    started.changed.notify_all();
}

}  // namespace

TEST(PUNIXThreadImp, BeginThreadRunsEntryWithArgumentOnAnotherThread) {
    Started started;
    Argument argument{&started, 42};
    PUNIXThreadImp::BeginThread(Entry, &argument);

    std::unique_lock<std::mutex> lock(started.mutex);
    started.changed.wait(lock, [&] { return started.ran; });
    EXPECT_EQ(started.value, 42);
    EXPECT_EQ(pthread_equal(started.thread, PUNIXThreadImp::GetCurrentThreadId()), 0);
}

TEST(PUNIXThreadImp, GetCurrentThreadIdIsTheCallersThread) {
    EXPECT_NE(pthread_equal(PUNIXThreadImp::GetCurrentThreadId(), pthread_self()), 0);
}
