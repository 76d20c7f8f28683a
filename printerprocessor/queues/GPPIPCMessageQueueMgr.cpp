#include "printerprocessor/queues/GPPIPCMessageQueueMgr.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/base/GException.h"
#include "mac/ipc/PIPCProcessCheck.h"
#include "core/values/GSessionInfo.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "printerprocessor/sharedmemory/GBinaryShMemUtils.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"
#include "printerprocessor/sharedmemory/GShMemID.h"

namespace {

using Table = GPPIPCMessageQueueMgr::Table;

constexpr int kSeedOffset = 4;
constexpr int kEndOffset = 8;
constexpr int kEntryWords = 3;

int ReadIntAt(Table& table, int offset) {
    int value = 0;
    table.SetCursor(offset);
    GBinaryShMemUtils::Read(table, value);
    return value;
}

void WriteIntAt(Table& table, int offset, int value) {
    table.SetCursor(offset);
    GBinaryShMemUtils::Write(table, value);
}

// The whole table copied out under the caller's lock; the entries are walked from the copy.
struct Snapshot {
    int words[GPPIPCMessageQueueMgr::cTableSize / 4];
    int end;
    bool repaired;

    int Count() const { return (end - GPPIPCMessageQueueMgr::cListStartIndex) / GPPIPCMessageQueueMgr::cEntrySize; }
    int* Entry(int index) { return words + (GPPIPCMessageQueueMgr::cListStartIndex / 4) + index * kEntryWords; }
    static int Offset(int index) { return GPPIPCMessageQueueMgr::cListStartIndex + index * GPPIPCMessageQueueMgr::cEntrySize; }
};

void TakeSnapshot(Table& table, Snapshot& snapshot) {
    table.SetCursor(0);
    if (table.Read(reinterpret_cast<unsigned char*>(snapshot.words), sizeof snapshot.words) != static_cast<int>(sizeof snapshot.words))
        throw GSimpleException(40163);
    const int stored = snapshot.words[kEndOffset / 4];
    int end = stored;
    if (end < GPPIPCMessageQueueMgr::cListStartIndex)
        end = GPPIPCMessageQueueMgr::cListStartIndex;
    if (end > GPPIPCMessageQueueMgr::cTableSize)
        end = GPPIPCMessageQueueMgr::cTableSize;
    end -= (end - GPPIPCMessageQueueMgr::cListStartIndex) % GPPIPCMessageQueueMgr::cEntrySize;
    snapshot.end = end;
    snapshot.repaired = end != stored;
}

void WriteEntry(Table& table, int index, int const* entry) {
    table.SetCursor(Snapshot::Offset(index));
    if (table.Write(reinterpret_cast<unsigned char const*>(entry), GPPIPCMessageQueueMgr::cEntrySize) !=
        GPPIPCMessageQueueMgr::cEntrySize)
        throw GSimpleException(40164);
}

// Removes entry index: the last entry is copied into the hole first, the end word written last.
void RemoveEntryAt(Table& table, Snapshot& snapshot, int index) {
    const int last = snapshot.Count() - 1;
    if (index != last) {
        WriteEntry(table, index, snapshot.Entry(last));
        std::memcpy(snapshot.Entry(index), snapshot.Entry(last), GPPIPCMessageQueueMgr::cEntrySize);
    }
    snapshot.end -= GPPIPCMessageQueueMgr::cEntrySize;
    WriteIntAt(table, kEndOffset, snapshot.end);
}

int FindEntry(Snapshot& snapshot, int processID, int registrationID) {
    for (int i = 0; i < snapshot.Count(); ++i) {
        if (snapshot.Entry(i)[0] == processID && snapshot.Entry(i)[1] == registrationID)
            return i;
    }
    return -1;
}

bool HoldsRegistrationID(Snapshot& snapshot, int registrationID) {
    for (int i = 0; i < snapshot.Count(); ++i) {
        if (snapshot.Entry(i)[1] == registrationID)
            return true;
    }
    return false;
}

GBuffer TableID(GPPIPCMessageQueueMgr::ManagerType type) {
    return GShMemID::GetSpecialID(type == 0 ? 201 : 202) + GShMemID(GPPIPCMessageQueueMgr::cPrintProcessorExtn);
}

}  // namespace

GPPIPCMessageQueueMgr::GPPIPCMessageQueueMgr(bool global_, ManagerType type_)
    : global(global_), type(type_), table(PathAfterSweep(global_, type_), TableID(type_), cTableSize, created) {
    GSharedMemoryLocker<Table> lock(table);
    if (!created) {
        if (ReadIntAt(table, 0) != cCurrentVersion)
            throw GSimpleException(40154);
        return;
    }
    WriteIntAt(table, 0, cCurrentVersion);
    WriteIntAt(table, kSeedOffset, static_cast<int>(clock()));
    WriteIntAt(table, kEndOffset, cListStartIndex);
    created = false;
}

