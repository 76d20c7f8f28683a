#include "hostsdk/session/HostSession.h"

#include "hostsdk/base/InterfaceCast.h"
#include "hostsdk/session/IApplication.h"
#include "hostsdk/trace/HostCallLog.h"

IApplication* HostSession::QueryApplication() const {
    if (HostCallLog::Enter("ISession::QueryApplication"))
        return nullptr;
    return InterfaceCast<IApplication>(mApplication->QueryInterface(IApplication::kDefaultIID));
}

IActiveContext* HostSession::GetActiveContext() const {
    if (HostCallLog::Enter("ISession::GetActiveContext"))
        return nullptr;
    // Not counted: the session's boss holds the context as long as the session lives.
    IActiveContext* context = InterfaceCast<IActiveContext>(fBoss->QueryInterface(IActiveContext::kDefaultIID));
    if (context != nullptr)
        context->Release();
    return context;
}
