#include "printerprocessor/ipc/GPPIPCManager.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "core/base/GException.h"
#include "core/containers/GPair.h"
#include "core/signals/GBasicSignals.h"
#include "core/values/GProcessInfo.h"
#include "core/values/GSessionInfo.h"
#include "mac/ipc/PIPCProcessCheck.h"
#include "mac/system/PSystem.h"
#include "printerprocessor/ipc/GPPIPCReceiver.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "printerprocessor/queues/GPPIPCMessageQueueMgr.h"
#include "printerprocessor/sharedmemory/GIPDeadline.h"
#include "printerprocessor/sharedmemory/GIPLockBudget.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"

GPPIPCManager* GPPIPCManager::sInstance = nullptr;
int GPPIPCManager::sInitialized = 0;

namespace {

constexpr int kTooLarge = 40153;
constexpr int kNotListening = 40150;
constexpr int kNotRunning = 40152;
constexpr int kTableFull = 40160;
constexpr int kNoTable = 40165;

using QueueMemory = GSharedMemoryBase<PUNIXSharedMemory>;

// TROVEL_NOTICE_WAIT_MS shortens (or lengthens) the wait for a receiver, for tests that meet a
// receiver that never reads; read once per process.
int WaitForReceiverMs() {
    static int const sWaitMs = [] {
        char const* text = std::getenv("TROVEL_NOTICE_WAIT_MS");
        if (text == nullptr || *text < '0' || *text > '9')
            return GPPIPCManager::cWaitMs;
        char* end = nullptr;
        errno = 0;
        long const value = std::strtol(text, &end, 10);
        if (errno != 0 || *end != '\0' || value > 600000)
            return GPPIPCManager::cWaitMs;
        return static_cast<int>(value);
    }();
    return sWaitMs;
}

// The installed process information when there is one; the platform's own look otherwise, so a
// manager outliving the platform's end still answers.
int CurrentProcessID() {
    GProcessInfo* info = GProcessInfo::GetInstance();
    return info != nullptr ? info->GetCurrentProcessID() : PIPCProcessCheck::GetCurrentProcessID();
}

bool IsRunning(int pid) {
    GProcessInfo* info = GProcessInfo::GetInstance();
    return info != nullptr ? info->IsRunning(pid) : PIPCProcessCheck::IsRunning(pid);
}

int CurrentSession() { return GSessionInfo::GetInstance()->GetCurrentSession(); }

// Counts a call in progress for as long as the scope lasts.
class DepthScope {
public:
    explicit DepthScope(int& depth) : mDepth(depth) { ++mDepth; }
    ~DepthScope() { --mDepth; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

private:
    int& mDepth;
};

class DispatchScope {
public:
    explicit DispatchScope(bool& flag) : mFlag(flag) { mFlag = true; }
    ~DispatchScope() { mFlag = false; }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

private:
    bool& mFlag;
};

}  // namespace

void GPPIPCManager::Initialize() {
    if (sInitialized++ > 0)
        return;
    try {
        sInstance = new GPPIPCManager;
    } catch (...) {
        --sInitialized;
        throw;
    }
}

void GPPIPCManager::Finalize() {
    if (sInitialized <= 0)
        return;
    if (--sInitialized > 0)
        return;
    GPPIPCManager* instance = sInstance;
    sInstance = nullptr;
    // From inside a handler the instance is still walking its receivers: it goes when done.
    if (instance->dispatching) {
        instance->finalizeDeferred = true;
        return;
    }
    delete instance;
}

GPPIPCManager* GPPIPCManager::GetInstance() { return sInstance; }

GPPIPCManager::GPPIPCManager() : receivers(5) {
    const GIPLockBudget budget;
    Registrations();
}

GPPIPCManager::~GPPIPCManager() {
    // The whole end has one lock bound: a table stuck under a living process costs it once.
    const GIPLockBudget budget;
    try {
        if (ownQueue.Get() != nullptr)
            ProcessReceivedMessages();
    } catch (...) {
    }
    StopListening();
    UnSubscribeAll();
    kept.Resize(0);
    registrations = GAutoPtr<GPPIPCMessageQueueMgr>();
}

GPPIPCMessageQueueMgr* GPPIPCManager::Registrations() {
    if (registrations.Get() != nullptr)
        return registrations.Get();
    try {
        registrations = GAutoPtr<GPPIPCMessageQueueMgr>(new GPPIPCMessageQueueMgr(false, 0));
    } catch (GException const&) {
        // Another user's table, no room for shared memory, a lock that timed out: tried again later.
    }
    return registrations.Get();
}

int GPPIPCManager::GetListeningState(int pid) {
    const GIPLockBudget budget;
    GPPIPCMessageQueueMgr* table = Registrations();
    if (table == nullptr)
        return cNotRegistered;
    int session = 0;
    GTable<int> ids;
    table->GetRegistered(pid, session, ids);
    if (ids.GetCount() == 0)
        return cNotRegistered;
    if (!IsTargetRunning(pid))
        return cNotReachable;
    try {
        if (session != CurrentSession())
            return cNotRegistered;
        for (int i = ids.GetCount() - 1; i >= 0; --i) {
            GAutoPtr<GPPIPCMessageQueue> holder;
            OpenQueue(session, pid, ids[i], holder);
        }
    } catch (GException const&) {
        return cNotReachable;
    }
    return cListening;
}

GTable<int> GPPIPCManager::GetRegisteredProcessIDs() {
    const GIPLockBudget budget;
    GTable<int> ids;
    GPPIPCMessageQueueMgr* table = Registrations();
    if (table == nullptr)
        return ids;
    GTable<GPair<int, GPair<int, int> > > entries;
    table->GetRegistered(entries);
    std::vector<int> pids;
    for (const GPair<int, GPair<int, int> >& entry : entries)
        pids.push_back(entry.second.first);
    std::sort(pids.begin(), pids.end());
    pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
    for (int pid : pids)
        ids.AddItem(pid);
    return ids;
}

void GPPIPCManager::WaitTillListening(int pid, int timeoutMs) {
    const GIPDeadline deadline(timeoutMs);
    for (;;) {
        if (!IsRunning(pid))
            throw GSimpleException(kNotRunning);
        GPPIPCMessageQueueMgr* table = Registrations();
        if (table != nullptr && table->IsRegistered(pid))
            return;
        if (deadline.Passed())
            throw GSimpleException(kNotListening);
        PSystem::MilliSleep(deadline.NextSleepMs(cListeningPollMs));
    }
}

bool GPPIPCManager::SendOnceRaw(int pid, int messageID, const GBuffer& data) {
    if (!GPPIPCMessageQueue::RawDataFitsEmptyQueue(data))
        throw GSimpleException(kTooLarge);
    const GIPLockBudget budget;
    bool delivered = false;
    GPPIPCMessageQueueMgr* table = Registrations();
    if (table != nullptr && !IsKnownGone(pid)) {
        int session = 0;
        GTable<int> ids;
        table->GetRegistered(pid, session, ids);
        delivered = ids.GetCount() > 0;
        // One queue that fails does not keep the message from the others.
        for (int id : ids)
            delivered = SendOne(session, pid, id, messageID, data) && delivered;
    }
    SwallowCleanup();
    return delivered;
}

bool GPPIPCManager::SendOnceRaw(int session, int pid, int registrationID, int messageID, const GBuffer& data) {
    if (!GPPIPCMessageQueue::RawDataFitsEmptyQueue(data))
        throw GSimpleException(kTooLarge);
    const GIPLockBudget budget;
    return SendOne(session, pid, registrationID, messageID, data);
}

bool GPPIPCManager::BroadcastOnceRaw(int messageID, const GBuffer& data) {
    if (!GPPIPCMessageQueue::RawDataFitsEmptyQueue(data))
        throw GSimpleException(kTooLarge);
    const GIPLockBudget budget;
    bool delivered = false;
    GPPIPCMessageQueueMgr* table = Registrations();
    if (table != nullptr) {
        GTable<GPair<int, GPair<int, int> > > entries;
        table->GetRegistered(entries);
        const int session = CurrentSession();
        delivered = true;
        int served = 0;
        for (const GPair<int, GPair<int, int> >& entry : entries) {
            if (entry.first != session)
                continue;
            ++served;
            delivered = SendOne(session, entry.second.first, entry.second.second, messageID, data) && delivered;
        }
        delivered = delivered && served > 0;
    }
    SwallowCleanup();
    return delivered;
}

bool GPPIPCManager::SendOne(int session, int pid, int registrationID, int messageID, const GBuffer& data) {
    if (IsKnownGone(pid) || Registrations() == nullptr)
        return false;
    // A receiver that has ended takes nothing: no wait, and its registrations go at the cleanup.
    if (!IsTargetRunning(pid)) {
        MarkCorrupted(pid);
        return false;
    }
    DepthScope scope(sending);
    try {
        GAutoPtr<GPPIPCMessageQueue> holder;
        GPPIPCMessageQueue& queue = OpenQueue(session, pid, registrationID, holder);
        const GPPIPCMessageQueue::Placement placed = Append(queue, pid, registrationID, messageID, data);
        // A full queue: not delivered, and not kept either, so it never arrives after the false.
        if (placed.at < 0)
            return false;
        const bool taken = WaitTillTaken(queue, pid, placed, messageID, data);
        ClearFlagIfEmpty(queue, pid, registrationID);
        return taken;
    } catch (GException const&) {
        MarkCorrupted(pid);
        return false;
    }
}

GPPIPCMessageQueue& GPPIPCManager::OpenQueue(int session, int pid, int registrationID,
                                             GAutoPtr<GPPIPCMessageQueue>& holder) {
    if (keeping == 0) {
        bool created = false;
        holder = GAutoPtr<GPPIPCMessageQueue>(new GPPIPCMessageQueue(session, pid, registrationID, created));
        return *holder;
    }
    for (const GSmartPtr<KeptQueue>& queue : kept) {
        if (queue->session == session && queue->pid == pid && queue->registrationID == registrationID)
            return *queue->queue;
    }
    bool created = false;
    GSmartPtr<KeptQueue> entry(new KeptQueue{session, pid, registrationID,
                                             GAutoPtr<GPPIPCMessageQueue>(new GPPIPCMessageQueue(session, pid, registrationID, created))});
    kept.AddItem(entry);
    return *entry->queue;
}

void GPPIPCManager::ForgetKeptQueues(int pid) {
    for (int i = kept.GetCount() - 1; i >= 0; --i) {
        if (kept[i]->pid == pid)
            kept.RemoveItemAt(i);
    }
}

GPPIPCMessageQueue::Placement GPPIPCManager::Append(GPPIPCMessageQueue& queue, int pid, int registrationID,
                                                    int messageID, const GBuffer& data) {
    // The flag is raised under the queue's lock before the record appears, and it is lowered only
    // under that lock with the queue empty: a queued record always has its flag up.
    GSharedMemoryLocker<QueueMemory> lock(queue.GetMemory());
    registrations->SetFlag(pid, registrationID, true);
    return queue.Place(CurrentProcessID(), messageID, data, true);
}

bool GPPIPCManager::WaitTillTaken(GPPIPCMessageQueue& queue, int pid, const GPPIPCMessageQueue::Placement& placed,
                                  int messageID, const GBuffer& data) {
    const GIPDeadline deadline(WaitForReceiverMs());
    auto nextLivenessCheck = std::chrono::steady_clock::now() + std::chrono::milliseconds(cLivenessCheckMs);
    for (;;) {
        GPPIPCMessageQueue::Presence presence = GPPIPCMessageQueue::cQueued;
        try {
            presence = queue.Look(placed, messageID, data);
        } catch (GException const&) {
            // A lock held a moment too long: look again while there is time.
        }
        if (presence == GPPIPCMessageQueue::cTaken)
            return true;
        // Damage in front of the record: a reader stops there and never gets it.
        if (presence == GPPIPCMessageQueue::cHidden)
            break;
        // A receiver that has ended will not read: no use waiting out the rest. Looked at now and
        // then, not at every look: it reads its process's state from the system.
        if (std::chrono::steady_clock::now() >= nextLivenessCheck) {
            if (!IsRunning(pid)) {
                MarkCorrupted(pid);
                break;
            }
            nextLivenessCheck += std::chrono::milliseconds(cLivenessCheckMs);
        }
        if (deadline.Passed())
            break;
        queue.WaitWhileQueued(placed, deadline.NextSleepMs(cWaitStepMs));
    }
    // Taken back unless it was read meanwhile: a send reported false is never delivered later.
    return queue.Withdraw(placed, messageID, data);
}

void GPPIPCManager::ClearFlagIfEmpty(GPPIPCMessageQueue& queue, int pid, int registrationID) noexcept {
    try {
        GSharedMemoryLocker<QueueMemory> lock(queue.GetMemory());
        if (queue.IsEmpty())
            registrations->SetFlag(pid, registrationID, false);
    } catch (...) {
        // A flag left up only costs the receiver one look at an empty queue.
    }
}

void GPPIPCManager::MarkCorrupted(int pid) { corrupted.AddUniqueItem(pid); }

bool GPPIPCManager::IsTargetRunning(int pid) { return knownRunning.FindItem(pid) >= 0 || IsRunning(pid); }

bool GPPIPCManager::IsKnownGone(int pid) { return corrupted.FindItem(pid) >= 0 && !IsRunning(pid); }

void GPPIPCManager::SwallowCleanup() noexcept {
    try {
        CleanupCorruptedProcesses();
    } catch (...) {
    }
}

void GPPIPCManager::CleanupCorruptedProcesses() {
    GPPIPCMessageQueueMgr* table = Registrations();
    for (int i = corrupted.GetCount() - 1; i >= 0; --i) {
        const int pid = corrupted[i];
        // A living process met a passing error (a lock held too long, no descriptors left): it
        // keeps its registrations and is tried again by the next send.
        if (IsRunning(pid)) {
            corrupted.RemoveItemAt(i);
            continue;
        }
        // Our own hold on its queues would keep them from being removed with its entries.
        ForgetKeptQueues(pid);
        if (table == nullptr)
            continue;
        table->Unregister(pid);
        // Kept while its entries could not be removed, so that sends skip it meanwhile.
        if (!table->IsRegistered(pid))
            corrupted.RemoveItemAt(i);
    }
}

void GPPIPCManager::Register(int messageID, GPPIPCReceiver* receiver) {
    if (receiver == nullptr)
        return;
    if (receivers.GetCount() == 0)
        StartListening();
    int slot = 0;
    if (!receivers.GetExistingIndex(messageID, slot)) {
        receivers.Put(messageID, Receivers());
        receivers.GetExistingIndex(messageID, slot);
    }
    receivers.GetValueAt(slot).AddItem(receiver);
}

void GPPIPCManager::StartListening() {
    if (ownQueue.Get() != nullptr)
        return;
    GPPIPCMessageQueueMgr* table = Registrations();
    if (table == nullptr)
        throw GSimpleException(kNoTable);
    const int me = CurrentProcessID();
    const int id = table->Register(me);
    if (id == 0)
        throw GSimpleException(kTableFull);
    try {
        // Held until the last receiver goes, so that no sender's close can unlink it unread.
        bool created = false;
        ownQueue = GAutoPtr<GPPIPCMessageQueue>(new GPPIPCMessageQueue(CurrentSession(), me, id, created));
        Subscribe(GBasicSignals::kRepeaterTime);
    } catch (...) {
        ownQueue = GAutoPtr<GPPIPCMessageQueue>();
        table->Unregister(me, id);
        throw;
    }
    registrationID = id;
}

void GPPIPCManager::Unregister(int messageID, GPPIPCReceiver* receiver) {
    int slot = 0;
    if (receivers.GetExistingIndex(messageID, slot)) {
        Receivers& list = receivers.GetValueAt(slot);
        list.RemoveItem(receiver);
        if (list.GetCount() == 0)
            receivers.Remove(messageID);
    }
    if (receivers.GetCount() == 0)
        StopListening();
}

void GPPIPCManager::StopListening() noexcept {
    if (IsSubscribed(GBasicSignals::kRepeaterTime)) {
        try {
            UnSubscribe(GBasicSignals::kRepeaterTime);
        } catch (...) {
        }
    }
    // Out of the table first, so no sender picks the queue up as it goes.
    if (registrationID != 0 && registrations.Get() != nullptr)
        registrations->Unregister(CurrentProcessID(), registrationID);
    ownQueue = GAutoPtr<GPPIPCMessageQueue>();
    registrationID = 0;
}

void GPPIPCManager::Receive(int signalID, const GEmptyMessage&) {
    if (signalID != GBasicSignals::kRepeaterTime)
        return;
    try {
        ForceProcessPendingMessages();
    } catch (...) {
        // Nothing reaches the signal: its other receivers are still to run.
    }
}

void GPPIPCManager::ForceProcessPendingMessages() {
    if (sending > 0)
        return;
    ProcessReceivedMessages();
}

void GPPIPCManager::ProcessReceivedMessages() {
    if (dispatching || ownQueue.Get() == nullptr || registrations.Get() == nullptr)
        return;
    const int me = CurrentProcessID();
    if (!registrations->GetFlag(me, registrationID))
        return;
    GTable<GSmartPtr<GPPIPCMessage> > messages;
    try {
        GSharedMemoryLocker<QueueMemory> lock(ownQueue->GetMemory());
        ownQueue->ReadPendingMessages(messages);
        // Lowered only with nothing left, under the lock every sender appends under.
        if (ownQueue->IsEmpty())
            registrations->SetFlag(me, registrationID, false);
    } catch (GException const&) {
        if (messages.GetCount() == 0)
            return;
    }
    Dispatch(messages);
}

bool GPPIPCManager::IsRegistered(int messageID, GPPIPCReceiver* receiver) const {
    int slot = 0;
    return receivers.GetExistingIndex(messageID, slot) && receivers.GetValueAt(slot).FindItem(receiver) >= 0;
}

void GPPIPCManager::Dispatch(GTable<GSmartPtr<GPPIPCMessage> > const& messages) {
    {
        DispatchScope scope(dispatching);
        for (const GSmartPtr<GPPIPCMessage>& message : messages)
            DispatchOne(*message);
    }
    // Finalize ran inside a handler: the instance goes now that none of it is in use. Every
    // caller of Dispatch returns at once after it.
    if (!finalizeDeferred)
        return;
    // The destructor reads the queue once more and may come back here.
    finalizeDeferred = false;
    delete this;
}

void GPPIPCManager::DispatchOne(const GPPIPCMessage& message) {
    int slot = 0;
    if (!receivers.GetExistingIndex(message.GetMessageID(), slot))
        return;
    // A copy: handlers may register and unregister receivers while they run. One removed before
    // its turn is not called.
    const Receivers targets(receivers.GetValueAt(slot));
    for (GPPIPCReceiver* receiver : targets) {
        if (!IsRegistered(message.GetMessageID(), receiver))
            continue;
        try {
            receiver->HandleMessage(message);
        } catch (...) {
            // The message has left the queue: the other receivers still get theirs.
        }
    }
}

GPPIPCManager::SendScope::SendScope(GPPIPCManager& manager, const GTable<int>& running) : mManager(manager) {
    if (mManager.keeping++ == 0)
        mManager.knownRunning = running;
}

GPPIPCManager::SendScope::~SendScope() {
    if (--mManager.keeping > 0)
        return;
    mManager.kept.Resize(0);
    mManager.knownRunning.Resize(0);
}
