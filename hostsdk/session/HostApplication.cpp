#include "hostsdk/session/HostApplication.h"

#include "hostsdk/base/InterfaceCast.h"
#include "hostsdk/trace/HostCallLog.h"

IActionManager* HostApplication::QueryActionManager() const {
    if (HostCallLog::Enter("IApplication::QueryActionManager"))
        return nullptr;
    return InterfaceCast<IActionManager>(mActionManager->QueryInterface(IActionManager::kDefaultIID));
}
