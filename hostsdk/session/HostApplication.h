#pragma once
// The host's implementation of IApplication: the action manager is another boss.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/session/IApplication.h"

class HostApplication : public CPMUnknown<IApplication> {
public:
    HostApplication(IPMUnknown* boss, const IPMUnknown* actionManager)
        : CPMUnknown<IApplication>(boss), mActionManager(actionManager) {}

    IActionManager* QueryActionManager() const override;

private:
    const IPMUnknown* mActionManager;
};
