#include "hostsdk/utils/HostDocumentUtils.h"

#include "hostsdk/documents/HostDataBase.h"
#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/trace/HostCallLog.h"

ErrorCode HostDocumentUtils::DoSave(IDocument* document) {
    auto* open = dynamic_cast<HostDocument*>(document);
    if (HostCallLog::Enter("IDocumentUtils::DoSave") || open == nullptr)
        return kFailure;
    HostDocumentRecord saved = *open->Record();
    if (!saved.saved) {
        if (mSaveFolder.empty()) {
            HostCallLog::Notice("document \"" + saved.name + "\" not saved: no folder for new documents");
            return kFailure;
        }
        saved.saved = true;
        saved.path = mSaveFolder + "/" + saved.name + ".indd";
    }
    saved.modified = false;
    std::string error;
    if (!HostDocumentFile::WriteFile(saved.path, HostDocumentFile::FormatDocument(saved), error)) {
        HostCallLog::Notice("document \"" + saved.name + "\" not saved: " + error);
        return kFailure;
    }
    *open->Record() = saved;
    HostCallLog::Notice("document \"" + saved.name + "\" saved to \"" + saved.path + "\"");
    return kSuccess;
}

ErrorCode HostDocumentUtils::DoClose(const UIDRef& document, bool16 askToSave, bool16 closeWindows, bool16 force) {
    if (HostCallLog::Enter("IDocumentUtils::DoClose", std::to_string(askToSave) + " " + std::to_string(closeWindows) +
                                                          " " + std::to_string(force)))
        return kFailure;
    // The root UID of every document's database is the same; the database is looked up first,
    // since a closed document's is gone.
    if (document.GetUID() != HostDataBase::kRootUID || !mDocuments.CloseDocument(document.GetDataBase())) {
        HostCallLog::Violation("IDocumentUtils::DoClose of a document that is not open");
        return kFailure;
    }
    return kSuccess;
}
