#pragma once
// The application: its action manager.
#include "hostsdk/actions/IActionManager.h"
#include "hostsdk/base/IPMUnknown.h"

class IApplication : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x7F05;
    static constexpr const char* kInterfaceName = "IApplication";

    virtual IActionManager* QueryActionManager() const = 0;
};
