#pragma once
// The package of a book and its chapters (IPackageOptions).
#include "hostsdk/commands/IPackageOptions.h"
#include "hostsdk/documents/IBook.h"

class IBookPackageCommand : public IPackageOptions {
public:
    static constexpr PMIID kDefaultIID = 0x13A11;
    static constexpr const char* kInterfaceName = "IBookPackageCommand";

    virtual void SetBook(IBook* book) = 0;
};
