#pragma once
// GIDCSPStartupShutdown: the plug-in's start-up service. Startup adds the two export actions with
// their menu items to the host, once: an action the host already knows is left as it is.
#include "hostsdk/actions/IStartupShutdownService.h"
#include "hostsdk/boss/CPMUnknown.h"

class GIDCSPStartupShutdown : public CPMUnknown<IStartupShutdownService> {
public:
    explicit GIDCSPStartupShutdown(IPMUnknown* boss) : CPMUnknown<IStartupShutdownService>(boss) {}

    void Startup() override;
    void Shutdown() override {}

private:
    static void RegisterActions();
};
