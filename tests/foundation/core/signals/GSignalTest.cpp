// Sending on a signal: delivery order, edits of the receiver list during a walk, receivers that
// go away, exceptions from receivers.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/signals/GReceiver.h"
#include "core/signals/GSignal.h"
#include "core/signals/GSignalBase.h"

namespace {

using Log = std::vector<std::string>;

// Writes its name to a log and runs an optional action on each message.
class Probe : public GReceiver<int> {
public:
    Probe(std::string name, Log* log) : mName(std::move(name)), mLog(log) {}

    void Receive(int id, const int& message) override {
        mLog->push_back(mName);
        lastID = id;
        lastMessage = message;
        if (action)
            action(*this);
    }

    std::function<void(Probe&)> action;
    int lastID = 0;
    int lastMessage = 0;

private:
    std::string mName;
    Log* mLog;
};

class GSignalTest : public ::testing::Test {
protected:
    void SetUp() override { GSignalBase::Initialize(); }
    void TearDown() override { GSignalBase::Finalize(); }
};

TEST_F(GSignalTest, ReceiversGetTheNumberAndTheMessageInSubscriptionOrder) {
    Log log;
    Probe a("A", &log), b("B", &log), c("C", &log);
    b.Subscribe(10);
    a.Subscribe(10);
    c.Subscribe(10);
    GSignal<int>::GetSignal(10)->Send(42);
    EXPECT_EQ(log, (Log{"B", "A", "C"}));
    EXPECT_EQ(a.lastID, 10);
    EXPECT_EQ(a.lastMessage, 42);
}

// Receivers A, B, C are subscribed in this order; one of them changes the list during the first
// Send. The second Send shows what the change left behind.
struct WalkEdit {
    const char* name;
    const char* actor;
    std::function<void(std::map<std::string, std::unique_ptr<Probe>>&, Log&)> edit;
    Log firstSend;
    Log secondSend;
};

class GSignalWalkTest : public GSignalTest, public ::testing::WithParamInterface<WalkEdit> {};

constexpr int kWalkSignal = 11;

TEST_P(GSignalWalkTest, EditsDuringTheWalk) {
    const WalkEdit& param = GetParam();
    Log log;
    std::map<std::string, std::unique_ptr<Probe>> cast;
    for (const char* name : {"A", "B", "C"}) {
        cast[name] = std::make_unique<Probe>(name, &log);
        cast[name]->Subscribe(kWalkSignal);
    }
    bool done = false;
    cast[param.actor]->action = [&](Probe&) {
        if (done)
            return;
        done = true;
        param.edit(cast, log);
    };
    GSignal<int>* signal = GSignal<int>::GetSignal(kWalkSignal);
    signal->Send(1);
    EXPECT_EQ(log, param.firstSend);
    log.clear();
    signal->Send(2);
    EXPECT_EQ(log, param.secondSend);
}

void Delete(std::map<std::string, std::unique_ptr<Probe>>& cast, const std::string& name) { cast.erase(name); }

INSTANTIATE_TEST_SUITE_P(
    Cases, GSignalWalkTest,
    ::testing::Values(
        WalkEdit{"AUnsubscribesB", "A", [](auto& cast, Log&) { cast["B"]->UnSubscribe(kWalkSignal); },
                 {"A", "C"}, {"A", "C"}},
        WalkEdit{"AUnsubscribesItself", "A", [](auto& cast, Log&) { cast["A"]->UnSubscribe(kWalkSignal); },
                 {"A", "B", "C"}, {"B", "C"}},
        WalkEdit{"BUnsubscribesAWhoWasServed", "B", [](auto& cast, Log&) { cast["A"]->UnSubscribe(kWalkSignal); },
                 {"A", "B", "C"}, {"B", "C"}},
        WalkEdit{"BUnsubscribesItselfAndC", "B",
                 [](auto& cast, Log&) {
                     cast["B"]->UnSubscribe(kWalkSignal);
                     cast["C"]->UnSubscribe(kWalkSignal);
                 },
                 {"A", "B"}, {"A"}},
        WalkEdit{"ASubscribesANewcomer", "A",
                 [](auto& cast, Log& log) {
                     cast["D"] = std::make_unique<Probe>("D", &log);
                     cast["D"]->Subscribe(kWalkSignal);
                 },
                 {"A", "B", "C", "D"}, {"A", "B", "C", "D"}},
        WalkEdit{"AMovesBToTheEnd", "A",
                 [](auto& cast, Log&) {
                     cast["B"]->UnSubscribe(kWalkSignal);
                     cast["B"]->Subscribe(kWalkSignal);
                 },
                 {"A", "C", "B"}, {"A", "C", "B"}},
        WalkEdit{"CSubscribesItselfAgain", "C", [](auto& cast, Log&) { cast["C"]->Subscribe(kWalkSignal); },
                 {"A", "B", "C", "C"}, {"A", "B", "C", "C"}},
        WalkEdit{"ADeletesB", "A", [](auto& cast, Log&) { Delete(cast, "B"); }, {"A", "C"}, {"A", "C"}},
        WalkEdit{"BDeletesItself", "B", [](auto& cast, Log&) { Delete(cast, "B"); }, {"A", "B", "C"}, {"A", "C"}},
        WalkEdit{"CDeletesA", "C", [](auto& cast, Log&) { Delete(cast, "A"); }, {"A", "B", "C"}, {"B", "C"}}),
    [](const ::testing::TestParamInfo<WalkEdit>& info) { return std::string(info.param.name); });

// A removal inside a nested Send is closed up only when the outer walk ends: the outer walk
// neither skips the receiver after the removed one nor calls it twice.
TEST_F(GSignalTest, ARemovalInsideANestedSendKeepsTheOuterWalkInStep) {
    Log log;
    Probe a("A", &log), b("B", &log), c("C", &log);
    for (Probe* probe : {&a, &b, &c})
        probe->Subscribe(22);
    GSignal<int>* signal = GSignal<int>::GetSignal(22);
    a.action = [signal](Probe& self) {
        if (self.lastMessage == 1)
            signal->Send(2);
    };
    int countInside = -1;
    b.action = [&](Probe& self) {
        if (self.lastMessage == 2) {
            self.UnSubscribe(22);
            countInside = signal->GetReceiverCount();
        }
    };
    signal->Send(1);
    EXPECT_EQ(log, (Log{"A", "A", "B", "C", "C"}));
    EXPECT_EQ(countInside, 2);
    log.clear();
    signal->Send(3);
    EXPECT_EQ(log, (Log{"A", "C"}));
    EXPECT_EQ(signal->GetReceiverCount(), 2);
}

// Only the entry being served goes, also when an outer walk stands on the same receiver.
TEST_F(GSignalTest, AReceiverLeavingInsideANestedSendEndsTheInnerSubscription) {
    Log log;
    Probe a("A", &log), b("B", &log);
    a.Subscribe(23);
    b.Subscribe(23);
    a.Subscribe(23);
    GSignal<int>* signal = GSignal<int>::GetSignal(23);
    int calls = 0;
    a.action = [&](Probe& self) {
        ++calls;
        if (calls == 1)
            signal->Send(2);
        else if (calls == 3)
            self.UnSubscribe(23);
    };
    // Outer A (index 0) sends again: inner A (index 0), B, inner A (index 2) leaves; the outer
    // walk goes on with B and does not meet the second A any more.
    signal->Send(1);
    EXPECT_EQ(log, (Log{"A", "A", "B", "A", "B"}));
    log.clear();
    signal->Send(3);
    EXPECT_EQ(log, (Log{"A", "B"}));
}

// Three walks deep, the receiver taken out is found where the outermost walk stands, not at its
// first entry.
TEST_F(GSignalTest, ARemovalFindsTheEntryOfAWalkTwoLevelsOut) {
    Log log;
    Probe a("A", &log), b("B", &log), c("C", &log);
    a.Subscribe(24);
    b.Subscribe(24);
    a.Subscribe(24);
    c.Subscribe(24);
    GSignal<int>* signal = GSignal<int>::GetSignal(24);
    int firstMessages = 0;
    a.action = [&](Probe& self) {
        if (self.lastMessage == 1 && ++firstMessages == 2)
            signal->Send(2);
    };
    b.action = [signal](Probe& self) {
        if (self.lastMessage == 2)
            signal->Send(3);
    };
    c.action = [&a](Probe& self) {
        if (self.lastMessage == 3)
            a.UnSubscribe(24);
    };
    // The outer walk stands on A's second entry, the middle one on B, the inner one on C.
    signal->Send(1);
    EXPECT_EQ(log, (Log{"A", "B", "A", "A", "B", "A", "B", "A", "C", "C", "C"}));
    log.clear();
    signal->Send(4);
    EXPECT_EQ(log, (Log{"A", "B", "C"}));
}

TEST_F(GSignalTest, ASubscriptionCountsAsOftenAsItWasMade) {
    Log log;
    Probe a("A", &log);
    a.Subscribe(12);
    a.Subscribe(12);
    EXPECT_EQ(a.CountSubscriptions(12), 2);
    GSignal<int>* signal = GSignal<int>::GetSignal(12);
    signal->Send(1);
    EXPECT_EQ(log, (Log{"A", "A"}));

    a.UnSubscribe(12);
    log.clear();
    signal->Send(2);
    EXPECT_EQ(log, (Log{"A"}));
    EXPECT_EQ(a.CountSubscriptions(12), 1);

    a.UnSubscribe(12);
    a.UnSubscribe(12);
    EXPECT_FALSE(a.IsSubscribed(12));
    EXPECT_EQ(signal->GetReceiverCount(), 0);
}

TEST_F(GSignalTest, AReceiverServedTwiceThatUnsubscribesOnceIsNotCalledAgain) {
    Log log;
    Probe a("A", &log), b("B", &log);
    a.Subscribe(13);
    b.Subscribe(13);
    a.Subscribe(13);
    int calls = 0;
    a.action = [&](Probe& self) {
        if (++calls == 2)
            self.UnSubscribe(13);
    };
    GSignal<int>::GetSignal(13)->Send(1);
    EXPECT_EQ(log, (Log{"A", "B", "A"}));
    log.clear();
    GSignal<int>::GetSignal(13)->Send(2);
    EXPECT_EQ(log, (Log{"A", "B"}));
}

TEST_F(GSignalTest, AReceiverDestroyedWhileSubscribedIsGone) {
    Log log;
    Probe a("A", &log);
    {
        Probe b("B", &log);
        b.Subscribe(14);
        b.Subscribe(15);
        a.Subscribe(14);
    }
    GSignal<int>::GetSignal(14)->Send(1);
    GSignal<int>::GetSignal(15)->Send(1);
    EXPECT_EQ(log, (Log{"A"}));
    EXPECT_EQ(GSignal<int>::GetSignal(14)->GetReceiverCount(), 1);
    EXPECT_EQ(GSignal<int>::GetSignal(15)->GetReceiverCount(), 0);
}

TEST_F(GSignalTest, ReceiversMaySendOnTheSameSignal) {
    Log log;
    Probe a("A", &log), b("B", &log);
    a.Subscribe(16);
    b.Subscribe(16);
    a.action = [](Probe& self) {
        if (self.lastMessage < 2)
            GSignal<int>::GetSignal(16)->Send(self.lastMessage + 1);
    };
    GSignal<int>::GetSignal(16)->Send(0);
    EXPECT_EQ(log, (Log{"A", "A", "A", "B", "B", "B"}));
}

TEST_F(GSignalTest, AnExceptionFromAReceiverLeavesSendAndTheSignalUsable) {
    Log log;
    Probe a("A", &log), b("B", &log);
    a.Subscribe(17);
    b.Subscribe(17);
    a.action = [](Probe& self) {
        if (self.lastMessage == 1)
            throw std::runtime_error("refused");
    };
    GSignal<int>* signal = GSignal<int>::GetSignal(17);
    EXPECT_THROW(signal->Send(1), std::runtime_error);
    EXPECT_EQ(log, (Log{"A"}));

    // The signal's mutex was released: another thread can subscribe and send.
    Probe c("C", &log);
    std::thread other([&] {
        c.Subscribe(17);
        signal->Send(2);
    });
    other.join();
    EXPECT_EQ(log, (Log{"A", "A", "B", "C"}));
}

TEST_F(GSignalTest, FinalizeInsideReceiveEndsTheWalkAndTheSignal) {
    Log log;
    Probe a("A", &log), b("B", &log);
    a.Subscribe(18);
    b.Subscribe(18);
    a.action = [](Probe&) { GSignalBase::Finalize(); };
    GSignal<int>::GetSignal(18)->Send(1);
    EXPECT_EQ(log, (Log{"A"}));
    EXPECT_EQ(GSignalBase::GetSignal(18), nullptr);
    GSignalBase::Initialize();
}

// The signal goes when the outer Send ends, not when the inner one does.
TEST_F(GSignalTest, FinalizeInsideANestedSendEndsBothWalks) {
    Log log;
    Probe a("A", &log), b("B", &log);
    a.Subscribe(24);
    b.Subscribe(24);
    GSignal<int>* signal = GSignal<int>::GetSignal(24);
    a.action = [signal](Probe& self) {
        if (self.lastMessage == 1)
            signal->Send(2);
    };
    b.action = [](Probe& self) {
        if (self.lastMessage == 2)
            GSignalBase::Finalize();
    };
    signal->Send(1);
    EXPECT_EQ(log, (Log{"A", "A", "B"}));
    EXPECT_EQ(GSignalBase::GetSignal(24), nullptr);
    GSignalBase::Initialize();
}

TEST_F(GSignalTest, FinalizeOnAnotherThreadWaitsForARunningSend) {
    Log log;
    Probe a("A", &log);
    std::atomic<bool> entered{false};
    std::atomic<bool> finalizing{false};
    a.action = [&](Probe&) {
        entered = true;
        while (!finalizing)
            std::this_thread::yield();
    };
    a.Subscribe(19);
    GSignal<int>* signal = GSignal<int>::GetSignal(19);
    std::thread sender([&] { signal->Send(1); });
    while (!entered)
        std::this_thread::yield();
    finalizing = true;
    GSignalBase::Finalize();
    sender.join();
    EXPECT_EQ(log, (Log{"A"}));
    EXPECT_EQ(GSignalBase::GetSignal(19), nullptr);
    GSignalBase::Initialize();
}

TEST_F(GSignalTest, AReceiverThatOutlivesFinalizeLeavesWithoutMakingSignals) {
    Log log;
    {
        Probe a("A", &log);
        a.Subscribe(20);
        GSignalBase::Finalize();
        a.UnSubscribe(20);
        a.Subscribe(21);
        GSignalBase::Finalize();
    }
    EXPECT_EQ(GSignalBase::GetSignal(20), nullptr);
    EXPECT_EQ(GSignalBase::GetSignal(21), nullptr);
    GSignalBase::Initialize();
}

} // namespace
