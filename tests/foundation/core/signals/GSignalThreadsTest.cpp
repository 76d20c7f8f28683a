// Signals under eight threads: receivers that unsubscribe, subscribe again or destroy themselves
// inside Receive while their owners subscribe, unsubscribe and send. A deadlock fails the test
// through a watchdog instead of hanging it; afterwards every signal's receiver count must match
// what the receivers list.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "core/signals/GReceiver.h"
#include "core/signals/GSignal.h"
#include "core/signals/GSignalBase.h"
#include "support/Watchdog.h"

namespace {

constexpr int kThreads = 8;
constexpr int kFirstSignal = 600;
constexpr int kSignals = 4;
constexpr int kReceiversPerThread = 6;

// A small generator per thread, so that no two threads share state.
class Dice {
public:
    explicit Dice(uint32_t seed) : mState(seed * 2654435761u + 1) {}
    uint32_t Roll(uint32_t sides) {
        mState ^= mState << 13;
        mState ^= mState >> 17;
        mState ^= mState << 5;
        return mState % sides;
    }

private:
    uint32_t mState;
};

std::atomic<long> gDeliveries{0};

// Subscribed to one signal; its calls are serialised by that signal's mutex. It may destroy
// itself only on its owner's thread, which then learns of it through its slot.
class Churner : public GReceiver<int> {
public:
    Churner(int id, std::thread::id owner, Churner** slot) : mID(id), mOwner(owner), mSlot(slot) {}
    // Sends may come from any thread: leave before this part is gone.
    ~Churner() override { UnSubscribeAll(); }

    int GetID() const { return mID; }

    void Receive(int id, const int& message) override {
        gDeliveries.fetch_add(1, std::memory_order_relaxed);
        EXPECT_EQ(id, mID);
        const uint32_t roll = static_cast<uint32_t>(message) * 2246822519u + ++mCalls * 3266489917u;
        switch ((roll >> 8) % 8) {
        case 0:
            UnSubscribe(mID);
            break;
        case 1:
            // Moved to the end: called once more by this Send, so only once per message.
            if (mMovedFor != message) {
                mMovedFor = message;
                UnSubscribe(mID);
                Subscribe(mID);
            }
            break;
        case 2:
            if (CountSubscriptions(mID) < 2)
                Subscribe(mID);
            break;
        case 3:
            if (std::this_thread::get_id() == mOwner) {
                *mSlot = nullptr;
                delete this;
            }
            break;
        default:
            break;
        }
    }

private:
    const int mID;
    const std::thread::id mOwner;
    Churner** const mSlot;
    uint32_t mCalls = 0;
    int mMovedFor = -1;
};

class GSignalThreadsTest : public ::testing::Test {
protected:
    void SetUp() override { GSignalBase::Initialize(); }
    void TearDown() override { GSignalBase::Finalize(); }
};

TEST_F(GSignalThreadsTest, ReceiversChangingTheirSubscriptionsInsideReceiveWhileOwnersSubscribe) {
    std::array<GSignal<int>*, kSignals> signals;
    for (int s = 0; s < kSignals; ++s)
        signals[s] = GSignal<int>::GetSignal(kFirstSignal + s);

    // Each thread's receivers; a slot is touched only by its thread until all have joined.
    std::vector<std::array<Churner*, kReceiversPerThread>> slots(kThreads);
    std::atomic<long> sends{0};
    {
        Watchdog watchdog(std::chrono::seconds(60), "eight threads churning signals");
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                Dice dice(static_cast<uint32_t>(t) + 1);
                std::array<Churner*, kReceiversPerThread>& mine = slots[t];
                for (int r = 0; r < kReceiversPerThread; ++r) {
                    mine[r] = new Churner(kFirstSignal + (t + r) % kSignals, std::this_thread::get_id(), &mine[r]);
                    mine[r]->Subscribe(mine[r]->GetID());
                }
                while (!go)
                    std::this_thread::yield();
                const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
                int message = t;
                while (std::chrono::steady_clock::now() < end) {
                    Churner*& slot = mine[dice.Roll(kReceiversPerThread)];
                    if (slot == nullptr) {
                        const int id = kFirstSignal + static_cast<int>(dice.Roll(kSignals));
                        slot = new Churner(id, std::this_thread::get_id(), &slot);
                        slot->Subscribe(id);
                    } else {
                        switch (dice.Roll(6)) {
                        case 0:
                            slot->UnSubscribe(slot->GetID());
                            break;
                        case 1:
                            delete slot;
                            slot = nullptr;
                            break;
                        default:
                            if (!slot->IsSubscribed(slot->GetID()))
                                slot->Subscribe(slot->GetID());
                            break;
                        }
                    }
                    signals[dice.Roll(kSignals)]->Send(message);
                    message += kThreads;
                    sends.fetch_add(1, std::memory_order_relaxed);
                }
            });
        }
        go = true;
        for (std::thread& thread : threads)
            thread.join();
    }
    EXPECT_GT(sends.load(), kThreads);
    EXPECT_GT(gDeliveries.load(), 0);

    // Quiet now: each signal holds exactly the subscriptions its receivers list.
    for (int s = 0; s < kSignals; ++s) {
        int listed = 0;
        for (auto& mine : slots) {
            for (Churner* churner : mine) {
                if (churner != nullptr)
                    listed += churner->CountSubscriptions(kFirstSignal + s);
            }
        }
        EXPECT_EQ(signals[s]->GetReceiverCount(), listed) << "signal " << kFirstSignal + s;
    }
    for (auto& mine : slots) {
        for (Churner*& churner : mine)
            delete std::exchange(churner, nullptr);
    }
    for (GSignal<int>* signal : signals)
        EXPECT_EQ(signal->GetReceiverCount(), 0);
}

