#pragma once
// The registration table of a session: every receiver registers {process ID, registration ID,
// flag} so that senders find its queue. Data area of 3084 bytes: version (1), seed, end (12 when
// empty), up to 256 entries of 12 bytes. Segment "/KvoShD" + "GIPC_PP" (type 0) or "GIPCTest_PP".
//
// Callers may rely on:
// - Every operation runs under the table's mutex (bounded) and reports failure through its
//   result, never by throwing; only the constructor throws.
// - Changes copy first and write the end word last, so a process killed half-way leaves a table
//   that every reader can walk.
// - Register first sweeps the entries of processes that no longer run, so dead receivers never
//   fill the table; a full table makes it return 0. Register's sweep and Unregister of a process
//   also unlink the queue (and its mutex) of every removed entry whose process no longer runs
//   and that no running process holds, so a killed receiver leaves nothing behind; so does
//   opening a table that every user left by being killed.
// - An end word outside the table is read as the nearest possible one; Register writes it back
//   repaired.
#include "core/bytes/GBuffer.h"
#include "core/containers/GPair.h"
#include "core/containers/GTable.h"
#include "core/memory/GAutoPtr.h"
#include "mac/ipc/PUNIXSharedMemory.h"
#include "printerprocessor/sharedmemory/GSharedMemoryBase.h"

class GPPIPCMessageQueueMgr {
public:
    typedef int ManagerType;
    typedef GSharedMemoryBase<PUNIXSharedMemory> Table;

    static constexpr int cCurrentVersion = 1;
    static constexpr int cListStartIndex = 12;
    static constexpr int cEntrySize = 12;
    static constexpr int cMaxEntries = 256;
    static constexpr int cTableSize = cListStartIndex + cMaxEntries * cEntrySize;
    static constexpr char const* cPrintProcessorExtn = "_PP";

    // Opens or creates the table; throws the segment's errors and 40154.
    GPPIPCMessageQueueMgr(bool global, ManagerType type);
    ~GPPIPCMessageQueueMgr();
    GPPIPCMessageQueueMgr(const GPPIPCMessageQueueMgr&) = delete;
    GPPIPCMessageQueueMgr& operator=(const GPPIPCMessageQueueMgr&) = delete;

    // The new registration ID, 0 on failure (table full or not lockable).
    int Register(int processID);
    int FindUnusedRegistrationID();
    void Unregister(int processID, int registrationID);
    void Unregister(int const& processID);
    bool IsRegistered(int processID);
    void SetFlag(int processID, int registrationID, bool flag);
    bool GetFlag(int processID, int registrationID);
    // Every entry of every session as {session, {process ID, registration ID}}.
    void GetRegistered(GTable<GPair<int, GPair<int, int> > >& entries);
    // The registration IDs of one process in the first session that has any.
    void GetRegistered(int processID, int& session, GTable<int>& ids);
    bool GetMgrSharedMem(int session, GAutoPtr<Table>& holder);

    static GBuffer GetQueueFootPrint(bool global, ManagerType type);
    static GBuffer GetMemoryPath(bool global);
    static GBuffer GetSpecialID(ManagerType type);

    Table& GetTable() { return table; }

private:
    int OwnSession() const;
    // A table whose users were all killed is unlinked by the consistency check of the next
    // opener, and with it what it recorded: the queues of its dead receivers are removed first.
    // Returns the table's path.
    static GBuffer PathAfterSweep(bool global, ManagerType type);
    int RegisterAfterSweep(int processID, GTable<GPair<int, int> >& dead);
    void RemoveQueuesOf(GTable<GPair<int, int> > const& removed);
    // Removes one entry from the table; false when the table could not be locked or read.
    bool RemoveEntry(int processID, int registrationID);
    void RemoveOwn(int processID, int registrationID, bool all);

    bool global;
    bool created = false;
    ManagerType type;
    Table table;
    GTable<GPair<int, int> > ownRegistrations;
};
