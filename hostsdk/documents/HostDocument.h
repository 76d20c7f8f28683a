#pragma once
// The host's implementation of IDocument over a document's record.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/documents/IDocument.h"

class HostDocument : public CPMUnknown<IDocument> {
public:
    HostDocument(IPMUnknown* boss, HostDocumentRecord record)
        : CPMUnknown<IDocument>(boss), mRecord(std::move(record)) {}

    PMString GetName() const override;
    bool16 IsSaved() const override;

private:
    HostDocumentRecord mRecord;
};