// The two sides of the old deadlock, head on: a receiver leaving and joining inside Receive on a
// sending thread, while its owner leaves and joins on another.
TEST_F(GSignalThreadsTest, AnOwnerSubscribingWhileItsReceiverUnsubscribesInsideReceive) {
    class Leaver : public GReceiver<int> {
    public:
        ~Leaver() override { UnSubscribeAll(); }
        void Receive(int id, const int&) override {
            UnSubscribe(id);
            Subscribe(id + 1);
            UnSubscribe(id + 1);
        }
    };
    constexpr int kID = 620;
    Leaver leaver;
    leaver.Subscribe(kID);
    GSignal<int>* signal = GSignal<int>::GetSignal(kID);
    std::atomic<bool> stop{false};
    {
        Watchdog watchdog(std::chrono::seconds(60), "subscribing against Receive");
        std::vector<std::thread> senders;
        for (int t = 0; t < kThreads - 1; ++t) {
            senders.emplace_back([&] {
                while (!stop)
                    signal->Send(0);
            });
        }
        for (int i = 0; i < 20000; ++i) {
            leaver.Subscribe(kID);
            if (i % 3 == 0)
                leaver.UnSubscribe(kID);
        }
        stop = true;
        for (std::thread& sender : senders)
            sender.join();
    }
    EXPECT_EQ(signal->GetReceiverCount(), leaver.CountSubscriptions(kID));
    EXPECT_EQ(GSignal<int>::GetSignal(kID + 1)->GetReceiverCount(), 0);
}

