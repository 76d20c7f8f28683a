#pragma once
// The host's implementation of IDocument over a document's record, which the host's commands
// change (saving). It holds the document's database: the document itself is its root object.
#include <memory>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostDataBase.h"
#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/documents/IDocument.h"

class HostDocument : public CPMUnknown<IDocument> {
public:
    HostDocument(IPMUnknown* boss, std::shared_ptr<HostDocumentRecord> record)
        : CPMUnknown<IDocument>(boss), mRecord(record), mDataBase(boss, record) {}

    PMString GetName() const override;
    bool16 IsSaved() const override;
    IDataBase* GetDocDataBase() const override;

    // The host's own access, not logged.
    const std::shared_ptr<HostDocumentRecord>& Record() const { return mRecord; }
    HostDataBase& DataBase() const { return mDataBase; }

private:
    std::shared_ptr<HostDocumentRecord> mRecord;
    mutable HostDataBase mDataBase;
};
