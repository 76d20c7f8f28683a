#pragma once
// The pages of a document, in document order, and the host's page-range texts (HostPageRange).
#include <cstdint>

#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"
#include "hostsdk/base/UIDList.h"

class IPageList : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x52C;
    static constexpr const char* kInterfaceName = "IPageList";

    virtual std::int32_t GetPageCount() const = 0;
    // 0 outside the list.
    virtual UID GetNthPageUID(std::int32_t index) const = 0;
    // Appends the pages that `range` names to `pages`; non-zero (and nothing appended) when the
    // text is not a range of this document's pages.
    virtual ErrorCode PageRangeStringToUIDList(const PMString& range, UIDList* pages) const = 0;
};
