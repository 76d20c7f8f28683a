#include "printerprocessor/ipc/GPPIPCManager.h"

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

GPPIPCManager::GPPIPCManager() : receivers(5) { Registrations(); }

GPPIPCManager::~GPPIPCManager() {
    try {
        SendDelayedMessages();
    } catch (...) {
    }
    try {
        if (ownQueue.Get() != nullptr)
            ProcessReceivedMessages();
    } catch (...) {
    }
    StopListening();
    UnSubscribeAll();
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
    GPPIPCMessageQueueMgr* table = Registrations();
    if (table == nullptr)
        return cNotRegistered;
    int session = 0;
    GTable<int> ids;
    table->GetRegistered(pid, session, ids);
    if (ids.GetCount() == 0)
        return cNotRegistered;
    if (!IsRunning(pid))
        return cNotReachable;
    try {
        if (session != CurrentSession())
            return cNotRegistered;
        for (int i = ids.GetCount() - 1; i >= 0; --i) {
            bool created = false;
            GPPIPCMessageQueue queue(session, pid, ids[i], created);
        }
    } catch (GException const&) {
        return cNotReachable;
    }
    return cListening;
}

void GPPIPCManager::WaitTillListening(int pid, int timeoutMs) {
    for (int waited = 0;; waited += cListeningPollMs) {
        if (!IsRunning(pid))
            throw GSimpleException(kNotRunning);
        GPPIPCMessageQueueMgr* table = Registrations();
        if (table != nullptr && table->IsRegistered(pid))
            return;
        if (waited >= timeoutMs)
            throw GSimpleException(kNotListening);
        PSystem::MilliSleep(cListeningPollMs);
    }
}

bool GPPIPCManager::SendOnceRaw(int pid, int messageID, const GBuffer& data) {
    if (!GPPIPCMessageQueue::RawDataFitsEmptyQueue(data))
        throw GSimpleException(kTooLarge);
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
    return SendOne(session, pid, registrationID, messageID, data);
}

bool GPPIPCManager::BroadcastOnceRaw(int messageID, const GBuffer& data) {
    if (!GPPIPCMessageQueue::RawDataFitsEmptyQueue(data))
        throw GSimpleException(kTooLarge);
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
    if (!IsRunning(pid)) {
        MarkCorrupted(pid);
        return false;
    }
    DepthScope scope(sending);
    try {
        bool created = false;
        GPPIPCMessageQueue queue(session, pid, registrationID, created);
        if (!Append(queue, pid, registrationID, messageID, data, true)) {
            Delay(session, pid, registrationID, messageID, data);
            return false;
        }
        if (!WaitTillTaken(queue, pid, messageID, data))
            return false;
        ClearFlagIfEmpty(queue, pid, registrationID);
        return true;
    } catch (GException const&) {
        MarkCorrupted(pid);
        return false;
    }
}

bool GPPIPCManager::Append(GPPIPCMessageQueue& queue, int pid, int registrationID, int messageID, const GBuffer& data,
                           bool once) {
    // The flag is raised under the queue's lock before the record appears, and it is lowered only
    // under that lock with the queue empty: a queued record always has its flag up.
    GSharedMemoryLocker<QueueMemory> lock(queue.GetMemory());
    registrations->SetFlag(pid, registrationID, true);
    return once ? queue.TryToAddRawMessageOnce(messageID, data) : queue.TryToAddRawMessage(messageID, data);
}

bool GPPIPCManager::WaitTillTaken(GPPIPCMessageQueue& queue, int pid, int messageID, const GBuffer& data) {
    for (int look = 0; look < cWaitSteps; ++look) {
        if (!queue.ContainsRawMessage(messageID, data))
            return true;
        // A receiver that has ended will not read: no use waiting out the rest.
        if (!IsRunning(pid)) {
            MarkCorrupted(pid);
            return !queue.ContainsRawMessage(messageID, data);
        }
        PSystem::MilliSleep(cWaitStepMs);
    }
    return !queue.ContainsRawMessage(messageID, data);
}

void GPPIPCManager::ClearFlagIfEmpty(GPPIPCMessageQueue& queue, int pid, int registrationID) noexcept {
    try {
        GSharedMemoryLocker<QueueMemory> lock(queue.GetMemory());
        if (queue.IsEmpty())
            registrations->SetFlag(pid, registrationID, false);
    } catch (...) {
        // The message was taken; a flag left up only costs the receiver one look at an empty queue.
    }
}

void GPPIPCManager::Delay(int session, int pid, int registrationID, int messageID, const GBuffer& data) {
    delayed.AddItem(GSmartPtr<MessageData>(new MessageData{session, pid, registrationID, messageID, data, true}));
}

void GPPIPCManager::MarkCorrupted(int pid) { corrupted.AddUniqueItem(pid); }

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
        for (int d = delayed.GetCount() - 1; d >= 0; --d) {
            if (delayed[d]->pid == pid)
                delayed.RemoveItemAt(d);
        }
        if (table == nullptr)
            continue;
        table->Unregister(pid);
        // Kept while its entries could not be removed, so that sends skip it meanwhile.
        if (!table->IsRegistered(pid))
            corrupted.RemoveItemAt(i);
    }
}

void GPPIPCManager::SendDelayedMessages() {
    if (Registrations() == nullptr)
        return;
    GTable<GSmartPtr<MessageData> > pending;
    std::swap(pending, delayed);
    DepthScope scope(sending);
    for (const GSmartPtr<MessageData>& message : pending) {
        if (!IsRunning(message->pid))
            continue;
        try {
            bool created = false;
            GPPIPCMessageQueue queue(message->session, message->pid, message->registrationID, created);
            if (!Append(queue, message->pid, message->registrationID, message->messageID, message->data, message->once)) {
                delayed.AddItem(message);
                continue;
            }
            // A receiver holding its queue keeps the record until it reads, so only a queue made
            // here must stay open while its receiver looks; the repeater and the host's quit are
            // not held up by a receiver that is slow to read.
            if (created && WaitTillTaken(queue, message->pid, message->messageID, message->data))
                ClearFlagIfEmpty(queue, message->pid, message->registrationID);
        } catch (GException const&) {
            // Dropped: its queue cannot be had.
        }
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
    SendDelayedMessages();
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
