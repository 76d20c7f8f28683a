#pragma once
// An open document.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"

class IDocument : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0xE02;
    static constexpr const char* kInterfaceName = "IDocument";

    virtual PMString GetName() const = 0;
    // False for a document that was never saved to a file (untitled).
    virtual bool16 IsSaved() const = 0;
};
