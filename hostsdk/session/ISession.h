#pragma once
// The execution context's session: the application, the active context; the book manager
// (IBookManager) is a further interface of the same object.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/session/IActiveContext.h"

class IApplication;

class ISession : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x7F04;
    static constexpr const char* kInterfaceName = "ISession";

    virtual IApplication* QueryApplication() const = 0;
    virtual IActiveContext* GetActiveContext() const = 0;
};

// The session of the execution context, not counted (the host holds it); null when no host runs.
ISession* GetExecutionContextSession();
