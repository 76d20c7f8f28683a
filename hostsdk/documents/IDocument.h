#pragma once
// An open document; its pages (IPageList) and font usage (IDocumentFontUsage) are further
// interfaces of the same object.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"

class IDataBase;

class IDocument : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0xE02;
    static constexpr const char* kInterfaceName = "IDocument";

    virtual PMString GetName() const = 0;
    // False for a document that was never saved to a file (untitled).
    virtual bool16 IsSaved() const = 0;
    // Not counted: it lives with the document.
    virtual IDataBase* GetDocDataBase() const = 0;
};
