#pragma once
// The state list the host hands an action component: the component's actions with their states
// as the table has them; Apply writes back what the component set. An index outside the list is
// a broken rule, logged and ignored.
#include <vector>

#include "hostsdk/actions/HostActionTable.h"
#include "hostsdk/actions/IActionStateList.h"

class HostActionStateList : public IActionStateList {
public:
    HostActionStateList(const HostActionTable& table, const std::vector<ActionID>& actions);

    std::int32_t Length() const override;
    ActionID GetNthAction(std::int32_t index) const override;
    void SetNthActionState(std::int32_t index, std::int16_t state) override;
    void SetNthActionName(std::int32_t index, const PMString& name) override;

    void Apply(HostActionTable& table) const;

private:
    struct Entry {
        ActionID id;
        bool enabled;
        std::string name;
    };

    bool InRange(std::int32_t index, const char* operation) const;

    std::vector<Entry> mEntries;
};
