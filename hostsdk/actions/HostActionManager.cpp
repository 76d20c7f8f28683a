#include "hostsdk/actions/HostActionManager.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

bool16 HostActionManager::IsValidAction(ActionID action) const {
    if (HostCallLog::Enter("IActionManager::IsValidAction", HostHex(action)))
        return false;
    return mTable.Has(action);
}

ErrorCode HostActionManager::AddAction(ClassID component, ActionID action, const PMString& name, const PMString& area,
                                       std::int32_t checkable, std::int32_t shortcutEditable, std::int32_t internal,
                                       std::int32_t enabled) {
    const std::string detail = HostHex(component) + " " + HostHex(action) + " " + HostQuote(name) + " " +
                               HostQuote(area) + " " + std::to_string(checkable) + " " +
                               std::to_string(shortcutEditable) + " " + std::to_string(internal) + " " +
                               std::to_string(enabled);
    if (HostCallLog::Enter("IActionManager::AddAction", detail))
        return kFailure;
    HostAction added;
    added.id = action;
    added.component = component;
    added.name = name.GetUTF8String();
    added.area = area.GetUTF8String();
    added.checkable = checkable;
    added.shortcutEditable = shortcutEditable;
    added.internal = internal;
    added.enabledAtStart = enabled;
    return mTable.Add(added);
}
