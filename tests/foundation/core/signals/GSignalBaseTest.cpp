// The signal registry: one signal per number, payload types, replacement, the delayed queue and
// the consolidated notification, before and after Finalize.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/base/GException.h"
#include "core/signals/GConsolidatedReceiver.h"
#include "core/signals/GDelayedMessageBase.h"
#include "core/signals/GDelayedReceiver.h"
#include "core/signals/GReceiver.h"
#include "core/signals/GSignal.h"
#include "core/signals/GSignalBase.h"

namespace {

using Log = std::vector<std::string>;

class GSignalBaseTest : public ::testing::Test {
protected:
    void SetUp() override { GSignalBase::Initialize(); }
    void TearDown() override { GSignalBase::Finalize(); }
};

class Counter : public GReceiver<int> {
public:
    void Receive(int, const int&) override { ++calls; }
    std::atomic<int> calls{0};
};

class TextReceiver : public GDelayedReceiver<std::string> {
public:
    explicit TextReceiver(Log* log) : mLog(log) {}
    void Receive(int, const std::string& message) override {
        mLog->push_back(message);
        if (action)
            action(message);
    }
    std::function<void(const std::string&)> action;

private:
    Log* mLog;
};

class Notified : public GConsolidatedReceiver {
public:
    Notified(std::string name, Log* log) : mName(std::move(name)), mLog(log) {}
    void ReceiveConsolidated() override {
        mLog->push_back(mName);
        if (action)
            action();
    }
    std::function<void()> action;

private:
    std::string mName;
    Log* mLog;
};

// A message that only counts what happens to it.
class CountedMessage : public GDelayedMessageBase {
public:
    CountedMessage(int* sent, int* deleted) : mSent(sent), mDeleted(deleted) {}
    ~CountedMessage() override { ++*mDeleted; }
    void Send() override { ++*mSent; }

private:
    int* mSent;
    int* mDeleted;
};

// A signal class of its own, to watch the registry delete it.
class WatchedSignal : public GSignalBase {
public:
    WatchedSignal(int id, int* deleted) : GSignalBase(id, typeid(int)), mDeleted(deleted) {}
    ~WatchedSignal() override { ++*mDeleted; }

private:
    int* mDeleted;
};

TEST_F(GSignalBaseTest, ANumberHasOneSignal) {
    EXPECT_EQ(GSignalBase::GetSignal(200), nullptr);
    GSignal<int>* signal = GSignal<int>::GetSignal(200);
    ASSERT_NE(signal, nullptr);
    EXPECT_EQ(GSignal<int>::GetSignal(200), signal);
    EXPECT_EQ(GSignalBase::GetSignal(200), signal);
    EXPECT_EQ(signal->GetID(), 200);
    EXPECT_EQ(signal->GetPayloadType(), typeid(int));
}

TEST_F(GSignalBaseTest, ThreadsAskingForANewNumberTogetherGetOneSignal) {
    constexpr int kThreads = 8;
    for (int id = 300; id < 340; ++id) {
        std::atomic<bool> go{false};
        std::vector<GSignal<int>*> seen(kThreads);
        std::vector<Counter> counters(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                while (!go)
                    std::this_thread::yield();
                seen[t] = GSignal<int>::GetSignal(id);
                counters[t].Subscribe(id);
            });
        }
        go = true;
        for (std::thread& thread : threads)
            thread.join();
        GSignal<int>* signal = GSignal<int>::GetSignal(id);
        for (GSignal<int>* s : seen)
            ASSERT_EQ(s, signal) << "number " << id;
        ASSERT_EQ(signal->GetReceiverCount(), kThreads) << "number " << id;
        signal->Send(0);
        for (Counter& counter : counters)
            ASSERT_EQ(counter.calls, 1) << "number " << id;
    }
}

