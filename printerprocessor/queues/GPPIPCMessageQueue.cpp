#include "printerprocessor/queues/GPPIPCMessageQueue.h"

#include <sched.h>

#include <cstring>

#include "core/base/GException.h"
#include "core/text/GString.h"
#include "mac/ipc/PIPCProcessCheck.h"
#include "mac/ipc/PShmCalls.h"
#include "mac/system/PSystem.h"
#include "core/values/GSessionInfo.h"
#include "printerprocessor/sharedmemory/GBinaryShMemUtils.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"

namespace {

using Memory = GSharedMemoryBase<PUNIXSharedMemory>;

constexpr int kEndOffset = 4;

int ReadIntAt(Memory& memory, int offset) {
    int value = 0;
    memory.SetCursor(offset);
    GBinaryShMemUtils::Read(memory, value);
    return value;
}

void WriteIntAt(Memory& memory, int offset, int value) {
    memory.SetCursor(offset);
    GBinaryShMemUtils::Write(memory, value);
}

int Word(unsigned char const* bytes, int at) {
    int value = 0;
    std::memcpy(&value, bytes + at, sizeof value);
    return value;
}

// The used area, walked in place under the queue's lock: nothing is copied out but the data of
// the messages a reader takes. Every word is read once into a local and checked before use, so a
// stranger scribbling on the segment meanwhile can only make a record look damaged, never make a
// walk leave the area.
struct UsedArea {
    unsigned char const* bytes = nullptr;
    int end = 0;
    bool damaged = false;
    // Where the first damaged record begins (the header's end when the end word itself is bad).
    int damageAt = 0;
};

unsigned char* DataOf(Memory& memory) {
    unsigned char* data = memory.GetSegment().GetData();
    if (data == nullptr || memory.GetLength() < GPPIPCMessageQueue::cQueueHeaderSize)
        throw GSimpleException(40163);
    return data;
}

UsedArea ReadUsedArea(Memory& memory) {
    UsedArea area;
    area.bytes = DataOf(memory);
    area.end = __atomic_load_n(reinterpret_cast<int const*>(area.bytes + kEndOffset), __ATOMIC_ACQUIRE);
    if (area.end < GPPIPCMessageQueue::cQueueHeaderSize || area.end > GPPIPCMessageQueue::cQueueSize) {
        area.damaged = true;
        area.end = GPPIPCMessageQueue::cQueueHeaderSize;
        area.damageAt = GPPIPCMessageQueue::cQueueHeaderSize;
        return area;
    }
    if (area.end > memory.GetLength())
        throw GSimpleException(40163);
    return area;
}

// Calls visit(at, sender, messageID, data, length) for every record of version 1 until it returns
// true or a damaged record stops the walk (area.damaged and area.damageAt are then set).
template <class Visit>
bool WalkRecords(UsedArea& area, Visit visit) {
    if (area.damaged)
        return false;
    unsigned char const* bytes = area.bytes;
    int at = GPPIPCMessageQueue::cQueueHeaderSize;
    while (at < area.end) {
        const int size = area.end - at < GPPIPCMessageQueue::cRecordHeaderSize ? -1 : Word(bytes, at + 4);
        if (size < 12 || size > area.end - at - 8 || Word(bytes, at + 16) != size - 12) {
            area.damaged = true;
            area.damageAt = at;
            return false;
        }
        if (Word(bytes, at) == GPPIPCMessageQueue::cMessageVersion &&
            visit(at, Word(bytes, at + 8), Word(bytes, at + 12), bytes + at + 20, size - 12))
            return true;
        at += 8 + size;
    }
    return false;
}

// The record's offset, when it is of this message and lies where the walk can reach it.
struct Search {
    int at = -1;
    int sender = 0;
};

Search Find(UsedArea& area, int messageID, GBuffer const& data, int wantedAt) {
    Search found;
    WalkRecords(area, [&](int at, int sender, int id, unsigned char const* bytes, int length) {
        if ((wantedAt >= 0 && at != wantedAt) || id != messageID || length != data.GetLength() ||
            (length > 0 && std::memcmp(bytes, data.GetPtr(), static_cast<size_t>(length)) != 0))
            return false;
        found.at = at;
        found.sender = sender;
        return true;
    });
    return found;
}

// Sleeps at most milliseconds while the end word holds end (and, with before >= 0, while the end
// lies past before), counted among the sleepers of the queue's mutex segment so that a drain
// knows to wake it. The count goes up before the end is looked at, and a drain writes the end
// before it reads the count: either the sleeper sees the drained end or the drain sees it.
void SleepWhileEndIs(Memory& memory, int* endWord, int end, int before, int milliseconds) {
    int* sleepers = memory.GetMutex().GetSleeperWord();
    __atomic_add_fetch(sleepers, 1, __ATOMIC_SEQ_CST);
    const int now = __atomic_load_n(endWord, __ATOMIC_SEQ_CST);
    if (now == end && (before < 0 || now > before))
        PShmCalls::WaitWhileEqual(endWord, end, milliseconds);
    __atomic_sub_fetch(sleepers, 1, __ATOMIC_SEQ_CST);
}

// Both sequentially consistent, like the sleeper's count and look: a sender going to sleep
// either sees this end or is counted by the look that follows it.
void StoreEnd(Memory& memory, int end) {
    unsigned char* data = memory.GetSegment().GetData();
    if (data == nullptr || memory.GetLength() < kEndOffset + static_cast<int>(sizeof(int)))
        throw GSimpleException(40160);
    __atomic_store_n(reinterpret_cast<int*>(data + kEndOffset), end, __ATOMIC_SEQ_CST);
}

// Walks to the end only to find damage.
void FindDamage(UsedArea& area) {
    WalkRecords(area, [](int, int, int, unsigned char const*, int) { return false; });
}

}  // namespace

