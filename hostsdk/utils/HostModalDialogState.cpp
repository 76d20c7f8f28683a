#include "hostsdk/utils/HostModalDialogState.h"

#include <algorithm>
#include <string>

#include "hostsdk/trace/HostCallLog.h"

namespace {

std::string DepthText(std::size_t depth) { return ", depth " + std::to_string(depth); }

}  // namespace

void* HostModalDialogState::Acquire() {
    mHeld.push_back(++mLast);
    HostCallLog::Notice("modal state " + std::to_string(mLast) + " acquired" + DepthText(mHeld.size()));
    return reinterpret_cast<void*>(mLast);
}

void HostModalDialogState::Release(void* token) {
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(token);
    const std::string name = "modal state " + std::to_string(value);
    const auto held = std::find(mHeld.begin(), mHeld.end(), value);
    if (value == 0 || held == mHeld.end()) {
        HostCallLog::Violation(name + " released but not held");
        return;
    }
    if (held + 1 != mHeld.end())
        HostCallLog::Violation(name + " released before modal state " + std::to_string(mHeld.back()));
    mHeld.erase(held);
    HostCallLog::Notice(name + " released" + DepthText(mHeld.size()));
}
