#pragma once
// The document package (class and interface 0x13A09): the folder holds the document's copy
// under its name and, with fonts copied, "Fonts.txt".
#include <memory>

#include "hostsdk/commands/HostPackageBase.h"
#include "hostsdk/commands/IPackageCommand.h"
#include "hostsdk/documents/HostDocumentRecord.h"

class HostPackageCommand : public HostPackageBase<IPackageCommand> {
public:
    explicit HostPackageCommand(IPMUnknown* boss) : HostPackageBase<IPackageCommand>(boss, "IPackageCommand") {}

    void SetDocument(IDocument* document) override;
    // Null until a document was given.
    const std::shared_ptr<const HostDocumentRecord>& Document() const { return mDocument; }

protected:
    bool Fill(HostPackageFolder& folder, std::string& error) override;

private:
    std::shared_ptr<const HostDocumentRecord> mDocument;
};
