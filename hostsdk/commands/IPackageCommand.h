#pragma once
// The package of one document (IPackageOptions).
#include "hostsdk/commands/IPackageOptions.h"
#include "hostsdk/documents/IDocument.h"

class IPackageCommand : public IPackageOptions {
public:
    static constexpr PMIID kDefaultIID = 0x13A09;
    static constexpr const char* kInterfaceName = "IPackageCommand";

    virtual void SetDocument(IDocument* document) = 0;
};
