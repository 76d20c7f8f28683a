#pragma once
// The host's implementation of ISession: the application is another boss, the active context
// an interface of the session's own boss.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/session/ISession.h"

class HostSession : public CPMUnknown<ISession> {
public:
    HostSession(IPMUnknown* boss, const IPMUnknown* application)
        : CPMUnknown<ISession>(boss), mApplication(application) {}

    IApplication* QueryApplication() const override;
    IActiveContext* GetActiveContext() const override;

private:
    const IPMUnknown* mApplication;
};
