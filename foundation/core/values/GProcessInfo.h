#pragma once
// GProcessInfo: what portable code may ask about the processes of the machine. The platform layer
// installs its implementation at start-up and removes it at its end; portable code asks only in
// between. Each call takes a fresh look at the process table, so a process may end between a
// lookup and its use.
#include <atomic>

#include "core/containers/GTable.h"
#include "core/text/GString.h"

class GProcessInfo {
public:
    static GProcessInfo* GetInstance() { return sInstance.load(std::memory_order_acquire); }
    // Takes ownership and deletes the instance held so far (not when it is the same); null clears.
    static void SetInstance(GProcessInfo* instance);

    virtual ~GProcessInfo() = default;
    // Empties ids, then adds the id of every live process of that name, in table order.
    virtual void GetProcessID(GString const& name, GTable<int>& ids, bool currentUserOnly) = 0;
    // Empties names, then adds one name per live process, in table order.
    virtual void GetProcessList(GTable<GString>& names, bool currentUserOnly) = 0;
    virtual int GetCurrentProcessID() = 0;
    // Whether the process exists and has not ended; false for ids below 1.
    virtual bool IsRunning(int pid) = 0;
    // The current user's live processes whose parent is pid.
    virtual GTable<int> GetChildProcessIDs(int pid) = 0;

protected:
    GProcessInfo() = default;
    GProcessInfo(GProcessInfo const&) = default;
    GProcessInfo& operator=(GProcessInfo const&) = default;

private:
    static std::atomic<GProcessInfo*> sInstance;
};
