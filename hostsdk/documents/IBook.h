#pragma once
// An open book; its contents (IBookContentMgr) are a further interface of the same object.
#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/IPMUnknown.h"

class IBook : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x7F06;
    static constexpr const char* kInterfaceName = "IBook";

    virtual PMString GetName() const = 0;
    virtual IDFile GetFile() const = 0;
    // The book has changes not saved yet.
    virtual bool16 IsModified() const = 0;
    // Writes the book to `file`; non-zero when it could not be written.
    virtual ErrorCode Save(const IDFile& file) = 0;
};
