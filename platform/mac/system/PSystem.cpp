#include "mac/system/PSystem.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
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

}  // namespace

bool PSystem::Initialize() {
    PathSeparators().Set("/");
    GTextEscapes::SetLineEnding(GetLineEndingNeedsCR(), GetLineEndingNeedsLF());
    GStringSupport::SetCompareFunction(&LocalizedCompare);
    GUniqueID::SetEtherAddressFunction(&PSystem::GetEtherAddress);
    return true;
}

void PSystem::Finalize() {
    GStringSupport::SetCompareFunction(nullptr);
    GUniqueID::SetEtherAddressFunction(nullptr);
}

std::string PSystem::GetPathSeparators() { return PathSeparators().Get(); }

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

void PSystem::SetASCIIBundleIdentifier(const std::string& identifier) { BundleIdentifier().Set(identifier); }

void PSystem::GetPreferredLanguage(const GTable<GBuffer>& supported, GBuffer& out) {
    std::vector<std::string> codes;
    codes.reserve(static_cast<std::size_t>(supported.GetCount()));
    for (int i = 0; i < supported.GetCount(); ++i)
        codes.emplace_back(reinterpret_cast<const char*>(supported[i].GetPtr()),
                           static_cast<std::size_t>(supported[i].GetLength()));
    const std::string code = GetPreferredLanguageCode(codes);
    out.Set(reinterpret_cast<const unsigned char*>(code.data()), static_cast<int>(code.size()));
}

void PSystem::GetEtherAddress(GTable<GBuffer>& out) {
    out.Resize(0);
    for (const auto& address : GetEtherAddresses())
        out.AddItem(GBuffer(address.data(), static_cast<int>(address.size())));
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
