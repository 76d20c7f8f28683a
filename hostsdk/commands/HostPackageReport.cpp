#include "hostsdk/commands/HostPackageReport.h"

#include <sstream>

#include "hostsdk/commands/HostPackageCommand.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/trace/HostCallLog.h"

namespace {

std::string Report(const HostPackageCommand& package) {
    const HostDocumentRecord& document = *package.Document();
    std::ostringstream text;
    text << "Package report\n\nDocument: " << document.name << "\nPages: " << document.pages.size()
         << "\nPage size: " << document.pageWidth << " x " << document.pageHeight << " pt\nBleed: top "
         << document.bleed.top << ", bottom " << document.bleed.bottom << ", inside " << document.bleed.inside
         << ", outside " << document.bleed.outside << " pt\n\nFonts:\n";
    for (const HostFontRecord& font : document.fonts)
        text << "  " << font.name << (font.missing ? " (missing)" : "") << "\n";
    text << "\nOptions:\n" << package.Options();
    return text.str();
}

}  // namespace

bool16 HostPackageReport::RunReport(IPackageCommand* package, bool16 showDialog, bool16 openReport,
                                    bool16 writeFile) {
    const auto* made = dynamic_cast<const HostPackageCommand*>(package);
    if (HostCallLog::Enter("IPackageReport::RunReport", std::to_string(showDialog) + " " +
                                                            std::to_string(openReport) + " " +
                                                            std::to_string(writeFile)))
        return 0;
    if (made == nullptr || !made->Made() || made->Document() == nullptr) {
        HostCallLog::Notice("package report not written: no package was made");
        return 0;
    }
    if (writeFile == 0)
        return 1;
    std::string error;
    if (!HostDocumentFile::WriteFile(made->Destination() + "/Report.txt", Report(*made), error)) {
        HostCallLog::Notice("package report not written: " + error);
        return 0;
    }
    return 1;
}
