#pragma once
// The report of a document package: "Report.txt" in the package folder, with the document, its
// pages and fonts and the package's options.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/commands/IPackageCommand.h"

class IPackageReport : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x13A0C;
    static constexpr const char* kInterfaceName = "IPackageReport";

    // Writes the report of a package that was made. The flags: show the report dialog, open the
    // report when written, write the report file. 1 when the report was written, else 0.
    virtual bool16 RunReport(IPackageCommand* package, bool16 showDialog, bool16 openReport, bool16 writeFile) = 0;
};
