#pragma once
// The base of a plug-in's action component: the interface with its counting through the boss,
// and operations that do nothing, for a component to override.
#include "hostsdk/actions/IActionComponent.h"
#include "hostsdk/boss/CPMUnknown.h"

class CActionComponent : public CPMUnknown<IActionComponent> {
public:
    explicit CActionComponent(IPMUnknown* boss) : CPMUnknown<IActionComponent>(boss) {}

    void UpdateActionStates(IActiveContext*, IActionStateList*, SysPoint, IPMUnknown*) override {}
    void DoAction(IActiveContext*, ActionID, SysPoint, IPMUnknown*) override {}
};
