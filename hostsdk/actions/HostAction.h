#pragma once
// One action as the host keeps it: what it was added with, its menu items and shortcuts, and the
// state and name its component gave it at the last update.
#include <cstdint>
#include <string>
#include <vector>

#include "hostsdk/base/HostTypes.h"

struct HostAction {
    struct MenuItem {
        std::string menuPath;
        PMReal position = 0;
        std::int32_t flags = 0;
    };
    struct Shortcut {
        std::string context;
        VirtualKey key = 0;
        std::int16_t modifiers = 0;
    };

    ActionID id = 0;
    ClassID component = 0;
    std::string name;
    std::string area;
    std::int32_t checkable = 0;
    std::int32_t shortcutEditable = 0;
    std::int32_t internal = 0;
    std::int32_t enabledAtStart = 0;
    std::vector<MenuItem> menuItems;
    std::vector<Shortcut> shortcuts;
    bool enabled = false;
    // The name its component set at the last update; empty until then.
    std::string shownName;
};
