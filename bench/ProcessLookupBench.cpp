// Process lookup by name: ours (the command name, the executable and argv[0] from /proc; repeated
// lookups, as here, read the command names afresh and keep the rest from the previous one) against
// `pgrep -x` (procps, started as a tool, as a shell script would) and against an in-process scan
// of the 15-character command names, which is what pgrep compares and the cheapest lookup /proc
// allows. The target is a copy of sleep under a short name that all three can find; each side
// must find exactly that one process.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchRatio.h"
#include "mac/system/PMacXProcessInfo.h"
#include "support/ScopedTempFolder.h"

extern char** environ;

namespace {

constexpr char cName[] = "trovelsleeper";

// The target process, started once for the whole run and ended at exit.
struct Target {
    ScopedTempFolder folder;
    pid_t pid = -1;

    Target() {
        const std::string path = folder / cName;
        const int in = open("/bin/sleep", O_RDONLY | O_CLOEXEC);
        const int out = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0700);
        char buffer[65536];
        ssize_t n;
        while (in >= 0 && out >= 0 && (n = read(in, buffer, sizeof buffer)) > 0)
            if (write(out, buffer, static_cast<size_t>(n)) != n)
                break;
        close(in);
        close(out);
        char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("600"), nullptr};
        if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
            pid = -1;
        // Until it runs the copy (bounded).
        for (int i = 0; i < 500 && PMacXProcessInfo::GetProcessName(pid) != cName; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Target() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

Target& TheTarget() {
    static Target target;
    return target;
}

void Check(benchmark::State& state, std::vector<int> const& found) {
    if (found.size() != 1 || found[0] != TheTarget().pid)
        state.SkipWithError("the lookup did not find exactly the target");
}

void LookupOurs(benchmark::State& state) {
    TheTarget();
    std::vector<int> found;
    for (auto _ : state) {
        found = PMacXProcessInfo::FindProcessIDs(cName, false);
        benchmark::DoNotOptimize(found.data());
    }
    Check(state, found);
}

// pgrep -x prints the ids, one a line; they are read back through a pipe.
std::vector<int> RunPgrep() {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    char* const argv[] = {const_cast<char*>("pgrep"), const_cast<char*>("-x"), const_cast<char*>(cName), nullptr};
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, "pgrep", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string out;
    char buffer[256];
    ssize_t n;
    while (spawned == 0 && (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<size_t>(n));
    close(pipeEnds[0]);
    if (spawned == 0)
        waitpid(child, nullptr, 0);
    std::vector<int> ids;
    for (char const* at = out.c_str(); *at != '\0';) {
        ids.push_back(std::atoi(at));
        at = std::strchr(at, '\n');
        if (at == nullptr)
            break;
        ++at;
    }
    return ids;
}

void LookupPgrep(benchmark::State& state) {
    TheTarget();
    std::vector<int> found;
    for (auto _ : state) {
        found = RunPgrep();
        benchmark::DoNotOptimize(found.data());
    }
    Check(state, found);
}

// The command-name scan: /proc/<pid>/comm of every process, opened relative to the listed folder
// as ours opens its files.
void LookupCommScan(benchmark::State& state) {
    TheTarget();
    std::vector<int> found;
    for (auto _ : state) {
        found.clear();
        DIR* proc = opendir("/proc");
        while (dirent* entry = proc != nullptr ? readdir(proc) : nullptr) {
            if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
                continue;
            char path[300];
            std::snprintf(path, sizeof path, "%s/comm", entry->d_name);
            const int fd = openat(dirfd(proc), path, O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            char comm[32];
            const ssize_t n = read(fd, comm, sizeof comm - 1);
            close(fd);
            if (n > 0 && comm[n - 1] == '\n' && static_cast<size_t>(n - 1) == sizeof cName - 1 &&
                std::memcmp(comm, cName, sizeof cName - 1) == 0)
                found.push_back(std::atoi(entry->d_name));
        }
        if (proc != nullptr)
            closedir(proc);
        benchmark::DoNotOptimize(found.data());
    }
    Check(state, found);
}

}  // namespace

BENCHMARK(LookupOurs)->Name(TROVEL_BENCH_NAME("ProcessLookup", "ours"))->Unit(benchmark::kMicrosecond);
BENCHMARK(LookupPgrep)->Name(TROVEL_BENCH_NAME("ProcessLookup", "pgrep-x"))->Unit(benchmark::kMicrosecond);
BENCHMARK(LookupCommScan)->Name(TROVEL_BENCH_NAME("ProcessLookup", "comm-scan"))->Unit(benchmark::kMicrosecond);
