#pragma once
// The host's implementation of IOpenDocumentUtils over its open documents.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostOpenDocuments.h"
#include "hostsdk/utils/IOpenDocumentUtils.h"

class HostOpenDocumentUtils : public CPMUnknown<IOpenDocumentUtils> {
public:
    HostOpenDocumentUtils(IPMUnknown* boss, HostOpenDocuments& documents)
        : CPMUnknown<IOpenDocumentUtils>(boss), mDocuments(documents) {}

    ErrorCode OpenDocument(const IDFile& file, UIDRef* opened, std::int32_t window, std::int32_t lock,
                           std::int32_t conversion) override;

private:
    HostOpenDocuments& mDocuments;
};
