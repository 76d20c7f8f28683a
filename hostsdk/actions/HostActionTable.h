#pragma once
// The host's actions, menu items and shortcuts, in the order they were added: what the action,
// menu and shortcut managers change and what the host shows.
#include <string>
#include <vector>

#include "hostsdk/actions/HostAction.h"

class HostActionTable {
public:
    bool Has(ActionID id) const { return Find(id) != nullptr; }
    const HostAction* Find(ActionID id) const;
    HostAction* Find(ActionID id);
    // Fails for an ID that exists.
    ErrorCode Add(const HostAction& action);
    // Fails for an unknown action or a second item of the action in the same menu.
    ErrorCode AddMenuItem(ActionID id, const HostAction::MenuItem& item);
    // No change when the action has the shortcut in the context; fails for an unknown action or a
    // shortcut that another action holds in the context.
    ErrorCode AddShortcut(ActionID id, const HostAction::Shortcut& shortcut);
    // The actions of one component, in the order they were added.
    std::vector<ActionID> ActionsOf(ClassID component) const;
    const std::vector<HostAction>& Actions() const { return mActions; }
    std::size_t MenuItemCount() const;

private:
    std::vector<HostAction> mActions;
};
