#include "services/strings/GStringPoolSupport.h"

#include <algorithm>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/base/GException.h"
#include "core/bytes/GBuffer.h"
#include "core/streams/GText2BinStream.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GStringPool.h"
#include "core/text/GStringPoolTable.h"
#include "core/values/GDateTime.h"
#include "core/values/GProcessInfo.h"
#include "mac/system/PSystem.h"
#include "services/files/GFileOutStream.h"
#include "services/filesystem/GFileSystem.h"
#include "services/filesystem/GFileSystemIterator.h"
#include "services/preferences/GPrefFileModule.h"
#include "services/strings/GLanguageInfoCache.h"
#include "services/strings/GStringFileReader.h"
#include "services/strings/GStringFileReaderBase.h"

namespace {

struct DefaultParams {
    bool set = false;
    GPathName folder;
    GString prefix;
    int minVersion = 0;
    int maxVersion = 0;
    int versionLength = 0;
};

DefaultParams& Params() {
    static DefaultParams params;
    return params;
}

GString& ProductPrefix() {
    static GString prefix;
    return prefix;
}

bool gCacheInstalledHere = false;

// The text in ASCII bytes; false when a character is not ASCII.
bool ToASCII(GString const& text, GBuffer& out) {
    out.Clear();
    text.EnsureUnicode();
    GBuffer const& units = text.GetEncodedBuffer();
    for (int i = 0; i + 1 < units.GetLength(); i += 2) {
        uint16_t unit = 0;
        __builtin_memcpy(&unit, units.GetPtr() + i, 2);
        if (unit >= 0x80)
            return false;
        out += static_cast<unsigned char>(unit);
    }
    return true;
}

GString FromASCII(GBuffer const& bytes) {
    GBuffer terminated(bytes);
    terminated += static_cast<unsigned char>(0);
    return GString(reinterpret_cast<char const*>(terminated.GetPtr()));
}

GString Upper(GString const& text) {
    GString copy(text);
    copy.ToUpper();
    return copy;
}

GString Lower(GString const& text) {
    GString copy(text);
    copy.ToLower();
    return copy;
}

bool FolderIsThere(GPathName const& folder) {
    return !folder.IsEmpty() && folder.HasRootPath() && GFileSystem::FolderExists(folder);
}

void TraceFailure(GPathName const& path, GString const& reason) {
    GString message("String file not read: ");
    message += path.GetCrossPlatformString();
    message += GString(" (");
    message += reason;
    message += GString(")");
    GStringPoolData::Trace(message);
}

void TraceFailure(GPathName const& path, GException const& e) { TraceFailure(path, e.GetFullDescription()); }

// Parses one file; a file that cannot be read is reported and skipped, whatever the layer below
// threw: start-up goes on with the texts it has. Only running out of memory passes.
bool ParseFile(GPathName const& path) {
    try {
        GStringFileReader reader(path);
        reader.ParseStringFile();
        return true;
    } catch (std::bad_alloc const&) {
        throw;
    } catch (GException const& e) {
        TraceFailure(path, e);
    } catch (std::exception const& e) {
        TraceFailure(path, GString(e.what()));
    }
    return false;
}

// The language as it goes into a file name: ASCII letters, digits, "-" and "_"; anything else
// (a "/" that would lead out of the folder, control characters) becomes "_".
std::string FileNameLanguage(GString const& language) {
    language.EnsureUnicode();
    GBuffer const& units = language.GetEncodedBuffer();
    std::string out;
    for (int i = 0; i + 1 < units.GetLength(); i += 2) {
        uint16_t unit = 0;
        __builtin_memcpy(&unit, units.GetPtr() + i, 2);
        bool const plain = (unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z') || (unit >= '0' && unit <= '9') ||
                           unit == '-' || unit == '_';
        out += plain ? static_cast<char>(unit) : '_';
    }
    return out;
}

// Whether a table's language goes into a header and reads back as itself: one token of the
// reader, not one it renames. Non-ASCII names need a file with a byte-order mark.
enum class HeaderLanguage { kASCII, kNeedsUTF16, kUnreadable };

HeaderLanguage HeaderLanguageOf(GString const& language) {
    language.EnsureUnicode();
    GBuffer const& units = language.GetEncodedBuffer();
    if (units.GetLength() < 2 || !(GStringFileReaderBase::CorrectedLanguage(language) == language))
        return HeaderLanguage::kUnreadable;
    HeaderLanguage kind = HeaderLanguage::kASCII;
    for (int i = 0; i + 1 < units.GetLength(); i += 2) {
        uint16_t unit = 0;
        __builtin_memcpy(&unit, units.GetPtr() + i, 2);
        if (unit == ' ' || unit == '\t' || unit == '\r' || unit == '\n' || unit == 0)
            return HeaderLanguage::kUnreadable;
        if (unit >= 0x80)
            kind = HeaderLanguage::kNeedsUTF16;
    }
    return kind;
}

// The encoding a run of texts is written in: its own when the reader knows it by the name it
// gives itself and every text converts without loss; else UTF-16 (Shift-JIS always, as the
// reader cannot tell a 0x5C trail byte from a backslash).
GEncoding* FileEncodingOf(GEncoding* encoding, std::vector<GStringPoolSupport::SortElement> const& elements,
                          size_t first, size_t last, HeaderLanguage language) {
    GEncoding* const unicode = GUnicodeEncoding::GetInstance();
    if (encoding == nullptr || encoding == GShiftJISEncoding::GetInstance() || language != HeaderLanguage::kASCII ||
        GStringPoolData::GetEncoding(encoding->GetASCIIDescription()) != encoding)
        return unicode;
    GBuffer bytes;
    for (size_t i = first; i < last; ++i) {
        if (elements[i].text.GetBuffer(bytes, encoding) != GEncoding::kConvertOK)
            return unicode;
    }
    return encoding;
}

// A run name as one leaf: no "/" to lead elsewhere, no control characters.
GString LeafText(GString const& text) {
    text.EnsureUnicode();
    GBuffer const& units = text.GetEncodedBuffer();
    GBuffer cleaned;
    for (int i = 0; i + 1 < units.GetLength(); i += 2) {
        uint16_t unit = 0;
        __builtin_memcpy(&unit, units.GetPtr() + i, 2);
        if (unit < 0x20 || unit == 0x7F || unit == '/' || unit == ':')
            unit = '_';
        cleaned.AppendByteArray(reinterpret_cast<unsigned char const*>(&unit), 2);
    }
    return GString(cleaned, GUnicodeEncoding::GetInstance(), false);
}

GString TwoDigits(int value) {
    GString text;
    text.SetInt(value, 2);
    return text;
}

// "strings from run <name> UTC_DDMMYYYY_HHMM_<pid>", the time in UTC.
GString RunFolderName(GString const& runName) {
    GDateTime const now(true);
    int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
    now.GetDate(day, month, year, true);
    now.GetTime(hour, minute, second, true);
    GProcessInfo* const processes = GProcessInfo::GetInstance();
    int const pid = processes != nullptr ? processes->GetCurrentProcessID() : static_cast<int>(getpid());
    GString name("strings from run ");
    name += LeafText(runName);
    name += GString(" UTC_");
    name += TwoDigits(day);
    name += TwoDigits(month);
    GString yearText;
    yearText.SetInt(year, 4);
    name += yearText;
    name += GString("_");
    name += TwoDigits(hour);
    name += TwoDigits(minute);
    name += GString("_");
    name += GString(pid);
    return name;
}

// The folder that the switch file names under General/OutputFolder; when it names none, the
// switch file's own folder, which is then stored there for the next run.
GPathName OutputFolder(GPathName const& switchFile) {
    static GBuffer const fGroup("General");
    static GBuffer const fKey("OutputFolder");
    GPrefFileModule prefs(switchFile, GUnicodeEncoding::GetInstance());
    GString const stored = prefs.Get(fGroup, fKey);
    if (!stored.IsEmpty())
        return GPathName(stored);
    GPathName const folder = switchFile.GetBranch();
    prefs.Set(fGroup, fKey, folder.GetCrossPlatformString());
    try {
        prefs.FlushPrefs();
    } catch (GMemoryException const&) {
        throw;
    } catch (GException const&) {
        // Only the remembered folder is lost; the files are still written.
    }
    return folder;
}

void ReadLanguageHook(GString const& language) { GStringPoolSupport::ReadDefaultStringFile(language); }

void AvailableLanguagesHook(GTable<GString>& out) { GStringPoolSupport::GetDefaultAvailableLanguages(out); }

void PreferredLanguageHook(GTable<GString> const& available, GString& out) {
    GTable<GBuffer> codes;
    for (GString const& code : available) {
        GBuffer bytes;
        ToASCII(code, bytes);
        codes.AddItem(bytes);
    }
    GBuffer chosen;
    PSystem::GetPreferredLanguage(codes, chosen);
    out = FromASCII(chosen);
}

}  // namespace

void GStringPoolSupport::Initialize() {
    GStringPool::StringFileHooks hooks;
    hooks.readLanguage = &ReadLanguageHook;
    hooks.availableLanguages = &AvailableLanguagesHook;
    hooks.preferredLanguage = &PreferredLanguageHook;
    GStringPool::SetStringFileHooks(hooks);
    if (GLanguageInfoCache::GetInstance() == nullptr) {
        GLanguageInfoCache::SetInstance(new GLanguageInfoCache);
        gCacheInstalledHere = true;
    }
}

void GStringPoolSupport::Finalize() {
    Params().set = false;
    GStringPool::SetStringFileHooks(GStringPool::StringFileHooks());
    if (gCacheInstalledHere) {
        GLanguageInfoCache::SetInstance(nullptr);
        gCacheInstalledHere = false;
    }
}

void GStringPoolSupport::AddStringPoolData(GBuffer const& language, char const* encodingName,
                                           GStringPoolDataStruct const* rows, int count, bool hex) {
    GStringPoolData::AddStringPoolData(language, encodingName, rows, count, hex);
}

GEncoding* GStringPoolSupport::GetEncoding(GBuffer const& name) { return GStringPoolData::GetEncoding(name); }

void GStringPoolSupport::ReadStringFiles(GPathName const& folder, GString const& prefix, int minVersion,
                                         int maxVersion, int versionLength) {
    DefaultParams& params = Params();
    params.folder = folder;
    params.prefix = prefix;
    params.minVersion = minVersion;
    params.maxVersion = maxVersion;
    params.versionLength = versionLength;
    params.set = true;
}

int GStringPoolSupport::ReadStringFiles(GPathName const& folder, GString const& prefix, int minVersion,
                                        int maxVersion, int versionLength, GString const& language) {
    if (!FolderIsThere(folder))
        return 0;
    int parsed = 0;
    for (GFileSystemIterator it(folder, 1, 0); it != GFileSystemIterator::cEnd; ++it) {
        GPathName const& path = **it;
        if (IsStringFile(path, prefix, minVersion, maxVersion, versionLength, language) && ParseFile(path))
            ++parsed;
    }
    return parsed;
}

void GStringPoolSupport::ReadDefaultStringFile(GString const& language) {
    DefaultParams const params = Params();
    if (!params.set)
        return;
    ReadStringFiles(params.folder, params.prefix, params.minVersion, params.maxVersion, params.versionLength,
                    language);
}

void GStringPoolSupport::ReadStringFilesAndWildCardFiles(GPathName const& folder, GString const& prefix,
                                                         int minVersion, int maxVersion, int versionLength) {
    bool wildCard = false;
    if (FolderIsThere(folder)) {
        GString const lng("lng");
        GString const wc("wc");
        for (GFileSystemIterator it(folder, 1, 0); it != GFileSystemIterator::cEnd; ++it) {
            GPathName const& path = **it;
            if (!(Lower(path.GetExtension()) == lng))
                continue;
            if (Lower(path.GetLeaf().GetSubstring(0, 2)) == wc) {
                wildCard = true;
                break;
            }
        }
    }
    if (!wildCard) {
        ReadStringFiles(folder, prefix, minVersion, maxVersion, versionLength);
        return;
    }
    ReadStringFiles(folder, prefix, minVersion, maxVersion, versionLength, GString());
    ReadStringFiles(folder, GString("WC"), minVersion, maxVersion, versionLength, GString());
}

bool GStringPoolSupport::IsStringFile(GPathName const& path, GString const& prefix, int minVersion, int maxVersion,
                                      int versionLength, GString const& language) {
    if (!(Upper(path.GetExtension()) == GString("LNG")))
        return false;
    GBuffer leaf;
    if (!ToASCII(Upper(path.GetLeafWithoutExtension()), leaf))
        return false;
    GBuffer upperPrefix;
    GBuffer upperLanguage;
    if (!ToASCII(Upper(prefix), upperPrefix) || !ToASCII(Upper(language), upperLanguage))
        return false;
    int const digits = std::max(versionLength, 0);
    if (static_cast<int64_t>(leaf.GetLength()) <
        static_cast<int64_t>(upperPrefix.GetLength()) + digits + upperLanguage.GetLength())
        return false;
    if (leaf.GetSubBuffer(0, upperPrefix.GetLength()) != upperPrefix)
        return false;
    if (!upperLanguage.IsEmpty() && leaf.FindSubBuffer(upperLanguage, 0) < 0)
        return false;
    // The version digits: a leading decimal number, none read as 0.
    int64_t version = 0;
    for (int i = 0; i < digits; ++i) {
        unsigned char const c = leaf.GetPtr()[upperPrefix.GetLength() + i];
        if (c < '0' || c > '9')
            break;
        version = std::min<int64_t>(version * 10 + (c - '0'), INT32_MAX);
    }
    return version >= minVersion && version <= maxVersion;
}

bool GStringPoolSupport::GetDefaultStringFileParams(GPathName& folder, GString& prefix, int& minVersion,
                                                    int& maxVersion, int& versionLength) {
    DefaultParams const& params = Params();
    if (!params.set)
        return false;
    folder = params.folder;
    prefix = params.prefix;
    minVersion = params.minVersion;
    maxVersion = params.maxVersion;
    versionLength = params.versionLength;
    return true;
}

void GStringPoolSupport::GetDefaultAvailableLanguages(GTable<GString>& out) {
    out.Resize(0);
    DefaultParams const params = Params();
    if (!params.set || !FolderIsThere(params.folder))
        return;
    GLanguageInfoCache* cache = GLanguageInfoCache::GetInstance();
    if (cache == nullptr)
        return;
    for (GFileSystemIterator it(params.folder, 1, 0); it != GFileSystemIterator::cEnd; ++it) {
        GPathName const& path = **it;
        if (!IsStringFile(path, params.prefix, params.minVersion, params.maxVersion, params.versionLength,
                          GString()))
            continue;
        try {
            GLanguageInfo const* info = cache->AddLanguageInfo(path);
            // A file without a table header names no language.
            if (info != nullptr && info->GetLanguageID().IsEmpty())
                TraceFailure(path, GString("no string table in it"));
            else if (info != nullptr)
                out.AddItem(info->GetLanguageID());
        } catch (std::bad_alloc const&) {
            throw;
        } catch (GException const& e) {
            TraceFailure(path, e);
        } catch (std::exception const& e) {
            TraceFailure(path, GString(e.what()));
        }
    }
}

bool GStringPoolSupport::GetBestMatchingDefaultAvailableLanguageForLocales(GTable<GString> const& locales,
                                                                          GString& out) {
    GTable<GString> languages;
    GetDefaultAvailableLanguages(languages);
    if (languages.FindItem(GStringPool::GetEnglish()) < 0)
        languages.InsertItemAt(0, GStringPool::GetEnglish());
    for (GString const& locale : locales) {
        GString const l = Lower(locale);
        GString const l2 = l.GetSubstring(0, 2);
        GString const* exact = nullptr;
        GString const* partial = nullptr;
        for (GString const& language : languages) {
            GString const t = Lower(ToIETF(language));
            if (l == t) {
                exact = &language;
                break;
            }
            if (partial == nullptr && !l2.IsEmpty() && l2 == t.GetSubstring(0, 2))
                partial = &language;
        }
        if (exact != nullptr || partial != nullptr) {
            out = exact != nullptr ? *exact : *partial;
            return true;
        }
    }
    return false;
}

GString GStringPoolSupport::ToIETF(GString const& code) {
    static constexpr struct {
        char const* code;
        char const* tag;
    } kTags[] = {{"zhCN", "zh-Hans"}, {"zhTW", "zh-Hant"}, {"jaJA", "ja-JP"}};
    for (auto const& tag : kTags) {
        if (code == GString(tag.code))
            return GString(tag.tag);
    }
    GString tag(code);
    tag.Insert(2, GString("-"));
    return tag;
}

void GStringPoolSupport::SetProductPrefix(GString const& prefix) { ProductPrefix() = prefix; }

bool GStringPoolSupport::CompareStringData(SortElement const& a, SortElement const& b) {
    if (a.encoding != b.encoding)
        return std::less<GEncoding*>()(a.encoding, b.encoding);
    return a.id < b.id;
}

void GStringPoolSupport::WriteStringFiles(GPathName const& folder) {
    // Runs are numbered per file-name language, so two languages that give the same file name
    // never overwrite each other's files.
    std::map<std::string, int> runs;
    for (GString const& language : GStringPool::GetTableNames()) {
        HeaderLanguage const headerLanguage = HeaderLanguageOf(language);
        if (headerLanguage == HeaderLanguage::kUnreadable) {
            GString message("String file not written for the language \"");
            message += language;
            message += GString("\": a header cannot name it");
            GStringPoolData::Trace(message);
            continue;
        }
        std::string const leafLanguage = FileNameLanguage(language);
        GDict<int32_t, GStringPoolTable::Entry> entries;
        if (!GStringPool::GetEntries(language, entries))
            continue;
        std::vector<SortElement> elements;
        elements.reserve(static_cast<size_t>(entries.GetCount()));
        for (int slot = 0; slot < entries.GetAllocation(); ++slot) {
            if (!entries.IsSlotUsed(slot))
                continue;
            GStringPoolTable::Entry const& entry = entries.GetValueAt(slot);
            elements.push_back(SortElement{entry.second, entries.GetKeyAt(slot), entry.first});
        }
        std::sort(elements.begin(), elements.end(), &CompareStringData);
        int& run = runs[leafLanguage];
        for (size_t first = 0; first < elements.size(); ++run) {
            GEncoding* const encoding = elements[first].encoding;
            size_t last = first;
            while (last < elements.size() && elements[last].encoding == encoding)
                ++last;
            // The header names the encoding its file is in, or the file would not read back.
            GEncoding* const fileEncoding = FileEncodingOf(encoding, elements, first, last, headerLanguage);
            GString leaf(ProductPrefix());
            leaf += GString("__StringFile_");
            leaf += GString(leafLanguage.c_str());
            leaf += GString("_");
            leaf += GString(run);
            leaf += GString(".lng");
            GPathName path(folder);
            path.Append(leaf);
            GFileOutStream file(path, true);
            GText2BinStream out(file, fileEncoding);
            out.Write("StringTable ");
            out.Write(language);
            out.Write(" ");
            out.Write(FromASCII(fileEncoding->GetASCIIDescription()));
            out.WriteEOL();
            for (size_t i = first; i < last; ++i) {
                out.Write("\tString\t");
                out.Write(GString(elements[i].id));
                out.Write(",\t");
                out.WriteQuotedString(elements[i].text);
                out.WriteEOL();
            }
            out.Write("EndStringTable");
            out.WriteEOL();
            out.Flush();
            first = last;
        }
    }
}

void GStringPoolSupport::WriteStringFiles(GString const& runName) {
    try {
        GPathName switchFile;
        if (!NeedToWriteStringFiles(switchFile))
            return;
        GPathName folder = OutputFolder(switchFile);
        if (!folder.HasRootPath()) {
            GStringPoolData::Trace(GString("String files not written: the output folder is not absolute"));
            return;
        }
        folder.Append(GString("StringFiles"));
        folder.Append(RunFolderName(runName));
        GFileSystem::CreateFolder(folder);
        WriteStringFiles(folder);
    } catch (GSimpleException const& e) {
        GString message("String files not written (");
        message += e.GetFullDescription();
        message += GString(")");
        GStringPoolData::Trace(message);
    }
}

bool GStringPoolSupport::NeedToWriteStringFiles(GPathName& out) {
    GPathName const application = GFileSystem::GetSpecialPath(-5);
    GPathName folder = application.GetBranch();
    GString const text = application.GetCrossPlatformString();
    int const at = text.Find(GString(".app/"));
    if (at > 0)
        folder = GPathName(text.GetSubstring(0, at + 4)).GetBranch();
    out = folder;
    out.Append(GString("KelvoraStringFiles.prefs"));
    return out.HasRootPath() && GFileSystem::FileExists(out);
}
