#include "plugin-host/actions/GIDCSPWindowSupport.h"

#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/utils/IModalDialogUtils.h"
#include "hostsdk/utils/UtilsBoss.h"

namespace {
void* sAcquireModalDialogState = nullptr;
}

namespace GIDCSPWindowSupport {

void StartModalLoop(void*) {
    // A second acquire would overwrite the token and leave the first state held for good.
    if (sAcquireModalDialogState != nullptr)
        return;
    InterfacePtr<IModalDialogUtils> utils(UtilsBoss::QueryUtils<IModalDialogUtils>());
    if (utils)
        sAcquireModalDialogState = utils->AcquireModalDialogState();
}

void StopModalLoop(void*) {
    if (sAcquireModalDialogState == nullptr)
        return;
    InterfacePtr<IModalDialogUtils> utils(UtilsBoss::QueryUtils<IModalDialogUtils>());
    if (utils)
        utils->ReleaseModalDialogState(sAcquireModalDialogState);
    sAcquireModalDialogState = nullptr;
}

void* GetMainWindowHandle() { return nullptr; }

bool HoldsModalState() { return sAcquireModalDialogState != nullptr; }

}  // namespace GIDCSPWindowSupport
