#include "hostsdk/commands/HostPDFExportCommand.h"

#include "hostsdk/commands/HostPDFExportData.h"
#include "hostsdk/commands/HostPDFExportPrefs.h"
#include "hostsdk/commands/HostSysFileData.h"
#include "hostsdk/documents/HostDataBase.h"
#include "hostsdk/pdf/HostPdfLayout.h"
#include "hostsdk/pdf/HostPdfWriter.h"
#include "hostsdk/trace/HostCallLog.h"

namespace {

ErrorCode Failed(const std::string& why) {
    HostCallLog::Notice("PDF export failed: " + why);
    return kFailure;
}

}  // namespace

ErrorCode HostPDFExportCommand::Do() {
    const std::string file = mFile.GetSysFile().GetString().GetUTF8String();
    const UIDList& list = mData.Pages();
    const auto* database = dynamic_cast<const HostDataBase*>(list.GetDataBase());
    if (file.empty())
        return Failed("no file");
    if (database == nullptr || database->Document() == nullptr || list.IsEmpty())
        return Failed("no pages");
    // A copy: the document may change or close while the file is written.
    const HostDocumentRecord document = *database->Document();
    std::vector<int> pages;
    for (std::int32_t i = 0; i < list.Length(); ++i) {
        const UID uid = list.At(i);
        if (uid < HostDataBase::kFirstPageUID || uid - HostDataBase::kFirstPageUID >= document.pages.size())
            return Failed("UID " + std::to_string(uid) + " is no page of \"" + document.name + "\"");
        pages.push_back(static_cast<int>(uid - HostDataBase::kFirstPageUID));
    }
    const std::string title = mData.DocumentName().IsEmpty() ? document.name : mData.DocumentName().GetUTF8String();
    std::string error;
    if (!HostPdfWriter::Write(file, title, HostPdfLayout::Sheets(document, pages, mPrefs.Settings()),
                              mPrefs.Settings(), error))
        return Failed(error);
    HostCallLog::Notice("PDF \"" + file + "\" written, " + std::to_string(pages.size()) + " pages");
    return kSuccess;
}
