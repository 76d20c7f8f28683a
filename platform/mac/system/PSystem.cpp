#include "mac/system/PSystem.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "core/support/GStringSupport.h"
#include "core/text/GTextEscapes.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/values/GUniqueID.h"
#include "mac/filesystem/PMacFileSystemImpCocoa.h"
#include "mac/paths/PMacColonPath.h"
#include "mac/paths/PMacNativePath.h"
#include "standin/StandinBundle.h"
#include "standin/StandinEthernetAddresses.h"
#include "standin/StandinStringCompare.h"
#include "standin/StandinSystemVersion.h"
#include "standin/StandinUserLanguages.h"

namespace {

struct SharedText {
    std::mutex mutex;
    std::string text;

    std::string Get() {
        std::lock_guard<std::mutex> lock(mutex);
        return text;
    }
    void Set(const std::string& value) {
        std::lock_guard<std::mutex> lock(mutex);
        text = value;
    }
};

SharedText& PathSeparators() {
    static SharedText separators;
    return separators;
}

SharedText& BundleIdentifier() {
    static SharedText identifier;
    return identifier;
}

// The first two characters of a language, lower-cased; empty for a shorter one.
std::string LanguagePrefix(const std::string& language) {
    if (language.size() < 2)
        return std::string();
    std::string prefix = language.substr(0, 2);
    for (char& c : prefix) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return prefix;
}

// The framework's comparison: non-literal and localized, case-insensitive on request.
int LocalizedCompare(char16_t const* a, std::size_t na, char16_t const* b, std::size_t nb, bool caseSensitive) {
    unsigned options = StandinStringCompare::kCompareNonliteral | StandinStringCompare::kCompareLocalized;
    if (!caseSensitive)
        options |= StandinStringCompare::kCompareCaseInsensitive;
    return StandinStringCompare::Compare(a, na, b, nb, options);
}

// The separator at index in the table; 0 before it is filled.
char16_t Separator(std::size_t index) {
    const std::string table = PathSeparators().Get();
    return index < table.size() ? static_cast<char16_t>(table[index]) : u'\0';
}

// Paths the platform's 1024-byte buffer would not hold are not converted.
GString WithinPathBuffer(const GString& path) {
    constexpr std::size_t cPathBuffer = 1024;
    std::string utf8;
    if (!PMacNativePath::ToUTF8(path, utf8) || utf8.size() >= cPathBuffer)
        return GString();
    return path;
}

// The lower-cased extension of a folder's leaf.
bool HasFolderExtension(const std::string& folder, const char* extension) {
    const std::string leaf = folder.substr(folder.find_last_of('/') + 1);
    const std::size_t dot = leaf.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string found = leaf.substr(dot + 1);
    for (char& c : found)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return found == extension;
}

// The nearest folder at or above path that passes test; empty when the walk reaches the root
// or a volume's folder first.
std::string FindRootAbove(std::string path, bool (*test)(const std::string&)) {
    while (!path.empty() && path != "/" && path != "/Volumes") {
        if (test(path))
            return path;
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos)
            break;
        path = slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    return std::string();
}

bool IsPackageFolder(const std::string& folder) {
    GString text;
    return PMacNativePath::FromUTF8(folder, text) && PMacFileSystemImpCocoa::IsMacPackage(text);
}

bool IsFrameworkFolder(const std::string& folder) { return HasFolderExtension(folder, "framework"); }

}  // namespace

bool PSystem::Initialize() {
    PathSeparators().Set(":.:");
    GTextEscapes::SetLineEnding(GetLineEndingNeedsCR(), GetLineEndingNeedsLF());
    GStringSupport::SetCompareFunction(&LocalizedCompare);
    GUniqueID::SetEtherAddressFunction([](GTable<GBuffer>& out) { PSystem::GetEtherAddress(out); });
    return true;
}

void PSystem::Finalize() {
    GStringSupport::SetCompareFunction(nullptr);
    GUniqueID::SetEtherAddressFunction(nullptr);
}

std::string PSystem::GetPathSeparators() { return PathSeparators().Get(); }

