#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/idle/GIdleTimeManager.h"
#include "core/signals/GBasicSignals.h"
#include "core/signals/GSignalBase.h"

namespace {

// Records its calls in a shared log; works as long as slices remain.
class Client : public GIdleTimeClient {
public:
    Client(std::string name, std::vector<std::string>& log, int slices = -1,
           std::chrono::milliseconds cost = std::chrono::milliseconds(0))
        : mName(std::move(name)), mLog(log), mSlices(slices), mCost(cost) {}
    bool DoIdleTime() override {
        mLog.push_back(mName);
        if (mCost.count() > 0)
            std::this_thread::sleep_for(mCost);
        if (mDuring)
            mDuring();
        return mSlices < 0 || --mSlices > 0;
    }
    std::function<void()> mDuring;

private:
    std::string mName;
    std::vector<std::string>& mLog;
    int mSlices;
    std::chrono::milliseconds mCost;
};

void WaitPass() {
    std::this_thread::sleep_for(std::chrono::duration<double>(GIdleTimeManager::cPassInterval + 0.02));
}

class GIdleTimeManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        GSignalBase::Initialize();
        GIdleTimeManager::Initialize();
        mManager = GIdleTimeManager::GetInstance();
    }
    void TearDown() override {
        GIdleTimeManager::Finalize();
        GSignalBase::Finalize();
    }
    GIdleTimeManager* mManager = nullptr;
    std::vector<std::string> mLog;
};

}  // namespace

TEST_F(GIdleTimeManagerTest, ListensOnlyWhileItHasClients) {
    EXPECT_FALSE(mManager->IsListening());
    Client a("a", mLog);
    mManager->RegisterClient(&a);
    mManager->RegisterClient(&a);  // one entry only
    EXPECT_EQ(mManager->CountClients(), 1);
    EXPECT_TRUE(mManager->IsListening());
    EXPECT_TRUE(mManager->NeedsNextRun());
    mManager->UnRegisterClient(&a);
    EXPECT_FALSE(mManager->IsListening());
    EXPECT_FALSE(mManager->NeedsNextRun());
    mManager->UnRegisterClient(&a);  // not registered: nothing
}

TEST_F(GIdleTimeManagerTest, FirstPassComesAQuarterSecondAfterRegistration) {
    Client a("a", mLog);
    mManager->RegisterClient(&a);
    GBasicSignals::DevoteTimeToRepeaters();
    EXPECT_TRUE(mLog.empty());
    WaitPass();
    GBasicSignals::DevoteTimeToRepeaters();
    ASSERT_FALSE(mLog.empty());
    // Two signals 0.1 s apart: the second comes too early.
    const size_t served = mLog.size();
    const auto pass = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    GBasicSignals::DevoteTimeToRepeaters();
    // Only meaningful when the machine kept the 0.1 s (a loaded one may sleep far longer).
    if (std::chrono::steady_clock::now() - pass < std::chrono::milliseconds(200)) {
        EXPECT_EQ(mLog.size(), served);
    }
    mManager->UnRegisterClient(&a);
}

TEST_F(GIdleTimeManagerTest, PassStopsOnceTheSliceIsUsed) {
    // Four clients of 20 ms each: after the third the slice of 50 ms is used (the third call
    // starts at 0.04 s). On a loaded machine a call may take longer and the pass stop earlier,
    // so the rule is checked on the times the calls really ended.
    using Clock = std::chrono::steady_clock;
    const auto cost = std::chrono::milliseconds(20);
    Client a("a", mLog, -1, cost), b("b", mLog, -1, cost), c("c", mLog, -1, cost), d("d", mLog, -1, cost);
    Clock::time_point passStart;
    std::vector<double> ends;
    for (Client* client : {&a, &b, &c, &d}) {
        client->mDuring = [&] { ends.push_back(std::chrono::duration<double>(Clock::now() - passStart).count()); };
        mManager->RegisterClient(client);
    }
    WaitPass();
    passStart = Clock::now();
    GBasicSignals::DevoteTimeToRepeaters();
    ASSERT_GE(mLog.size(), 1u);
    EXPECT_LE(mLog.size(), 3u);
    EXPECT_EQ(mLog[0], "b");
    // Each further client was served only while the slice lasted; the pass ended once it was used.
    for (size_t i = 1; i < ends.size(); ++i)
        EXPECT_LT(ends[i - 1], GIdleTimeManager::cSliceLength) << i;
    EXPECT_GE(ends.back(), GIdleTimeManager::cSliceLength - 0.005);
    for (Client* client : {&a, &b, &c, &d})
        mManager->UnRegisterClient(client);
}

