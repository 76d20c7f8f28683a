// The string-file reader on any bytes: no crash, no endless loop (an unterminated comment or
// conditional block ends at the end of the file), and what it read survives the writer: the
// tables written back out and read again hold the same ids and texts (line ends as the platform's).
//
// Input: the file's bytes as they stand.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GStringPool.h"
#include "core/text/GStringPoolTable.h"
#include "services/paths/GPathName.h"
#include "services/strings/GStringFileReader.h"
#include "services/strings/GStringPoolSupport.h"
#include "support/FoundationStartup.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

std::u16string UnitsOf(GString const& s) {
    GBuffer const units = s.GetBuffer(GUnicodeEncoding::GetInstance());
    std::u16string text(reinterpret_cast<char16_t const*>(units.GetPtr()), static_cast<std::size_t>(units.GetLength()) / 2);
    // Every line end reads back as the platform's.
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        out += text[i] == u'\n' ? u'\r' : text[i];
    }
    return out;
}

// Language names that the writer and reader carry unchanged: ASCII letters.
bool IsPlainLanguage(GString const& language) {
    std::u16string const units = UnitsOf(language);
    if (units.empty())
        return false;
    for (char16_t c : units) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

using Snapshot = std::map<std::u16string, std::map<int, std::u16string>>;

Snapshot Take() {
    Snapshot out;
    for (GString const& language : GStringPool::GetTableNames()) {
        if (!IsPlainLanguage(language))
            continue;
        GDict<int32_t, GStringPoolTable::Entry> entries;
        GStringPool::GetEntries(language, entries);
        auto& table = out[UnitsOf(language)];
        for (int slot = 0; slot < entries.GetAllocation(); ++slot) {
            if (entries.IsSlotUsed(slot))
                table[entries.GetKeyAt(slot)] = UnitsOf(entries.GetValueAt(slot).first);
        }
    }
    return out;
}

void Restart() {
    GStringPoolSupport::Finalize();
    GStringPool::Finalize();
    GStringPool::Initialize();
    GStringPoolSupport::Initialize();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    static std::string const folder = [] {
        StartFoundationWithPlatformEncodings();
        std::string path = "/tmp/fuzz_string_file." + std::to_string(getpid());
        std::filesystem::create_directories(path);
        return path;
    }();
    if (size > 16384)
        return 0;
    std::string const input = folder + "/input.lng";
    {
        std::ofstream(input, std::ios::binary).write(reinterpret_cast<char const*>(data), static_cast<std::streamsize>(size));
    }
    Restart();
    GStringFileReader reader{GPathName(input.c_str())};
    reader.ParseStringFile();
    (void)reader.GetLanguageID();
    Snapshot const before = Take();

    std::string const out = folder + "/out";
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    GStringPoolSupport::WriteStringFiles(GPathName(out.c_str()));
    Restart();
    for (auto const& entry : std::filesystem::directory_iterator(out)) {
        GStringFileReader again{GPathName(entry.path().c_str())};
        again.ParseStringFile();
    }
    Snapshot const after = Take();
    for (auto const& [language, texts] : before) {
        if (texts.empty())
            continue;  // an empty table writes no file
        auto const found = after.find(language);
        Check(found != after.end());
        Check(found->second == texts);
    }
    return 0;
}
