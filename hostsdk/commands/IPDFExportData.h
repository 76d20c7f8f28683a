#pragma once
// What the PDF export command exports: pages of one document.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/PMString.h"
#include "hostsdk/base/UIDList.h"

class IPDFExportData : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x16318;
    static constexpr const char* kInterfaceName = "IPDFExportData";

    // The pages (over the document's database) in export order; `spreads` says that the list
    // was made for spreads (the preferences decide how they are laid out).
    virtual void SetPageUIDList(const UIDList& pages, bool16 spreads) = 0;
    // The name the PDF's information gives as its title.
    virtual void SetDocumentName(const PMString& name) = 0;
};
