#pragma once
// Shortcut texts such as "Opt+Shift+E": modifier names joined with "+" (Cmd, Ctrl, Opt, Shift, in
// any order and case), then one key: a printable ASCII character (a letter is taken in upper
// case) or a function key F1 to F15. The text form the host shows puts the modifiers in the
// order Cmd, Ctrl, Opt, Shift.
#include <cstdint>
#include <string>

#include "hostsdk/base/HostTypes.h"

class ShortcutText {
public:
    enum Modifier : std::int16_t { kShift = 1, kOption = 2, kControl = 4, kCommand = 8 };
    // Function key n is kFunctionKeyBase + n.
    static constexpr VirtualKey kFunctionKeyBase = 0xF700;

    // False (outputs unchanged) for a text that is not a shortcut.
    static bool Parse(const std::string& text, VirtualKey& key, std::int16_t& modifiers, bool& functionKey);
    static std::string Format(VirtualKey key, std::int16_t modifiers);
};
