#pragma once
// The registry of the process-wide numbered signals, the queue of delayed messages and the
// consolidated notification. GSignal<T> holds the receivers; this class owns the signals.
//
// What callers may rely on:
// - A number has at most one registered signal, made by the first GSignal<T>::GetSignal of it
//   (lookup and creation are one step under the registry's mutex). Asking for a number that is
//   registered with another payload type throws GSimpleException(kPayloadMismatch).
// - Finalize deletes every registered signal. It waits for a Send running on another thread,
//   and a signal that is sending on the calling thread (Finalize called from a receiver) stops
//   its walk and is deleted when that Send returns. A signal pointer obtained before Finalize
//   must not be used after it.
// - Between Finalize and the next Initialize there is no delayed queue: a delayed message is
//   dropped (and deleted) and SendDelayedSignals only runs the consolidated notification.
// - Lock order: a signal's mutex, then a receiver's mutex, then the registry's static mutex.
//   A signal's mutex is held while its receivers run, and a receiver takes its own mutex inside
//   Receive, so no path holds a receiver's mutex while it takes a signal's. The static mutex
//   guards the registry, the delayed queue and the consolidated bookkeeping; nothing else is
//   locked while it is held (besides the allocator's, a leaf) and no receiver is called with it
//   held. Two signals' mutexes have no order: a receiver that sends on, or changes the
//   subscriptions of, another signal inside Receive nests them, and two threads that nest the
//   same two signals in opposite orders deadlock.
// - Initialize installs the allocator's low-memory notifier, which sends signal 102
//   (GBasicSignals::SendLowMemory); Finalize removes it.
#include <atomic>
#include <cstdint>
#include <typeinfo>

#include "core/containers/GTable.h"
#include "core/signals/GSignalMutex.h"

class GConsolidatedReceiver;
class GDelayedMessageBase;

class GSignalBase {
public:
    // GSimpleException id for a number registered with another payload type:
    // "Invalid value passed a parameter".
    static constexpr int kPayloadMismatch = 40017;

    GSignalBase(const GSignalBase&) = delete;
    GSignalBase& operator=(const GSignalBase&) = delete;

    int GetID() const noexcept { return mID; }
    const std::type_info& GetPayloadType() const noexcept { return *mPayload; }

    static void Initialize();
    static void Finalize();
    // Takes ownership, also when it throws. A signal already registered under the number is
    // replaced and deleted once it is idle; its receivers are not carried over.
    static void RegisterSignal(GSignalBase* signal);
    // The registered signal, or null; never makes one.
    static GSignalBase* GetSignal(int id);
    // Takes ownership. Returns false when there is no queue (after Finalize): the message was
    // deleted unsent.
    static bool QueueDelayedSignal(GDelayedMessageBase* message);
    // Sends the messages queued so far (those queued meanwhile wait for the next call), then
    // notifies once each consolidated receiver of every signal sent since the last call.
    static void SendDelayedSignals();

    // A receiver subscribed twice is still notified once per pass. A signal no longer registered
    // takes no consolidated receivers.
    void SubscribeConsolidated(GConsolidatedReceiver* receiver);
    void UnSubscribeConsolidated(GConsolidatedReceiver* receiver);
    void MarkConsolidatePending() noexcept {
        if (mHasConsolidated.load(std::memory_order_relaxed) && !mConsolidatePending.load(std::memory_order_relaxed))
            mConsolidatePending.store(true, std::memory_order_release);
    }
    bool IsConsolidatePending() const noexcept { return mConsolidatePending.load(std::memory_order_acquire); }

    // Keeps a signal's storage alive after Finalize or a replacement took it out of the registry
    // (a queued delayed message holds its signal this way).
    class Holder {
    public:
        explicit Holder(GSignalBase& signal);
        ~Holder();
        Holder(const Holder&) = delete;
        Holder& operator=(const Holder&) = delete;

    private:
        GSignalBase& mSignal;
    };

    // Marks the calling thread as changing the registry's or a signal's tables: the low-memory
    // signal is not sent from an allocation made meanwhile, so that its receivers never see a
    // table halfway through a change.
    class BookkeepingScope {
    public:
        BookkeepingScope() noexcept;
        ~BookkeepingScope();
        BookkeepingScope(const BookkeepingScope&) = delete;
        BookkeepingScope& operator=(const BookkeepingScope&) = delete;
    };
    static bool InBookkeeping() noexcept;

protected:
    using Factory = GSignalBase* (*)(int id);

    GSignalBase(int id, const std::type_info& payload) : mID(id), mPayload(&payload) {}
    // Only the registry deletes signals.
    virtual ~GSignalBase() = default;

    // The signal registered under id, made by make when there is none; throws
    // GSimpleException(kPayloadMismatch) when the registered one is not of class kind (a signal
    // of another payload type).
    static GSignalBase* GetOrMakeSignal(int id, const std::type_info& kind, Factory make);

    // A walk over the receivers runs between the two, also when it throws: BeginSend locks the
    // signal's mutex and keeps the signal alive, EndSend lets it go and deletes a signal that
    // Finalize gave up meanwhile. The walk is known by the mutex's depth alone: no count is kept
    // per Send. (Not a guard object: the compiler keeps one in memory across the walk.)
    GSignalMutex::Hold BeginSend() noexcept { return mMutex.Acquire(); }
    void EndSend(GSignalMutex::Hold hold) noexcept {
        if (__builtin_expect(mOrphaned, 0) && IsIdleLocked())
            EndOrphan(hold);
        else
            mMutex.Release(hold);
    }

    // Set once the signal has left the registry: walks stop at the next receiver.
    bool IsRetired() const noexcept { return __builtin_expect(mRetired.load(std::memory_order_relaxed), 0); }

    // Guards the receiver tables of GSignal<T>; held while receivers run.
    mutable GSignalMutex mMutex;

private:
    struct Statics;
    class StaticLock;
    class ConsolidatedPass;
    friend class GConsolidatedReceiver;

    static Statics& GetStatics();
    static void ForgetConsolidatedReceiver(GConsolidatedReceiver* receiver) noexcept;
    static void SendQueuedMessages();
    static void NotifyConsolidatedReceivers();
    // Under the static mutex: takes the signal out of the consolidated bookkeeping for good.
    void RetireLocked() noexcept;
    // Under the static mutex, once the signal has no consolidated receivers left.
    void LeaveConsolidatedLocked() noexcept;
    // The registry gives up its ownership: deleted now or when the last walk or holder ends.
    void Orphan() noexcept;
    void Hold();
    void Drop() noexcept;
    // Under the signal's mutex, held once: lets it go and deletes the orphaned signal.
    void EndOrphan(GSignalMutex::Hold hold) noexcept;
    // Under the signal's mutex: no holder, and no walk on this thread but the caller's own.
    bool IsIdleLocked() const noexcept { return mHolds == 0 && mMutex.GetDepth() == 1; }

    int32_t mID;
    const std::type_info* mPayload;
    // Holders (a running walk holds the mutex instead); with mOrphaned, guarded by mMutex.
    int32_t mHolds = 0;
    bool mOrphaned = false;
    std::atomic<bool> mRetired{false};
    std::atomic<bool> mConsolidatePending{false};
    // Whether mConsolidatedReceivers has entries, read by Send without the static mutex.
    std::atomic<bool> mHasConsolidated{false};
    // Guarded by the static mutex.
    GTable<GConsolidatedReceiver*> mConsolidatedReceivers;
};
