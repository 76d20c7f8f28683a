// The zip reader on one password-protected entry of 10 KB, 1 MB and 50 MB, stored and deflated
// (traditional encryption), each archive built once in a temporary folder. Extraction to a folder
// beside a plain libzip loop with 64 KiB buffers and beside "unzip -P"; extraction to memory beside
// a plain zip_fread loop into a buffer of the entry's size. Every side opens the archive anew.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <zip.h>

#include "BenchRatio.h"
#include "plugin/zip/ZipArchive.h"
#include "support/TrovelorPackages.h"
#include "support/ZipTestArchives.h"

extern char** environ;

namespace {

const char kPassword[] = "secret";

class BenchFolder {
public:
    BenchFolder() {
        std::string pattern = "/tmp/trovel-zip-bench-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr)
            mPath = pattern;
    }
    ~BenchFolder() {
        std::error_code ignored;
        if (!mPath.empty())
            std::filesystem::remove_all(mPath, ignored);
    }
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

const BenchFolder& Folder() {
    static BenchFolder folder;
    return folder;
}

// The archive for (size, deflated), built on first use.
const std::string& Archive(std::int64_t size, bool deflate) {
    static std::map<std::pair<std::int64_t, bool>, std::string> archives;
    auto it = archives.find({size, deflate});
    if (it != archives.end())
        return it->second;
    const std::string path = Folder().Path() + "/a" + std::to_string(size) + (deflate ? "d" : "s") + ".zip";
    ziptest::LibzipArchive(path, {{"PrinterFiles/job.joboptions", packagetest::JobOptionsText(size), deflate, kPassword}});
    return archives[{size, deflate}] = path;
}

std::string Destination(const char* who) {
    return Folder().Path() + "/out-" + who;
}

void Finish(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void FolderOurs(benchmark::State& state) {
    const std::string& archivePath = Archive(state.range(0), state.range(1) != 0);
    const QString destination = QString::fromStdString(Destination("ours"));
    const QString password = QString::fromLatin1(kPassword);
    for (auto _ : state) {
        Kelvora::ZipArchive archive(QString::fromStdString(archivePath));
        archive.StartIterate();
        if (!archive.ExtractCurrentFile(destination, password, 0))
            state.SkipWithError("extraction failed");
    }
    Finish(state);
}

void FolderLibzip(benchmark::State& state) {
    const std::string& archivePath = Archive(state.range(0), state.range(1) != 0);
    const std::string folder = Destination("libzip") + "/PrinterFiles";
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/job.joboptions";
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        int error = 0;
        zip_t* z = zip_open(archivePath.c_str(), ZIP_RDONLY, &error);
        zip_file_t* f = z == nullptr ? nullptr : zip_fopen_index_encrypted(z, 0, 0, kPassword);
        int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool good = f != nullptr && fd >= 0;
        zip_int64_t n = 0;
        while (good && (n = zip_fread(f, buffer.data(), buffer.size())) > 0)
            good = ::write(fd, buffer.data(), size_t(n)) == n;
        good = good && n == 0;
        if (f != nullptr && zip_fclose(f) != 0)
            good = false;
        if (fd >= 0 && ::close(fd) != 0)
            good = false;
        if (z != nullptr)
            zip_discard(z);
        if (!good)
            state.SkipWithError("libzip loop failed");
    }
    Finish(state);
}

void FolderUnzip(benchmark::State& state) {
    const std::string& archivePath = Archive(state.range(0), state.range(1) != 0);
    const std::string destination = Destination("unzip");
    std::vector<std::string> args = {"unzip", "-o", "-q", "-P", kPassword, archivePath, "-d", destination};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "unzip", nullptr, nullptr, argv.data(), environ) != 0
            || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("unzip failed");
    }
    Finish(state);
}

void MemoryOurs(benchmark::State& state) {
    const std::string& archivePath = Archive(state.range(0), state.range(1) != 0);
    const QString password = QString::fromLatin1(kPassword);
    for (auto _ : state) {
        Kelvora::ZipArchive archive(QString::fromStdString(archivePath));
        archive.StartIterate();
        bool ok = false;
        QByteArray bytes = archive.ExtractCurrentToMemory(password, &ok);
        if (!ok || bytes.size() != state.range(0))
            state.SkipWithError("extraction failed");
        benchmark::DoNotOptimize(bytes.constData());
    }
    Finish(state);
}

void MemoryZipFread(benchmark::State& state) {
    const std::string& archivePath = Archive(state.range(0), state.range(1) != 0);
    for (auto _ : state) {
        int error = 0;
        zip_t* z = zip_open(archivePath.c_str(), ZIP_RDONLY, &error);
        zip_stat_t st;
        zip_stat_init(&st);
        bool good = z != nullptr && zip_stat_index(z, 0, 0, &st) == 0;
        zip_file_t* f = good ? zip_fopen_index_encrypted(z, 0, 0, kPassword) : nullptr;
        std::string bytes(good ? std::size_t(st.size) : 0, '\0');
        std::size_t used = 0;
        zip_int64_t n = 0;
        while (f != nullptr && used < bytes.size()
               && (n = zip_fread(f, bytes.data() + used, std::min<std::size_t>(64 * 1024, bytes.size() - used))) > 0)
            used += std::size_t(n);
        good = f != nullptr && n >= 0 && used == bytes.size();
        if (f != nullptr && zip_fclose(f) != 0)
            good = false;
        if (z != nullptr)
            zip_discard(z);
        if (!good)
            state.SkipWithError("zip_fread loop failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    Finish(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (std::int64_t size : {std::int64_t(10 * 1024), std::int64_t(1) << 20, std::int64_t(50) << 20})
        for (int deflate : {0, 1})
            b->Args({size, deflate});
    b->ArgNames({"bytes", "deflate"})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(FolderOurs)->Name(TROVEL_BENCH_NAME("ZipExtractFolder", "ours"))->Apply(Sizes);
BENCHMARK(FolderLibzip)->Name(TROVEL_BENCH_NAME("ZipExtractFolder", "libzip_loop"))->Apply(Sizes);
BENCHMARK(FolderUnzip)->Name(TROVEL_BENCH_NAME("ZipExtractFolder", "unzip"))->Apply(Sizes);
BENCHMARK(MemoryOurs)->Name(TROVEL_BENCH_NAME("ZipExtractMemory", "ours"))->Apply(Sizes);
BENCHMARK(MemoryZipFread)->Name(TROVEL_BENCH_NAME("ZipExtractMemory", "zip_fread"))->Apply(Sizes);
