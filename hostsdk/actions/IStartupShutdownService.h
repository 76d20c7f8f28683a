#pragma once
// A service that the host starts once it has loaded its plug-ins and shuts down before it
// unloads them.
#include "hostsdk/base/IPMUnknown.h"

class IStartupShutdownService : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x7F01;
    static constexpr const char* kInterfaceName = "IStartupShutdownService";

    virtual void Startup() = 0;
    virtual void Shutdown() = 0;
};
