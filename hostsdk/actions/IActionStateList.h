#pragma once
// The actions whose states the host asks an action component to update, by index from 0: the
// component reads each action ID and sets its state and the name shown for it.
#include <cstdint>

#include "hostsdk/base/HostTypes.h"
#include "hostsdk/base/PMString.h"

class IActionStateList {
public:
    enum State : std::int16_t { kDisabled = 0, kEnabled = 1 };

    virtual std::int32_t Length() const = 0;
    // 0 outside the list.
    virtual ActionID GetNthAction(std::int32_t index) const = 0;
    virtual void SetNthActionState(std::int32_t index, std::int16_t state) = 0;
    virtual void SetNthActionName(std::int32_t index, const PMString& name) = 0;

protected:
    virtual ~IActionStateList() = default;
};
