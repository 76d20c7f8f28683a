#include "plugin-host/actions/GIDCSPWindowSupport.h"

#include <vector>

#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/utils/IModalDialogUtils.h"
#include "hostsdk/utils/UtilsBoss.h"

namespace {
// One host state per open Qt modal loop: a dialog that opens a message box nests two, and one
// token alone would lose the outer state for good.
std::vector<void*> sAcquireModalDialogState;
}  // namespace

namespace GIDCSPWindowSupport {

void StartModalLoop(void*) {
    InterfacePtr<IModalDialogUtils> utils(UtilsBoss::QueryUtils<IModalDialogUtils>());
    sAcquireModalDialogState.push_back(utils ? utils->AcquireModalDialogState() : nullptr);
}

void StopModalLoop(void*) {
    if (sAcquireModalDialogState.empty())
        return;
    void* const token = sAcquireModalDialogState.back();
    sAcquireModalDialogState.pop_back();
    if (token == nullptr)
        return;
    InterfacePtr<IModalDialogUtils> utils(UtilsBoss::QueryUtils<IModalDialogUtils>());
    if (utils)
        utils->ReleaseModalDialogState(token);
}

void* GetMainWindowHandle() { return nullptr; }

bool HoldsModalState() {
    for (void* token : sAcquireModalDialogState)
        if (token != nullptr)
            return true;
    return false;
}

}  // namespace GIDCSPWindowSupport
