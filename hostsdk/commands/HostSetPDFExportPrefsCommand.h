#pragma once
// The command that sets the session's PDF export preferences (class 0x2507) to its own.
#include "hostsdk/commands/HostCommand.h"
#include "hostsdk/pdf/HostPdfSettings.h"

class HostPDFExportPrefs;

class HostSetPDFExportPrefsCommand : public HostCommand {
public:
    HostSetPDFExportPrefsCommand(IPMUnknown* boss, const HostPDFExportPrefs& prefs, HostPdfSettings& session)
        : HostCommand(boss, 0x2507), mPrefs(prefs), mSession(session) {}

protected:
    ErrorCode Do() override;

private:
    const HostPDFExportPrefs& mPrefs;
    HostPdfSettings& mSession;
};
