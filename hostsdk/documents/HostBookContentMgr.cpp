#include "hostsdk/documents/HostBookContentMgr.h"

#include "hostsdk/trace/HostCallLog.h"

std::int32_t HostBookContentMgr::GetContentCount() const {
    if (HostCallLog::Enter("IBookContentMgr::GetContentCount", "\"" + mRecord->name + "\""))
        return 0;
    return static_cast<std::int32_t>(mRecord->chapters.size());
}
