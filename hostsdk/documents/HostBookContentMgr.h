#pragma once
// The host's implementation of IBookContentMgr over a book's record.
#include <memory>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostBookRecord.h"
#include "hostsdk/documents/IBookContentMgr.h"

class HostBookContentMgr : public CPMUnknown<IBookContentMgr> {
public:
    HostBookContentMgr(IPMUnknown* boss, std::shared_ptr<const HostBookRecord> record)
        : CPMUnknown<IBookContentMgr>(boss), mRecord(std::move(record)) {}

    std::int32_t GetContentCount() const override;

private:
    std::shared_ptr<const HostBookRecord> mRecord;
};
