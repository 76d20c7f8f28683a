#pragma once
// The contents (chapter documents) of a book, in book order; each is an object (IBookContent)
// in the book's database.
#include <cstdint>

#include "hostsdk/base/IPMUnknown.h"

class IDataBase;

class IBookContentMgr : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x10004;
    static constexpr const char* kInterfaceName = "IBookContentMgr";

    virtual std::int32_t GetContentCount() const = 0;
    // 0 outside the list.
    virtual UID GetNthContent(std::int32_t index) const = 0;
    // Not counted: it lives with the book.
    virtual IDataBase* GetDataBase() const = 0;
};
