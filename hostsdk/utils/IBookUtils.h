#pragma once
// A utility: the current book and the contents selected in the Book panel.
#include <cstdint>

#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/UIDList.h"
#include "hostsdk/documents/IBook.h"
#include "hostsdk/session/IActiveContext.h"

class IBookUtils : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x10019;
    static constexpr const char* kInterfaceName = "IBookUtils";

    // The book of `context` or, without one, the current book; not counted; null when none.
    virtual IBook* GetCurrentBook(IActiveContext* context) const = 0;
    // Fills `selected` (which must be over the book's database) with the selected contents, in
    // book order; returns their number.
    virtual std::int32_t GetSelectedContents(IBook* book, UIDList* selected) const = 0;
    virtual std::int32_t GetContentCount(IBook* book) const = 0;
};
