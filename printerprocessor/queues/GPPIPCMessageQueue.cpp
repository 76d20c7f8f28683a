#include "printerprocessor/queues/GPPIPCMessageQueue.h"

#include <cstring>

#include "core/base/GException.h"
#include "core/text/GString.h"
#include "mac/ipc/PIPCProcessCheck.h"
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

// The used area copied out in one read; records are parsed from the copy.
struct UsedArea {
    GBuffer bytes;
    int end = 0;
    bool damaged = false;
};

UsedArea ReadUsedArea(Memory& memory) {
    UsedArea area;
    area.end = ReadIntAt(memory, kEndOffset);
    if (area.end < GPPIPCMessageQueue::cQueueHeaderSize || area.end > GPPIPCMessageQueue::cQueueSize) {
        area.damaged = true;
        area.end = GPPIPCMessageQueue::cQueueHeaderSize;
        return area;
    }
    memory.SetCursor(0);
    if (memory.Read(area.bytes, area.end) != area.end)
        throw GSimpleException(40163);
    return area;
}

// Calls visit(sender, messageID, data) for every record of version 1 until it returns true or a
// damaged record stops the walk (area.damaged is then set).
template <class Visit>
bool WalkRecords(UsedArea& area, Visit visit) {
    unsigned char const* bytes = area.bytes.GetPtr();
    int at = GPPIPCMessageQueue::cQueueHeaderSize;
    while (at < area.end) {
        if (area.end - at < GPPIPCMessageQueue::cRecordHeaderSize) {
            area.damaged = true;
            return false;
        }
        const int version = Word(bytes, at);
        const int size = Word(bytes, at + 4);
        if (size < 12 || size > area.end - at - 8 || Word(bytes, at + 16) != size - 12) {
            area.damaged = true;
            return false;
        }
        if (version == GPPIPCMessageQueue::cMessageVersion) {
            GBuffer data(bytes + at + 20, size - 12);
            if (visit(Word(bytes, at + 8), Word(bytes, at + 12), data))
                return true;
        }
        at += 8 + size;
    }
    return false;
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
    try {
        GSharedMemoryLocker<Memory> lock(mMemory);
        const int end = ReadIntAt(mMemory, kEndOffset);
        const int n = data.GetLength();
        // A damaged end word waits for the receiver's drain, which resets it.
        if (end < cQueueHeaderSize || end > cQueueSize || n > cQueueSize - end - cRecordHeaderSize)
            return false;
        GBuffer record;
        record.SetLength(cRecordHeaderSize + n);
        const int header[5] = {cMessageVersion, n + 12, sender, messageID, n};
        unsigned char* out = record.GetWritePtr();
        std::memcpy(out, header, sizeof header);
        if (n > 0)
            std::memcpy(out + cRecordHeaderSize, data.GetPtr(), static_cast<size_t>(n));
        mMemory.SetCursor(end);
        if (mMemory.Write(record.GetPtr(), record.GetLength()) != record.GetLength())
            return false;
        // The end word last: until it is written, the record does not exist for readers.
        WriteIntAt(mMemory, kEndOffset, end + record.GetLength());
        return true;
    } catch (GException const&) {
        return false;
    }
}

bool GPPIPCMessageQueue::TryToAddRawMessageOnce(int messageID, GBuffer const& data) {
    return TryToAddRawMessageOnce(PIPCProcessCheck::GetCurrentProcessID(), messageID, data);
}

bool GPPIPCMessageQueue::TryToAddRawMessageOnce(int sender, int messageID, GBuffer const& data) {
    GSharedMemoryLocker<Memory> lock(mMemory);
    if (ContainsRawMessage(messageID, data))
        return true;
    return TryToAddRawMessage(sender, messageID, data);
}

bool GPPIPCMessageQueue::ContainsRawMessage(int messageID, GBuffer const& data) {
    GSharedMemoryLocker<Memory> lock(mMemory);
    UsedArea area = ReadUsedArea(mMemory);
    return WalkRecords(area, [&](int, int id, GBuffer const& bytes) { return id == messageID && bytes == data; });
}

void GPPIPCMessageQueue::ReadPendingMessages(GTable<GSmartPtr<GPPIPCMessage> >& messages) {
    while (messages.GetCount() > 0)
        messages.RemoveLastItem();
    try {
        GSharedMemoryLocker<Memory> lock(mMemory);
        UsedArea area = ReadUsedArea(mMemory);
        WalkRecords(area, [&](int sender, int id, GBuffer const& bytes) {
            messages.AddItem(GSmartPtr<GPPIPCMessage>(new GPPIPCMessage(sender, id, bytes)));
            return false;
        });
        WriteIntAt(mMemory, kEndOffset, cQueueHeaderSize);
    } catch (GException const&) {
    }
}

bool GPPIPCMessageQueue::RawDataFitsEmptyQueue(GBuffer const& data) {
    return data.GetLength() <= cQueueSize - cQueueHeaderSize - cRecordHeaderSize;
}

bool GPPIPCMessageQueue::IsEmpty() {
    GSharedMemoryLocker<Memory> lock(mMemory);
    return ReadIntAt(mMemory, kEndOffset) == cQueueHeaderSize;
}

GBuffer GPPIPCMessageQueue::GetMemoryPath(int session) {
    return GSessionInfo::GetInstance()->GetSessionPrefix(session);
}

GShMemID GPPIPCMessageQueue::ConvertToMemoryID(int processID, int registrationID) {
    return GShMemID::GetSpecialID(1) + GShMemID(GBuffer(processID)) + GShMemID::GetSpecialID(101) +
           GShMemID(GBuffer(registrationID));
}
