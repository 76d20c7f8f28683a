#include "hostsdk/actions/ShortcutText.h"

#include <cctype>
#include <vector>

namespace {

struct ModifierName {
    const char* name;
    std::int16_t bit;
};

// In the order the host shows them.
const ModifierName kModifiers[] = {{"Cmd", ShortcutText::kCommand},
                                   {"Ctrl", ShortcutText::kControl},
                                   {"Opt", ShortcutText::kOption},
                                   {"Shift", ShortcutText::kShift}};

bool SameText(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type plus = text.find('+', start);
        parts.push_back(text.substr(start, plus - start));
        if (plus == std::string::npos)
            return parts;
        start = plus + 1;
    }
}

// The key of the last part: a printable character or F1..F15.
bool ParseKey(const std::string& part, VirtualKey& key, bool& functionKey) {
    if (part.size() == 1 && part[0] > ' ' && part[0] < 0x7F) {
        key = static_cast<VirtualKey>(std::toupper(static_cast<unsigned char>(part[0])));
        functionKey = false;
        return true;
    }
    if (part.size() < 2 || part.size() > 3 || (part[0] != 'F' && part[0] != 'f'))
        return false;
    int number = 0;
    for (std::size_t i = 1; i < part.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(part[i])))
            return false;
        number = number * 10 + (part[i] - '0');
    }
    if (number < 1 || number > 15 || part[1] == '0')
        return false;
    key = ShortcutText::kFunctionKeyBase + static_cast<VirtualKey>(number);
    functionKey = true;
    return true;
}

}  // namespace

bool ShortcutText::Parse(const std::string& text, VirtualKey& key, std::int16_t& modifiers, bool& functionKey) {
    const std::vector<std::string> parts = Split(text);
    std::int16_t bits = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        bool known = false;
        for (const ModifierName& modifier : kModifiers)
            if (SameText(parts[i], modifier.name)) {
                bits = static_cast<std::int16_t>(bits | modifier.bit);
                known = true;
            }
        if (!known)
            return false;
    }
    VirtualKey parsedKey = 0;
    bool parsedFunction = false;
    if (!ParseKey(parts.back(), parsedKey, parsedFunction))
        return false;
    key = parsedKey;
    modifiers = bits;
    functionKey = parsedFunction;
    return true;
}

std::string ShortcutText::Format(VirtualKey key, std::int16_t modifiers) {
    std::string text;
    for (const ModifierName& modifier : kModifiers)
        if ((modifiers & modifier.bit) != 0)
            text += std::string(modifier.name) + "+";
    if (key > kFunctionKeyBase && key <= kFunctionKeyBase + 15)
        return text + "F" + std::to_string(key - kFunctionKeyBase);
    if (key > ' ' && key < 0x7F)
        return text + static_cast<char>(key);
    return text + "#" + std::to_string(key);
}
