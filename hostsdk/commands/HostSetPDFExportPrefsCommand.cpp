#include "hostsdk/commands/HostSetPDFExportPrefsCommand.h"

#include "hostsdk/commands/HostPDFExportPrefs.h"
#include "hostsdk/trace/HostCallLog.h"

ErrorCode HostSetPDFExportPrefsCommand::Do() {
    mSession = mPrefs.Settings();
    HostCallLog::Notice("session PDF export preferences set");
    return kSuccess;
}
