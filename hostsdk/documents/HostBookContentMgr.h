#pragma once
// The host's implementation of IBookContentMgr over a book's record. Each chapter is a content
// object of its own (UIDs from kFirstContentUID in book order) in the book's database, held
// from the book's opening to its closing.
#include <memory>
#include <vector>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostBookRecord.h"
#include "hostsdk/documents/HostDataBase.h"
#include "hostsdk/documents/IBookContentMgr.h"

class HostBoss;

class HostBookContentMgr : public CPMUnknown<IBookContentMgr> {
public:
    static constexpr UID kFirstContentUID = 2;

    HostBookContentMgr(IPMUnknown* boss, std::shared_ptr<const HostBookRecord> record);
    ~HostBookContentMgr() override;

    std::int32_t GetContentCount() const override;
    UID GetNthContent(std::int32_t index) const override;
    IDataBase* GetDataBase() const override;

private:
    std::shared_ptr<const HostBookRecord> mRecord;
    mutable HostDataBase mDataBase;
    std::vector<HostBoss*> mContents;
};
