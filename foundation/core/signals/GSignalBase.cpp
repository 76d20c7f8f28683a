#include "core/signals/GSignalBase.h"

#include <memory>
#include <utility>

#include "core/base/GException.h"
#include "core/base/GMutexLocker.h"
#include "core/containers/GDict.h"
#include "core/containers/GTableIterator.h"
#include "core/memory/GAllocator.h"
#include "core/signals/GBasicSignals.h"
#include "core/signals/GConsolidatedReceiver.h"
#include "core/signals/GDelayedMessageBase.h"

namespace {

thread_local int tBookkeeping = 0;

using GDelayedQueue = GTable<GDelayedMessageBase*>;

struct QueueDeleter {
    void operator()(GDelayedQueue* queue) const noexcept {
        // Last to first, as they were queued.
        queue->DeleteAllItems();
        delete queue;
    }
};
using GDelayedQueueOwner = std::unique_ptr<GDelayedQueue, QueueDeleter>;

} // namespace

// Made on first use and never destroyed: signals may still be looked up while the program's
// statics are destroyed.
struct GSignalBase::Statics {
    GMutex sStaticMutex;
    GDict<int, GSignalBase*> sSignals{5};
    GDelayedQueue* sDelayedSignals = new GDelayedQueue;
    GTable<GSignalBase*> sConsolidatedSignals;
    // The receiver lists of the consolidated passes running now, so that a receiver that goes
    // away during a pass is taken out of them.
    GTable<GTable<GConsolidatedReceiver*>*> sPasses;
};

class GSignalBase::StaticLock {
public:
    StaticLock() : mLock(GetStatics().sStaticMutex) {}

private:
    GMutexLocker mLock;
    BookkeepingScope mScope;
};

// The receivers of one consolidated pass, registered with the statics while the pass runs.
class GSignalBase::ConsolidatedPass {
public:
    ConsolidatedPass() {
        StaticLock lock;
        GetStatics().sPasses.AddItem(&mReceivers);
    }
    ~ConsolidatedPass() {
        try {
            StaticLock lock;
            GetStatics().sPasses.RemoveItem(&mReceivers);
        } catch (...) {
            // Only the mutex can fail here, and then nothing else can take it either.
        }
    }
    ConsolidatedPass(const ConsolidatedPass&) = delete;
    ConsolidatedPass& operator=(const ConsolidatedPass&) = delete;

    // Under the static mutex.
    void Collect(GSignalBase& signal) {
        for (GConsolidatedReceiver* receiver : signal.mConsolidatedReceivers)
            mReceivers.AddUniqueItem(receiver);
    }
    // The next receiver to notify, or null at the end; a receiver destroyed meanwhile is gone
    // from the list.
    GConsolidatedReceiver* Next() {
        StaticLock lock;
        return mWalk.Next() ? mWalk.Current() : nullptr;
    }

private:
    GTable<GConsolidatedReceiver*> mReceivers;
    GTableIterator<GConsolidatedReceiver*> mWalk{mReceivers};
};

GSignalBase::Statics& GSignalBase::GetStatics() {
    static Statics* const statics = new Statics;
    return *statics;
}

GSignalBase::BookkeepingScope::BookkeepingScope() noexcept { ++tBookkeeping; }
GSignalBase::BookkeepingScope::~BookkeepingScope() { --tBookkeeping; }
bool GSignalBase::InBookkeeping() noexcept { return tBookkeeping > 0; }

GSignalBase::Holder::Holder(GSignalBase& signal) : mSignal(signal) { signal.Hold(); }
GSignalBase::Holder::~Holder() { mSignal.Drop(); }

void GSignalBase::EndOrphan(GSignalMutex::Hold hold) noexcept {
    mMutex.Release(hold);
    delete this;
}

void GSignalBase::Hold() {
    GSignalMutex::Locker lock(mMutex);
    ++mHolds;
}

void GSignalBase::Drop() noexcept {
    bool last;
    {
        GSignalMutex::Locker lock(mMutex);
        --mHolds;
        last = mOrphaned && IsIdleLocked();
    }
    if (last)
        delete this;
}

