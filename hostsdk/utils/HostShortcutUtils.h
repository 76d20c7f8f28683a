#pragma once
// The host's implementation of IShortcutUtils (ShortcutText).
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/utils/IShortcutUtils.h"

class HostShortcutUtils : public CPMUnknown<IShortcutUtils> {
public:
    explicit HostShortcutUtils(IPMUnknown* boss) : CPMUnknown<IShortcutUtils>(boss) {}

    ErrorCode ParseShortcutString(const PMString& text, VirtualKey* key, std::int16_t* modifiers,
                                  bool16* functionKey) const override;
};
