#pragma once
// The host's implementation of IPackageReport: "Report.txt" in a document package that was made.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/commands/IPackageReport.h"

class HostPackageReport : public CPMUnknown<IPackageReport> {
public:
    explicit HostPackageReport(IPMUnknown* boss) : CPMUnknown<IPackageReport>(boss) {}

    bool16 RunReport(IPackageCommand* package, bool16 showDialog, bool16 openReport, bool16 writeFile) override;
};
