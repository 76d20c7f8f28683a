#include "hostsdk/documents/HostPageList.h"

#include "hostsdk/documents/HostDataBase.h"
#include "hostsdk/documents/HostPageRange.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

std::int32_t HostPageList::GetPageCount() const {
    if (HostCallLog::Enter("IPageList::GetPageCount", "\"" + mRecord->name + "\""))
        return 0;
    return static_cast<std::int32_t>(mRecord->pages.size());
}

UID HostPageList::GetNthPageUID(std::int32_t index) const {
    if (HostCallLog::Enter("IPageList::GetNthPageUID", std::to_string(index)))
        return 0;
    if (!HostCallLog::InList("IPageList::GetNthPageUID", index, mRecord->pages.size()))
        return 0;
    return HostDataBase::kFirstPageUID + static_cast<UID>(index);
}

ErrorCode HostPageList::PageRangeStringToUIDList(const PMString& range, UIDList* pages) const {
    if (HostCallLog::Enter("IPageList::PageRangeStringToUIDList", HostQuote(range)) || pages == nullptr)
        return kFailure;
    std::vector<int> positions;
    std::string error;
    if (!HostPageRange::Parse(range.GetUTF8String(), static_cast<int>(mRecord->pages.size()), mRecord->sections,
                              positions, error)) {
        HostCallLog::Notice("page range " + HostQuote(range) + " not parsed: " + error);
        return kFailure;
    }
    for (int position : positions)
        pages->Append(HostDataBase::kFirstPageUID + static_cast<UID>(position));
    return kSuccess;
}
