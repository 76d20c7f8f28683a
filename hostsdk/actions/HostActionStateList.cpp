#include "hostsdk/actions/HostActionStateList.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

HostActionStateList::HostActionStateList(const HostActionTable& table, const std::vector<ActionID>& actions) {
    for (ActionID id : actions) {
        const HostAction* action = table.Find(id);
        if (action != nullptr)
            mEntries.push_back({id, action->enabled, action->shownName});
    }
}

bool HostActionStateList::InRange(std::int32_t index, const char* operation) const {
    if (index >= 0 && static_cast<std::size_t>(index) < mEntries.size())
        return true;
    HostCallLog::Violation(std::string("IActionStateList::") + operation + " with index " + std::to_string(index) +
                           " of " + std::to_string(mEntries.size()));
    return false;
}

std::int32_t HostActionStateList::Length() const {
    if (HostCallLog::Enter("IActionStateList::Length"))
        return 0;
    return static_cast<std::int32_t>(mEntries.size());
}

ActionID HostActionStateList::GetNthAction(std::int32_t index) const {
    if (HostCallLog::Enter("IActionStateList::GetNthAction", std::to_string(index)))
        return 0;
    return InRange(index, "GetNthAction") ? mEntries[static_cast<std::size_t>(index)].id : 0;
}

void HostActionStateList::SetNthActionState(std::int32_t index, std::int16_t state) {
    if (HostCallLog::Enter("IActionStateList::SetNthActionState", std::to_string(index) + " " + std::to_string(state)))
        return;
    if (InRange(index, "SetNthActionState"))
        mEntries[static_cast<std::size_t>(index)].enabled = state == kEnabled;
}

void HostActionStateList::SetNthActionName(std::int32_t index, const PMString& name) {
    if (HostCallLog::Enter("IActionStateList::SetNthActionName", std::to_string(index) + " " + HostQuote(name)))
        return;
    if (InRange(index, "SetNthActionName"))
        mEntries[static_cast<std::size_t>(index)].name = name.GetUTF8String();
}

void HostActionStateList::Apply(HostActionTable& table) const {
    for (const Entry& entry : mEntries) {
        HostAction* action = table.Find(entry.id);
        if (action == nullptr)
            continue;
        action->enabled = entry.enabled;
        action->shownName = entry.name;
    }
}

