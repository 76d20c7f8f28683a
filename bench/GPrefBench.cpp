// Preference files of 100 groups of 100 keys (values of about 40 ASCII characters), made once
// at the start in a temporary folder, each side in its own form of the same data:
// - ParsePrefs: ours reads the preference text in UTF-16 with its mark, as the plug-in's files
//   are stored, into its groups (GPrefFileIO::Read over GFileInStream); qt reads the INI form
//   with QSettings (the file's time is moved before each read, else QSettings keeps its cached
//   parse) and lists every key; boost_ini reads the INI form into a property tree.
// - WritePrefs: ours writes the groups as preference text in UTF-16 and writes the file in
//   place; qt sets every key in a new QSettings and syncs it in place (atomic sync off);
//   boost_ini writes the property tree with write_ini.
// - SafeSave: the same UTF-16 bytes written by GSafeFileSave (temporary file, fsync, rename)
//   against a plain in-place write (open with truncation, write, close) and one
//   that also syncs the file (in_place_fsync).
// Ours reads and writes UTF-16, twice the bytes of the 8-bit INI files of the peers. The writes in
// place truncate the file as the peers do; their time includes the file system freeing the old
// blocks, as the rename of the safe save does.
#include <benchmark/benchmark.h>

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "BenchRatio.h"
#include "core/bytes/GBuffer.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/text/GString.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "services/files/GFileInStream.h"
#include "services/files/GSafeFileSave.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefFileIO.h"
#include "services/preferences/GPrefModule.h"
#include "support/FoundationStartup.h"

namespace {

constexpr int cGroups = 100;
constexpr int cKeys = 100;

std::string GroupName(int g) { return "Group" + std::to_string(g); }
std::string KeyName(int k) { return "key" + std::to_string(k); }
std::string ValueText(int g, int k) {
    return "value of group " + std::to_string(g) + " and key " + std::to_string(k) + " abcdefgh";
}

GBuffer Bytes(std::string const& s) {
    return GBuffer(reinterpret_cast<unsigned char const*>(s.data()), static_cast<int>(s.size()));
}

GEncoding const* Unicode() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

GPathName PathOf(std::string const& native) {
    return GPathName(GString(native.c_str(), GEncodingFallback::Get<GUTF8Encoding>()));
}

// The data in every form, and the files, removed with their folder at exit.
class PrefFiles {
public:
    PrefFiles() {
        StartFoundation();
        char const* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/trovel-prefbench-XXXXXX";
        if (mkdtemp(&pattern[0]) == nullptr)
            std::abort();
        mFolder = pattern;
        for (int g = 0; g < cGroups; ++g) {
            GPrefModule::Group group(cKeys);
            for (int k = 0; k < cKeys; ++k) {
                group.Put(Bytes(KeyName(k)), GString(ValueText(g, k).c_str()));
                mTree.put(GroupName(g) + "." + KeyName(k), ValueText(g, k));
            }
            mGroups.Put(Bytes(GroupName(g)), group);
        }
        {
            GMemoryOutStream out(mPrefBytes);
            GPrefModule::WriteGroups(mGroups, out, Unicode());
        }
        WriteWhole(PrefPath(), mPrefBytes);
        boost::property_tree::write_ini(IniPath(), mTree);
    }
    ~PrefFiles() {
        for (char const* leaf : {"/prefs.uprefs", "/prefs.ini", "/qt.ini", "/boost.ini", "/out.uprefs", "/safe.uprefs"})
            std::remove((mFolder + leaf).c_str());
        rmdir(mFolder.c_str());
    }
    PrefFiles(PrefFiles const&) = delete;
    PrefFiles& operator=(PrefFiles const&) = delete;

    std::string PrefPath() const { return mFolder + "/prefs.uprefs"; }
    std::string IniPath() const { return mFolder + "/prefs.ini"; }
    std::string Out(char const* leaf) const { return mFolder + "/" + leaf; }
    GPrefModule::Groups const& Groups() const { return mGroups; }
    GBuffer const& PrefBytes() const { return mPrefBytes; }
    boost::property_tree::ptree const& Tree() const { return mTree; }

    static void WriteWhole(std::string const& path, GBuffer const& bytes, bool sync = false) {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || write(fd, bytes.GetPtr(), static_cast<size_t>(bytes.GetLength())) != bytes.GetLength())
            std::abort();
        if (sync)
            fsync(fd);
        close(fd);
    }

private:
    std::string mFolder;
    GPrefModule::Groups mGroups{cGroups};
    GBuffer mPrefBytes;
    boost::property_tree::ptree mTree;
};

PrefFiles const& Files() {
    static PrefFiles const files;
    return files;
}

