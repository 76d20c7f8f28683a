#pragma once
// One content (chapter) of a book.
#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/IPMUnknown.h"

class IBookContent : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x10005;
    static constexpr const char* kInterfaceName = "IBookContent";

    virtual IDFile GetContentFile() const = 0;
};
