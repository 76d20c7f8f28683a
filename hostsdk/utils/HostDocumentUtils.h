#pragma once
// The host's implementation of IDocumentUtils over its open documents.
#include <string>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostOpenDocuments.h"
#include "hostsdk/utils/IDocumentUtils.h"

class HostDocumentUtils : public CPMUnknown<IDocumentUtils> {
public:
    HostDocumentUtils(IPMUnknown* boss, HostOpenDocuments& documents, const std::string& saveFolder)
        : CPMUnknown<IDocumentUtils>(boss), mDocuments(documents), mSaveFolder(saveFolder) {}

    ErrorCode DoSave(IDocument* document) override;
    ErrorCode DoClose(const UIDRef& document, bool16 askToSave, bool16 closeWindows, bool16 force) override;

private:
    HostOpenDocuments& mDocuments;
    const std::string& mSaveFolder;
};
