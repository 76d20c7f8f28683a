#pragma once
// The host's implementation of IShortcutManager over its action table.
#include "hostsdk/actions/HostActionTable.h"
#include "hostsdk/actions/IShortcutManager.h"
#include "hostsdk/boss/CPMUnknown.h"

class HostShortcutManager : public CPMUnknown<IShortcutManager> {
public:
    HostShortcutManager(IPMUnknown* boss, HostActionTable& table) : CPMUnknown<IShortcutManager>(boss), mTable(table) {}

    ErrorCode AddShortcut(ActionID action, const PMString& context, VirtualKey key, std::int16_t modifiers) override;

private:
    HostActionTable& mTable;
};