TEST_F(GIdleTimeManagerTest, ExecuteRotatesThroughTheClients) {
    Client a("a", mLog), b("b", mLog), c("c", mLog);
    for (Client* client : {&a, &b, &c})
        mManager->RegisterClient(client);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(mManager->Execute());
    EXPECT_EQ(mLog, (std::vector<std::string>{"b", "c", "a", "b", "c", "a"}));
    for (Client* client : {&a, &b, &c})
        mManager->UnRegisterClient(client);
}

TEST_F(GIdleTimeManagerTest, FinishedClientLeavesAndTheLastOneEndsTheSubscription) {
    Client a("a", mLog, 1), b("b", mLog, 2);
    mManager->RegisterClient(&a);
    mManager->RegisterClient(&b);
    EXPECT_TRUE(mManager->Execute());   // b: one slice left
    EXPECT_TRUE(mManager->Execute());   // a: done, leaves
    EXPECT_FALSE(mManager->Execute());  // b: done, leaves
    EXPECT_EQ(mLog, (std::vector<std::string>{"b", "a", "b"}));
    EXPECT_FALSE(mManager->IsListening());
    EXPECT_FALSE(mManager->Execute());  // no client: nothing served
    EXPECT_EQ(mLog.size(), 3u);
}

TEST_F(GIdleTimeManagerTest, ClientMayChangeTheTableInsideItsSlice) {
    Client a("a", mLog), b("b", mLog), c("c", mLog), late("late", mLog);
    for (Client* client : {&a, &b, &c})
        mManager->RegisterClient(client);
    // b removes a (before it in the table) and itself, then adds another client.
    b.mDuring = [&] {
        mManager->UnRegisterClient(&a);
        mManager->UnRegisterClient(&b);
        mManager->RegisterClient(&late);
    };
    mManager->Execute();  // b
    b.mDuring = nullptr;
    mManager->Execute();
    mManager->Execute();
    mManager->Execute();
    EXPECT_EQ(mLog, (std::vector<std::string>{"b", "c", "late", "c"}));
    mManager->UnRegisterClient(&c);
    mManager->UnRegisterClient(&late);
}

TEST_F(GIdleTimeManagerTest, ExecutingOnlyWhileServingFromTheSignal) {
    Client a("a", mLog);
    bool executingInside = false;
    a.mDuring = [&] { executingInside = mManager->IsExecuting(); };
    mManager->RegisterClient(&a);
    WaitPass();
    GBasicSignals::DevoteTimeToRepeaters();
    EXPECT_TRUE(executingInside);
    EXPECT_FALSE(mManager->IsExecuting());
    mManager->UnRegisterClient(&a);
}

TEST_F(GIdleTimeManagerTest, OtherSignalsAreIgnored) {
    Client a("a", mLog);
    mManager->RegisterClient(&a);
    WaitPass();
    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_TRUE(mLog.empty());
    mManager->UnRegisterClient(&a);
}

TEST_F(GIdleTimeManagerTest, SliceThatEndsTheManagerStopsTheWalk) {
    // The last stop of the framework inside a slice deletes the manager under its own walk.
    Client a("a", mLog), b("b", mLog);
    b.mDuring = [] { GIdleTimeManager::Finalize(); };
    mManager->RegisterClient(&a);
    mManager->RegisterClient(&b);
    WaitPass();
    GBasicSignals::DevoteTimeToRepeaters();
    EXPECT_EQ(mLog, (std::vector<std::string>{"b"}));
    EXPECT_EQ(GIdleTimeManager::GetInstance(), nullptr);
    GBasicSignals::DevoteTimeToRepeaters();  // nobody listens any more
    EXPECT_EQ(mLog.size(), 1u);

    GIdleTimeManager::Initialize();
    GIdleTimeManager* manager = GIdleTimeManager::GetInstance();
    a.mDuring = [] { GIdleTimeManager::Finalize(); };
    manager->RegisterClient(&a);
    EXPECT_FALSE(manager->Execute());
    EXPECT_EQ(GIdleTimeManager::GetInstance(), nullptr);
}
