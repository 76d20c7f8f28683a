#include "hostsdk/session/QueryPreferences.h"

#include "hostsdk/host/StandInHost.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostInterfaceNames.h"

IPMUnknown* QueryPreferences(PMIID iid, IActiveContext* context) {
    StandInHost* host = StandInHost::Current();
    if (HostCallLog::Enter("QueryPreferences", HostInterfaceNames::Name(iid)) || host == nullptr)
        return nullptr;
    // One workspace: every context reads the session's preferences.
    (void)context;
    return host->Preferences()->QueryInterface(iid);
}
