#pragma once
// The contents (chapter documents) of a book.
#include <cstdint>

#include "hostsdk/base/IPMUnknown.h"

class IBookContentMgr : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x10004;
    static constexpr const char* kInterfaceName = "IBookContentMgr";

    virtual std::int32_t GetContentCount() const = 0;
};
