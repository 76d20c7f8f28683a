#pragma once
// The host's implementation of IPageList over a document's record: page UIDs follow one another
// from HostDataBase::kFirstPageUID in page order.
#include <memory>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/documents/IPageList.h"

class HostPageList : public CPMUnknown<IPageList> {
public:
    HostPageList(IPMUnknown* boss, std::shared_ptr<const HostDocumentRecord> record)
        : CPMUnknown<IPageList>(boss), mRecord(std::move(record)) {}

    std::int32_t GetPageCount() const override;
    UID GetNthPageUID(std::int32_t index) const override;
    ErrorCode PageRangeStringToUIDList(const PMString& range, UIDList* pages) const override;

private:
    std::shared_ptr<const HostDocumentRecord> mRecord;
};