GPPIPCMessageQueue::GPPIPCMessageQueue(int session, int processID, int registrationID)
    : mMemory(GetMemoryPath(session), ConvertToMemoryID(processID, registrationID)) {
    CheckVersion();
}

GPPIPCMessageQueue::GPPIPCMessageQueue(int session, int processID, int registrationID, bool& created)
    : mMemory(GetMemoryPath(session), ConvertToMemoryID(processID, registrationID), cQueueSize, created) {
    if (!created) {
        CheckVersion();
        return;
    }
    GSharedMemoryLocker<Memory> lock(mMemory);
    WriteIntAt(mMemory, 0, cQueueVersion);
    WriteIntAt(mMemory, kEndOffset, cQueueHeaderSize);
}

void GPPIPCMessageQueue::CheckVersion() {
    GSharedMemoryLocker<Memory> lock(mMemory);
    if (ReadIntAt(mMemory, 0) != cQueueVersion)
        throw GSimpleException(40154);
}

bool GPPIPCMessageQueue::TryToAddRawMessage(int messageID, GBuffer const& data) {
    return TryToAddRawMessage(PIPCProcessCheck::GetCurrentProcessID(), messageID, data);
}

bool GPPIPCMessageQueue::TryToAddRawMessage(int sender, int messageID, GBuffer const& data) {
    bool full = false;
    try {
        if (Place(sender, messageID, data, false).at >= 0)
            return true;
        full = true;
    } catch (GException const&) {
    }
    // A sender that found no room tries again: it gives way first, so that the reader, which
    // needs the same lock to make room, is not kept from it by a sender that keeps asking. A full
    // queue is waited on until the reader's drain wakes it (a millisecond at most).
    unsigned char* bytes = mMemory.GetSegment().GetData();
    if (full && bytes != nullptr) {
        int* endWord = reinterpret_cast<int*>(bytes + kEndOffset);
        SleepWhileEndIs(mMemory, endWord, __atomic_load_n(endWord, __ATOMIC_ACQUIRE), -1, 1);
    } else {
        sched_yield();
    }
    return false;
}

