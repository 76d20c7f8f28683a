#pragma once
// The message queue of one receiver: a 32768-byte data area of a shared segment holding the
// version (1), the end of the used area (8 when empty) and length-prefixed records back to back:
// record version (1), size (12 + n), sender, message ID, data length n, n data bytes.
// Any process appends; the receiver drains. Segment "/KvoShD" + "P<pid>MQ<registration ID>".
//
// Callers may rely on:
// - An append writes the record first and the end word last, so a sender killed half-way leaves
//   no partial record; it appends only when the whole record fits.
// - Every operation holds the queue's mutex (bounded) while it reads or changes the segment (a
//   drain copies the used area out under it and walks the copy; an empty queue it sees without
//   it); a mutex that cannot be had makes an append report false and a drain deliver nothing.
// - A record is accepted only when 12 <= size, its data length is size - 12 and it ends inside
//   the used area; the walk stops at the first damaged record (or an impossible end word): a
//   drain delivers what came before it and empties the queue, so the queue recovers.
// - An append first cuts a damaged queue back to its sound records (nothing behind damage could
//   ever be read), so a record it adds is always one a reader reaches.
// - A sender can follow the record it placed (Look) and take it back (Withdraw): then "taken"
//   means the receiver read that very record, and a record taken back is never read.
#include <vector>

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
    // The version a sender writes over a record it takes back; readers skip it.
    static constexpr int cWithdrawnVersion = 0;

    // Where a send put its message: the record's offset (-1: no room) and whether this sender
    // wrote it (an equal record of another sender may already have been queued).
    struct Placement {
        int at = -1;
        bool own = false;
    };
    enum Presence { cQueued, cTaken, cHidden };

    // Opens an existing queue; throws (40154 for a version other than 1, the segment's errors).
    GPPIPCMessageQueue(int session, int processID, int registrationID);
    // Opens or creates the queue; created tells which.
    GPPIPCMessageQueue(int session, int processID, int registrationID, bool& created);

    bool TryToAddRawMessage(int messageID, GBuffer const& data);
    bool TryToAddRawMessage(int sender, int messageID, GBuffer const& data);
    // Appends unless a record of that message ID and data (from any sender) is queued; true then.
    bool TryToAddRawMessageOnce(int messageID, GBuffer const& data);
    bool TryToAddRawMessageOnce(int sender, int messageID, GBuffer const& data);
    // Appends after cutting off damage; with once, an equal queued record (from any sender) is
    // used instead. Throws when the queue cannot be locked or read.
    Placement Place(int sender, int messageID, GBuffer const& data, bool once);
    // Whether the placed record is still queued, was taken (a sound walk no longer finds it at its
    // place), or is hidden behind damage that a reader would stop at. Throws as Place.
    Presence Look(Placement const& placed, int messageID, GBuffer const& data);
    // Sleeps at most milliseconds while the placed record may still be queued. A drain wakes it,
    // so a sender learns at once that its record was read; without a wake (a reader that does not
    // give one) it ends when the time is up. Never throws.
    void WaitWhileQueued(Placement const& placed, int milliseconds);
    // Ends a send: true when the record was taken; else its own record is taken back (and damage
    // in front of it cut off), so it is never read. Throws as Place.
    bool Withdraw(Placement const& placed, int messageID, GBuffer const& data);
    // Cuts the used area back to the records before the first damaged one; true when it did.
    bool Repair();
    // Throws when the queue cannot be locked.
    bool ContainsRawMessage(int messageID, GBuffer const& data);
    // Replaces messages with every pending message, oldest first, and empties the queue; wakes the
    // senders waiting for their records when it took any. An empty queue is seen without its lock.
    void ReadPendingMessages(GTable<GSmartPtr<GPPIPCMessage> >& messages);
    static bool RawDataFitsEmptyQueue(GBuffer const& data);
    // Whether no record is queued; throws when the queue cannot be locked or read.
    bool IsEmpty();

    // Unlinks the queue of an ended receiver and its mutex, unless a running process still holds
    // the queue; never throws.
    static void RemoveAbandoned(int session, int processID, int registrationID) noexcept;

    static GBuffer GetMemoryPath(int session);
    static GShMemID ConvertToMemoryID(int processID, int registrationID);

    GSharedMemoryBase<PUNIXSharedMemory>& GetMemory() { return mMemory; }

private:
    void CheckVersion();

    GSharedMemoryBase<PUNIXSharedMemory> mMemory;
    // The used area a drain took, kept for the next drain's copy.
    std::vector<unsigned char> mTaken;
};
