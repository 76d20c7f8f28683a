#include "mac/system/PSystem.h"

#include <cerrno>
#include <ctime>
#include <mutex>

#include "core/support/GStringSupport.h"
#include "core/text/GTextEscapes.h"
#include "core/values/GUniqueID.h"
#include "standin/StandinEthernetAddresses.h"
#include "standin/StandinStringCompare.h"
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
