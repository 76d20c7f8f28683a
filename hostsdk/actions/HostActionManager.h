#pragma once
// The host's implementation of IActionManager over its action table.
#include "hostsdk/actions/HostActionTable.h"
#include "hostsdk/actions/IActionManager.h"
#include "hostsdk/boss/CPMUnknown.h"

class HostActionManager : public CPMUnknown<IActionManager> {
public:
    HostActionManager(IPMUnknown* boss, HostActionTable& table) : CPMUnknown<IActionManager>(boss), mTable(table) {}

    bool16 IsValidAction(ActionID action) const override;
    ErrorCode AddAction(ClassID component, ActionID action, const PMString& name, const PMString& area,
                        std::int32_t checkable, std::int32_t shortcutEditable, std::int32_t internal,
                        std::int32_t enabled) override;

private:
    HostActionTable& mTable;
};
