#include "hostsdk/commands/HostPackageCommand.h"

#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/documents/HostDocumentFile.h"

void HostPackageCommand::SetDocument(IDocument* document) {
    const auto* open = dynamic_cast<const HostDocument*>(document);
    if (Enter("SetDocument", open != nullptr ? "\"" + open->Record()->name + "\"" : "none"))
        return;
    // A copy: what is packaged is the document as it was given.
    mDocument = open != nullptr ? std::make_shared<const HostDocumentRecord>(*open->Record()) : nullptr;
}

bool HostPackageCommand::Fill(HostPackageFolder& folder, std::string& error) {
    if (mDocument == nullptr) {
        error = "no document";
        return false;
    }
    return folder.Write(mDocument->name, HostDocumentFile::FormatDocument(*mDocument), error) &&
           (!mCopyFonts || folder.Write("Fonts.txt", HostPackageFolder::FontsList({mDocument.get()}), error));
}
