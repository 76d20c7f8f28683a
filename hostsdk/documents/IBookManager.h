#pragma once
// The open books and the current one.
#include <cstdint>

#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/documents/IBook.h"

class IBookManager : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x10001;
    static constexpr const char* kInterfaceName = "IBookManager";

    virtual std::int32_t GetBookCount() const = 0;
    // The current book, not counted; null when no book is open.
    virtual IBook* GetCurrentActiveBook() const = 0;
    // The open book of `file`, not counted; null when none is.
    virtual IBook* FindBook(const IDFile& file) const = 0;
    // Makes an open book the current one; others are ignored.
    virtual void SetCurrentActiveBook(IBook* book) = 0;
};