void ParseOurs(benchmark::State& state) {
    GPathName const path = PathOf(Files().PrefPath());
    for (auto _ : state) {
        GPrefModule::Groups groups(5);
        GFileInStream in(path);
        if (!GPrefFileIO::Read(in, Unicode(), groups) || groups.GetCount() != cGroups)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(groups.GetCount());
    }
}

void ParseQt(benchmark::State& state) {
    QString const path = QString::fromStdString(Files().IniPath());
    long long tick = 0;
    for (auto _ : state) {
        state.PauseTiming();
        timespec const times[2] = {{1000000 + ++tick, 0}, {1000000 + tick, 0}};
        utimensat(AT_FDCWD, Files().IniPath().c_str(), times, 0);
        state.ResumeTiming();
        QSettings settings(path, QSettings::IniFormat);
        if (settings.allKeys().size() != cGroups * cKeys)
            state.SkipWithError("read failed");
    }
}

void ParseBoost(benchmark::State& state) {
    for (auto _ : state) {
        boost::property_tree::ptree tree;
        boost::property_tree::read_ini(Files().IniPath(), tree);
        if (tree.size() != static_cast<size_t>(cGroups))
            state.SkipWithError("read failed");
    }
}

void WriteOurs(benchmark::State& state) {
    std::string const path = Files().Out("out.uprefs");
    for (auto _ : state) {
        GBuffer bytes;
        {
            GMemoryOutStream out(bytes);
            GPrefModule::WriteGroups(Files().Groups(), out, Unicode());
        }
        PrefFiles::WriteWhole(path, bytes);
    }
}

void WriteQt(benchmark::State& state) {
    std::string const path = Files().Out("qt.ini");
    QStringList groups;
    QStringList keys;
    QStringList values;
    for (int g = 0; g < cGroups; ++g) {
        groups << QString::fromStdString(GroupName(g));
        for (int k = 0; k < cKeys; ++k)
            values << QString::fromStdString(ValueText(g, k));
    }
    for (int k = 0; k < cKeys; ++k)
        keys << QString::fromStdString(KeyName(k));
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(path.c_str());
        state.ResumeTiming();
        QSettings settings(QString::fromStdString(path), QSettings::IniFormat);
        settings.setAtomicSyncRequired(false);
        for (int g = 0; g < cGroups; ++g) {
            settings.beginGroup(groups[g]);
            for (int k = 0; k < cKeys; ++k)
                settings.setValue(keys[k], values[g * cKeys + k]);
            settings.endGroup();
        }
        settings.sync();
    }
}

void WriteBoost(benchmark::State& state) {
    std::string const path = Files().Out("boost.ini");
    for (auto _ : state)
        boost::property_tree::write_ini(path, Files().Tree());
}

void SafeSaveOurs(benchmark::State& state) {
    GPathName const path = PathOf(Files().Out("safe.uprefs"));
    for (auto _ : state)
        GSafeFileSave::Save(path, Files().PrefBytes());
}

void SafeSaveInPlace(benchmark::State& state) {
    std::string const path = Files().Out("safe.uprefs");
    for (auto _ : state)
        PrefFiles::WriteWhole(path, Files().PrefBytes());
}

void SafeSaveInPlaceSync(benchmark::State& state) {
    std::string const path = Files().Out("safe.uprefs");
    for (auto _ : state)
        PrefFiles::WriteWhole(path, Files().PrefBytes(), true);
}

}  // namespace

BENCHMARK(ParseOurs)->Name(TROVEL_BENCH_NAME("ParsePrefs100x100", "ours"))->Unit(benchmark::kMillisecond);
BENCHMARK(ParseQt)->Name(TROVEL_BENCH_NAME("ParsePrefs100x100", "qt"))->Unit(benchmark::kMillisecond);
BENCHMARK(ParseBoost)->Name(TROVEL_BENCH_NAME("ParsePrefs100x100", "boost_ini"))->Unit(benchmark::kMillisecond);
BENCHMARK(WriteOurs)->Name(TROVEL_BENCH_NAME("WritePrefs100x100", "ours"))->Unit(benchmark::kMillisecond);
BENCHMARK(WriteQt)->Name(TROVEL_BENCH_NAME("WritePrefs100x100", "qt"))->Unit(benchmark::kMillisecond);
BENCHMARK(WriteBoost)->Name(TROVEL_BENCH_NAME("WritePrefs100x100", "boost_ini"))->Unit(benchmark::kMillisecond);
BENCHMARK(SafeSaveOurs)->Name(TROVEL_BENCH_NAME("SavePrefs100x100", "ours"))->Unit(benchmark::kMillisecond);
BENCHMARK(SafeSaveInPlace)->Name(TROVEL_BENCH_NAME("SavePrefs100x100", "in_place"))->Unit(benchmark::kMillisecond);
BENCHMARK(SafeSaveInPlaceSync)->Name(TROVEL_BENCH_NAME("SavePrefs100x100", "in_place_fsync"))->Unit(benchmark::kMillisecond);
