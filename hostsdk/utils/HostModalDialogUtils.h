#pragma once
// The host's implementation of IModalDialogUtils over its modal-state stack.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/utils/HostModalDialogState.h"
#include "hostsdk/utils/IModalDialogUtils.h"

class HostModalDialogUtils : public CPMUnknown<IModalDialogUtils> {
public:
    HostModalDialogUtils(IPMUnknown* boss, HostModalDialogState& state)
        : CPMUnknown<IModalDialogUtils>(boss), mState(state) {}

    void* AcquireModalDialogState() override;
    void ReleaseModalDialogState(void* token) override;

private:
    HostModalDialogState& mState;
};