char16_t PSystem::GetVolumeSeparator() { return Separator(0); }

char16_t PSystem::GetExtensionSeparator() { return Separator(1); }

char16_t PSystem::GetPathSeparator() { return Separator(2); }

int PSystem::IsPathSeparator(uint16_t c) {
    const char16_t separator = GetPathSeparator();
    return separator != u'\0' && c == separator ? 1 : 0;
}

GString PSystem::GetBundleFromID(const GBuffer& identifier) {
    const std::string id(reinterpret_cast<const char*>(identifier.GetPtr()), static_cast<std::size_t>(identifier.GetLength()));
    const std::string bundle = id.empty() ? StandinBundle::MainBundle() : StandinBundle::FindLoaded(id);
    if (bundle.empty())
        return GString();
    std::string root = FindRootAbove(bundle, &IsPackageFolder);
    if (root.empty())
        root = FindRootAbove(bundle, &IsFrameworkFolder);
    GString text;
    PMacNativePath::FromUTF8(root.empty() ? bundle : root, text);
    return text;
}

GString PSystem::GetPosixFromMacPath(const GString& colonPath) {
    return WithinPathBuffer(PMacColonPath::ToPortable(colonPath));
}

GString PSystem::GetMacFromPosixPath(const GString& posixPath) {
    return WithinPathBuffer(PMacColonPath::FromPortable(posixPath));
}

bool PSystem::TryToRunAsRoot(const GString&, const GTable<GString>&, const GString&) { return false; }