// A receiver that left its signal inside Receive on one thread is deleted by its owner on
// another while that Receive still runs: the destructor waits for it.
TEST_F(GSignalThreadsTest, DeletingAReceiverThatLeftInsideAReceiveStillRunningWaitsForIt) {
    class Lingerer : public GReceiver<int> {
    public:
        Lingerer(std::atomic<bool>* left, std::atomic<bool>* returned) : mLeft(left), mReturned(returned) {}
        ~Lingerer() override { UnSubscribeAll(); }
        void Receive(int id, const int&) override {
            UnSubscribe(id);
            *mLeft = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ++mCalls;
            *mReturned = true;
        }

    private:
        std::atomic<bool>* mLeft;
        std::atomic<bool>* mReturned;
        int mCalls = 0;
    };
    constexpr int kID = 630;
    std::atomic<bool> left{false}, returned{false};
    auto* lingerer = new Lingerer(&left, &returned);
    lingerer->Subscribe(kID);
    GSignal<int>* signal = GSignal<int>::GetSignal(kID);
    Watchdog watchdog(std::chrono::seconds(60), "deleting a lingering receiver");
    std::thread sender([signal] { signal->Send(1); });
    while (!left)
        std::this_thread::yield();
    delete lingerer;
    EXPECT_TRUE(returned.load());
    sender.join();
    EXPECT_EQ(signal->GetReceiverCount(), 0);
}

// The destructor is waiting, for a signal the receiver left inside a Receive, when another
// signal calls it and it leaves that one inside Receive too: it must wait for that second
// Receive as well, or the receiver's derived part is gone while it still runs (and a walk that
// called it again would find only the base).
TEST_F(GSignalThreadsTest, DeletingAReceiverWaitsForALeavingReceiveThatStartedWhileItWaited) {
    constexpr int kFirst = 640;
    constexpr int kSecond = 641;
    struct Shared {
        std::atomic<bool> leftFirst{false};
        std::atomic<bool> deleting{false};
        std::atomic<bool> subscribedSecond{false};
        std::atomic<bool> leftSecond{false};
        std::atomic<bool> derivedGone{false};
        std::atomic<bool> goneWhileReceiving{false};
    };
    class Prober : public GReceiver<int> {
    public:
        explicit Prober(Shared& shared) : mShared(shared) {}
        ~Prober() override {
            UnSubscribeAll();
            mShared.derivedGone = true;
        }
        void Receive(int id, const int&) override {
            // Kept apart from the receiver, which a faulty destructor frees meanwhile.
            Shared& shared = mShared;
            UnSubscribe(id);
            if (id == kFirst) {
                shared.leftFirst = true;
                // The destructor starts, finds nothing listed and waits for this signal.
                while (!shared.deleting)
                    std::this_thread::yield();
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                Subscribe(kSecond);
                shared.subscribedSecond = true;
                while (!shared.leftSecond)
                    std::this_thread::yield();
                return;
            }
            shared.leftSecond = true;
            // Long enough for a destructor that did not wait to finish.
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
            while (!shared.derivedGone && std::chrono::steady_clock::now() < end)
                std::this_thread::yield();
            shared.goneWhileReceiving = shared.derivedGone.load();
        }

    private:
        Shared& mShared;
    };
    Shared shared;
    auto* prober = new Prober(shared);
    prober->Subscribe(kFirst);
    GSignal<int>* first = GSignal<int>::GetSignal(kFirst);
    GSignal<int>* second = GSignal<int>::GetSignal(kSecond);
    Watchdog watchdog(std::chrono::seconds(60), "deleting a receiver called again while it waits");
    std::thread firstSender([first] { first->Send(1); });
    std::thread secondSender([&shared, second] {
        while (!shared.subscribedSecond)
            std::this_thread::yield();
        second->Send(2);
    });
    std::thread deleter([&shared, prober] {
        while (!shared.leftFirst)
            std::this_thread::yield();
        shared.deleting = true;
        delete prober;
    });
    firstSender.join();
    secondSender.join();
    deleter.join();
    EXPECT_TRUE(shared.leftSecond.load());
    EXPECT_FALSE(shared.goneWhileReceiving.load());
    EXPECT_EQ(first->GetReceiverCount(), 0);
    EXPECT_EQ(second->GetReceiverCount(), 0);
}

} // namespace
