#pragma once
// The message queue of one receiver: a 32768-byte data area of a shared segment holding the
// version (1), the end of the used area (8 when empty) and length-prefixed records back to back:
// record version (1), size (12 + n), sender, message ID, data length n, n data bytes.
// Any process appends; the receiver drains. Segment "/KvoShD" + "P<pid>MQ<registration ID>".
//
// Callers may rely on:
// - An append writes the record first and the end word last, so a sender killed half-way leaves
//   no partial record; it appends only when the whole record fits.
// - Every operation holds the queue's mutex (bounded) for its whole run; a mutex that cannot be
//   had makes an append report false and a drain deliver nothing.
// - A record is accepted only when 12 <= size, its data length is size - 12 and it ends inside
//   the used area; the walk stops at the first damaged record (or an impossible end word): a
//   drain delivers what came before it and empties the queue, so the queue recovers.
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/memory/GSmartPtr.h"
#include "mac/ipc/PUNIXSharedMemory.h"
#include "printerprocessor/queues/GPPIPCMessage.h"
#include "printerprocessor/sharedmemory/GSharedMemoryBase.h"
#include "printerprocessor/sharedmemory/GShMemID.h"

class GPPIPCMessageQueue {
public:
    static constexpr int cQueueSize = 32768;
    static constexpr int cQueueVersion = 1;
    static constexpr int cQueueHeaderSize = 8;
    static constexpr int cMessageVersion = 1;
    static constexpr int cRecordHeaderSize = 20;

    // Opens an existing queue; throws (40154 for a version other than 1, the segment's errors).
    GPPIPCMessageQueue(int session, int processID, int registrationID);
    // Opens or creates the queue; created tells which.
    GPPIPCMessageQueue(int session, int processID, int registrationID, bool& created);

    bool TryToAddRawMessage(int messageID, GBuffer const& data);
    bool TryToAddRawMessage(int sender, int messageID, GBuffer const& data);
    // Appends unless a record of that message ID and data (from any sender) is queued; true then.
    bool TryToAddRawMessageOnce(int messageID, GBuffer const& data);
    bool TryToAddRawMessageOnce(int sender, int messageID, GBuffer const& data);
    // Throws when the queue cannot be locked.
    bool ContainsRawMessage(int messageID, GBuffer const& data);
    // Replaces messages with every pending message, oldest first, and empties the queue.
    void ReadPendingMessages(GTable<GSmartPtr<GPPIPCMessage> >& messages);
    static bool RawDataFitsEmptyQueue(GBuffer const& data);
    // Whether no record is queued; throws when the queue cannot be locked or read.
    bool IsEmpty();

    static GBuffer GetMemoryPath(int session);
    static GShMemID ConvertToMemoryID(int processID, int registrationID);

    GSharedMemoryBase<PUNIXSharedMemory>& GetMemory() { return mMemory; }

private:
    void CheckVersion();

    GSharedMemoryBase<PUNIXSharedMemory> mMemory;
};
