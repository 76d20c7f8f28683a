#include "mac/paths/PMacColonPath.h"

#include <algorithm>
#include <string>
#include <vector>

#include "mac/paths/PMacPathNameImpBase.h"
#include "mac/paths/PMacPathText.h"

namespace {

constexpr char16_t cSlash = u'/';
constexpr char16_t cColon = u':';

void ReplaceUnit(std::u16string& text, char16_t from, char16_t to) { std::replace(text.begin(), text.end(), from, to); }

}  // namespace

GString PMacColonPath::FromPortable(GString const& portable) {
    const std::u16string text = PMacPathText::Units(portable);
    if (text.empty())
        return GString();
    std::vector<std::u16string> parts = PMacPathText::Split(text, cSlash);
    std::size_t first = 0;
    if (parts[0].empty()) {
        std::u16string folder = u"/";
        if (parts.size() >= 3 && parts[1] == u"Volumes" && !parts[2].empty()) {
            folder = u"/Volumes/" + parts[2];
            parts.erase(parts.begin() + 1, parts.begin() + 3);
        }
        parts[0] = PMacPathText::Units(PMacPathNameImpBase::GetCFMVolumeName(PMacPathText::FromUnits(folder)));
        if (parts.size() == 1)
            parts.emplace_back();
        first = 1;
    } else if (parts.size() > 1 || parts[0] == u"..") {
        // A relative colon path begins with ":".
        parts.insert(parts.begin(), std::u16string());
        first = 1;
    }
    if (parts.back() == u"..")
        parts.emplace_back();
    for (std::size_t i = first; i < parts.size(); ++i) {
        if (parts[i] == u"..")
            parts[i].clear();
        else
            ReplaceUnit(parts[i], cColon, cSlash);
    }
    return PMacPathText::FromUnits(PMacPathText::Join(parts, cColon));
}

GString PMacColonPath::ToPortable(GString const& colon) {
    const std::u16string text = PMacPathText::Units(colon);
    if (text.empty())
        return GString();
    std::vector<std::u16string> parts = PMacPathText::Split(text, cColon);
    std::u16string prefix;
    bool hasPrefix = false;
    if (!parts[0].empty() && parts.size() >= 2) {
        prefix = PMacPathText::Units(PMacPathNameImpBase::GetMachOVolumeName(PMacPathText::FromUnits(parts[0])));
        hasPrefix = true;
        parts.erase(parts.begin());
    } else if (parts[0].empty()) {
        parts.erase(parts.begin());
    }
    if (!parts.empty() && parts.back().empty())
        parts.pop_back();
    for (std::u16string& part : parts) {
        if (part.empty())
            part = u"..";
        else
            ReplaceUnit(part, cSlash, cColon);
    }
    std::u16string result = PMacPathText::Join(parts, cSlash);
    if (hasPrefix) {
        if (prefix.empty() || prefix.back() != cSlash)
            prefix += cSlash;
        result = prefix + result;
    }
    return PMacPathText::FromUnits(result);
}
