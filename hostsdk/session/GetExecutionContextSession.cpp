#include "hostsdk/host/StandInHost.h"
#include "hostsdk/session/ISession.h"
#include "hostsdk/trace/HostCallLog.h"

ISession* GetExecutionContextSession() {
    StandInHost* host = StandInHost::Current();
    if (HostCallLog::Enter("GetExecutionContextSession") || host == nullptr)
        return nullptr;
    return host->Session();
}
