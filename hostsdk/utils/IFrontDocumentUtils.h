#pragma once
// A utility: the front document.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/documents/IDocument.h"

class IFrontDocumentUtils : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x1D03E;
    static constexpr const char* kInterfaceName = "IFrontDocumentUtils";

    // The document in front, counted; null when no document is open.
    virtual IDocument* QueryFrontDocument() const = 0;
};
