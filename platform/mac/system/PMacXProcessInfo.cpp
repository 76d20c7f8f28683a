#include "mac/system/PMacXProcessInfo.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"

namespace {

// What one /proc/<pid>/stat tells: enough to skip the dead and to follow parents.
struct StatRecord {
    int pid = 0;
    int parent = 0;
    char state = '?';
    std::string command;
};

// Reads a small /proc file whole, or up to the first stop byte; false when it cannot be opened
// or read.
bool ReadSmallFile(char const* path, std::string& out, size_t limit, int stop = -1) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out.clear();
    char chunk[1024];
    bool ok = true;
    while (out.size() < limit) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        out.append(chunk, static_cast<size_t>(n));
        if (stop >= 0 && std::memchr(chunk, stop, static_cast<size_t>(n)) != nullptr)
            break;
    }
    ::close(fd);
    return ok;
}

// "pid (command) S ppid ...": the command may hold spaces and parentheses, so it ends at the last ')'.
bool ReadStat(int pid, StatRecord& record) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    std::string text;
    if (!ReadSmallFile(path, text, 4096))
        return false;
    const size_t open = text.find('(');
    const size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open || close + 2 >= text.size())
        return false;
    record.pid = pid;
    record.command.assign(text, open + 1, close - open - 1);
    record.state = text[close + 2];
    record.parent = std::atoi(text.c_str() + close + 3);
    return true;
}

// Ended processes: zombies and the dead.
bool IsDead(char state) { return state == 'Z' || state == 'X' || state == 'x'; }

std::string Leaf(std::string const& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The leaf of the executable's path; empty when it cannot be read (another user's process, a
// kernel thread).
std::string ExecutableLeaf(int pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/exe", pid);
    char target[4096];
    const ssize_t n = ::readlink(path, target, sizeof target - 1);
    if (n <= 0)
        return std::string();
    std::string text(target, static_cast<size_t>(n));
    // An executable replaced or removed since it started still names its old file.
    static const char cDeleted[] = " (deleted)";
    const size_t tail = sizeof cDeleted - 1;
    if (text.size() > tail && text.compare(text.size() - tail, tail, cDeleted) == 0)
        text.resize(text.size() - tail);
    return Leaf(text);
}

// The leaf of argv[0]; empty for a kernel thread. Only the first argument is read: the rest of
// a long command line is never copied out of the process.
std::string ArgumentLeaf(int pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/cmdline", pid);
    std::string arguments;
    if (!ReadSmallFile(path, arguments, 4096, '\0') || arguments.empty())
        return std::string();
    return Leaf(std::string(arguments.c_str()));
}

// The kernel's command name (the first 15 bytes of the name the process was started under or
// gave itself); empty when the process is gone.
std::string CommandName(int pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/comm", pid);
    std::string text;
    if (!ReadSmallFile(path, text, 64, '\n'))
        return std::string();
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string NameOf(StatRecord const& record) {
    std::string leaf = ExecutableLeaf(record.pid);
    if (leaf.empty())
        leaf = ArgumentLeaf(record.pid);
    return leaf.empty() ? record.command : leaf;
}

bool SameName(std::string const& a, std::string const& b) {
    return !a.empty() && a.compare(0, PMacXProcessInfo::cNameLength, b, 0, PMacXProcessInfo::cNameLength) == 0;
}

// A longer name shows only its first 15 characters in the command name.
bool SameCommandName(std::string const& command, std::string const& name) {
    const size_t kept = PMacXProcessInfo::cCommandNameLength;
    if (command.empty())
        return false;
    if (name.size() <= kept)
        return command == name;
    return command.size() == kept && name.compare(0, kept, command) == 0;
}

// Cheapest first: the command name (one small read), the executable's link (one call), and the
// first argument only when neither answers.
bool AnswersTo(int pid, std::string const& name) {
    return SameCommandName(CommandName(pid), name) || SameName(ExecutableLeaf(pid), name) ||
           SameName(ArgumentLeaf(pid), name);
}

bool OwnedBy(int pid, uid_t user) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d", pid);
    struct stat info;
    return ::stat(path, &info) == 0 && info.st_uid == user;
}

// The ids of /proc in table order (ascending), of the current user only on request; at most
// cMaxTableEntries entries are read, so a table that keeps changing still ends the walk.
std::vector<int> ListProcessIDs(bool currentUserOnly) {
    std::vector<int> ids;
    DIR* folder = ::opendir("/proc");
    if (folder == nullptr)
        return ids;  // an unreadable table is an empty one
    const uid_t user = ::getuid();
    int entries = 0;
    while (entries < PMacXProcessInfo::cMaxTableEntries) {
        dirent* entry = ::readdir(folder);
        if (entry == nullptr)
            break;
        ++entries;
        char const* name = entry->d_name;
        if (name[0] < '1' || name[0] > '9')
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid > 0x7fffffff)
            continue;
        if (currentUserOnly && !OwnedBy(static_cast<int>(pid), user))
            continue;
        ids.push_back(static_cast<int>(pid));
    }
    ::closedir(folder);
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Calls visit for every live process in table order.
void ForEachProcess(bool currentUserOnly, std::function<void(StatRecord const&)> const& visit) {
    StatRecord record;
    for (int pid : ListProcessIDs(currentUserOnly)) {
        if (!ReadStat(pid, record) || IsDead(record.state))
            continue;  // ended since the listing
        visit(record);
    }
}

GTable<int> ToTable(std::vector<int> const& ids) {
    GTable<int> table;
    for (int id : ids)
        table.AddItem(id);
    return table;
}

}  // namespace

