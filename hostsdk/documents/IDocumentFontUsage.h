#pragma once
// The fonts a document uses. The missing ones are counted by FindMissingFonts.
#include <cstdint>

#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"

class IDocumentFontUsage : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0xAF04;
    static constexpr const char* kInterfaceName = "IDocumentFontUsage";

    // Looks the document's fonts up; until then no font counts as missing.
    virtual void FindMissingFonts() = 0;
    virtual std::int32_t GetMissingFontCount() const = 0;
    // Empty outside the list.
    virtual PMString GetNthMissingFontName(std::int32_t index) const = 0;
};