void GSignalBase::Orphan() noexcept {
    bool idle;
    {
        // Waits for a walk running on another thread.
        GSignalMutex::Locker lock(mMutex);
        mOrphaned = true;
        idle = IsIdleLocked();
    }
    if (idle)
        delete this;
}

void GSignalBase::RetireLocked() noexcept {
    mRetired.store(true, std::memory_order_relaxed);
    mConsolidatedReceivers.Resize(0);
    LeaveConsolidatedLocked();
}

void GSignalBase::LeaveConsolidatedLocked() noexcept {
    GetStatics().sConsolidatedSignals.RemoveItem(this);
    mHasConsolidated.store(false, std::memory_order_relaxed);
    mConsolidatePending.store(false, std::memory_order_relaxed);
}

void GSignalBase::Initialize() {
    {
        StaticLock lock;
        Statics& statics = GetStatics();
        if (statics.sDelayedSignals == nullptr)
            statics.sDelayedSignals = new GDelayedQueue;
    }
    GAllocator::SetLowMemoryNotifier(&GBasicSignals::SendLowMemory);
}

void GSignalBase::Finalize() {
    GTable<GSignalBase*> signals;
    GDelayedQueueOwner queue;
    {
        StaticLock lock;
        Statics& statics = GetStatics();
        // Room first: running out of memory here leaves everything as it was.
        signals.ExpandTo(statics.sSignals.GetCount());
        for (int slot = 0; slot < statics.sSignals.GetAllocation(); ++slot) {
            if (statics.sSignals.IsSlotUsed(slot))
                signals.AddItem(statics.sSignals.GetValueAt(slot));
        }
        statics.sSignals.RemoveAll();
        for (GSignalBase* signal : signals)
            signal->RetireLocked();
        // A signal that was never registered may still be listed; it is not the registry's.
        GTable<GSignalBase*>& consolidated = statics.sConsolidatedSignals;
        while (consolidated.GetCount() > 0)
            consolidated[consolidated.GetCount() - 1]->RetireLocked();
        queue.reset(std::exchange(statics.sDelayedSignals, nullptr));
    }
    // Without the static mutex: a message's destructor and Orphan take signal mutexes, and
    // Orphan waits for walks running on other threads.
    queue.reset();
    for (GSignalBase* signal : signals)
        signal->Orphan();
    GAllocator::LowMemoryNotifier previous = GAllocator::SetLowMemoryNotifier(nullptr);
    // Someone else's notifier stays.
    if (previous != nullptr && previous != &GBasicSignals::SendLowMemory)
        GAllocator::SetLowMemoryNotifier(previous);
}

void GSignalBase::RegisterSignal(GSignalBase* signal) {
    if (signal == nullptr)
        return;
    GSignalBase* replaced = nullptr;
    try {
        StaticLock lock;
        Statics& statics = GetStatics();
        int slot;
        if (statics.sSignals.GetExistingIndex(signal->mID, slot)) {
            replaced = statics.sSignals.GetValueAt(slot);
            if (replaced == signal)
                return;
            statics.sSignals.GetValueAt(slot) = signal;
            replaced->RetireLocked();
        } else {
            statics.sSignals.Put(signal->mID, signal);
        }
    } catch (...) {
        delete signal;
        throw;
    }
    if (replaced != nullptr)
        replaced->Orphan();
}

GSignalBase* GSignalBase::GetSignal(int id) {
    StaticLock lock;
    Statics& statics = GetStatics();
    int slot;
    return statics.sSignals.GetExistingIndex(id, slot) ? statics.sSignals.GetValueAt(slot) : nullptr;
}

