#pragma once
// The host's implementation of IMenuManager over its action table.
#include "hostsdk/actions/HostActionTable.h"
#include "hostsdk/actions/IMenuManager.h"
#include "hostsdk/boss/CPMUnknown.h"

class HostMenuManager : public CPMUnknown<IMenuManager> {
public:
    HostMenuManager(IPMUnknown* boss, HostActionTable& table) : CPMUnknown<IMenuManager>(boss), mTable(table) {}

    ErrorCode AddMenuItem(ActionID action, const PMString& menuPath, PMReal position, std::int32_t flags) override;

private:
    HostActionTable& mTable;
};
