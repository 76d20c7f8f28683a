#include "mac/system/PMacXProcessInfo.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <utility>

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

// "<pid>/<file>", the path of a process's file relative to the open /proc folder; formatted by
// hand, as it is made several times for every process of a lookup.
class ProcPath {
public:
    ProcPath(int pid, char const* file) {
        char digits[12];
        int count = 0;
        unsigned value = static_cast<unsigned>(pid);
        do
            digits[count++] = static_cast<char>('0' + value % 10);
        while ((value /= 10) != 0);
        char* at = mText;
        while (count > 0)
            *at++ = digits[--count];
        *at++ = '/';
        const size_t length = std::strlen(file);
        std::memcpy(at, file, length + 1);
    }
    char const* Text() const { return mText; }

private:
    char mText[32];
};

// The path of the executable of a process (proc: the open /proc folder, or AT_FDCWD), without
// the mark of a file replaced or removed since it started (it still names its old file); -1 with
// errno set when it cannot be read (another user's process, a kernel thread).
ssize_t ReadExecutablePath(int proc, int pid, char* target, size_t size) {
    ssize_t n;
    if (proc == AT_FDCWD) {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/%d/exe", pid);
        n = ::readlinkat(proc, path, target, size);
    } else {
        n = ::readlinkat(proc, ProcPath(pid, "exe").Text(), target, size);
    }
    static const char cDeleted[] = " (deleted)";
    const ssize_t tail = sizeof cDeleted - 1;
    if (n > tail && std::memcmp(target + n - tail, cDeleted, static_cast<size_t>(tail)) == 0)
        n -= tail;
    return n;
}

