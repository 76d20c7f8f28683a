#pragma once
// The database of a document or a book: its objects by UID. Not counted: it lives as long as the
// document or book it belongs to.
#include "hostsdk/base/IPMUnknown.h"

class IDataBase {
public:
    // The object `uid`'s interface `iid`, counted; null when there is none.
    virtual IPMUnknown* Instantiate(UID uid, PMIID iid) const = 0;
    // The document's or book's own object.
    virtual UID GetRootUID() const = 0;

protected:
    virtual ~IDataBase() = default;
};