std::vector<int> PMacXProcessInfo::FindProcessIDs(std::string const& name, bool currentUserOnly) {
    std::vector<int> ids;
    if (name.empty())
        return ids;
    StatRecord record;
    for (int pid : ListProcessIDs(currentUserOnly)) {
        // The status record only for a match: a zombie keeps its command name.
        if (AnswersTo(pid, name) && ReadStat(pid, record) && !IsDead(record.state))
            ids.push_back(pid);
    }
    return ids;
}

std::vector<std::string> PMacXProcessInfo::ListProcessNames(bool currentUserOnly) {
    std::vector<std::string> names;
    ForEachProcess(currentUserOnly, [&](StatRecord const& record) { names.push_back(NameOf(record)); });
    return names;
}

bool PMacXProcessInfo::IsProcessRunning(int pid) {
    if (pid < 1)
        return false;
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", pid);
    std::string text;
    if (!ReadSmallFile(path, text, 16384))
        return errno != ENOENT && errno != ESRCH;  // the signal check said it exists
    // "State:\tZ (zombie)"; "Tgid:" differs from the id for a thread that is not a process.
    const size_t state = text.find("\nState:");
    if (state != std::string::npos) {
        size_t at = state + 7;
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        if (at < text.size() && IsDead(text[at]))
            return false;
    }
    const size_t group = text.find("\nTgid:");
    if (group != std::string::npos && std::atoi(text.c_str() + group + 6) != pid)
        return false;
    return true;
}

std::vector<int> PMacXProcessInfo::FindChildProcessIDs(int pid) {
    std::vector<int> ids;
    ForEachProcess(true, [&](StatRecord const& record) {
        if (record.parent == pid)
            ids.push_back(record.pid);
    });
    return ids;
}

std::string PMacXProcessInfo::GetProcessName(int pid) {
    StatRecord record;
    if (pid < 1 || !ReadStat(pid, record) || IsDead(record.state))
        return std::string();
    return NameOf(record);
}

void PMacXProcessInfo::GetProcessID(GString const& name, GTable<int>& ids, bool currentUserOnly) {
    ids.Resize(0);
    GBuffer utf8 = name.GetBuffer(GEncodingFallback::Get<GUTF8Encoding>());
    const std::string text(reinterpret_cast<char const*>(utf8.GetPtr()), static_cast<size_t>(utf8.GetLength()));
    for (int id : FindProcessIDs(text, currentUserOnly))
        ids.AddItem(id);
}

void PMacXProcessInfo::GetProcessList(GTable<GString>& names, bool currentUserOnly) {
    names.Resize(0);
    GEncoding const* utf8 = GEncodingFallback::Get<GUTF8Encoding>();
    for (std::string const& name : ListProcessNames(currentUserOnly))
        names.AddItem(GString(reinterpret_cast<unsigned char const*>(name.data()), static_cast<int>(name.size()), utf8, false));
}

int PMacXProcessInfo::GetCurrentProcessID() { return static_cast<int>(getpid()); }

bool PMacXProcessInfo::IsRunning(int pid) { return IsProcessRunning(pid); }

GTable<int> PMacXProcessInfo::GetChildProcessIDs(int pid) { return ToTable(FindChildProcessIDs(pid)); }
