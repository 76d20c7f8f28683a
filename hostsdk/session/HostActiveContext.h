#pragma once
// The host's implementation of IActiveContext: the session's own context.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/session/IActiveContext.h"

class HostActiveContext : public CPMUnknown<IActiveContext> {
public:
    explicit HostActiveContext(IPMUnknown* boss) : CPMUnknown<IActiveContext>(boss) {}
};
