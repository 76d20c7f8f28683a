#pragma once
// The component that runs a plug-in's actions and keeps their states: the host asks it to update the
// states of its actions before it shows them, and to run one when the user picks it.
#include "hostsdk/actions/IActionStateList.h"
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/session/IActiveContext.h"

class IActionComponent : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x7F02;
    static constexpr const char* kInterfaceName = "IActionComponent";

    // Sets the state and name of each action of the list that belongs to the component.
    virtual void UpdateActionStates(IActiveContext* context, IActionStateList* list, SysPoint mousePoint,
                                    IPMUnknown* widget) = 0;
    virtual void DoAction(IActiveContext* context, ActionID action, SysPoint mousePoint, IPMUnknown* widget) = 0;
};
