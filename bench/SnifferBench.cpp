// Content sniffing of a mixed folder (each kind's sample at three sizes, with other common files
// beside them, made once in a temporary folder) against libmagic's magic_buffer. Our side opens
// each file as a stream and sniffs it; libmagic's side reads each file whole and names its bytes.
// The Memory cases take the file opening away: the same bytes from memory on both sides.
// Before the first run the agreement on the kinds both know is printed: libmagic's description
// is mapped to our kind, and ours agrees when it is that kind or a finer one (a CMap is
// PostScript to libmagic, a Mac TrueType font TrueType).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <magic.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "core/bytes/GBuffer.h"
#include "core/streams/GMemoryInStream.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "services/files/GFileInStream.h"
#include "services/paths/GPathName.h"
#include "core/support/GStreamSupport.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"
#include "support/SniffSamples.h"

namespace {

struct Sample {
    std::string path;
    std::string bytes;
};

// Grown to at least n bytes with the size fields that must follow the length kept right.
std::string Grown(std::string bytes, int kind, std::size_t n) {
    if (bytes.size() >= n)
        return bytes;
    bytes.resize(n, kind == GTypeEnums::kPDF || kind < 0 ? ' ' : '\0');
    if (kind == GTypeEnums::kBMP)
        sniff::SetLE32(bytes, 2, static_cast<std::uint32_t>(n));
    if (kind == GTypeEnums::kICCProfile)
        sniff::SetBE32(bytes, 0, static_cast<std::uint32_t>(n));
    return bytes;
}

std::vector<std::string> Others() {
    std::string random(20000, '\0');
    std::uint32_t state = 7;
    for (char& c : random) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    std::string text;
    while (text.size() < 30000)
        text += "The quick brown fox jumps over the lazy dog.\n";
    return {random, text, "#!/bin/sh\necho hello\n", "", " ", "a,b,c\n1,2,3\n",
            std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + std::string(64, '\0'), "{\"json\": true}\n"};
}

std::vector<Sample> const& Folder() {
    static ScopedTempFolder const folder;
    static std::vector<Sample> const samples = [] {
        std::vector<Sample> made;
        auto add = [&](std::string bytes) {
            std::string const path = folder / ("file-" + std::to_string(made.size()));
            std::ofstream(path, std::ios::binary) << bytes;
            made.push_back({path, std::move(bytes)});
        };
        for (auto const& [bytes, kind] : sniff::AllSamples())
            for (std::size_t size : {std::size_t(0), std::size_t(8192), std::size_t(200000)})
                add(Grown(bytes, kind, size));
        for (std::string const& other : Others())
            add(other);
        return made;
    }();
    return samples;
}

// Our kind for a libmagic description, or -1 for a kind we do not know.
int KindOfDescription(std::string const& d) {
    auto starts = [&](char const* prefix) { return d.rfind(prefix, 0) == 0; };
    if (d == "empty")
        return GTypeEnums::kEmpty;
    if (starts("PDF document"))
        return GTypeEnums::kPDF;
    if (starts("DOS EPS Binary") || (starts("PostScript document") && d.find("type EPS") != std::string::npos))
        return GTypeEnums::kEPS;
    if (starts("PostScript document"))
        return GTypeEnums::kPostScript;
    if (starts("PostScript Type 1 font program"))
        return GTypeEnums::kWinType1;
    if (starts("PostScript Type 1 font text"))
        return GTypeEnums::kPSType1;
    if (starts("JPEG image data"))
        return GTypeEnums::kJPEG;
    if (starts("GIF image data"))
        return GTypeEnums::kGIF;
    if (starts("TIFF image data"))
        return GTypeEnums::kTIFF;
    if (starts("PC bitmap"))
        return GTypeEnums::kBMP;
    if (starts("OpenType font data"))
        return GTypeEnums::kOpenTypeCFF;
    if (starts("TrueType font collection"))
        return GTypeEnums::kTrueTypeCollection;
    if (starts("TrueType Font data"))
        return GTypeEnums::kTrueType;
    if (d.find("color profile") != std::string::npos)
        return GTypeEnums::kICCProfile;
    if (d.find("font metrics") != std::string::npos)
        return GTypeEnums::kFontMetrics;
    if (starts("XML"))
        return GTypeEnums::kXML;
    return -1;
}

bool Agrees(int ours, int theirs) {
    if (ours == theirs)
        return true;
    switch (theirs) {
    case GTypeEnums::kPostScript:
        return ours == GTypeEnums::kCMap;
    case GTypeEnums::kPSType1:
    case GTypeEnums::kWinType1:
        return ours == GTypeEnums::kMMType1;
    case GTypeEnums::kOpenTypeCFF:
    case GTypeEnums::kTrueType:
        return ours == GTypeEnums::kOpenTypeCFFTrueType || (theirs == GTypeEnums::kTrueType && ours == GTypeEnums::kMacTrueType);
    default:
        return false;
    }
}

magic_t Magic() {
    static magic_t const cookie = [] {
        magic_t m = magic_open(MAGIC_NONE);
        if (m != nullptr && magic_load(m, nullptr) != 0) {
            magic_close(m);
            m = nullptr;
        }
        return m;
    }();
    return cookie;
}

GTypeEnums::Types SniffFile(std::string const& path) {
    GFileInStream in{GPathName(GString(path.c_str(), GUTF8Encoding::GetInstance()))};
    return GStreamSupport::GetStreamType(in);
}

char const* MagicFile(magic_t m, std::string const& path, std::vector<char>& scratch) {
    int const fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::size_t used = 0;
    for (ssize_t n; (n = read(fd, scratch.data() + used, scratch.size() - used)) > 0;) {
        used += static_cast<std::size_t>(n);
        if (used == scratch.size())
            scratch.resize(scratch.size() * 2);
    }
    close(fd);
    return magic_buffer(m, scratch.data(), used);
}

void PrintAgreementOnce() {
    static bool const printed = [] {
        int known = 0, agreed = 0;
        for (Sample const& s : Folder()) {
            GBuffer const bytes(reinterpret_cast<unsigned char const*>(s.bytes.data()), static_cast<int>(s.bytes.size()));
            GMemoryInStream in(bytes);
            int const ours = GStreamSupport::GetStreamType(in);
            char const* d = magic_buffer(Magic(), s.bytes.data(), s.bytes.size());
            std::string const description = d != nullptr ? d : "";
            int const theirs = KindOfDescription(description);
            if (theirs < 0)
                continue;
            ++known;
            if (Agrees(ours, theirs))
                ++agreed;
            else
                std::fprintf(stderr, "sniffers: %s (%zu bytes): ours %d, libmagic \"%s\"\n", s.path.c_str(),
                             s.bytes.size(), ours, description.c_str());
        }
        std::fprintf(stderr, "sniffers: %zu files, libmagic names a kind we know for %d; we agree on %d of them\n",
                     Folder().size(), known, agreed);
        return true;
    }();
    (void)printed;
}

void Prepare(benchmark::State& state) {
    StartFoundation();
    if (Magic() == nullptr) {
        state.SkipWithError("libmagic has no database");
        return;
    }
    PrintAgreementOnce();
}

void FolderOurs(benchmark::State& state) {
    Prepare(state);
    for (auto _ : state)
        for (Sample const& s : Folder())
            benchmark::DoNotOptimize(SniffFile(s.path));
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(Folder().size()));
}