// The leaf of the executable's path; empty when it cannot be read.
std::string ExecutableLeaf(int pid) {
    char target[4096];
    const ssize_t n = ReadExecutablePath(AT_FDCWD, pid, target, sizeof target);
    return n <= 0 ? std::string() : Leaf(std::string(target, static_cast<size_t>(n)));
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

std::string NameOf(StatRecord const& record) {
    std::string leaf = ExecutableLeaf(record.pid);
    if (leaf.empty())
        leaf = ArgumentLeaf(record.pid);
    return leaf.empty() ? record.command : leaf;
}

// The leaf of a path, within the bytes read.
char const* LeafIn(char const* path, size_t length, size_t& size) {
    char const* slash = static_cast<char const*>(memrchr(path, '/', length));
    char const* leaf = slash == nullptr ? path : slash + 1;
    size = length - static_cast<size_t>(leaf - path);
    return leaf;
}

// The name a lookup asks for, with what each of the three names has to look like to answer to
// it; compared on the bytes read from /proc, without copies.
class NameQuery {
public:
    explicit NameQuery(std::string const& name) : mName(name) {}

    // The kernel keeps 15 characters: a longer name shows only its first 15 in the command name.
    bool MatchesCommand(char const* command, size_t length) const {
        const size_t kept = PMacXProcessInfo::cCommandNameLength;
        if (length == 0)
            return false;
        if (mName.size() <= kept)
            return length == mName.size() && std::memcmp(command, mName.data(), length) == 0;
        return length == kept && std::memcmp(command, mName.data(), kept) == 0;
    }
    // The leaf of a path, compared in its first 16 characters.
    bool MatchesLeafOf(char const* path, size_t length) const {
        size_t size = 0;
        char const* leaf = LeafIn(path, length, size);
        return MatchesLeaf(leaf, size);
    }
    bool MatchesLeaf(char const* leaf, size_t size) const {
        const size_t limit = PMacXProcessInfo::cNameLength;
        if (size == 0)
            return false;
        const size_t a = std::min(size, limit);
        const size_t b = std::min(mName.size(), limit);
        return a == b && std::memcmp(leaf, mName.data(), a) == 0;
    }

private:
    std::string const& mName;
};

// Reads what a /proc/<pid>/<file> holds, relative to the open /proc folder: up to size bytes,
// or fewer once a read ends with the stop byte seen (only what is needed is copied out of the
// process); -1 when it cannot be read.
ssize_t ReadProcFile(int proc, int pid, char const* file, char* out, size_t size, size_t firstRead, int stop = -1) {
    const int fd = ::openat(proc, ProcPath(pid, file).Text(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ssize_t total = 0;
    size_t want = std::min(firstRead, size);
    while (want > 0) {
        const ssize_t n = ::read(fd, out + total, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0 && total == 0)
                total = -1;
            break;
        }
        const bool stopped = stop >= 0 && std::memchr(out + total, stop, static_cast<size_t>(n)) != nullptr;
        total += n;
        if (stop < 0 || stopped)
            break;
        want = size - static_cast<size_t>(total);
    }
    ::close(fd);
    return total;
}

enum class Answer { cYes, cNo, cNoProgram };

// The command name (the kernel's 15 bytes); a kernel thread or a process gone has nothing more.
Answer CommandAnswers(int proc, int pid, NameQuery const& query) {
    char text[64];
    ssize_t n = ReadProcFile(proc, pid, "comm", text, sizeof text, sizeof text);
    if (n <= 0)
        return Answer::cNoProgram;
    if (text[n - 1] == '\n')
        --n;
    return query.MatchesCommand(text, static_cast<size_t>(n)) ? Answer::cYes : Answer::cNo;
}

// The executable's leaf; without an executable (ENOENT: a kernel thread, or ended) there is no
// command line either.
Answer ExecutableAnswers(int proc, int pid, NameQuery const& query) {
    char target[4096];
    const ssize_t n = ReadExecutablePath(proc, pid, target, sizeof target);
    if (n <= 0)
        return n < 0 && errno == ENOENT ? Answer::cNoProgram : Answer::cNo;
    return query.MatchesLeafOf(target, static_cast<size_t>(n)) ? Answer::cYes : Answer::cNo;
}

// The first argument only: a short read holds it mostly, and the rest of a long command line is
// not looked at.
bool ArgumentAnswers(int proc, int pid, NameQuery const& query) {
    char arguments[4096];
    const ssize_t n = ReadProcFile(proc, pid, "cmdline", arguments, sizeof arguments, 256, '\0');
    if (n <= 0)
        return false;
    char const* end = static_cast<char const*>(std::memchr(arguments, '\0', static_cast<size_t>(n)));
    const size_t length = end == nullptr ? static_cast<size_t>(n) : static_cast<size_t>(end - arguments);
    return query.MatchesLeafOf(arguments, length);
}

// Cheapest first: the command name (one small read) answers for most; the executable's link (one
// call) and the first argument only for a program whose command name does not.
bool AnswersTo(int proc, int pid, NameQuery const& query) {
    const Answer command = CommandAnswers(proc, pid, query);
    if (command != Answer::cNo)
        return command == Answer::cYes;
    const Answer executable = ExecutableAnswers(proc, pid, query);
    if (executable != Answer::cNo)
        return executable == Answer::cYes;
    return ArgumentAnswers(proc, pid, query);
}

// The open /proc folder: listed once, and the files of each process opened relative to it.
class ProcFolder {
public:
    ProcFolder() : mFolder(::opendir("/proc")) {}
    ~ProcFolder() {
        if (mFolder != nullptr)
            ::closedir(mFolder);
    }
    ProcFolder(ProcFolder const&) = delete;
    ProcFolder& operator=(ProcFolder const&) = delete;

    DIR* Folder() const { return mFolder; }
    int Descriptor() const { return mFolder == nullptr ? -1 : ::dirfd(mFolder); }

private:
    DIR* mFolder;
};

bool OwnedBy(int proc, int pid, uid_t user) {
    char path[32];
    std::snprintf(path, sizeof path, "%d", pid);
    struct stat info;
    return ::fstatat(proc, path, &info, 0) == 0 && info.st_uid == user;
}

// The ids of /proc in table order (ascending), of the current user only on request; at most
// cMaxTableEntries entries are read, so a table that keeps changing still ends the walk.
std::vector<int> ListProcessIDs(ProcFolder const& proc, bool currentUserOnly) {
    std::vector<int> ids;
    if (proc.Folder() == nullptr)
        return ids;  // an unreadable table is an empty one
    const uid_t user = ::getuid();
    int entries = 0;
    while (entries < PMacXProcessInfo::cMaxTableEntries) {
        dirent* entry = ::readdir(proc.Folder());
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
        if (currentUserOnly && !OwnedBy(proc.Descriptor(), static_cast<int>(pid), user))
            continue;
        ids.push_back(static_cast<int>(pid));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<int> ListProcessIDs(bool currentUserOnly) {
    const ProcFolder proc;
    return ListProcessIDs(proc, currentUserOnly);
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

// Asks a process descriptor, which costs no text from /proc: it cannot be had for an id that is
// no process (ESRCH) or a thread that is not one (EINVAL), and it is readable once the process
// has ended (a zombie too). False when the system cannot answer this way (no such call, no
// descriptor left): the caller asks /proc then.
bool AskProcessDescriptor(int pid, bool& running) {
#ifdef SYS_pidfd_open
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) {
        if (errno != ESRCH && errno != EINVAL)
            return false;
        running = false;
        return true;
    }
    pollfd ended{fd, POLLIN, 0};
    int n;
    do
        n = ::poll(&ended, 1, 0);
    while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n < 0)
        return false;
    running = (ended.revents & POLLIN) == 0;
    return true;
#else
    (void)pid;
    (void)running;
    return false;
#endif
}

// The first characters of a name that take part in a comparison, and how many there are.
struct ShortName {
    unsigned char size = 0;
    char text[PMacXProcessInfo::cNameLength] = {};

    void Assign(char const* from, size_t length) {
        size = static_cast<unsigned char>(std::min(length, sizeof text));
        std::memcpy(text, from, size);
    }
};

// What one process showed beyond its command name, and what tells it is still the same process
// running the same program: its id, the inode number of its /proc entry (a new process under a
// freed id gets a new entry, so a new number), its command name (an exec brings the new
// program's, unless it has the same) and when it was read. Settled is false for a program without
// a command line, which is one caught in the middle of its exec: it is read again next time.
struct ProgramRecord {
    int pid = 0;
    ino64_t entry = 0;
    int64_t readAt = 0;
    bool settled = false;
    unsigned char commandLength = 0;
    ShortName command;
    ShortName executable;
    ShortName argument;

    void SetCommand(char const* text, size_t length) {
        commandLength = static_cast<unsigned char>(std::min<size_t>(length, 255));
        command.Assign(text, length);
    }
    // Kernel threads' long names compare in their length and first 16 bytes; they run no program.
    bool SameCommand(char const* text, size_t length) const {
        return commandLength == std::min<size_t>(length, 255) && command.size == std::min(length, sizeof command.text) &&
               std::memcmp(command.text, text, command.size) == 0;
    }
    bool LeafAnswers(NameQuery const& query) const {
        return query.MatchesLeaf(executable.text, executable.size) || query.MatchesLeaf(argument.text, argument.size);
    }
};

// The leaves of the executable and of argv[0], read afresh; a process without an executable (a
// kernel thread, or ended) has no command line either.
void ReadProgramNames(int proc, int pid, ProgramRecord& record) {
    record.executable.size = 0;
    record.argument.size = 0;
    record.settled = false;
    char target[4096];
    const ssize_t n = ReadExecutablePath(proc, pid, target, sizeof target);
    if (n < 0 && errno == ENOENT) {
        record.settled = true;
        return;
    }
    size_t size = 0;
    if (n > 0) {
        char const* leaf = LeafIn(target, static_cast<size_t>(n), size);
        record.executable.Assign(leaf, size);
    }
    char arguments[4096];
    const ssize_t m = ReadProcFile(proc, pid, "cmdline", arguments, sizeof arguments, 256, '\0');
    if (m <= 0)
        return;
    char const* end = static_cast<char const*>(std::memchr(arguments, '\0', static_cast<size_t>(m)));
    const size_t length = end == nullptr ? static_cast<size_t>(m) : static_cast<size_t>(end - arguments);
    char const* leaf = LeafIn(arguments, length, size);
    record.argument.Assign(leaf, size);
    record.settled = true;
}

int64_t NowMilliseconds() {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// How long a record is trusted; spread over the ids, so that records read together are not all
// read again by the same lookup.
int64_t RecordLifetime(int pid) {
    const int64_t full = PMacXProcessInfo::cProgramNamesKeptMs;
    return full - (pid % 8) * full / 16;
}

// The records of the last look at the whole table, in id order. A lookup takes them out and puts
// back its own: lookups on several threads never share a record while they read /proc, and one
// that finds none reads every process afresh.
class ProgramRecords {
public:
    std::vector<ProgramRecord> Take() {
        std::vector<ProgramRecord> records;
        const std::lock_guard<std::mutex> lock(mMutex);
        records.swap(mRecords);
        return records;
    }
    void Keep(std::vector<ProgramRecord> records) {
        const std::lock_guard<std::mutex> lock(mMutex);
        mRecords.swap(records);
    }

private:
    std::mutex mMutex;
    std::vector<ProgramRecord> mRecords;
};

ProgramRecords& TheProgramRecords() {
    static ProgramRecords records;
    return records;
}

// One process entry of /proc; counted is false for another user's process when only the
// current user's are asked for.
struct TableEntry {
    int pid;
    ino64_t entry;
    bool counted;
};

// The process entries of the open /proc folder in id order, with the inode numbers the listing
// gives for free; at most cMaxTableEntries entries are read.
std::vector<TableEntry> ListTable(int proc, bool currentUserOnly) {
    std::vector<TableEntry> table;
    const uid_t user = ::getuid();
    alignas(dirent64) char buffer[32768];
    int entries = 0;
    while (entries < PMacXProcessInfo::cMaxTableEntries) {
        const ssize_t n = ::getdents64(proc, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n && entries < PMacXProcessInfo::cMaxTableEntries;) {
            dirent64 const* entry = reinterpret_cast<dirent64 const*>(buffer + at);
            at += entry->d_reclen;
            ++entries;
            char const* name = entry->d_name;
            if (name[0] < '1' || name[0] > '9')
                continue;
            long pid = 0;
            char const* digit = name;
            for (; *digit >= '0' && *digit <= '9' && pid <= 0x7fffffff; ++digit)
                pid = pid * 10 + (*digit - '0');
            if (*digit != '\0' || pid > 0x7fffffff)
                continue;
            bool counted = true;
            if (currentUserOnly) {
                struct stat info;
                counted = ::fstatat(proc, name, &info, 0) == 0 && info.st_uid == user;
            }
            table.push_back(TableEntry{static_cast<int>(pid), entry->d_ino, counted});
        }
    }
    std::sort(table.begin(), table.end(), [](TableEntry const& a, TableEntry const& b) { return a.pid < b.pid; });
    return table;
}

// A lookup over the whole table. The command name is read afresh for every process; the leaves
// of its executable and argv[0] come from the last lookup's record while that still describes
// the same process and program, and are read afresh before they name a process.
std::vector<int> FindInTable(std::string const& name, bool currentUserOnly) {
    std::vector<int> ids;
    const int proc = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return ids;  // an unreadable table is an empty one
    const std::vector<TableEntry> table = ListTable(proc, currentUserOnly);
    const NameQuery query(name);
    const int64_t now = NowMilliseconds();
    const std::vector<ProgramRecord> known = TheProgramRecords().Take();
    std::vector<ProgramRecord> kept;
    kept.reserve(table.size());
    auto next = known.begin();
    StatRecord status;
    for (TableEntry const& entry : table) {
        while (next != known.end() && next->pid < entry.pid)
            ++next;
        ProgramRecord const* earlier =
            next != known.end() && next->pid == entry.pid && next->entry == entry.entry ? &*next : nullptr;
        if (!entry.counted) {
            if (earlier != nullptr)
                kept.push_back(*earlier);  // for the next lookup of all users
            continue;
        }
        char command[64];
        ssize_t n = ReadProcFile(proc, entry.pid, "comm", command, sizeof command, sizeof command);
        if (n <= 0)
            continue;  // ended since the listing
        if (command[n - 1] == '\n')
            --n;
        const size_t length = static_cast<size_t>(n);
        ProgramRecord record;
        const bool reuse = earlier != nullptr && earlier->settled && earlier->SameCommand(command, length) &&
                           now - earlier->readAt < RecordLifetime(entry.pid);
        if (reuse) {
            record = *earlier;
        } else {
            record.pid = entry.pid;
            record.entry = entry.entry;
            record.SetCommand(command, length);
            ReadProgramNames(proc, entry.pid, record);
            record.readAt = now;
        }
        bool answers = query.MatchesCommand(command, length);
        if (!answers && record.LeafAnswers(query)) {
            if (reuse) {
                ReadProgramNames(proc, entry.pid, record);
                record.readAt = now;
            }
            answers = record.LeafAnswers(query);
        }
        kept.push_back(record);
        // The status record only for a match: a zombie keeps its command name.
        if (answers && ReadStat(entry.pid, status) && !IsDead(status.state))
            ids.push_back(entry.pid);
    }
    ::close(proc);
    TheProgramRecords().Keep(std::move(kept));
    return ids;
}

// The live processes among pids that answer to name.
std::vector<int> Matching(ProcFolder const& proc, std::string const& name, std::vector<int> const& pids) {
    std::vector<int> ids;
    const NameQuery query(name);
    StatRecord record;
    for (int pid : pids) {
        // The status record only for a match: a zombie keeps its command name.
        if (AnswersTo(proc.Descriptor(), pid, query) && ReadStat(pid, record) && !IsDead(record.state))
            ids.push_back(pid);
    }
    return ids;
}

GTable<int> ToTable(std::vector<int> const& ids) {
    GTable<int> table;
    for (int id : ids)
        table.AddItem(id);
    return table;
}

}  // namespace

std::vector<int> PMacXProcessInfo::FindProcessIDs(std::string const& name, bool currentUserOnly) {
    if (name.empty())
        return std::vector<int>();
    return FindInTable(name, currentUserOnly);
}

std::vector<int> PMacXProcessInfo::FindProcessIDsAmong(std::string const& name, std::vector<int> candidates) {
    if (name.empty() || candidates.empty())
        return std::vector<int>();
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    candidates.erase(candidates.begin(), std::upper_bound(candidates.begin(), candidates.end(), 0));
    const ProcFolder proc;
    return Matching(proc, name, candidates);
}

std::vector<std::string> PMacXProcessInfo::ListProcessNames(bool currentUserOnly) {
    std::vector<std::string> names;
    ForEachProcess(currentUserOnly, [&](StatRecord const& record) { names.push_back(NameOf(record)); });
    return names;
}

bool PMacXProcessInfo::IsProcessRunning(int pid) {
    if (pid < 1)
        return false;
    bool running = false;
    if (AskProcessDescriptor(pid, running))
        return running;
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
