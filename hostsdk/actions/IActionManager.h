#pragma once
// The host's actions: which action IDs exist, and adding one. The menu manager and the shortcut
// manager are further interfaces of the same object.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"

class IActionManager : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x7F03;
    static constexpr const char* kInterfaceName = "IActionManager";

    virtual bool16 IsValidAction(ActionID action) const = 0;
    // Adds an action run by the action component of class `component`, listed in the shortcut
    // editor under `area`. The trailing values: whether the action can be checked, whether its
    // shortcut can be edited by the user, whether it is internal (never listed), whether it is
    // enabled until its component says otherwise. Adding an ID that exists fails.
    virtual ErrorCode AddAction(ClassID component, ActionID action, const PMString& name, const PMString& area,
                                std::int32_t checkable, std::int32_t shortcutEditable, std::int32_t internal,
                                std::int32_t enabled) = 0;
};