bool GPPIPCMessageQueue::TryToAddRawMessageOnce(int messageID, GBuffer const& data) {
    return TryToAddRawMessageOnce(PIPCProcessCheck::GetCurrentProcessID(), messageID, data);
}

bool GPPIPCMessageQueue::TryToAddRawMessageOnce(int sender, int messageID, GBuffer const& data) {
    return Place(sender, messageID, data, true).at >= 0;
}

GPPIPCMessageQueue::Placement GPPIPCMessageQueue::Place(int sender, int messageID, GBuffer const& data, bool once) {
    GSharedMemoryLocker<Memory> lock(mMemory);
    UsedArea area = ReadUsedArea(mMemory);
    // The search walks the whole used area when it finds nothing, so it also finds damage.
    Search found;
    if (once)
        found = Find(area, messageID, data, -1);
    else
        FindDamage(area);
    Placement placed;
    if (once && found.at >= 0) {
        placed.at = found.at;
        placed.own = found.sender == sender;
        return placed;
    }
    // Readers stop at damage: a record behind it would never be read. What lies there is cut off
    // first (a drain would drop it anyway), so the new record comes right after the sound ones.
    int end = area.end;
    if (area.damaged) {
        end = area.damageAt;
        WriteIntAt(mMemory, kEndOffset, end);
    }
    const int n = data.GetLength();
    if (n > cQueueSize - end - cRecordHeaderSize)
        return placed;
    const int length = cRecordHeaderSize + n;
    if (length > mMemory.GetLength() - end)
        throw GSimpleException(40164);
    const int header[5] = {cMessageVersion, n + 12, sender, messageID, n};
    unsigned char* out = DataOf(mMemory) + end;
    std::memcpy(out, header, sizeof header);
    if (n > 0)
        std::memcpy(out + cRecordHeaderSize, data.GetPtr(), static_cast<size_t>(n));
    // The end word last: until it is written, the record does not exist for readers.
    __atomic_store_n(reinterpret_cast<int*>(DataOf(mMemory) + kEndOffset), end + length, __ATOMIC_RELEASE);
    placed.at = end;
    placed.own = true;
    return placed;
}

GPPIPCMessageQueue::Presence GPPIPCMessageQueue::Look(Placement const& placed, int messageID, GBuffer const& data) {
    GSharedMemoryLocker<Memory> lock(mMemory);
    UsedArea area = ReadUsedArea(mMemory);
    if (Find(area, messageID, data, placed.at).at >= 0)
        return cQueued;
    return area.damaged && area.damageAt <= placed.at ? cHidden : cTaken;
}

void GPPIPCMessageQueue::WaitWhileQueued(Placement const& placed, int milliseconds) {
    unsigned char* data = mMemory.GetSegment().GetData();
    if (data == nullptr || mMemory.GetLength() < cQueueHeaderSize) {
        PSystem::MilliSleep(milliseconds);
        return;
    }
    int* endWord = reinterpret_cast<int*>(data + kEndOffset);
    const int end = __atomic_load_n(endWord, __ATOMIC_ACQUIRE);
    // An end at or before the record: it was read (or taken back) already. A drain after this
    // load changes the word, so its wake is not lost; other senders' appends change it too and
    // only cost one more look.
    if (end > placed.at)
        SleepWhileEndIs(mMemory, endWord, end, placed.at, milliseconds);
}

bool GPPIPCMessageQueue::Withdraw(Placement const& placed, int messageID, GBuffer const& data) {
    GSharedMemoryLocker<Memory> lock(mMemory);
    switch (Look(placed, messageID, data)) {
    case cTaken:
        return true;
    case cHidden:
        Repair();
        return false;
    case cQueued:
        break;
    }
    // Another sender's equal record is that sender's to take back.
    if (!placed.own)
        return false;
    // Marked in one word, not moved: a process killed here leaves a queue every reader walks.
    // Readers skip a record of another version.
    WriteIntAt(mMemory, placed.at, cWithdrawnVersion);
    const int size = ReadIntAt(mMemory, placed.at + 4);
    if (placed.at + 8 + size == ReadIntAt(mMemory, kEndOffset))
        WriteIntAt(mMemory, kEndOffset, placed.at);
    return false;
}