GBuffer GPPIPCMessageQueueMgr::PathAfterSweep(bool global, ManagerType type) {
    GBuffer words;
    if (!Table::ReadAbandoned(TableID(type), cTableSize, words))
        return GetMemoryPath(global);
    int const* table = reinterpret_cast<int const*>(words.GetPtr());
    int end = table[kEndOffset / 4];
    end = end < cListStartIndex ? cListStartIndex : end > cTableSize ? cTableSize : end;
    GSessionInfo const* sessions = GSessionInfo::GetInstance();
    const int session = global ? -1 : sessions->GetCurrentSession();
    for (int at = cListStartIndex; at + cEntrySize <= end; at += cEntrySize) {
        const int pid = table[at / 4];
        if (!PIPCProcessCheck::IsRunning(pid))
            GPPIPCMessageQueue::RemoveAbandoned(session, pid, table[at / 4 + 1]);
    }
    return GetMemoryPath(global);
}

GPPIPCMessageQueueMgr::~GPPIPCMessageQueueMgr() {
    // Newest first; a table that cannot be locked is given up at once rather than once per entry.
    while (ownRegistrations.GetCount() > 0) {
        const GPair<int, int> last = ownRegistrations[ownRegistrations.GetCount() - 1];
        ownRegistrations.RemoveLastItem();
        if (!RemoveEntry(last.first, last.second))
            break;
    }
}

int GPPIPCMessageQueueMgr::OwnSession() const {
    return global ? -1 : GSessionInfo::GetInstance()->GetCurrentSession();
}

int GPPIPCMessageQueueMgr::FindUnusedRegistrationID() {
    try {
        GSharedMemoryLocker<Table> lock(table);
        unsigned int seed = static_cast<unsigned int>(ReadIntAt(table, kSeedOffset)) + 1;
        WriteIntAt(table, kSeedOffset, static_cast<int>(seed));
        Snapshot snapshot;
        TakeSnapshot(table, snapshot);
        for (;;) {
            const int candidate = rand_r(&seed);
            if (candidate > 0 && !HoldsRegistrationID(snapshot, candidate))
                return candidate;
        }
    } catch (GException const&) {
        return 0;
    }
}

int GPPIPCMessageQueueMgr::Register(int processID) {
    GTable<GPair<int, int> > dead;
    const int id = RegisterAfterSweep(processID, dead);
    RemoveQueuesOf(dead);
    return id;
}

int GPPIPCMessageQueueMgr::RegisterAfterSweep(int processID, GTable<GPair<int, int> >& dead) {
    try {
        // The ID is drawn under the same lock as the append, so no other process can take it between.
        GSharedMemoryLocker<Table> lock(table);
        Snapshot snapshot;
        TakeSnapshot(table, snapshot);
        for (int i = 0; i < snapshot.Count();) {
            if (PIPCProcessCheck::IsRunning(snapshot.Entry(i)[0])) {
                ++i;
                continue;
            }
            dead.AddItem(GPair<int, int>(snapshot.Entry(i)[0], snapshot.Entry(i)[1]));
            RemoveEntryAt(table, snapshot, i);
        }
        if (snapshot.repaired)
            WriteIntAt(table, kEndOffset, snapshot.end);
        if (snapshot.Count() >= cMaxEntries)
            return 0;
        const int id = FindUnusedRegistrationID();
        if (id == 0)
            return 0;
        const int entry[kEntryWords] = {processID, id, 0};
        WriteEntry(table, snapshot.Count(), entry);
        WriteIntAt(table, kEndOffset, snapshot.end + cEntrySize);
        ownRegistrations.AddItem(GPair<int, int>(processID, id));
        return id;
    } catch (GException const&) {
        return 0;
    }
}

// Outside the table's lock: a queue's lock is never taken under it (senders take them the other
// way round).
void GPPIPCMessageQueueMgr::RemoveQueuesOf(GTable<GPair<int, int> > const& removed) {
    const int session = OwnSession();
    for (const GPair<int, int>& entry : removed) {
        if (!PIPCProcessCheck::IsRunning(entry.first))
            GPPIPCMessageQueue::RemoveAbandoned(session, entry.first, entry.second);
    }
}

void GPPIPCMessageQueueMgr::RemoveOwn(int processID, int registrationID, bool all) {
    for (int i = 0; i < ownRegistrations.GetCount();) {
        const GPair<int, int>& pair = ownRegistrations[i];
        if (pair.first == processID && (all || pair.second == registrationID)) {
            ownRegistrations.RemoveItemAt(i);
            if (!all)
                return;
        } else {
            ++i;
        }
    }
}

bool GPPIPCMessageQueueMgr::RemoveEntry(int processID, int registrationID) {
    try {
        GSharedMemoryLocker<Table> lock(table);
        Snapshot snapshot;
        TakeSnapshot(table, snapshot);
        const int index = FindEntry(snapshot, processID, registrationID);
        if (index >= 0)
            RemoveEntryAt(table, snapshot, index);
        return true;
    } catch (GException const&) {
        return false;
    }
}

void GPPIPCMessageQueueMgr::Unregister(int processID, int registrationID) {
    RemoveEntry(processID, registrationID);
    RemoveOwn(processID, registrationID, false);
}

