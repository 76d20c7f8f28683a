#pragma once
// The host's menus: items that run actions.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"

class IMenuManager : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0xD204;
    static constexpr const char* kInterfaceName = "IMenuManager";

    // Adds a menu item for `action` at `position` of the menu `menuPath` ("Main:&File"); `flags`
    // is 0 for a plain item. An unknown action or a second item for the same action and menu fails.
    virtual ErrorCode AddMenuItem(ActionID action, const PMString& menuPath, PMReal position,
                                  std::int32_t flags = 0) = 0;
};
