// Recursive removal and copy of a 10,000-entry folder tree (10 folders of 9 folders of 110
// small files): the file-system facade against std::filesystem::remove_all and
// std::filesystem::copy (recursive). Each iteration works on a fresh copy of the tree, made
// with the timer paused; the result is checked after the timed part.
//
// The copy goes to a new folder, so nothing is replaced and no file is synced; a copy that
// replaces files syncs each before it renames it into place. FS_BENCH_DIR chooses the folder
// (default TMPDIR, else /tmp), so the cost of the disk can be told apart on a memory file system.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "BenchRatio.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "services/filesystem/GFileSystem.h"
#include "support/FoundationStartup.h"

namespace {

namespace fs = std::filesystem;

std::string const& BenchFolder() {
    static std::string const folder = [] {
        char const* chosen = std::getenv("FS_BENCH_DIR");
        if (chosen == nullptr || *chosen == '\0')
            chosen = std::getenv("TMPDIR");
        std::string pattern = std::string(chosen != nullptr && *chosen != '\0' ? chosen : "/tmp") + "/trovel-fsbench-XXXXXX";
        if (mkdtemp(&pattern[0]) == nullptr)
            std::abort();
        std::atexit([] { std::error_code ignored; fs::remove_all(BenchFolder(), ignored); });
        return pattern;
    }();
    return folder;
}

std::string const& Tree() {
    static std::string const root = [] {
        const std::string top = BenchFolder() + "/tree";
        mkdir(top.c_str(), 0755);
        for (int a = 0; a < 10; ++a) {
            const std::string first = top + "/folder" + std::to_string(a);
            mkdir(first.c_str(), 0755);
            for (int b = 0; b < 9; ++b) {
                const std::string second = first + "/sub" + std::to_string(b);
                mkdir(second.c_str(), 0755);
                for (int c = 0; c < 110; ++c) {
                    const std::string file = second + "/file-" + std::to_string(c) + ".txt";
                    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                    if (fd >= 0) {
                        (void)!write(fd, "0123456789abcdef", 16);
                        close(fd);
                    }
                }
            }
        }
        return top;
    }();
    return root;
}

GPathName PathOf(std::string const& utf8) {
    StartFoundation();
    GPathName path;
    path.SetMachOPathString(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
    return path;
}

long CountEntries(std::string const& root) {
    long count = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error))
        ++count;
    return error ? -1 : count;
}

// A fresh copy of the tree to remove, made outside the timing.
std::string FreshCopy(benchmark::State& state) {
    state.PauseTiming();
    const std::string copy = BenchFolder() + "/victim";
    std::error_code ignored;
    fs::remove_all(copy, ignored);
    fs::copy(Tree(), copy, fs::copy_options::recursive);
    state.ResumeTiming();
    return copy;
}

void RemoveOurs(benchmark::State& state) {
    Tree();
    for (auto _ : state) {
        const std::string victim = FreshCopy(state);
        GFileSystem::RemoveFolder(PathOf(victim), -1, 10);
        if (access(victim.c_str(), F_OK) == 0)
            state.SkipWithError("the tree was not removed");
    }
}

void RemoveStd(benchmark::State& state) {
    Tree();
    for (auto _ : state) {
        const std::string victim = FreshCopy(state);
        fs::remove_all(victim);
        if (access(victim.c_str(), F_OK) == 0)
            state.SkipWithError("the tree was not removed");
    }
}

// The destination of a copy, emptied outside the timing.
std::string EmptyDestination(benchmark::State& state) {
    state.PauseTiming();
    const std::string dest = BenchFolder() + "/dest";
    std::error_code ignored;
    fs::remove_all(dest, ignored);
    mkdir(dest.c_str(), 0755);
    state.ResumeTiming();
    return dest;
}

void CheckCopy(benchmark::State& state, std::string const& copied) {
    state.PauseTiming();
    if (CountEntries(copied) != 10000)
        state.SkipWithError("the copy does not hold every entry");
    state.ResumeTiming();
}

void CopyOurs(benchmark::State& state) {
    Tree();
    for (auto _ : state) {
        const std::string dest = EmptyDestination(state);
        GPathName copied;
        GFileSystem::CopyFolderTo(PathOf(Tree()), PathOf(dest), copied, false);
        CheckCopy(state, dest + "/tree");
    }
}

void CopyStd(benchmark::State& state) {
    Tree();
    for (auto _ : state) {
        const std::string dest = EmptyDestination(state);
        fs::copy(Tree(), dest + "/tree", fs::copy_options::recursive);
        CheckCopy(state, dest + "/tree");
    }
}

}  // namespace

BENCHMARK(RemoveOurs)->Name(TROVEL_BENCH_NAME("RemoveTree10000", "ours"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RemoveStd)
    ->Name(TROVEL_BENCH_NAME("RemoveTree10000", "std_filesystem"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyOurs)->Name(TROVEL_BENCH_NAME("CopyTree10000", "ours"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyStd)
    ->Name(TROVEL_BENCH_NAME("CopyTree10000", "std_filesystem"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
