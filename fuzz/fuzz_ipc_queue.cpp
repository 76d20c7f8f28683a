// Random bytes mapped as a message queue's data area and as a registration table, then walked by
// every operation. No crash, no hang; a drain always leaves an empty queue that takes and
// delivers a new message, and the table always takes a new registration unless every one of its
// 256 entries belongs to a running process.
//
// Input: byte 0 picks the structure (even: queue, odd: table); the rest is written over the data
// area from offset 0 (the rest of the area is zeroed).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#include "mac/ipc/PIPCProcessCheck.h"
#include "mac/ipc/PUNIXIPMutexImp.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "printerprocessor/queues/GPPIPCMessageQueueMgr.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"
#include "support/FuzzInput.h"

namespace {

using Memory = GSharedMemoryBase<PUNIXSharedMemory>;

struct Objects {
    Objects() {
        const std::string prefix = "trvfuzz" + std::to_string(getpid()) + "_";
        setenv("TROVEL_SHM_PREFIX", prefix.c_str(), 1);
        PUNIXIPMutexImp::SetLockTimeout(200);
        GShMemID::Initialize();
        bool created = false;
        queue = std::make_unique<GPPIPCMessageQueue>(-1, getpid(), 1, created);
        rawQueue = std::make_unique<Memory>(GBuffer(), GPPIPCMessageQueue::ConvertToMemoryID(getpid(), 1));
        table = std::make_unique<GPPIPCMessageQueueMgr>(false, 1);
        rawTable = std::make_unique<Memory>(GBuffer(), GPPIPCMessageQueueMgr::GetSpecialID(1));
    }
    // Destroyed at exit: the objects' names leave /dev/shm with the last of them.
    std::unique_ptr<GPPIPCMessageQueue> queue;
    std::unique_ptr<Memory> rawQueue;
    std::unique_ptr<GPPIPCMessageQueueMgr> table;
    std::unique_ptr<Memory> rawTable;
};

Objects& Get() {
    static Objects objects;
    return objects;
}

void Overwrite(Memory& memory, const uint8_t* data, size_t size) {
    GSharedMemoryLocker<Memory> lock(memory);
    std::string bytes(static_cast<size_t>(memory.GetLength()), '\0');
    std::memcpy(&bytes[0], data, size < bytes.size() ? size : bytes.size());
    memory.SetCursor(0);
    Check(memory.Write(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size())) ==
          static_cast<int>(bytes.size()));
}

int WordAt(Memory& memory, int offset) {
    int value = 0;
    memory.SetCursor(offset);
    memory.Read(reinterpret_cast<unsigned char*>(&value), 4);
    return value;
}

void WalkQueue(Objects& o) {
    o.queue->ContainsRawMessage(145, GBuffer("job"));
    // Whatever the damage, a record placed is one the drain delivers.
    const GBuffer mine("placed");
    const GPPIPCMessageQueue::Placement placed = o.queue->Place(getpid(), 147, mine, false);
    if (placed.at >= 0)
        Check(o.queue->Look(placed, 147, mine) == GPPIPCMessageQueue::cQueued);
    GTable<GSmartPtr<GPPIPCMessage> > messages;
    o.queue->ReadPendingMessages(messages);
    bool delivered = false;
    for (int i = 0; i < messages.GetCount(); ++i) {
        Check(messages[i]->GetData().GetLength() <= GPPIPCMessageQueue::cQueueSize - 28);
        delivered = delivered || (messages[i]->GetMessageID() == 147 && messages[i]->GetData() == mine);
    }
    Check(placed.at < 0 || delivered);
    if (placed.at >= 0)
        Check(o.queue->Look(placed, 147, mine) == GPPIPCMessageQueue::cTaken);
    Check(WordAt(*o.rawQueue, 4) == GPPIPCMessageQueue::cQueueHeaderSize);
    Check(o.queue->TryToAddRawMessageOnce(145, GBuffer("fresh")));
    o.queue->ReadPendingMessages(messages);
    Check(messages.GetCount() == 1 && messages[0]->GetData() == GBuffer("fresh"));
}

void WalkTable(Objects& o, const uint8_t* data, size_t size) {
    int someone = 0;
    if (size >= 5)
        std::memcpy(&someone, data + 1, 4);
    o.table->IsRegistered(someone);
    o.table->GetFlag(someone, 1);
    o.table->SetFlag(someone, 1, true);
    GTable<GPair<int, GPair<int, int> > > all;
    o.table->GetRegistered(all);
    Check(all.GetCount() <= GPPIPCMessageQueueMgr::cMaxEntries);
    o.table->Unregister(someone, 2);
    const int id = o.table->Register(getpid());
    const int end = WordAt(*o.rawTable, 8);
    Check(end >= 12 && end <= GPPIPCMessageQueueMgr::cTableSize && (end - 12) % 12 == 0);
    if (id == 0) {
        // Only a table full of living processes may refuse.
        Check(end == GPPIPCMessageQueueMgr::cTableSize);
        for (int at = 12; at < end; at += 12)
            Check(PIPCProcessCheck::IsRunning(WordAt(*o.rawTable, at)));
        return;
    }
    Check(o.table->IsRegistered(getpid()));
    o.table->Unregister(getpid(), id);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!TakeInput(size, 1, 40000))
        return 0;
    Objects& o = Get();
    if ((data[0] & 1) == 0) {
        Overwrite(*o.rawQueue, data + 1, size - 1);
        WalkQueue(o);
    } else {
        Overwrite(*o.rawTable, data + 1, size - 1);
        WalkTable(o, data, size);
    }
    return 0;
}
