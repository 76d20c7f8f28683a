#pragma once
// The host's implementation of IBook over a book's record.
#include <memory>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostBookRecord.h"
#include "hostsdk/documents/IBook.h"

class HostBook : public CPMUnknown<IBook> {
public:
    HostBook(IPMUnknown* boss, std::shared_ptr<HostBookRecord> record)
        : CPMUnknown<IBook>(boss), mRecord(std::move(record)) {}

    PMString GetName() const override;
    IDFile GetFile() const override;
    bool16 IsModified() const override;
    ErrorCode Save(const IDFile& file) override;

    // The book whose object `object` is (any of its interfaces), not counted: the host holds its
    // open books. Null for null or another object.
    static HostBook* Of(const IPMUnknown* object);

    // The host's own access, not logged.
    const std::shared_ptr<HostBookRecord>& Record() const { return mRecord; }

private:
    std::shared_ptr<HostBookRecord> mRecord;
};
