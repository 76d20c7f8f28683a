#include "hostsdk/commands/HostPDFExportData.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

void HostPDFExportData::SetPageUIDList(const UIDList& pages, bool16 spreads) {
    std::string list;
    for (std::int32_t i = 0; i < pages.Length(); ++i)
        list += (i == 0 ? "" : ",") + std::to_string(pages.At(i));
    if (HostCallLog::Enter("IPDFExportData::SetPageUIDList", "[" + list + "] spreads " + std::to_string(spreads)))
        return;
    mPages = pages;
}

void HostPDFExportData::SetDocumentName(const PMString& name) {
    if (HostCallLog::Enter("IPDFExportData::SetDocumentName", HostQuote(name)))
        return;
    mName = name;
}