void GPPIPCMessageQueueMgr::Unregister(int const& processID) {
    const int pid = processID;
    GTable<GPair<int, int> > removed;
    try {
        GSharedMemoryLocker<Table> lock(table);
        Snapshot snapshot;
        TakeSnapshot(table, snapshot);
        for (int i = 0; i < snapshot.Count();) {
            if (snapshot.Entry(i)[0] != pid) {
                ++i;
                continue;
            }
            removed.AddItem(GPair<int, int>(pid, snapshot.Entry(i)[1]));
            RemoveEntryAt(table, snapshot, i);
        }
    } catch (GException const&) {
    }
    RemoveOwn(pid, 0, true);
    RemoveQueuesOf(removed);
}

bool GPPIPCMessageQueueMgr::IsRegistered(int processID) {
    try {
        GSharedMemoryLocker<Table> lock(table);
        Snapshot snapshot;
        TakeSnapshot(table, snapshot);
        for (int i = 0; i < snapshot.Count(); ++i) {
            if (snapshot.Entry(i)[0] == processID)
                return true;
        }
    } catch (GException const&) {
    }
    return false;
}

void GPPIPCMessageQueueMgr::SetFlag(int processID, int registrationID, bool flag) {
    try {
        GSharedMemoryLocker<Table> lock(table);
        Snapshot snapshot;
        TakeSnapshot(table, snapshot);
        const int index = FindEntry(snapshot, processID, registrationID);
        if (index >= 0)
            WriteIntAt(table, Snapshot::Offset(index) + 8, flag ? 1 : 0);
    } catch (GException const&) {
    }
}

bool GPPIPCMessageQueueMgr::GetFlag(int processID, int registrationID) {
    try {
        GSharedMemoryLocker<Table> lock(table);
        Snapshot snapshot;
        TakeSnapshot(table, snapshot);
        const int index = FindEntry(snapshot, processID, registrationID);
        return index >= 0 && snapshot.Entry(index)[2] != 0;
    } catch (GException const&) {
        return false;
    }
}

bool GPPIPCMessageQueueMgr::GetMgrSharedMem(int session, GAutoPtr<Table>& holder) {
    if (session == OwnSession()) {
        holder = GAutoPtr<Table>(&table);
        holder.Release();
        return true;
    }
    try {
        const GBuffer path = GSessionInfo::GetInstance()->GetSessionPrefix(global ? -1 : session);
        if (!Table::Exists(path, TableID(type)))
            return false;
        holder = GAutoPtr<Table>(new Table(path, TableID(type)));
        return true;
    } catch (GException const&) {
        return false;
    }
}

namespace {

// Shows visit(session, snapshot) the table of each active session, under that table's lock, until
// it answers false; a session whose table cannot be opened or locked is passed over.
template <class Visit>
void ForEachSessionTable(GPPIPCMessageQueueMgr& manager, Visit visit) {
    GTable<int> sessions;
    GSessionInfo::GetInstance()->GetAllActiveSessions(sessions);
    for (int s = 0; s < sessions.GetCount(); ++s) {
        GAutoPtr<Table> holder;
        if (!manager.GetMgrSharedMem(sessions[s], holder))
            continue;
        try {
            GSharedMemoryLocker<Table> lock(*holder);
            Snapshot snapshot;
            TakeSnapshot(*holder, snapshot);
            if (!visit(sessions[s], snapshot))
                return;
        } catch (GException const&) {
        }
    }
}

}  // namespace

// Every session is listed; the one session of this system is the current one, so nothing is skipped.
void GPPIPCMessageQueueMgr::GetRegistered(GTable<GPair<int, GPair<int, int> > >& entries) {
    entries.Resize(0);
    ForEachSessionTable(*this, [&](int session, Snapshot& snapshot) {
        for (int i = 0; i < snapshot.Count(); ++i)
            entries.AddItem(GPair<int, GPair<int, int> >(session, GPair<int, int>(snapshot.Entry(i)[0], snapshot.Entry(i)[1])));
        return true;
    });
}

void GPPIPCMessageQueueMgr::GetRegistered(int processID, int& session, GTable<int>& ids) {
    ids.Resize(0);
    ForEachSessionTable(*this, [&](int tableSession, Snapshot& snapshot) {
        for (int i = 0; i < snapshot.Count(); ++i) {
            if (snapshot.Entry(i)[0] == processID)
                ids.AddItem(snapshot.Entry(i)[1]);
        }
        if (ids.GetCount() == 0)
            return true;
        session = tableSession;
        return false;
    });
}

GBuffer GPPIPCMessageQueueMgr::GetQueueFootPrint(bool global, ManagerType type) {
    return GetMemoryPath(global) + GetSpecialID(type);
}

GBuffer GPPIPCMessageQueueMgr::GetMemoryPath(bool global) {
    GSessionInfo const* sessions = GSessionInfo::GetInstance();
    return sessions->GetSessionPrefix(global ? -1 : sessions->GetCurrentSession());
}

GBuffer GPPIPCMessageQueueMgr::GetSpecialID(ManagerType type) { return TableID(type); }
