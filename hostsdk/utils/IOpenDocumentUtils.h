#pragma once
// A utility: opening a document from its file.
#include <cstdint>

#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/documents/UIDRef.h"

class IOpenDocumentUtils : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x16309;
    static constexpr const char* kInterfaceName = "IOpenDocumentUtils";

    // Opens the document of `file` (or finds it open: then it is the same document, and closing
    // it closes it for the user too) and gives its database and root UID. The further arguments
    // choose a window, a lock and a conversion (0: the host's default). Non-zero when the file
    // cannot be opened.
    virtual ErrorCode OpenDocument(const IDFile& file, UIDRef* opened, std::int32_t window, std::int32_t lock,
                                   std::int32_t conversion) = 0;
};
