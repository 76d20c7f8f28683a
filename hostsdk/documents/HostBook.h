#pragma once
// The host's implementation of IBook over a book's record.
#include <memory>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostBookRecord.h"
#include "hostsdk/documents/IBook.h"

class HostBook : public CPMUnknown<IBook> {
public:
    HostBook(IPMUnknown* boss, std::shared_ptr<const HostBookRecord> record)
        : CPMUnknown<IBook>(boss), mRecord(std::move(record)) {}

    PMString GetName() const override;
    IDFile GetFile() const override;

private:
    std::shared_ptr<const HostBookRecord> mRecord;
};
