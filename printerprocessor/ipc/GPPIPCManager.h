#pragma once
// GPPIPCManager: the process-wide front of the shared-memory messaging. The sending side puts a
// message into every queue a target process registered and waits a bounded time for the receiver
// to take it; the receiving side registers this process with a queue of its own and dispatches
// what arrives to GPPIPCReceiver objects per message ID (on the repeater signal, or when asked).
//
// Callers may rely on:
// - A send returns true only when the receiver read the very record the send placed, within the
//   wait (3.3 s on the monotonic clock). False means "not delivered", and the message is never
//   delivered afterwards: no registration, a queue that could not be opened or locked, a full
//   queue (the message is not kept), a receiver that ended or did not read in time (its record
//   is taken back). A queue damaged in front of the record is cut back to its sound records
//   before the append, and damage that appears in front of it during the wait ends the wait.
// - Only a message too large for any queue throws (40153); every other failure is a result.
// - Every wait is bounded by a deadline. The lock waits of one send (over all its targets, when
//   the caller holds a SendScope), of the manager's start and of its end share one lock bound:
//   a lock word stuck at a living process costs each of them that bound once.
// - Registrations are removed only for processes that no longer run; a living receiver keeps
//   them whatever error a send met.
// - A registration table that cannot be opened does not stop the manager: sends report false,
//   the listening state is 0, and Register throws; the table is tried again on each use.
// - A receiver's flag in the table is raised under its queue's lock before a record is added and
//   lowered only under that lock with the queue empty (by the receiver after reading, or by a
//   sender whose message was taken): a queued message always has its flag up.
// - The receiving side keeps its queue attached from the first Register to the last Unregister;
//   receivers may register and unregister (themselves too) while a message is dispatched.
// One thread (the host's main thread) uses the manager.
#include "core/base/GNonCopyable.h"
#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/memory/GAutoPtr.h"
#include "core/memory/GSmartPtr.h"
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"
#include "core/text/GString.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "printerprocessor/sharedmemory/GIPLockBudget.h"

class GPPIPCMessage;
class GPPIPCMessageQueueMgr;
class GPPIPCReceiver;

class GPPIPCManager : private GNonCopyable, private GReceiver<GEmptyMessage> {
public:
    enum ListeningState { cNotRegistered = 0, cNotReachable = 1, cListening = 2 };

    // A send waits at most 3.3 s for its receiver (TROVEL_NOTICE_WAIT_MS changes it), looking
    // every 10 ms or as soon as the receiver's drain wakes it: the sender goes on the moment its
    // message is read.
    static constexpr int cWaitStepMs = 10;
    static constexpr int cWaitMs = 3300;
    // How often the wait asks whether its receiver still runs.
    static constexpr int cLivenessCheckMs = 50;
    static constexpr int cListeningPollMs = 100;
    static constexpr int cListeningWaitMs = 30000;

    // Counted; the first call makes the instance. A failure leaves the count as it was.
    static void Initialize();
    // Counted; the last call deletes the instance (from inside a handler: once the dispatch ends,
    // GetInstance being null at once). Calls beyond the count do nothing.
    static void Finalize();
    static GPPIPCManager* GetInstance();

    // 0: no registration in this session's table; 1: registered but not running or a queue that
    // cannot be opened; 2: listening.
    int GetListeningState(int pid);
    // Returns once the process is registered; throws 40152 when it does not run (or stops
    // running) and 40150 when it is not registered within timeoutMs.
    void WaitTillListening(int pid, int timeoutMs = cListeningWaitMs);

    // Sends to every queue the process registered; true when every one of them took it.
    bool SendOnceRaw(int pid, int messageID, const GBuffer& data);
    // Sends to one queue and waits for its receiver to take the message.
    bool SendOnceRaw(int session, int pid, int registrationID, int messageID, const GBuffer& data);
    // The value's text (T::ToGString) as UTF-8, sent with the three-argument SendOnceRaw.
    template <class T>
    bool SendOnce(int pid, int messageID, const T& value);
    // Sends to every registration of the current session; true when each one took it.
    bool BroadcastOnceRaw(int messageID, const GBuffer& data);