TEST_F(GSignalBaseTest, ANumberRegisteredWithAnotherPayloadIsRefused) {
    Counter counter;
    counter.Subscribe(210);
    try {
        GSignal<double>::GetSignal(210);
        FAIL() << "no exception";
    } catch (const GSimpleException& e) {
        EXPECT_EQ(e.GetExceptionID(), GSignalBase::kPayloadMismatch);
    }
    EXPECT_EQ(GSignal<double>::FindSignal(210), nullptr);

    class DoubleReceiver : public GReceiver<double> {
    public:
        void Receive(int, const double&) override { ++calls; }
        int calls = 0;
    } other;
    EXPECT_THROW(other.Subscribe(210), GSimpleException);
    EXPECT_FALSE(other.IsSubscribed(210));
    other.UnSubscribe(210);

    // The int signal is untouched.
    GSignal<int>* signal = GSignal<int>::GetSignal(210);
    EXPECT_EQ(signal->GetReceiverCount(), 1);
    signal->Send(1);
    EXPECT_EQ(counter.calls, 1);
    EXPECT_EQ(other.calls, 0);
}

TEST_F(GSignalBaseTest, AnotherSignalClassWithTheSamePayloadIsRefusedToo) {
    int deleted = 0;
    GSignalBase::RegisterSignal(new WatchedSignal(220, &deleted));
    EXPECT_THROW(GSignal<int>::GetSignal(220), GSimpleException);
    EXPECT_EQ(GSignal<int>::FindSignal(220), nullptr);
    GSignalBase::Finalize();
    EXPECT_EQ(deleted, 1);
    GSignalBase::Initialize();
}

TEST_F(GSignalBaseTest, RegisteringReplacesAndDeletesTheOldSignal) {
    int firstDeleted = 0, secondDeleted = 0;
    auto* first = new WatchedSignal(221, &firstDeleted);
    auto* second = new WatchedSignal(221, &secondDeleted);
    GSignalBase::RegisterSignal(first);
    GSignalBase::RegisterSignal(first);
    EXPECT_EQ(firstDeleted, 0);
    GSignalBase::RegisterSignal(second);
    EXPECT_EQ(firstDeleted, 1);
    EXPECT_EQ(GSignalBase::GetSignal(221), second);
    GSignalBase::Finalize();
    EXPECT_EQ(secondDeleted, 1);
    EXPECT_EQ(GSignalBase::GetSignal(221), nullptr);
    GSignalBase::Initialize();
}

TEST_F(GSignalBaseTest, DelayedReceiversGetCopiesAtTheNextDelivery) {
    Log log;
    TextReceiver delayed(&log);
    delayed.Subscribe(230);
    GSignal<std::string>* signal = GSignal<std::string>::GetSignal(230);
    EXPECT_EQ(signal->GetDelayedReceiverCount(), 1);
    EXPECT_EQ(signal->GetReceiverCount(), 0);
    std::string text = "first";
    signal->Send(text);
    text = "second";
    signal->Send(text);
    EXPECT_TRUE(log.empty());

    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"first", "second"}));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(GSignalBaseTest, AMessageQueuedDuringDeliveryWaitsForTheNextOne) {
    Log log;
    TextReceiver delayed(&log);
    delayed.Subscribe(231);
    delayed.action = [](const std::string& message) {
        if (message == "ping")
            GSignal<std::string>::GetSignal(231)->Send("pong");
    };
    GSignal<std::string>::GetSignal(231)->Send("ping");
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"ping"}));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"ping", "pong"}));
}

TEST_F(GSignalBaseTest, ADelayedReceiverDestroyedBeforeDeliveryGetsNothing) {
    Log log;
    GSignal<std::string>* signal = GSignal<std::string>::GetSignal(232);
    {
        TextReceiver delayed(&log);
        delayed.Subscribe(232);
        signal->Send("lost");
    }
    EXPECT_EQ(signal->GetDelayedReceiverCount(), 0);
    GSignalBase::SendDelayedSignals();
    EXPECT_TRUE(log.empty());
}

TEST_F(GSignalBaseTest, AfterFinalizeDelayedMessagesAreDroppedNotQueued) {
    int sent = 0, deleted = 0;
    ASSERT_TRUE(GSignalBase::QueueDelayedSignal(new CountedMessage(&sent, &deleted)));
    GSignalBase::Finalize();
    // The queued message went with the queue, unsent.
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(GSignalBase::QueueDelayedSignal(new CountedMessage(&sent, &deleted)));
    EXPECT_EQ(deleted, 2);
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(sent, 0);

    // A signal made after Finalize sends to its delayed receivers' queue: nothing, no harm.
    Log log;
    TextReceiver delayed(&log);
    delayed.Subscribe(233);
    GSignal<std::string>::GetSignal(233)->Send("nowhere");
    GSignalBase::SendDelayedSignals();
    EXPECT_TRUE(log.empty());

    GSignalBase::Initialize();
    GSignal<std::string>::GetSignal(233)->Send("again");
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"again"}));
    ASSERT_TRUE(GSignalBase::QueueDelayedSignal(new CountedMessage(&sent, &deleted)));
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(deleted, 3);
}

