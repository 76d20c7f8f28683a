#include "hostsdk/utils/HostBookUtils.h"

#include <algorithm>

#include "hostsdk/documents/HostBook.h"
#include "hostsdk/documents/HostBookContentMgr.h"
#include "hostsdk/trace/HostCallLog.h"

IBook* HostBookUtils::GetCurrentBook(IActiveContext* context) const {
    (void)context;  // one workspace: every context's book is the current one
    if (HostCallLog::Enter("IBookUtils::GetCurrentBook"))
        return nullptr;
    return HostBook::Of(mDocuments.CurrentBook());
}

std::int32_t HostBookUtils::GetSelectedContents(IBook* book, UIDList* selected) const {
    const auto* open = dynamic_cast<HostBook*>(book);
    if (HostCallLog::Enter("IBookUtils::GetSelectedContents") || open == nullptr || selected == nullptr)
        return 0;
    std::vector<int> chapters = open->Record()->selection;
    std::sort(chapters.begin(), chapters.end());
    for (int chapter : chapters)
        selected->Append(HostBookContentMgr::kFirstContentUID + static_cast<UID>(chapter));
    return static_cast<std::int32_t>(chapters.size());
}

std::int32_t HostBookUtils::GetContentCount(IBook* book) const {
    const auto* open = dynamic_cast<HostBook*>(book);
    if (HostCallLog::Enter("IBookUtils::GetContentCount") || open == nullptr)
        return 0;
    return static_cast<std::int32_t>(open->Record()->chapters.size());
}