    // The first receiver registers this process and opens its queue. When it cannot (40165: no
    // registration table; 40160: the table is full; the queue's own errors) it throws and the
    // receiver is not added. The same receiver may be added twice and is then called twice.
    void Register(int messageID, GPPIPCReceiver* receiver);
    // Removes one occurrence; after the last one the process's registration and queue go.
    void Unregister(int messageID, GPPIPCReceiver* receiver);
    // Signal 101 (repeater): reads and dispatches received messages. Lets no exception out.
    void Receive(int signalID, const GEmptyMessage& message) override;
    void ForceProcessPendingMessages();
    // Reads this process's queue when a sender flagged it and dispatches the messages.
    void ProcessReceivedMessages();
    // Unregisters the failed processes that no longer run and forgets the others.
    void CleanupCorruptedProcesses();

    // The processes with a registration in any session's table, ascending: the only ones a send
    // can reach. Empty while no table can be opened.
    GTable<int> GetRegisteredProcessIDs();

    // 0 while this process is not registered as a receiver.
    int GetRegistrationID() const { return registrationID; }

    // One send over several targets (listening-state queries and sends): its lock waits share one
    // lock bound, and the queues it opens stay open for all of its looks until the scope ends.
    // running lists processes the caller has just found running (its process lookup): the send
    // takes them as running at its start instead of asking the system again; the wait for a
    // receiver still notices one that ends.
    class SendScope {
    public:
        explicit SendScope(GPPIPCManager& manager, const GTable<int>& running = GTable<int>());
        ~SendScope();
        SendScope(const SendScope&) = delete;
        SendScope& operator=(const SendScope&) = delete;

    private:
        GIPLockBudget mBudget;
        GPPIPCManager& mManager;
    };

private:
    struct KeptQueue {
        int session;
        int pid;
        int registrationID;
        GAutoPtr<GPPIPCMessageQueue> queue;
    };
    typedef GTable<GPPIPCReceiver*> Receivers;

    GPPIPCManager();
    ~GPPIPCManager() override;

    // The session's registration table, opened on first need; null while it cannot be opened.
    GPPIPCMessageQueueMgr* Registrations();
    // The queue, kept open for the rest of the send inside a SendScope, else owned by holder.
    GPPIPCMessageQueue& OpenQueue(int session, int pid, int registrationID, GAutoPtr<GPPIPCMessageQueue>& holder);
    void ForgetKeptQueues(int pid);
    // Appends (and flags) under the queue's lock; the placement's offset is -1 without room.
    GPPIPCMessageQueue::Placement Append(GPPIPCMessageQueue& queue, int pid, int registrationID, int messageID,
                                         const GBuffer& data);
    // True when the receiver read the placed record within the wait; otherwise the record is
    // taken back. Ends early when the receiver ends or damage hides the record.
    bool WaitTillTaken(GPPIPCMessageQueue& queue, int pid, const GPPIPCMessageQueue::Placement& placed, int messageID,
                       const GBuffer& data);
    void ClearFlagIfEmpty(GPPIPCMessageQueue& queue, int pid, int registrationID) noexcept;
    bool SendOne(int session, int pid, int registrationID, int messageID, const GBuffer& data);
    void MarkCorrupted(int pid);
    bool IsKnownGone(int pid);
    // Running by the caller's lookup inside a SendScope, else as the system says now.
    bool IsTargetRunning(int pid);
    void StartListening();
    void StopListening() noexcept;
    void Dispatch(GTable<GSmartPtr<GPPIPCMessage> > const& messages);
    void DispatchOne(const GPPIPCMessage& message);
    bool IsRegistered(int messageID, GPPIPCReceiver* receiver) const;
    void SwallowCleanup() noexcept;

    static GPPIPCManager* sInstance;
    static int sInitialized;

    GAutoPtr<GPPIPCMessageQueueMgr> registrations;
    GAutoPtr<GPPIPCMessageQueue> ownQueue;
    int registrationID = 0;
    GTable<int> corrupted;
    // Queues opened inside a SendScope, closed when it ends.
    int keeping = 0;
    GTable<GSmartPtr<KeptQueue> > kept;
    GTable<int> knownRunning;
    GDict<int, Receivers> receivers;
    // Re-entry guards: a receiver's handler or a nested call never reads the queue again while an
    // outer call is working on it.
    int sending = 0;
    bool dispatching = false;
    // The last Finalize came from a handler; the instance is deleted when its dispatch ends.
    bool finalizeDeferred = false;
};

template <class T>
bool GPPIPCManager::SendOnce(int pid, int messageID, const T& value) {
    T copy(value);
    GString text;
    copy.ToGString(text);
    return SendOnceRaw(pid, messageID, text.GetBuffer(GUTF8Encoding::GetInstance()));
}
