#include "hostsdk/actions/HostActionTable.h"

namespace {

bool SameShortcut(const HostAction::Shortcut& a, const HostAction::Shortcut& b) {
    return a.context == b.context && a.key == b.key && a.modifiers == b.modifiers;
}

}  // namespace

const HostAction* HostActionTable::Find(ActionID id) const {
    for (const HostAction& action : mActions)
        if (action.id == id)
            return &action;
    return nullptr;
}

HostAction* HostActionTable::Find(ActionID id) {
    return const_cast<HostAction*>(static_cast<const HostActionTable*>(this)->Find(id));
}

ErrorCode HostActionTable::Add(const HostAction& action) {
    if (Has(action.id))
        return kFailure;
    mActions.push_back(action);
    mActions.back().enabled = action.enabledAtStart != 0;
    return kSuccess;
}

ErrorCode HostActionTable::AddMenuItem(ActionID id, const HostAction::MenuItem& item) {
    HostAction* action = Find(id);
    if (action == nullptr)
        return kFailure;
    for (const HostAction::MenuItem& existing : action->menuItems)
        if (existing.menuPath == item.menuPath)
            return kFailure;
    action->menuItems.push_back(item);
    return kSuccess;
}

ErrorCode HostActionTable::AddShortcut(ActionID id, const HostAction::Shortcut& shortcut) {
    HostAction* target = Find(id);
    if (target == nullptr)
        return kFailure;
    for (const HostAction& action : mActions)
        for (const HostAction::Shortcut& existing : action.shortcuts)
            if (SameShortcut(existing, shortcut))
                return action.id == id ? kSuccess : kFailure;
    target->shortcuts.push_back(shortcut);
    return kSuccess;
}

std::vector<ActionID> HostActionTable::ActionsOf(ClassID component) const {
    std::vector<ActionID> ids;
    for (const HostAction& action : mActions)
        if (action.component == component)
            ids.push_back(action.id);
    return ids;
}

std::size_t HostActionTable::MenuItemCount() const {
    std::size_t count = 0;
    for (const HostAction& action : mActions)
        count += action.menuItems.size();
    return count;
}
