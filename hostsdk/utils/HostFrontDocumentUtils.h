#pragma once
// The host's implementation of IFrontDocumentUtils over its open documents.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostOpenDocuments.h"
#include "hostsdk/utils/IFrontDocumentUtils.h"

class HostFrontDocumentUtils : public CPMUnknown<IFrontDocumentUtils> {
public:
    HostFrontDocumentUtils(IPMUnknown* boss, const HostOpenDocuments& documents)
        : CPMUnknown<IFrontDocumentUtils>(boss), mDocuments(documents) {}

    IDocument* QueryFrontDocument() const override;

private:
    const HostOpenDocuments& mDocuments;
};