TEST_F(GSignalBaseTest, FinalizeDuringDeliveryLeavesTheRemainingMessagesSafe) {
    Log log;
    TextReceiver delayed(&log);
    delayed.Subscribe(234);
    delayed.action = [](const std::string& message) {
        if (message == "one")
            GSignalBase::Finalize();
    };
    GSignal<std::string>* signal = GSignal<std::string>::GetSignal(234);
    signal->Send("one");
    signal->Send("two");
    GSignalBase::SendDelayedSignals();
    // The second message's signal left the registry: it reaches nobody, and is freed with it.
    EXPECT_EQ(log, (Log{"one"}));
    EXPECT_EQ(GSignalBase::GetSignal(234), nullptr);
    GSignalBase::Initialize();
}

TEST_F(GSignalBaseTest, ConsolidatedReceiversAreNotifiedOncePerDelivery) {
    Log log;
    Notified x("X", &log), y("Y", &log);
    GSignal<int>* s1 = GSignal<int>::GetSignal(240);
    GSignal<int>* s2 = GSignal<int>::GetSignal(241);
    s1->SubscribeConsolidated(&x);
    s2->SubscribeConsolidated(&x);
    s2->SubscribeConsolidated(&y);
    s2->SubscribeConsolidated(&y);

    GSignalBase::SendDelayedSignals();
    EXPECT_TRUE(log.empty());

    s1->Send(1);
    s2->Send(1);
    s2->Send(2);
    EXPECT_TRUE(s1->IsConsolidatePending());
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"X", "Y"}));
    EXPECT_FALSE(s1->IsConsolidatePending());

    log.clear();
    GSignalBase::SendDelayedSignals();
    EXPECT_TRUE(log.empty());

    s1->Send(1);
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"X"}));

    log.clear();
    s2->UnSubscribeConsolidated(&y);
    s2->Send(1);
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"X", "Y"}));

    log.clear();
    s2->UnSubscribeConsolidated(&y);
    s2->UnSubscribeConsolidated(&x);
    s2->Send(1);
    GSignalBase::SendDelayedSignals();
    EXPECT_TRUE(log.empty());
}

TEST_F(GSignalBaseTest, AConsolidatedReceiverMayGoAwayWhileSubscribed) {
    Log log;
    auto x = std::make_unique<Notified>("X", &log);
    auto y = std::make_unique<Notified>("Y", &log);
    Notified z("Z", &log);
    GSignal<int>* signal = GSignal<int>::GetSignal(242);
    signal->SubscribeConsolidated(x.get());
    signal->SubscribeConsolidated(y.get());
    signal->SubscribeConsolidated(&z);

    x.reset();
    signal->Send(1);
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"Y", "Z"}));

    // Y deletes itself, then Z is still reached; a receiver deleted ahead of its turn is skipped.
    log.clear();
    auto w = std::make_unique<Notified>("W", &log);
    signal->SubscribeConsolidated(w.get());
    y->action = [&y, &w] {
        // Read the captures before Y, which owns this closure, is gone.
        std::unique_ptr<Notified>& self = y;
        w.reset();
        self.reset();
    };
    signal->Send(1);
    GSignalBase::SendDelayedSignals();
    EXPECT_EQ(log, (Log{"Y", "Z"}));
}

TEST_F(GSignalBaseTest, FinalizeEndsConsolidatedSubscriptions) {
    Log log;
    Notified x("X", &log);
    GSignal<int>::GetSignal(243)->SubscribeConsolidated(&x);
    GSignalBase::Finalize();
    GSignalBase::Initialize();
    GSignal<int>::GetSignal(243)->Send(1);
    GSignalBase::SendDelayedSignals();
    EXPECT_TRUE(log.empty());
}

} // namespace
