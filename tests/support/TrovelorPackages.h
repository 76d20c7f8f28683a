#pragma once
// What the package-reader tests and benchmarks share: Trovelor packages made with the
// printer-processor side's writer, in the shapes the readers meet, and damage done to a written
// package afterwards.
#include <dirent.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "printerprocessor/packages/GPPTrovelorPackageWriter.h"
#include "services/preferences/GPrefMemoryModule.h"

namespace packagetest {

// Text of words from a small vocabulary: deflate shrinks it about as much as a job-options file.
inline std::string JobOptionsText(std::int64_t size) {
    static char const* const kWords[] = {"PDF", "/Compat", "1.4", "true", "false", "<<", ">>", "/ColorConv",
                                         "Leave", "/Resolution", "300", "Helvetica", "job", "options", "\n"};
    std::string text;
    text.reserve(std::size_t(size));
    std::uint32_t state = 2463534242u;
    while (std::int64_t(text.size()) < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        text += kWords[state % 15];
        text.push_back(char('a' + (state >> 8) % 26));
    }
    text.resize(std::size_t(size));
    return text;
}

inline std::string ReadBytes(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The folders of package reads ("Package" and six characters) standing in this process's private
// temporary folder.
inline int PackageFolders() {
    GBuffer const bytes = GCPTTemporaryFolder::GetInstanceFolder().GetNativePathString().GetBuffer(
        GEncodingFallback::Get<GUTF8Encoding>());
    std::string const instance(reinterpret_cast<char const*>(bytes.GetPtr()), std::size_t(bytes.GetLength()));
    int count = 0;
    if (DIR* folder = opendir(instance.c_str())) {
        while (dirent* entry = readdir(folder))
            count += std::string(entry->d_name).rfind("Package", 0) == 0 ? 1 : 0;
        closedir(folder);
    }
    return count;
}

// The project preferences of a package: a mark offset of 2.5 pt and printer marks on.
inline void AddSettings(GPPTrovelorPackageWriter& writer) {
    GPrefMemoryModule prefs;
    GGPCPluginCSSettings settings(prefs);
    settings.SetMarkOffset(2.5);
    settings.SetPrinterMarkAllow(true);
    if (!writer.AddProjectPrefs(prefs))
        throw std::runtime_error("the settings cannot be written");
}

// Flips one byte in the middle of the stored data of the entry (past the 12 bytes of the
// encryption header): the entry no longer decrypts, inflates or passes its CRC.
inline void DamageEntry(std::string const& package, std::string const& name) {
    std::string bytes = ReadBytes(package);
    auto u16 = [&bytes](size_t at) { return size_t(uint8_t(bytes[at])) | size_t(uint8_t(bytes[at + 1])) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    for (size_t at = bytes.find("PK\x03\x04"); at != std::string::npos; at = bytes.find("PK\x03\x04", at + 4)) {
        size_t const nameLength = u16(at + 26);
        if (bytes.compare(at + 30, nameLength, name) != 0)
            continue;
        size_t const data = at + 30 + nameLength + u16(at + 28);
        size_t const size = u32(at + 18);
        if (size <= 13)
            throw std::runtime_error("entry too small to damage");
        bytes[data + 12 + (size - 12) / 2] ^= 0x5A;
        std::ofstream(package, std::ios::binary | std::ios::trunc) << bytes;
        return;
    }
    throw std::runtime_error("no entry " + name);
}

// Rewrites the uncompressed size that the headers of the entry declare (its central record, and
// its local header unless a data descriptor carries the sizes): the entry claims what it does not
// hold, as a bomb or a lie would.
inline void DeclareSize(std::string const& package, std::string const& name, std::uint32_t size) {
    std::string bytes = ReadBytes(package);
    auto u16 = [&bytes](size_t at) { return size_t(uint8_t(bytes[at])) | size_t(uint8_t(bytes[at + 1])) << 8; };
    auto put32 = [&bytes](size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = char((value >> (8 * i)) & 0xFF);
    };
    bool found = false;
    for (size_t at = bytes.find("PK\x01\x02"); at != std::string::npos; at = bytes.find("PK\x01\x02", at + 4)) {
        if (u16(at + 28) != name.size() || bytes.compare(at + 46, name.size(), name) != 0)
            continue;
        put32(at + 24, size);
        std::uint32_t const local = std::uint32_t(u16(at + 42) | u16(at + 44) << 16);
        if ((u16(local + 6) & 0x8) == 0)
            put32(local + 22, size);
        found = true;
    }
    if (!found)
        throw std::runtime_error("no entry " + name);
    std::ofstream(package, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace packagetest
