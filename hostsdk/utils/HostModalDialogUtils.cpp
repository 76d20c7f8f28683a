#include "hostsdk/utils/HostModalDialogUtils.h"

#include <string>

#include "hostsdk/trace/HostCallLog.h"

void* HostModalDialogUtils::AcquireModalDialogState() {
    if (HostCallLog::Enter("IModalDialogUtils::AcquireModalDialogState"))
        return nullptr;
    return mState.Acquire();
}

void HostModalDialogUtils::ReleaseModalDialogState(void* token) {
    HostCallLog::Enter("IModalDialogUtils::ReleaseModalDialogState",
                       std::to_string(reinterpret_cast<std::uintptr_t>(token)));
    mState.Release(token);
}
