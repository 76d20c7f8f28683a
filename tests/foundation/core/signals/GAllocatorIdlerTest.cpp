// The foundation's own signals: the allocator idler on signal 100, the low-memory signal 102 sent
// by the allocator's out-of-memory handler, and GBasicSignals.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "core/base/GException.h"
#include "core/memory/GAllocator.h"
#include "core/signals/GAllocatorIdler.h"
#include "core/signals/GBasicSignals.h"
#include "core/signals/GDelayedReceiver.h"
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"
#include "core/signals/GSignal.h"
#include "core/signals/GSignalBase.h"

namespace {

// The cases begin without an idler. The one the foundation installs (when an earlier case of the
// process started it) is removed meanwhile; a fresh one is put back afterwards, with the signals.
class GAllocatorIdlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        GSignalBase::Initialize();
        mHadIdler = GAllocatorIdler::GetInstance() != nullptr;
        GAllocatorIdler::SetInstance(nullptr);
    }
    void TearDown() override {
        GAllocatorIdler::SetInstance(nullptr);
        GSignalBase::Finalize();
        if (mHadIdler) {
            GSignalBase::Initialize();
            GAllocatorIdler::SetInstance(new GAllocatorIdler);
        }
    }

private:
    bool mHadIdler = false;
};

// Our out-of-memory handler alone, with a full reserve.
void ReinstallAllocatorHandler() {
    GAllocator::Finalize();
    std::set_new_handler(nullptr);
    GAllocator::Initialize();
}

class EmptyReceiver : public GReceiver<GEmptyMessage> {
public:
    void Receive(int id, const GEmptyMessage&) override {
        ids.push_back(id);
        if (action)
            action();
    }
    std::vector<int> ids;
    std::function<void()> action;
};

class WatchedIdler : public GAllocatorIdler {
public:
    explicit WatchedIdler(int* deleted) : mDeleted(deleted) {}
    ~WatchedIdler() override { ++*mDeleted; }

private:
    int* mDeleted;
};

TEST_F(GAllocatorIdlerTest, IdleTimeTrimsTheFreeLists) {
#ifdef GALLOCATOR_USE_HEAP
    GTEST_SKIP() << "the allocator's pools route to the heap in this build";
#else
    GAllocator* allocator = GAllocator::GetInstance();
    allocator->ReleaseFreeLists(-1);
    std::vector<void*> blocks;
    for (int i = 0; i < 5; ++i)
        blocks.push_back(allocator->Alloc(200));
    for (void* block : blocks)
        allocator->Free(block, 200);
    ASSERT_EQ(allocator->CountFreeListBlocks(200), 5u);

    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_EQ(allocator->CountFreeListBlocks(200), 5u) << "no idler installed yet";

    GAllocatorIdler::SetInstance(new GAllocatorIdler);
    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_EQ(allocator->CountFreeListBlocks(200), 0u);
#endif
}

TEST_F(GAllocatorIdlerTest, SetInstanceDeletesThePreviousIdler) {
    int firstDeleted = 0, secondDeleted = 0;
    auto* first = new WatchedIdler(&firstDeleted);
    GAllocatorIdler::SetInstance(first);
    GAllocatorIdler::SetInstance(first);
    EXPECT_EQ(firstDeleted, 0);
    EXPECT_EQ(GAllocatorIdler::GetInstance(), first);
    GAllocatorIdler::SetInstance(new WatchedIdler(&secondDeleted));
    EXPECT_EQ(firstDeleted, 1);

    GSignal<GEmptyMessage>* idle = GSignal<GEmptyMessage>::GetSignal(GBasicSignals::kIdleTime);
    EXPECT_EQ(idle->GetReceiverCount(), 1);
    GAllocatorIdler::SetInstance(nullptr);
    EXPECT_EQ(secondDeleted, 1);
    EXPECT_EQ(GAllocatorIdler::GetInstance(), nullptr);
    EXPECT_EQ(idle->GetReceiverCount(), 0);
}

TEST_F(GAllocatorIdlerTest, TheOutOfMemoryHandlerSendsTheLowMemorySignal) {
    ReinstallAllocatorHandler();
    EmptyReceiver receiver;
    receiver.Subscribe(GBasicSignals::kLowMemory);
    // Another thread can take the allocator's mutex while the receiver runs: the handler does
    // not hold it.
    receiver.action = [] { std::thread([] { GAllocator::GetInstance()->SetMoreMemoryFree(true); }).join(); };
    EXPECT_NO_THROW(GAllocator::NewHandler());
    EXPECT_EQ(receiver.ids, (std::vector<int>{GBasicSignals::kLowMemory}));

    // A receiver that frees nothing: the handler gives up.
    receiver.action = nullptr;
    EXPECT_THROW(GAllocator::NewHandler(), GMemoryException);
    EXPECT_EQ(receiver.ids.size(), 2u);
    ReinstallAllocatorHandler();
}

TEST_F(GAllocatorIdlerTest, TheLowMemorySignalIsNotMadeNorSentDuringBookkeeping) {
    GBasicSignals::SendLowMemory();
    EXPECT_EQ(GSignalBase::GetSignal(GBasicSignals::kLowMemory), nullptr);

    EmptyReceiver receiver;
    receiver.Subscribe(GBasicSignals::kLowMemory);
    {
        GSignalBase::BookkeepingScope scope;
        GBasicSignals::SendLowMemory();
    }
    EXPECT_TRUE(receiver.ids.empty());
    GBasicSignals::SendLowMemory();
    EXPECT_EQ(receiver.ids.size(), 1u);
}

TEST_F(GAllocatorIdlerTest, FinalizeRemovesTheLowMemoryNotifier) {
    GSignalBase::Finalize();
    EXPECT_EQ(GAllocator::SetLowMemoryNotifier(nullptr), nullptr);
    GSignalBase::Initialize();
    EXPECT_EQ(GAllocator::SetLowMemoryNotifier(nullptr), &GBasicSignals::SendLowMemory);
    GSignalBase::Initialize();
}

TEST_F(GAllocatorIdlerTest, BasicSignalsSendTheirNumbers) {
    EmptyReceiver receiver;
    for (int id : {GBasicSignals::kIdleTime, GBasicSignals::kRepeaterTime, GBasicSignals::kPreferencesChanged})
        receiver.Subscribe(id);
    GBasicSignals::DevoteTimeToIdlers();
    GBasicSignals::DevoteTimeToRepeaters();
    GBasicSignals::SendPreferencesChanged();
    EXPECT_EQ(receiver.ids, (std::vector<int>{100, 101, 105}));
}

TEST_F(GAllocatorIdlerTest, IdleTimeDeliversDelayedMessages) {
    class Later : public GDelayedReceiver<GEmptyMessage> {
    public:
        void Receive(int id, const GEmptyMessage&) override { ids.push_back(id); }
        std::vector<int> ids;
    } later;
    later.Subscribe(GBasicSignals::kPreferencesChanged);
    GBasicSignals::SendPreferencesChanged();
    EXPECT_TRUE(later.ids.empty());
    GBasicSignals::DevoteTimeToIdlers();
    EXPECT_EQ(later.ids, (std::vector<int>{GBasicSignals::kPreferencesChanged}));
}

} // namespace
