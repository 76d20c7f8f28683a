#pragma once
// The book package (class 0x13A10, interface 0x13A11): the folder holds the book's copy under
// its file's name, a copy of each chapter that can be read under its file's name and, with fonts
// copied, "Fonts.txt" of all chapters. A chapter that cannot be read fails the package.
#include <memory>

#include "hostsdk/commands/HostPackageBase.h"
#include "hostsdk/commands/IBookPackageCommand.h"
#include "hostsdk/documents/HostBookRecord.h"

class HostBookPackageCommand : public HostPackageBase<IBookPackageCommand> {
public:
    explicit HostBookPackageCommand(IPMUnknown* boss)
        : HostPackageBase<IBookPackageCommand>(boss, "IBookPackageCommand") {}

    void SetBook(IBook* book) override;

protected:
    bool Fill(HostPackageFolder& folder, std::string& error) override;

private:
    std::shared_ptr<const HostBookRecord> mBook;
};
