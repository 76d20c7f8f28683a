#include "hostsdk/actions/HostMenuManager.h"

#include <sstream>

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

ErrorCode HostMenuManager::AddMenuItem(ActionID action, const PMString& menuPath, PMReal position, std::int32_t flags) {
    std::ostringstream detail;
    detail << HostHex(action) << " " << HostQuote(menuPath) << " " << position << " " << flags;
    if (HostCallLog::Enter("IMenuManager::AddMenuItem", detail.str()))
        return kFailure;
    return mTable.AddMenuItem(action, {menuPath.GetUTF8String(), position, flags});
}
