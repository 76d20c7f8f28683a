#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <spawn.h>
#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "mac/system/PMacXProcessInfo.h"
#include "support/ScopedTempFolder.h"
#include "support/SpawnedProgram.h"
#include "support/ThreadsTogether.h"
#include "support/UnprivilegedChild.h"
#include "support/Watchdog.h"

namespace {

bool Contains(std::vector<int> const& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// A copy of sleep under a chosen name, started as a child; killed and reaped at the end.
class NamedSleeper {
public:
    NamedSleeper(ScopedTempFolder const& folder, std::string const& name) {
        const std::string path = folder / name;
        CopyFile("/bin/sleep", path);
        mPid = fork();
        if (mPid == 0) {
            char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("30"), nullptr};
            execv(path.c_str(), argv);
            _exit(127);
        }
        // Bounded wait until the child runs the copy (its exe link names it).
        const std::string exe = "/proc/" + std::to_string(mPid) + "/exe";
        for (int i = 0; i < 500; ++i) {
            char target[4096];
            const ssize_t n = readlink(exe.c_str(), target, sizeof target - 1);
            if (n > 0 && std::string(target, static_cast<size_t>(n)) == path)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "child did not start " << path;
    }
    ~NamedSleeper() { Stop(); }
    NamedSleeper(NamedSleeper const&) = delete;
    NamedSleeper& operator=(NamedSleeper const&) = delete;

    int Pid() const { return mPid; }
    // Ends the child without reaping it: it stays a zombie until Stop.
    void KillWithoutReaping() {
        kill(mPid, SIGKILL);
        const std::string stat = "/proc/" + std::to_string(mPid) + "/stat";
        for (int i = 0; i < 500; ++i) {
            siginfo_t info{};
            if (waitid(P_PID, static_cast<id_t>(mPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == mPid)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "child did not end";
    }
    void Stop() {
        if (mPid <= 0)
            return;
        kill(mPid, SIGKILL);
        int status = 0;
        waitpid(mPid, &status, 0);
        mPid = -1;
    }

private:
    static void CopyFile(std::string const& from, std::string const& to) {
        const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
        const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0700);
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        char buffer[65536];
        ssize_t n;
        while ((n = read(in, buffer, sizeof buffer)) > 0)
            ASSERT_EQ(write(out, buffer, static_cast<size_t>(n)), n);
        close(in);
        close(out);
    }

    int mPid = -1;
};

// A program started by posix_spawn with the given argv[0]; killed and reaped at the end.
class StartedProgram {
public:
    StartedProgram(std::string const& path, std::string const& argv0, std::string const& command) {
        char* const argv[] = {const_cast<char*>(argv0.c_str()), const_cast<char*>("30"), nullptr};
        if (posix_spawn(&mPid, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
            mPid = -1;
            ADD_FAILURE() << "could not start " << path;
            return;
        }
        // Bounded wait until the program runs under its command name, its exec done: the kernel
        // shows the new command name before the new command line.
        const std::string proc = "/proc/" + std::to_string(mPid);
        for (int i = 0; i < 500; ++i) {
            std::string shown;
            std::getline(std::ifstream(proc + "/comm"), shown);
            std::string first;
            std::getline(std::ifstream(proc + "/cmdline"), first, '\0');
            if (shown == command && !first.empty())
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << path << " did not start as " << command;
    }
    ~StartedProgram() {
        if (mPid > 0) {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
    }
    StartedProgram(StartedProgram const&) = delete;
    StartedProgram& operator=(StartedProgram const&) = delete;

    int Pid() const { return mPid; }

private:
    pid_t mPid = -1;
};

// What procps' pgrep -x finds under a name.
std::vector<int> FoundByPgrep(std::string const& name) {
    std::vector<int> ids;
    SpawnedProgram pgrep;
    if (!pgrep.Start("/usr/bin/pgrep", {"-x", name})) {
        ADD_FAILURE() << "pgrep could not be started";
        return ids;
    }
    for (std::string line; pgrep.ReadLine(line);)
        ids.push_back(std::atoi(line.c_str()));
    pgrep.Wait();
    return ids;
}

void CopyProgram(std::string const& from, std::string const& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream(to, std::ios::binary) << in.rdbuf();
    ASSERT_EQ(chmod(to.c_str(), 0700), 0);
}

// The target of a program's exe link; empty once it cannot be read.
std::string ExecutableOf(int pid) {
    char target[4096];
    const ssize_t n = readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// Bounded wait until a started program runs the file at target.
bool RunsFile(int pid, std::string const& target) {
    for (int i = 0; i < 500; ++i) {
        if (ExecutableOf(pid) == target)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A program started under a chosen id (a freed one, as the kernel may hand out again), with its
// argv[0]; killed and reaped at the end. Needs the privilege to choose ids and a kernel that lets
// them be chosen: Pid() is -1 and Error() tells why when the id could not be had.
class ProgramAtId {
public:
    ProgramAtId(pid_t pid, std::string const& path, std::string const& argv0) {
        clone_args args{};
        args.exit_signal = SIGCHLD;
        args.set_tid = reinterpret_cast<uintptr_t>(&pid);
        args.set_tid_size = 1;
        char* const argv[] = {const_cast<char*>(argv0.c_str()), const_cast<char*>("30"), nullptr};
        const long child = syscall(SYS_clone3, &args, sizeof args);
        if (child == 0) {
            execv(path.c_str(), argv);
            _exit(127);
        }
        if (child < 0)
            mError = errno;
        else
            mPid = static_cast<pid_t>(child);
    }
    ~ProgramAtId() {
        if (mPid > 0) {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
    }
    ProgramAtId(ProgramAtId const&) = delete;
    ProgramAtId& operator=(ProgramAtId const&) = delete;

    pid_t Pid() const { return mPid; }
    int Error() const { return mError; }

private:
    pid_t mPid = -1;
    int mError = 0;
};

ino_t EntryOf(int pid) {
    struct stat info;
    return stat(("/proc/" + std::to_string(pid)).c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

// A program is found under the names a user sees for it; pgrep -x is the reference for the
// command name, and whatever it finds is found here too.
TEST(PMacXProcessInfo, ProgramsAreFoundUnderTheNamesAUserSees) {
    Watchdog watchdog(std::chrono::seconds(60), "process lookup by name");
    if (access("/usr/bin/pgrep", X_OK) != 0)
        GTEST_SKIP() << "procps' pgrep is not installed";
    ScopedTempFolder folder;
    const std::string dir = folder.Path() + "/";
    CopyProgram("/bin/sleep", dir + "trovelcopy");
    CopyProgram("/bin/sleep", dir + "trovellinked");
    ASSERT_EQ(symlink((dir + "trovellinked").c_str(), (dir + "trovellink").c_str()), 0);
    CopyProgram("/bin/sleep", dir + "trovel-pp-real");
    ASSERT_EQ(symlink((dir + "trovel-pp-real").c_str(), (dir + "PrinterProcessor").c_str()), 0);
    CopyProgram("/bin/sleep", dir + "trovelargvreal");
    CopyProgram("/bin/sleep", dir + "trovelfarreal");
    // A script that waits without a child of its own: reading a pipe that nobody writes.
    ASSERT_EQ(mkfifo((dir + "script.fifo").c_str(), 0600), 0);
    std::ofstream(dir + "trovelscript") << "#!/bin/sh\nread line < \"$(dirname \"$0\")/script.fifo\"\n";
    ASSERT_EQ(chmod((dir + "trovelscript").c_str(), 0700), 0);

    StartedProgram copy(dir + "trovelcopy", dir + "trovelcopy", "trovelcopy");
    StartedProgram link(dir + "trovellink", dir + "trovellink", "trovellink");
    StartedProgram longLink(dir + "PrinterProcessor", dir + "PrinterProcessor", "PrinterProcesso");
    StartedProgram shown(dir + "trovelargvreal", "trovelshown", "trovelargvreal");
    // An argv[0] whose leaf lies far into the command line, past a short first read.
    std::string farPath;
    for (int i = 0; i < 80; ++i)
        farPath += "/deep";
    StartedProgram farShown(dir + "trovelfarreal", farPath + "/trovelfarshown", "trovelfarreal");
    StartedProgram script(dir + "trovelscript", dir + "trovelscript", "trovelscript");
    const std::vector<int> ours = {copy.Pid(), link.Pid(), longLink.Pid(), shown.Pid(), farShown.Pid(), script.Pid()};

    struct Case {
        char const* name;
        int expected;  // the one of ours it names, or -1
        bool byPgrep;  // whether pgrep -x finds that one
    };
    const Case cases[] = {
        {"trovelcopy", copy.Pid(), true},
        {"trovellink", link.Pid(), true},             // started through a link
        {"trovellinked", link.Pid(), false},          // the file behind the link
        {"PrinterProcessor", longLink.Pid(), false},  // longer than a command name
        {"PrinterProcesso", longLink.Pid(), true},
        {"trovelscript", script.Pid(), true},  // a script, run by its interpreter
        {"trovelshown", shown.Pid(), false},   // argv[0]
        {"trovelargvreal", shown.Pid(), true},
        {"trovelfarshown", farShown.Pid(), false},
        {"deep", -1, false},
        {"trovelcop", -1, false},
        {"TrovelCopy", -1, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int> found = PMacXProcessInfo::FindProcessIDs(c.name, true);
        for (int pid : ours) {
            EXPECT_EQ(Contains(found, pid), pid == c.expected) << "process " << pid;
        }
        // Restricted to candidates (repeated, unordered, with ids that name nothing): the same
        // answer for them, once each.
        std::vector<int> candidates(ours.rbegin(), ours.rend());
        candidates.insert(candidates.end(), {ours[0], 0, -4, static_cast<int>(getpid())});
        const std::vector<int> among = PMacXProcessInfo::FindProcessIDsAmong(c.name, candidates);
        EXPECT_EQ(among, c.expected > 0 ? std::vector<int>{c.expected} : std::vector<int>());
        // pgrep warns that a name longer than 15 characters can never match: not asked.
        if (std::string(c.name).size() > 15)
            continue;
        const std::vector<int> reference = FoundByPgrep(c.name);
        for (int pid : ours) {
            if (Contains(reference, pid)) {
                EXPECT_TRUE(Contains(found, pid)) << "pgrep -x finds " << pid;
            }
        }
        if (c.expected > 0) {
            EXPECT_EQ(Contains(reference, c.expected), c.byPgrep);
        }
    }
}

TEST(PMacXProcessInfo, CurrentProcessIDIsTheRunningProcess) {
    PMacXProcessInfo info;
    EXPECT_EQ(info.GetCurrentProcessID(), static_cast<int>(getpid()));
    EXPECT_TRUE(info.IsRunning(info.GetCurrentProcessID()));
}

TEST(PMacXProcessInfo, IdsBelowOneAreNotRunning) {
    for (int pid : {0, -1, -5, -2147483647 - 1})
        EXPECT_FALSE(PMacXProcessInfo::IsProcessRunning(pid)) << pid;
}

TEST(PMacXProcessInfo, ProcessOfAnotherUserCountsAsRunning) {
    // Signalling another user's process fails with EPERM, which still means alive.
    const int parent = static_cast<int>(getpid());
    auto check = [parent] { return PMacXProcessInfo::IsProcessRunning(parent) ? 0 : 1; };
    if (UnprivilegedChild::IsRoot())
        EXPECT_EQ(UnprivilegedChild::Run(check), 0);
    else
        EXPECT_TRUE(PMacXProcessInfo::IsProcessRunning(1));
}

TEST(PMacXProcessInfo, ThreadIdIsNotAProcess) {
    Watchdog watchdog(std::chrono::seconds(10), "thread id lookup");
    int tid = 0;
    bool checked = false;
    std::thread worker([&] {
        tid = static_cast<int>(gettid());
        checked = true;
    });
    worker.join();
    ASSERT_TRUE(checked);
    // The thread has ended; a live thread is checked on the main one's own id instead.
    EXPECT_FALSE(PMacXProcessInfo::IsProcessRunning(tid));
}

TEST(PMacXProcessInfo, SixteenCharacterNameIsFoundByItsExecutable) {
    Watchdog watchdog(std::chrono::seconds(20), "process lookup");
    ScopedTempFolder folder;
    NamedSleeper child(folder, "PrinterProcessor");
    PMacXProcessInfo info;
    GTable<int> ids;
    info.GetProcessID(GString("PrinterProcessor"), ids, true);
    std::vector<int> found(ids.begin(), ids.end());
    EXPECT_TRUE(Contains(found, child.Pid()));
    // The kernel's 15-character command name is a name too, as ps and pgrep show it.
    EXPECT_TRUE(Contains(PMacXProcessInfo::FindProcessIDs("PrinterProcesso", false), child.Pid()));
    EXPECT_EQ(PMacXProcessInfo::GetProcessName(child.Pid()), "PrinterProcessor");
    EXPECT_TRUE(info.IsRunning(child.Pid()));
}

TEST(PMacXProcessInfo, LongNameComparesInItsFirstSixteenCharacters) {
    Watchdog watchdog(std::chrono::seconds(20), "process lookup");
    ScopedTempFolder folder;
    NamedSleeper child(folder, "PrinterProcessorLong");  // 20 characters
    struct Case {
        char const* name;
        bool found;
    } const cases[] = {
        {"PrinterProcessorLong", true},
        {"PrinterProcessor", true},
        {"PrinterProcessorOther", true},  // only 16 characters take part
        {"printerprocessorlong", false},  // case-sensitive
        {"PrinterProcesso", true},  // the command name
        {"PrinterProcess", false},
        {"", false},
    };
    for (Case const& c : cases)
        EXPECT_EQ(Contains(PMacXProcessInfo::FindProcessIDs(c.name, true), child.Pid()), c.found) << c.name;
}

TEST(PMacXProcessInfo, ZombieIsNotRunningAndNotFound) {
    Watchdog watchdog(std::chrono::seconds(20), "zombie lookup");
    ScopedTempFolder folder;
    NamedSleeper child(folder, "TrovelZombieTest");
    ASSERT_TRUE(PMacXProcessInfo::IsProcessRunning(child.Pid()));
    child.KillWithoutReaping();
    EXPECT_FALSE(PMacXProcessInfo::IsProcessRunning(child.Pid()));
    EXPECT_FALSE(Contains(PMacXProcessInfo::FindProcessIDs("TrovelZombieTest", false), child.Pid()));
    EXPECT_FALSE(Contains(PMacXProcessInfo::FindChildProcessIDs(getpid()), child.Pid()));
    const int pid = child.Pid();
    child.Stop();
    EXPECT_FALSE(PMacXProcessInfo::IsProcessRunning(pid));
}

TEST(PMacXProcessInfo, NoMatchLeavesTheTableEmpty) {
    GTable<int> ids;
    ids.AddItem(42);
    PMacXProcessInfo().GetProcessID(GString("NoSuchProcessAnywhere"), ids, false);
    EXPECT_EQ(ids.GetCount(), 0);
}

TEST(PMacXProcessInfo, ChildrenAndListNameTheChild) {
    Watchdog watchdog(std::chrono::seconds(20), "child lookup");
    ScopedTempFolder folder;
    NamedSleeper child(folder, "TrovelChildTest");
    PMacXProcessInfo info;
    GTable<int> children = info.GetChildProcessIDs(getpid());
    EXPECT_NE(children.FindItem(child.Pid()), -1);
    EXPECT_TRUE(info.GetChildProcessIDs(child.Pid()).GetCount() == 0);
    std::vector<std::string> names = PMacXProcessInfo::ListProcessNames(true);
    EXPECT_NE(std::find(names.begin(), names.end(), "TrovelChildTest"), names.end());
    GTable<GString> list;
    list.AddItem(GString("stale"));
    info.GetProcessList(list, true);
    EXPECT_GT(list.GetCount(), 0);
    EXPECT_EQ(list.FindItem(GString("stale")), -1);
}

// A lookup remembers what it read of each process's executable and argv[0]; a new process under
// the id of one that has ended, with the same command name, is read afresh: a name it has
// gained is found at once, and one it no longer has is not.
TEST(PMacXProcessInfo, NewProcessUnderAFreedIdIsReadAfresh) {
    Watchdog watchdog(std::chrono::seconds(60), "process lookup under a reused id");
    ScopedTempFolder folder;
    const std::string dir = folder.Path() + "/";
    CopyProgram("/bin/sleep", dir + "trovelfileone");
    CopyProgram("/bin/sleep", dir + "trovelfiletwo");
    // Both run through this link, so both have its command name.
    const std::string link = dir + "trovelreused";
    struct Case {
        char const* fileBefore;
        char const* argv0Before;
        char const* fileAfter;
        char const* argv0After;
        char const* name;
        bool foundBefore;
        bool foundAfter;
    };
    const Case cases[] = {
        {"trovelfileone", "trovelreused", "trovelfileone", "trovelnewargv", "trovelnewargv", false, true},
        {"trovelfileone", "troveloldargv", "trovelfileone", "trovelreused", "troveloldargv", true, false},
        {"trovelfileone", "trovelreused", "trovelfiletwo", "trovelreused", "trovelfiletwo", false, true},
        {"trovelfileone", "trovelreused", "trovelfiletwo", "trovelreused", "trovelfileone", true, false},
        {"trovelfileone", "trovelreused", "trovelfileone", "trovelreused", "trovelreused", true, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        unlink(link.c_str());
        ASSERT_EQ(symlink((dir + c.fileBefore).c_str(), link.c_str()), 0);
        pid_t pid = -1;
        ino_t entryBefore = 0;
        {
            StartedProgram before(link, c.argv0Before, "trovelreused");
            pid = before.Pid();
            ASSERT_GT(pid, 0);
            ASSERT_TRUE(RunsFile(pid, dir + c.fileBefore));
            entryBefore = EntryOf(pid);
            EXPECT_EQ(Contains(PMacXProcessInfo::FindProcessIDs(c.name, false), pid), c.foundBefore);
        }
        // Ended and reaped; no lookup in between, so its record is still there.
        unlink(link.c_str());
        ASSERT_EQ(symlink((dir + c.fileAfter).c_str(), link.c_str()), 0);
        ProgramAtId after(pid, link, c.argv0After);
        if (after.Error() == EPERM || after.Error() == ENOSYS || after.Error() == E2BIG)
            GTEST_SKIP() << "a process id cannot be chosen here: " << std::strerror(after.Error());
        ASSERT_EQ(after.Pid(), pid) << "the id was taken: " << std::strerror(after.Error());
        ASSERT_TRUE(RunsFile(pid, dir + c.fileAfter));
        // What the records rely on: the kernel gives the new process a new /proc entry.
        EXPECT_NE(EntryOf(pid), entryBefore);
        EXPECT_EQ(Contains(PMacXProcessInfo::FindProcessIDs(c.name, false), pid), c.foundAfter);
        EXPECT_EQ(Contains(PMacXProcessInfo::FindProcessIDsAmong(c.name, {pid}), pid), c.foundAfter);
    }
}

// Processes started, ended and renamed between lookups: each lookup answers for the table as it
// is then, whatever the earlier lookups read.
TEST(PMacXProcessInfo, LookupsFollowProcessesStartingAndEnding) {
    Watchdog watchdog(std::chrono::seconds(60), "repeated process lookup");
    ScopedTempFolder folder;
    const std::string dir = folder.Path() + "/";
    CopyProgram("/bin/sleep", dir + "trovelrepeat");
    const auto found = [](char const* name, int pid) { return Contains(PMacXProcessInfo::FindProcessIDs(name, true), pid); };
    StartedProgram first(dir + "trovelrepeat", "trovelfirstargv", "trovelrepeat");
    EXPECT_TRUE(found("trovelfirstargv", first.Pid()));
    EXPECT_TRUE(found("trovelrepeat", first.Pid()));
    // Started after the records were filled: its custom argv[0] is found.
    StartedProgram second(dir + "trovelrepeat", "trovelsecondargv", "trovelrepeat");
    EXPECT_TRUE(found("trovelsecondargv", second.Pid()));
    EXPECT_FALSE(found("trovelsecondargv", first.Pid()));
    EXPECT_FALSE(found("trovelfirstargv", second.Pid()));
    const int ended = first.Pid();
    {
        StartedProgram third(dir + "trovelrepeat", "trovelthirdargv", "trovelrepeat");
        EXPECT_TRUE(found("trovelthirdargv", third.Pid()));
        kill(ended, SIGKILL);
        waitpid(ended, nullptr, 0);
        EXPECT_TRUE(PMacXProcessInfo::FindProcessIDs("trovelfirstargv", true).empty());
    }
    EXPECT_TRUE(PMacXProcessInfo::FindProcessIDs("trovelthirdargv", true).empty());
    EXPECT_TRUE(found("trovelsecondargv", second.Pid()));
}

// A process that execs a program of its own command name under another argv[0] keeps its id,
// entry and command name: it is found under the new argv[0] once what was read of it expires.
TEST(PMacXProcessInfo, ProgramOfTheSameCommandNameIsFoundWithinTheRecordLifetime) {
    Watchdog watchdog(std::chrono::seconds(30), "process lookup after an exec");
    ScopedTempFolder folder;
    std::string command;
    std::getline(std::ifstream("/proc/self/comm"), command);
    ASSERT_FALSE(command.empty());
    const std::string path = folder.Path() + "/" + command;
    CopyProgram("/bin/sleep", path);
    int go[2];
    ASSERT_EQ(pipe2(go, O_CLOEXEC), 0);
    const pid_t child = fork();
    if (child == 0) {
        char byte;
        while (read(go[0], &byte, 1) < 0 && errno == EINTR) {
        }
        char* const argv[] = {const_cast<char*>("trovelreexec"), const_cast<char*>("30"), nullptr};
        execv(path.c_str(), argv);
        _exit(127);
    }
    close(go[0]);
    ASSERT_GT(child, 0);
    // Read while it is still a copy of this process.
    EXPECT_FALSE(Contains(PMacXProcessInfo::FindProcessIDs("trovelreexec", false), child));
    const auto read = std::chrono::steady_clock::now();
    EXPECT_EQ(write(go[1], "x", 1), 1);
    close(go[1]);
    EXPECT_TRUE(RunsFile(child, path));
    bool found = false;
    while (!found && std::chrono::steady_clock::now() - read < std::chrono::seconds(5)) {
        found = Contains(PMacXProcessInfo::FindProcessIDs("trovelreexec", false), child);
        if (!found)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const auto waited = std::chrono::steady_clock::now() - read;
    EXPECT_TRUE(found);
    // The lifetime, and room for a busy machine.
    EXPECT_LT(waited, std::chrono::milliseconds(PMacXProcessInfo::cProgramNamesKeptMs + 1500));
    // Asked about directly, it is read afresh.
    EXPECT_EQ(PMacXProcessInfo::FindProcessIDsAmong("trovelreexec", {child}), std::vector<int>{child});
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

// Lookups on several threads at once share what earlier lookups read; each finds the processes
// under all their names.
TEST(PMacXProcessInfo, ConcurrentLookupsFindTheSameProcesses) {
    Watchdog watchdog(std::chrono::seconds(60), "concurrent process lookup");
    ScopedTempFolder folder;
    const std::string dir = folder.Path() + "/";
    CopyProgram("/bin/sleep", dir + "trovelthreads");
    StartedProgram shown(dir + "trovelthreads", "trovelthreadargv", "trovelthreads");
    char const* const names[] = {"trovelthreads", "trovelthreadargv"};
    std::atomic<int> missed{0};
    RunThreadsTogether(4, [&](int thread) {
        for (int i = 0; i < 10; ++i) {
            const std::vector<int> found = PMacXProcessInfo::FindProcessIDs(names[(thread + i) % 2], i % 3 == 0);
            if (found != std::vector<int>{shown.Pid()})
                ++missed;
        }
    });
    EXPECT_EQ(missed.load(), 0);
}

// Another user's process, whose executable cannot be read, is found by its command name and
// argv[0] in repeated lookups, and never among the current user's.
TEST(PMacXProcessInfo, AnotherUsersProcessIsFoundInRepeatedLookups) {
    Watchdog watchdog(std::chrono::seconds(30), "process lookup of another user's process");
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to look as another user";
    ScopedTempFolder folder;
    const std::string dir = folder.Path() + "/";
    CopyProgram("/bin/sleep", dir + "trovelotherreal");
    StartedProgram other(dir + "trovelotherreal", "trovelothershown", "trovelotherreal");
    const int pid = other.Pid();
    const int failures = UnprivilegedChild::Run([pid] {
        int failed = 0;
        for (int round = 0; round < 3; ++round) {
            failed |= Contains(PMacXProcessInfo::FindProcessIDs("trovelothershown", false), pid) ? 0 : 1;
            failed |= Contains(PMacXProcessInfo::FindProcessIDs("trovelotherreal", false), pid) ? 0 : 2;
            failed |= Contains(PMacXProcessInfo::FindProcessIDs("trovelothershown", true), pid) ? 4 : 0;
        }
        return failed;
    });
    EXPECT_EQ(failures, 0);
}
