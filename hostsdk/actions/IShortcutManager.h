#pragma once
// The host's keyboard shortcuts of actions, per shortcut context ("DefaultContext").
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"

class IShortcutManager : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0xD203;
    static constexpr const char* kInterfaceName = "IShortcutManager";

    // Gives `action` the shortcut `key` with `modifiers` (ShortcutText) in `context`. Giving an
    // action the shortcut it has is no change; a shortcut that another action holds in that
    // context, or an unknown action, fails.
    virtual ErrorCode AddShortcut(ActionID action, const PMString& context, VirtualKey key, std::int16_t modifiers) = 0;
};
