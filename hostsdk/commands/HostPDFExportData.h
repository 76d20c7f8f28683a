#pragma once
// The host's implementation of IPDFExportData.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/commands/IPDFExportData.h"

class HostPDFExportData : public CPMUnknown<IPDFExportData> {
public:
    explicit HostPDFExportData(IPMUnknown* boss) : CPMUnknown<IPDFExportData>(boss) {}

    void SetPageUIDList(const UIDList& pages, bool16 spreads) override;
    void SetDocumentName(const PMString& name) override;

    const UIDList& Pages() const { return mPages; }
    const PMString& DocumentName() const { return mName; }

private:
    UIDList mPages;
    PMString mName;
};
