#pragma once
// The PDF export command (class 0x2505): writes the pages of its export data, from the document
// whose database their list is over, to the file of its file data, as its preferences say
// (HostPdfLayout, HostPdfWriter). Fails without a file, without pages, or with a page the
// document does not have; a PDF not written whole is not left behind.
#include "hostsdk/commands/HostCommand.h"

class HostPDFExportPrefs;
class HostSysFileData;
class HostPDFExportData;

class HostPDFExportCommand : public HostCommand {
public:
    HostPDFExportCommand(IPMUnknown* boss, const HostPDFExportPrefs& prefs, const HostSysFileData& file,
                         const HostPDFExportData& data)
        : HostCommand(boss, 0x2505), mPrefs(prefs), mFile(file), mData(data) {}

protected:
    ErrorCode Do() override;

private:
    const HostPDFExportPrefs& mPrefs;
    const HostSysFileData& mFile;
    const HostPDFExportData& mData;
};