GSignalBase* GSignalBase::GetOrMakeSignal(int id, const std::type_info& kind, Factory make) {
    {
        StaticLock lock;
        Statics& statics = GetStatics();
        int slot;
        if (!statics.sSignals.GetExistingIndex(id, slot)) {
            GSignalBase* made = make(id);
            try {
                statics.sSignals.Put(id, made);
            } catch (...) {
                delete made;
                throw;
            }
            return made;
        }
        GSignalBase* found = statics.sSignals.GetValueAt(slot);
        if (typeid(*found) == kind)
            return found;
    }
    // Made without the static mutex: the exception takes the lock of the exception contexts.
    throw GSimpleException(kPayloadMismatch);
}

bool GSignalBase::QueueDelayedSignal(GDelayedMessageBase* message) {
    // Deleted, when it is not queued, after the static mutex is released: its destructor takes
    // its signal's mutex.
    std::unique_ptr<GDelayedMessageBase> owned(message);
    if (message == nullptr)
        return false;
    StaticLock lock;
    GDelayedQueue* queue = GetStatics().sDelayedSignals;
    if (queue == nullptr)
        return false;
    queue->AddItem(message);
    owned.release();
    return true;
}

void GSignalBase::SendDelayedSignals() {
    SendQueuedMessages();
    NotifyConsolidatedReceivers();
}

void GSignalBase::SendQueuedMessages() {
    GDelayedQueueOwner queue;
    {
        StaticLock lock;
        GDelayedQueue*& current = GetStatics().sDelayedSignals;
        if (current == nullptr || current->GetCount() == 0)
            return;
        GDelayedQueueOwner fresh(new GDelayedQueue);
        queue.reset(std::exchange(current, fresh.release()));
    }
    // Nothing else sees this queue now; receivers run without the static mutex, and the messages
    // go (last to first) also when a Send throws.
    for (int i = 0; i < queue->GetCount(); ++i)
        (*queue)[i]->Send();
}

void GSignalBase::NotifyConsolidatedReceivers() {
    {
        StaticLock lock;
        if (GetStatics().sConsolidatedSignals.GetCount() == 0)
            return;
    }
    ConsolidatedPass pass;
    {
        StaticLock lock;
        for (GSignalBase* signal : GetStatics().sConsolidatedSignals) {
            if (signal->mConsolidatePending.exchange(false, std::memory_order_acq_rel))
                pass.Collect(*signal);
        }
    }
    while (GConsolidatedReceiver* receiver = pass.Next())
        receiver->ReceiveConsolidated();
}

void GSignalBase::SubscribeConsolidated(GConsolidatedReceiver* receiver) {
    if (receiver == nullptr)
        return;
    StaticLock lock;
    if (IsRetired())
        return;
    GTable<GSignalBase*>& signals = GetStatics().sConsolidatedSignals;
    if (mConsolidatedReceivers.GetCount() == 0) {
        // Room in both tables first, so that running out of memory changes nothing.
        mConsolidatedReceivers.ExpandTo(1);
        signals.AddItem(this);
    }
    mConsolidatedReceivers.AddItem(receiver);
    mHasConsolidated.store(true, std::memory_order_relaxed);
}

void GSignalBase::UnSubscribeConsolidated(GConsolidatedReceiver* receiver) {
    StaticLock lock;
    if (!mConsolidatedReceivers.RemoveItem(receiver) || mConsolidatedReceivers.GetCount() > 0)
        return;
    LeaveConsolidatedLocked();
}

void GSignalBase::ForgetConsolidatedReceiver(GConsolidatedReceiver* receiver) noexcept {
    try {
        StaticLock lock;
        Statics& statics = GetStatics();
        GTable<GSignalBase*>& signals = statics.sConsolidatedSignals;
        // From the last: a signal left without receivers takes itself out of the table.
        for (int i = signals.GetCount() - 1; i >= 0; --i) {
            GSignalBase* signal = signals[i];
            if (signal->mConsolidatedReceivers.RemoveItemAll(receiver) > 0 &&
                signal->mConsolidatedReceivers.GetCount() == 0)
                signal->LeaveConsolidatedLocked();
        }
        for (GTable<GConsolidatedReceiver*>* pass : statics.sPasses)
            pass->RemoveItemAll(receiver);
    } catch (...) {
        // Only the static mutex can fail, and then no pass can reach the receiver either.
    }
}
