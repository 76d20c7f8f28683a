#pragma once
// A utility: shortcut texts.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"

class IShortcutUtils : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x1610B;
    static constexpr const char* kInterfaceName = "IShortcutUtils";

    // Parses `text` ("Opt+Shift+E"; ShortcutText) into a key, a modifier set and whether the key is
    // a function key. On failure the outputs are left as they are.
    virtual ErrorCode ParseShortcutString(const PMString& text, VirtualKey* key, std::int16_t* modifiers,
                                          bool16* functionKey) const = 0;
};
