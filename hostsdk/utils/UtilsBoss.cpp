#include "hostsdk/utils/UtilsBoss.h"

#include "hostsdk/host/StandInHost.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostInterfaceNames.h"

IPMUnknown* UtilsBoss::QueryUtils(PMIID iid) {
    StandInHost* host = StandInHost::Current();
    if (HostCallLog::Enter("UtilsBoss::QueryUtils", HostInterfaceNames::Name(iid)) || host == nullptr)
        return nullptr;
    return host->Utilities()->QueryInterface(iid);
}