bool GPPIPCMessageQueue::Repair() {
    GSharedMemoryLocker<Memory> lock(mMemory);
    UsedArea area = ReadUsedArea(mMemory);
    FindDamage(area);
    if (!area.damaged)
        return false;
    WriteIntAt(mMemory, kEndOffset, area.damageAt);
    return true;
}

bool GPPIPCMessageQueue::ContainsRawMessage(int messageID, GBuffer const& data) {
    GSharedMemoryLocker<Memory> lock(mMemory);
    UsedArea area = ReadUsedArea(mMemory);
    return Find(area, messageID, data, -1).at >= 0;
}

void GPPIPCMessageQueue::ReadPendingMessages(GTable<GSmartPtr<GPPIPCMessage> >& messages) {
    while (messages.GetCount() > 0)
        messages.RemoveLastItem();
    // The end word is written last by every append: while it shows an empty queue there is
    // nothing to take, and a reader that polls keeps the lock free for the senders.
    unsigned char* data = mMemory.GetSegment().GetData();
    if (data != nullptr && mMemory.GetLength() >= cQueueHeaderSize &&
        __atomic_load_n(reinterpret_cast<int const*>(data + kEndOffset), __ATOMIC_ACQUIRE) == cQueueHeaderSize)
        return;
    bool wake = false;
    try {
        // The used area is copied out in one piece and the queue emptied; the messages are made
        // from the copy after the lock is let go, so senders wait for a copy only.
        GSharedMemoryLocker<Memory> lock(mMemory);
        const UsedArea area = ReadUsedArea(mMemory);
        mTaken.assign(area.bytes, area.bytes + area.end);
        // The end first, then the sleepers (see SleepWhileEndIs).
        StoreEnd(mMemory, cQueueHeaderSize);
        wake = (area.end != cQueueHeaderSize || area.damaged) &&
               __atomic_load_n(mMemory.GetMutex().GetSleeperWord(), __ATOMIC_SEQ_CST) != 0;
    } catch (GException const&) {
        return;
    }
    if (wake)
        PShmCalls::WakeAll(reinterpret_cast<int*>(data + kEndOffset));
    UsedArea copy;
    copy.bytes = mTaken.data();
    copy.end = static_cast<int>(mTaken.size());
    WalkRecords(copy, [&](int, int sender, int id, unsigned char const* bytes, int length) {
        messages.AddItem(GSmartPtr<GPPIPCMessage>(new GPPIPCMessage(sender, id, GBuffer(bytes, length))));
        return false;
    });
}

bool GPPIPCMessageQueue::RawDataFitsEmptyQueue(GBuffer const& data) {
    return data.GetLength() <= cQueueSize - cQueueHeaderSize - cRecordHeaderSize;
}

bool GPPIPCMessageQueue::IsEmpty() {
    GSharedMemoryLocker<Memory> lock(mMemory);
    return ReadIntAt(mMemory, kEndOffset) == cQueueHeaderSize;
}

void GPPIPCMessageQueue::RemoveAbandoned(int session, int processID, int registrationID) noexcept {
    try {
        Memory::RemoveUnused(GetMemoryPath(session), ConvertToMemoryID(processID, registrationID));
    } catch (...) {
        // Left for the next sweep.
    }
}

GBuffer GPPIPCMessageQueue::GetMemoryPath(int session) {
    return GSessionInfo::GetInstance()->GetSessionPrefix(session);
}

GShMemID GPPIPCMessageQueue::ConvertToMemoryID(int processID, int registrationID) {
    return GShMemID::GetSpecialID(1) + GShMemID(GBuffer(processID)) + GShMemID::GetSpecialID(101) +
           GShMemID(GBuffer(registrationID));
}
