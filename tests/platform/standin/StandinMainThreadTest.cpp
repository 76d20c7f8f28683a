#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "standin/StandinMainThread.h"

namespace {

// Like an event loop's hook: the main thread is a thread of its own that runs queued calls.
class OwnThreadHook : public StandinMainThread::Hook {
public:
    OwnThreadHook() : mThread([this] { Loop(); }) {}
    ~OwnThreadHook() override {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mStop = true;
        }
        mChanged.notify_all();
        mThread.join();
    }

    bool IsMainThread() const override { return std::this_thread::get_id() == mThread.get_id(); }

    void CallAndWait(const std::function<void()>& call) override {
        std::packaged_task<void()> task(call);
        std::future<void> done = task.get_future();
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mQueue.push_back(std::move(task));
        }
        mChanged.notify_all();
        done.get();
    }

    void Serve(int) override { ++serveCalls; }

    std::thread::id MainId() const { return mThread.get_id(); }

    std::atomic<int> serveCalls{0};

private:
    void Loop() {
        std::unique_lock<std::mutex> lock(mMutex);
        for (;;) {
            mChanged.wait(lock, [this] { return mStop || !mQueue.empty(); });
            if (mQueue.empty())
                return;
            std::packaged_task<void()> task = std::move(mQueue.front());
            mQueue.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex mMutex;
    std::condition_variable mChanged;
    std::deque<std::packaged_task<void()>> mQueue;
    bool mStop = false;
    std::thread mThread;
};

struct Probe {
    std::thread::id ranOn;
    int runs = 0;
};

void* Record(void* raw) {
    auto* probe = static_cast<Probe*>(raw);
    probe->ranOn = std::this_thread::get_id();
    ++probe->runs;
    return nullptr;
}

void* Throw(void*) { throw std::runtime_error("failed on the main thread"); }

void* ServeFive(void*) {
    StandinMainThread::Serve(5);
    return nullptr;
}

class StandinMainThreadTest : public ::testing::Test {
protected:
    void TearDown() override {
        StandinMainThread::SetHook(nullptr);
        StandinMainThread::SetCurrentThreadAsMain();
    }
};

}  // namespace

TEST_F(StandinMainThreadTest, TheLoadingThreadIsMainUntilAnotherIsNamed) {
    EXPECT_TRUE(StandinMainThread::IsMainThread());
    EXPECT_NE(pthread_equal(StandinMainThread::GetMainThread(), pthread_self()), 0);

    bool workerIsMain = true;
    std::thread([&] { workerIsMain = StandinMainThread::IsMainThread(); }).join();
    EXPECT_FALSE(workerIsMain);

    std::thread([&] {
        StandinMainThread::SetCurrentThreadAsMain();
        workerIsMain = StandinMainThread::IsMainThread();
    }).join();
    EXPECT_TRUE(workerIsMain);
    EXPECT_FALSE(StandinMainThread::IsMainThread());
}

TEST_F(StandinMainThreadTest, InstalledHookCarriesCallsAndNullRestoresTheDefault) {
    auto hook = std::make_shared<OwnThreadHook>();
    StandinMainThread::SetHook(hook);
    EXPECT_FALSE(StandinMainThread::IsMainThread());

    Probe probe;
    StandinMainThread::RunOnMainThread(Record, &probe);
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.ranOn, hook->MainId());

    // The hook's main thread survives a throwing call and keeps serving.
    StandinMainThread::RunOnMainThread(Throw, nullptr);
    StandinMainThread::RunOnMainThread(Record, &probe);
    EXPECT_EQ(probe.runs, 2);

    // Serving is asked of the hook only on its main thread.
    StandinMainThread::Serve(5);
    EXPECT_EQ(hook->serveCalls, 0);
    StandinMainThread::RunOnMainThread(ServeFive, nullptr);
    EXPECT_EQ(hook->serveCalls, 1);

    StandinMainThread::SetHook(nullptr);
    EXPECT_TRUE(StandinMainThread::IsMainThread());
    StandinMainThread::RunOnMainThread(Record, &probe);
    EXPECT_EQ(probe.runs, 3);
    EXPECT_EQ(probe.ranOn, std::this_thread::get_id());
}

TEST_F(StandinMainThreadTest, NullProcedureDoesNothing) {
    StandinMainThread::RunOnMainThread(nullptr, nullptr);
    std::thread([] { StandinMainThread::RunOnMainThread(nullptr, nullptr); }).join();
}
