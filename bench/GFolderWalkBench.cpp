// A walk of a 10,000-entry folder tree (10 folders of 9 folders of 110 files each, made once
// in a temporary folder): our iterator (every entry, folders entered) against
// std::filesystem::recursive_directory_iterator and nftw. Each side visits every entry and
// touches its full path; the entry counts must agree.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "BenchRatio.h"
#include "core/text/GString.h"
#include "mac/filesystem/PMacFileSystemIteratorImp.h"
#include "mac/paths/PMacNativePath.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"

namespace {

constexpr int cEntries = 10000;

std::string const& Tree() {
    static ScopedTempFolder const folder;
    static std::string const root = [] {
        const std::string top = folder / "tree";
        mkdir(top.c_str(), 0700);
        for (int a = 0; a < 10; ++a) {
            const std::string first = top + "/folder" + std::to_string(a);
            mkdir(first.c_str(), 0700);
            for (int b = 0; b < 9; ++b) {
                const std::string second = first + "/sub" + std::to_string(b);
                mkdir(second.c_str(), 0700);
                for (int c = 0; c < 110; ++c) {
                    const std::string file = second + "/file-" + std::to_string(c) + ".txt";
                    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
                    if (fd >= 0)
                        close(fd);
                }
            }
        }
        return top;
    }();
    return root;
}

void Check(benchmark::State& state, long count) {
    if (count != cEntries)
        state.SkipWithError("the walk did not see every entry");
}

void WalkOurs(benchmark::State& state) {
    StartFoundation();
    GString root;
    if (!PMacNativePath::FromUTF8(Tree(), root))
        state.SkipWithError("the tree's path has no text form");
    long count = 0;
    for (auto _ : state) {
        count = 0;
        PMacFileSystemIteratorImp iterator;
        iterator.BeginIterate(root, 15, PMacFileSystemIteratorImp::kFolders);
        GString entry;
        while (iterator.GetNextFileOrFolder(entry)) {
            benchmark::DoNotOptimize(entry.GetEncodedBuffer().GetPtr());
            ++count;
        }
    }
    Check(state, count);
}

void WalkStd(benchmark::State& state) {
    const std::filesystem::path root(Tree());
    long count = 0;
    for (auto _ : state) {
        count = 0;
        for (std::filesystem::directory_entry const& entry : std::filesystem::recursive_directory_iterator(root)) {
            benchmark::DoNotOptimize(entry.path().native().data());
            ++count;
        }
    }
    Check(state, count);
}

long sNftwCount = 0;

void WalkNftw(benchmark::State& state) {
    const std::string& root = Tree();
    for (auto _ : state) {
        sNftwCount = -1;  // the root itself is reported too
        nftw(root.c_str(), [](char const* path, struct stat const*, int, FTW*) {
            benchmark::DoNotOptimize(path);
            ++sNftwCount;
            return 0;
        }, 64, FTW_PHYS);
    }
    Check(state, sNftwCount);
}

}  // namespace

BENCHMARK(WalkOurs)->Name(TROVEL_BENCH_NAME("FolderWalk10000", "ours"))->Unit(benchmark::kMillisecond);
BENCHMARK(WalkStd)->Name(TROVEL_BENCH_NAME("FolderWalk10000", "std_filesystem"))->Unit(benchmark::kMillisecond);
BENCHMARK(WalkNftw)->Name(TROVEL_BENCH_NAME("FolderWalk10000", "nftw"))->Unit(benchmark::kMillisecond);
