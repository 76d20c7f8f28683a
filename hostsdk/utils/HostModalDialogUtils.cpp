#include "hostsdk/utils/HostModalDialogUtils.h"

#include <string>

#include "hostsdk/trace/HostCallLog.h"

void* HostModalDialogUtils::AcquireModalDialogState() {
    if (HostCallLog::Enter("IModalDialogUtils::AcquireModalDialogState"))
        return nullptr;
    return mState.Acquire();
}

void HostModalDialogUtils::ReleaseModalDialogState(void* token) {
    // A failed release leaves the state held, as a host that missed the call would.
    if (HostCallLog::Enter("IModalDialogUtils::ReleaseModalDialogState",
                           std::to_string(reinterpret_cast<std::uintptr_t>(token))))
        return;
    mState.Release(token);
}
