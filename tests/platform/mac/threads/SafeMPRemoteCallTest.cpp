#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "core/base/GException.h"
#include "mac/threads/SafeMPRemoteCall.h"
#include "standin/StandinMainThread.h"

namespace {

struct Probe {
    std::thread::id ranOn;
    int runs = 0;  // touched on the main thread only
};

void* Record(void* raw) {
    auto* probe = static_cast<Probe*>(raw);
    probe->ranOn = std::this_thread::get_id();
    ++probe->runs;
    return probe;
}

void* Throw(void*) { throw GSimpleException(40202); }

// A worker that makes one remote call and says when it has started and returned.
class RemoteCaller {
public:
    RemoteCaller(void* (*proc)(void*), void* param)
        : mThread([this, proc, param] {
              mCalling = true;
              SafeMPRemoteCall(proc, param);
              mReturned = true;
          }) {}
    ~RemoteCaller() {
        if (mThread.joinable())
            mThread.join();
    }

    bool Calling() const { return mCalling; }
    bool Returned() const { return mReturned; }
    void Join() { mThread.join(); }

private:
    std::atomic<bool> mCalling{false};
    std::atomic<bool> mReturned{false};
    std::thread mThread;
};

class SafeMPRemoteCallTest : public ::testing::Test {
protected:
    void SetUp() override {
        StandinMainThread::SetHook(nullptr);
        StandinMainThread::SetCurrentThreadAsMain();
    }
};

}  // namespace

TEST_F(SafeMPRemoteCallTest, OnTheMainThreadRunsAtOnce) {
    Probe probe;
    SafeMPRemoteCall(Record, &probe);
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.ranOn, std::this_thread::get_id());
}

TEST_F(SafeMPRemoteCallTest, FromAWorkerRunsOnTheMainThreadWhileTheWorkerWaits) {
    Probe probe;
    RemoteCaller caller(Record, &probe);
    while (!caller.Calling())
        std::this_thread::yield();
    // Nobody has served the queue yet, so the worker cannot have come back.
    EXPECT_FALSE(caller.Returned());
    EXPECT_EQ(probe.runs, 0);

    while (!caller.Returned())
        SafeMPSleep(5);
    caller.Join();
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.ranOn, std::this_thread::get_id());
}

TEST_F(SafeMPRemoteCallTest, ProcessPendingCallsServesTheQueue) {
    Probe probe;
    RemoteCaller caller(Record, &probe);
    while (!caller.Returned()) {
        StandinMainThread::ProcessPendingCalls();
        std::this_thread::yield();
    }
    caller.Join();
    EXPECT_EQ(probe.runs, 1);
    EXPECT_EQ(probe.ranOn, std::this_thread::get_id());
}

TEST_F(SafeMPRemoteCallTest, ExceptionFromTheProcedureStaysOnTheMainThread) {
    EXPECT_NO_THROW(SafeMPRemoteCall(Throw, nullptr));

    RemoteCaller thrower(Throw, nullptr);
    while (!thrower.Returned())
        SafeMPSleep(5);
    thrower.Join();

    // The main thread goes on serving.
    Probe probe;
    RemoteCaller caller(Record, &probe);
    while (!caller.Returned())
        SafeMPSleep(5);
    caller.Join();
    EXPECT_EQ(probe.runs, 1);
}

TEST_F(SafeMPRemoteCallTest, ManyWorkersAllRunOnTheMainThread) {
    constexpr int kWorkers = 4;
    constexpr int kCallsEach = 50;
    Probe probe;
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < kWorkers; ++i) {
        workers.emplace_back([&] {
            for (int k = 0; k < kCallsEach; ++k)
                SafeMPRemoteCall(Record, &probe);
            ++finished;
        });
    }
    while (finished < kWorkers)
        SafeMPSleep(5);
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(probe.runs, kWorkers * kCallsEach);
    EXPECT_EQ(probe.ranOn, std::this_thread::get_id());
}

TEST_F(SafeMPRemoteCallTest, SleepOnTheMainThreadServesCallsMadeFromAProcedure) {
    // A procedure running on the main thread may itself sleep there and serve another worker.
    struct Nested {
        Probe inner;
        std::unique_ptr<RemoteCaller> second;
    } nested;
    auto outer = [](void* raw) -> void* {
        auto* n = static_cast<Nested*>(raw);
        n->second = std::make_unique<RemoteCaller>(Record, &n->inner);
        while (!n->second->Returned())
            SafeMPSleep(5);
        return nullptr;
    };
    RemoteCaller first(outer, &nested);
    while (!first.Returned())
        SafeMPSleep(5);
    first.Join();
    nested.second->Join();
    EXPECT_EQ(nested.inner.runs, 1);
    EXPECT_EQ(nested.inner.ranOn, std::this_thread::get_id());
}

TEST_F(SafeMPRemoteCallTest, SleepZeroReturns) {
    SafeMPSleep(0);  // main thread, nothing pending
    std::atomic<bool> returned{false};
    std::thread([&] {
        SafeMPSleep(0);
        returned = true;
    }).join();
    EXPECT_TRUE(returned);
}