void PSystem::MilliSleep(int milliseconds) {
    if (milliseconds <= 0)
        return;
    timespec remaining{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal cuts the sleep short; sleep on for the rest.
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

std::string PSystem::GetPreferredLanguageCode(const std::vector<std::string>& supported) {
    for (const std::string& language : StandinUserLanguages::GetAppleLanguages()) {
        const std::string prefix = LanguagePrefix(language);
        if (prefix.empty())
            continue;
        for (const std::string& code : supported) {
            if (code.compare(0, 2, prefix) == 0)
                return code;
        }
    }
    return "enUS";
}

bool PSystem::IsJapaneseUIEnabled() {
    const std::vector<std::string> languages = StandinUserLanguages::GetAppleLanguages();
    return !languages.empty() && LanguagePrefix(languages.front()) == "ja";
}

std::vector<std::array<unsigned char, 6>> PSystem::GetEtherAddresses() {
    return StandinEthernetAddresses::GetAddresses();
}

std::string PSystem::GetASCIIBundleIdentifierString() { return BundleIdentifier().Get(); }

void PSystem::SetASCIIBundleIdentifier(const GBuffer& identifier) {
    BundleIdentifier().Set(std::string(reinterpret_cast<const char*>(identifier.GetPtr()),
                                       static_cast<std::size_t>(identifier.GetLength())));
}

void PSystem::GetPreferredLanguage(const GTable<GBuffer>& supported, GBuffer& out) {
    std::vector<std::string> codes;
    codes.reserve(static_cast<std::size_t>(supported.GetCount()));
    for (int i = 0; i < supported.GetCount(); ++i)
        codes.emplace_back(reinterpret_cast<const char*>(supported[i].GetPtr()),
                           static_cast<std::size_t>(supported[i].GetLength()));
    const std::string code = GetPreferredLanguageCode(codes);
    out.Set(reinterpret_cast<const unsigned char*>(code.data()), static_cast<int>(code.size()));
}

bool PSystem::GetEtherAddress(GTable<GBuffer>& out) {
    out.Resize(0);
    for (const auto& address : GetEtherAddresses())
        out.AddItem(GBuffer(address.data(), static_cast<int>(address.size())));
    return out.GetCount() > 0;
}

void PSystem::GetASCIIBundleIdentifier(GBuffer& out) {
    const std::string id = GetASCIIBundleIdentifierString();
    out.Set(reinterpret_cast<const unsigned char*>(id.data()), static_cast<int>(id.size()));
}

void PSystem::Sleep(int seconds) {
    if (seconds > 0)
        MilliSleep(seconds > 2000000 ? 2000000000 : seconds * 1000);
}

int PSystem::GetOSCodeFor(int major, int minor) {
    if (major == 10) {
        if (minor >= 2 && minor <= 15)
            return 6001 + minor;
        return minor == 16 ? 7001 : 6000;
    }
    if (major == 11)
        return minor == 0 ? 7001 : 7000;
    return 0;
}

int PSystem::GetOSCode() {
    static std::atomic<int> sCode{0};
    const int cached = sCode.load(std::memory_order_relaxed);
    if (cached != 0)
        return cached;
    const StandinSystemVersion::Version version = StandinSystemVersion::GetVersion();
    const int code = GetOSCodeFor(version.major, version.minor);
    if (code != 0)
        sCode.store(code, std::memory_order_relaxed);
    return code;
}

namespace {

// The password entry of the real user, through the re-entrant call; the buffer grows a bounded
// number of times when an entry does not fit.
template <class F>
bool WithPasswordEntry(F&& use) {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size < 1024)
        size = 1024;
    for (int attempt = 0; attempt < 8; ++attempt, size *= 2) {
        std::vector<char> buffer(static_cast<std::size_t>(size));
        passwd entry{};
        passwd* found = nullptr;
        // Cleared first: a stale errno must not read as a failure of this look-up.
        errno = 0;
        const int result = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (result == ERANGE)
            continue;
        if (result != 0 || found == nullptr)
            return false;
        return use(*found);
    }
    return false;
}

GString FromUTF8(char const* text) {
    return GString(reinterpret_cast<unsigned char const*>(text), static_cast<int>(std::strlen(text)),
                   GEncodingFallback::Get<GUTF8Encoding>(), false);
}

}  // namespace

bool PSystem::GetLogonName(GString& name) {
    return WithPasswordEntry([&](passwd const& entry) {
        if (entry.pw_name == nullptr || entry.pw_name[0] == '\0')
            return false;
        name = FromUTF8(entry.pw_name);
        return true;
    });
}

bool PSystem::GetDisplayName(GString& name) {
    return WithPasswordEntry([&](passwd const& entry) {
        if (entry.pw_gecos == nullptr)
            return false;
        const std::string full(entry.pw_gecos, std::strcspn(entry.pw_gecos, ","));
        if (full.empty())
            return false;
        name = FromUTF8(full.c_str());
        return true;
    });
}

bool PSystem::GetNetworkName(GString& name) {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0)
        return false;
    name = FromUTF8(host);
    return true;
}

void PSystem::GetUserLanguage(GString& language) {
    const std::vector<std::string> languages = StandinUserLanguages::GetAppleLanguages();
    language = languages.empty() ? GString() : FromUTF8(languages.front().c_str());
}

int PSystem::GetNumberOfProcessors() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

GString PSystem::GetProcessorName() {
    std::FILE* info = std::fopen("/proc/cpuinfo", "re");
    if (info == nullptr)
        return GString();
    char line[512];
    std::string model;
    for (int lines = 0; lines < 4096 && std::fgets(line, sizeof line, info) != nullptr; ++lines) {
        if (std::strncmp(line, "model name", 10) == 0) {
            char const* colon = std::strchr(line, ':');
            if (colon != nullptr) {
                model = colon + 1;
                break;
            }
        }
    }
    std::fclose(info);
    while (!model.empty() && (model.back() == '\n' || model.back() == ' '))
        model.pop_back();
    std::size_t start = model.find_first_not_of(' ');
    // At most 256 bytes, as the platform's own answer.
    model = start == std::string::npos ? std::string() : model.substr(start, 256);
    return FromUTF8(model.c_str());
}

bool PSystem::GetEtherAddress(GTable<GString>& out) {
    out.Resize(0);
    for (const auto& a : GetEtherAddresses()) {
        char text[32];
        std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02xN", a[0], a[1], a[2], a[3], a[4], a[5]);
        out.AddItem(GString(text));
    }
    return out.GetCount() > 0;
}
