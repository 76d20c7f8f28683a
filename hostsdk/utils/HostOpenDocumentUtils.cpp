#include "hostsdk/utils/HostOpenDocumentUtils.h"

#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

ErrorCode HostOpenDocumentUtils::OpenDocument(const IDFile& file, UIDRef* opened, std::int32_t window,
                                              std::int32_t lock, std::int32_t conversion) {
    if (HostCallLog::Enter("IOpenDocumentUtils::OpenDocument",
                           HostQuote(file.GetString()) + " " + std::to_string(window) + " " + std::to_string(lock) +
                               " " + std::to_string(conversion)) ||
        opened == nullptr)
        return kFailure;
    std::string error;
    HostDocument* document = mDocuments.OpenDocumentFile(file.GetString().GetUTF8String(), error);
    if (document == nullptr) {
        HostCallLog::Notice("document not opened: " + error);
        return kFailure;
    }
    *opened = UIDRef(&document->DataBase(), document->DataBase().GetRootUID());
    return kSuccess;
}
