#pragma once
// A utility: the host's modal-dialog state, held while a plug-in runs a modal loop of its own.
#include "hostsdk/base/IPMUnknown.h"

class IModalDialogUtils : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x681;
    static constexpr const char* kInterfaceName = "IModalDialogUtils";

    // Enters a modal-dialog state; the token (never null on success) ends it. Null on failure.
    virtual void* AcquireModalDialogState() = 0;
    // Ends the state of `token`. States nest: the last one acquired is released first.
    virtual void ReleaseModalDialogState(void* token) = 0;
};
