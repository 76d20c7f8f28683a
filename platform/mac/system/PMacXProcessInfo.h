#pragma once
// The process information of this platform, read from /proc. Every call looks at the process
// table afresh; a lookup by name over the whole table reads every command name afresh too, and
// takes the leaves of a process's executable and argv[0] from the last such lookup while the
// process has the same id, /proc entry and command name and that reading is at most
// cProgramNamesKeptMs old (re-read before they make it a match). So a process that rewrites its
// argv[0] in place, or execs a program of the same command name, is found under its new names
// within that time; a lookup among candidates reads all of theirs afresh. A zombie (ended, not yet reaped) is not a live process and is left out of
// every answer.
//
// A process answers to a name when the name is one a user sees for it: its command name (the
// kernel's 15 characters, what ps and pgrep -x show; a longer name matches in its first 15), the
// leaf of its executable (/proc/<pid>/exe) or the leaf of its argv[0]. So a program started
// through a symbolic link answers to the link's name and to its file's, and a script to its own
// name. Names compare case-sensitively; the leaves in their first 16 characters, as the peers on
// the original platform do. Programs whose names share their first 15 characters are not told
// apart by the command name.
//
// The name a process is listed under is the leaf of its executable, else the leaf of its
// argv[0], else its command name.
#include <string>
#include <vector>

#include "core/values/GProcessInfo.h"

class PMacXProcessInfo : public GProcessInfo {
public:
    // Characters of a name that take part in a comparison.
    static constexpr int cNameLength = 16;
    // Characters of a name the kernel keeps as the command name.
    static constexpr int cCommandNameLength = 15;
    // The most /proc entries one look at the table reads; a table is never read without end.
    static constexpr int cMaxTableEntries = 1 << 22;
    // How long a lookup over the whole table trusts what an earlier one read of a process's
    // executable and argv[0] (at most: records expire spread over the second half of it, by id).
    static constexpr int cProgramNamesKeptMs = 1000;

    PMacXProcessInfo() = default;

    void GetProcessID(GString const& name, GTable<int>& ids, bool currentUserOnly) override;
    void GetProcessList(GTable<GString>& names, bool currentUserOnly) override;
    int GetCurrentProcessID() override;
    // Alive and not a zombie; a process of another user (EPERM) counts as alive. Thread ids that
    // are not process ids are not processes.
    bool IsRunning(int pid) override;
    GTable<int> GetChildProcessIDs(int pid) override;

    // The same answers on native (UTF-8) text, for callers below the string classes.
    static std::vector<int> FindProcessIDs(std::string const& name, bool currentUserOnly);
    // The same answer restricted to candidates (for a caller that knows which ids could be meant,
    // such as the registered receivers): only their entries are read. Ascending, without repeats.
    static std::vector<int> FindProcessIDsAmong(std::string const& name, std::vector<int> candidates);
    static std::vector<std::string> ListProcessNames(bool currentUserOnly);
    static bool IsProcessRunning(int pid);
    static std::vector<int> FindChildProcessIDs(int pid);
    // The name of one process as described above; empty when it does not exist.
    static std::string GetProcessName(int pid);
};
