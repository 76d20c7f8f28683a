#pragma once
// A utility: saving and closing documents.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/documents/IDocument.h"
#include "hostsdk/documents/UIDRef.h"

class IDocumentUtils : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x15F;
    static constexpr const char* kInterfaceName = "IDocumentUtils";

    // Saves the document to its file; an untitled one into the host's folder for new documents,
    // as its name plus ".indd". Non-zero when it could not be saved.
    virtual ErrorCode DoSave(IDocument* document) = 0;
    // Closes the document `document` (its database and root UID). The flags: ask to save changes,
    // close its windows, close even when it is in use. Non-zero when it is not open.
    virtual ErrorCode DoClose(const UIDRef& document, bool16 askToSave, bool16 closeWindows, bool16 force) = 0;
};
