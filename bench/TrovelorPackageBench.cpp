// Reading a Trovelor package the way a new export request does: the registry lookup by name, the
// job options (1 MB and 50 MB, deflated, traditional encryption) extracted to a new folder and
// the project preferences read into a module, for registries of 1, 10 and 100 Trovelors (the one
// read registered last). Peer: the same package read by a plain libzip loop (the preferences into
// memory, the job options to a file with 64 KiB buffers), without registry or preferences. The
// packages and registries are made by the package writer before the first timing; extracted files
// are removed outside the timing.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>
#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/tools/ZARidizoTools.h"
#include "printerprocessor/packages/GPPTrovelorPackage.h"
#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/PrivateSandbox.h"
#include "support/TrovelorPackages.h"

namespace {

using preftest::T;
using preftest::U8;

PrivateSandbox& Sandbox() {
    static PrivateSandbox* sandbox = [] {
        auto* made = new PrivateSandbox;
        StartFoundation();
        return made;
    }();
    return *sandbox;
}

std::string TrovelorName(std::int64_t megabytes) { return "Press " + std::to_string(megabytes) + " MB"; }

std::string RegistryFolder(std::int64_t count, std::int64_t megabytes) {
    return Sandbox().Root() + "/config-" + std::to_string(count) + "-" + std::to_string(megabytes);
}

// Registers count Trovelors in the registry of the current per-user preferences; the one read is
// registered last, behind count - 1 others.
bool FillRegistry(std::int64_t count, std::string const& name) {
    for (std::int64_t i = 1; i < count; ++i) {
        if (!GPPTrovelorPackageWriter::Register(T("Other " + std::to_string(i)),
                                                GPPTrovelorPackageWriter::GetPackagePath(T("Other")), 1, T("Other")))
            return false;
    }
    return GPPTrovelorPackageWriter::Register(T(name), GPPTrovelorPackageWriter::GetPackagePath(T(name)), 7, T("Press"));
}

// Points the per-user preferences at the registry of count Trovelors for that package.
void UseRegistry(std::int64_t count, std::int64_t megabytes) {
    setenv("XDG_CONFIG_HOME", RegistryFolder(count, megabytes).c_str(), 1);
    GFileSystem::RemoveSpecialPath(35);
}

// Every package and registry, made before the first timing and written out, so that no case pays
// for the writing of another.
bool Prepared() {
    static const bool prepared = [] {
        for (std::int64_t megabytes : {1, 50}) {
            const std::string name = TrovelorName(megabytes);
            GPPTrovelorPackageWriter writer;
            packagetest::AddSettings(writer);
            writer.AddPrinterFile("job.joboptions", packagetest::JobOptionsText(megabytes << 20));
            std::string error;
            if (!writer.Write(GPPTrovelorPackageWriter::GetPackagePath(T(name)), error))
                return false;
            for (std::int64_t count : {1, 10, 100}) {
                mkdir(RegistryFolder(count, megabytes).c_str(), 0700);
                UseRegistry(count, megabytes);
                if (!FillRegistry(count, name))
                    return false;
            }
        }
        sync();
        return true;
    }();
    return prepared;
}

void Remove(std::string const& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void Finish(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * (state.range(1) << 20));
}

void ReadOurs(benchmark::State& state) {
    if (!Prepared()) {
        state.SkipWithError("no package");
        return;
    }
    const std::string name = TrovelorName(state.range(1));
    UseRegistry(state.range(0), state.range(1));
    ZARidizoTools::ExtractedFolder folder;
    for (auto _ : state) {
        GPrefMemoryModule prefs;
        GPathName jobOptions;
        int build = 0;
        if (!ZARidizoTools::GetProjectProperties(T(name), jobOptions, prefs, build, folder) || build != 7)
            state.SkipWithError("the package read failed");
        state.PauseTiming();
        folder.reset();
        Remove(U8(GCPTTemporaryFolder::GetInstanceFolder().GetNativePathString()));
        state.ResumeTiming();
    }
    Finish(state);
}

// The prefs entry into memory, every printer file into a file of a new folder.
bool ReadWithLibzip(std::string const& package, std::string const& password, std::string const& folder,
                    std::vector<char>& buffer) {
    int code = 0;
    zip_t* zip = zip_open(package.c_str(), ZIP_RDONLY, &code);
    if (zip == nullptr)
        return false;
    bool good = true;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; good && i < count; ++i) {
        zip_stat_t st;
        zip_stat_index(zip, zip_uint64_t(i), 0, &st);
        const std::string entry = st.name;
        zip_file_t* file = zip_fopen_index_encrypted(zip, zip_uint64_t(i), 0, password.c_str());
        good = file != nullptr;
        zip_int64_t n = 0;
        if (good && entry == GPPTrovelorPackage::cProjectPrefsEntry) {
            std::string bytes(st.size, '\0');
            good = zip_fread(file, bytes.data(), st.size) == zip_int64_t(st.size);
            benchmark::DoNotOptimize(bytes.data());
        } else if (good) {
            const std::string target = folder + "/" + entry;
            std::filesystem::create_directories(std::filesystem::path(target).parent_path());
            const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            good = fd >= 0;
            while (good && (n = zip_fread(file, buffer.data(), buffer.size())) > 0)
                good = ::write(fd, buffer.data(), size_t(n)) == n;
            good = good && n == 0;
            if (fd >= 0 && ::close(fd) != 0)
                good = false;
        }
        if (file != nullptr && zip_fclose(file) != 0)
            good = false;
    }
    zip_discard(zip);
    return good;
}

void ReadLibzip(benchmark::State& state) {
    if (!Prepared()) {
        state.SkipWithError("no package");
        return;
    }
    const std::string name = TrovelorName(state.range(1));
    const std::string package = U8(GPPTrovelorPackageWriter::GetPackagePath(T(name)).GetNativePathString());
    const GPPTrovelorPackage::Password password;
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        std::string folder = Sandbox().Root() + "/tmp/libzipXXXXXX";
        if (mkdtemp(folder.data()) == nullptr || !ReadWithLibzip(package, password.Get(), folder, buffer))
            state.SkipWithError("libzip loop failed");
        state.PauseTiming();
        Remove(folder);
        state.ResumeTiming();
    }
    Finish(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (std::int64_t megabytes : {1, 50})
        for (std::int64_t trovelors : {1, 10, 100})
            b->Args({trovelors, megabytes});
    b->ArgNames({"trovelors", "MB"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(ReadOurs)->Name(TROVEL_BENCH_NAME("TrovelorPackageRead", "ours"))->Apply(Sizes);
BENCHMARK(ReadLibzip)->Name(TROVEL_BENCH_NAME("TrovelorPackageRead", "libzip_loop"))->Apply(Sizes);