void FolderMagic(benchmark::State& state) {
    Prepare(state);
    std::vector<char> scratch(1 << 16);
    for (auto _ : state)
        for (Sample const& s : Folder())
            benchmark::DoNotOptimize(MagicFile(Magic(), s.path, scratch));
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(Folder().size()));
}

void MemoryOurs(benchmark::State& state) {
    Prepare(state);
    // Streams over owned bytes: their clones share the bytes instead of copying them.
    std::vector<std::unique_ptr<GMemoryInStream>> streams;
    for (Sample const& s : Folder())
        streams.push_back(std::make_unique<GMemoryInStream>(
            new GBuffer(reinterpret_cast<unsigned char const*>(s.bytes.data()), static_cast<int>(s.bytes.size()))));
    for (auto _ : state)
        for (auto const& in : streams)
            benchmark::DoNotOptimize(GStreamSupport::GetStreamType(*in));
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(streams.size()));
}

void MemoryMagic(benchmark::State& state) {
    Prepare(state);
    for (auto _ : state)
        for (Sample const& s : Folder())
            benchmark::DoNotOptimize(magic_buffer(Magic(), s.bytes.data(), s.bytes.size()));
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(Folder().size()));
}

} // namespace

BENCHMARK(FolderOurs)->Name(TROVEL_BENCH_NAME("SniffFolder", "ours"))->Unit(benchmark::kMicrosecond);
BENCHMARK(FolderMagic)->Name(TROVEL_BENCH_NAME("SniffFolder", "libmagic"))->Unit(benchmark::kMicrosecond);
BENCHMARK(MemoryOurs)->Name(TROVEL_BENCH_NAME("SniffMemory", "ours"))->Unit(benchmark::kMicrosecond);
BENCHMARK(MemoryMagic)->Name(TROVEL_BENCH_NAME("SniffMemory", "libmagic"))->Unit(benchmark::kMicrosecond);
