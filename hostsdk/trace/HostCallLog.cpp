#include "hostsdk/trace/HostCallLog.h"

#include <deque>
#include <mutex>
#include <utility>

#include "hostsdk/trace/HostFaults.h"

namespace {

struct LogState {
    std::mutex mutex;
    // A long run's log grows by blocks, never copied whole to grow.
    std::deque<HostCallEntry> entries;
    int violations = 0;
    std::function<void(const HostCallEntry&)> echo;
};

LogState& State() {
    static LogState fState;
    return fState;
}

void Append(HostCallEntry entry) {
    LogState& state = State();
    std::function<void(const HostCallEntry&)> echo;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (entry.kind == HostCallEntry::kViolation)
            ++state.violations;
        // The entry is kept by moving it, unless the echo still needs it.
        echo = state.echo;
        if (echo)
            state.entries.push_back(entry);
        else
            state.entries.push_back(std::move(entry));
    }
    // Outside the lock: the echo may log in turn.
    if (echo)
        echo(entry);
}

}  // namespace

bool HostCallLog::Enter(const std::string& name, const std::string& detail) {
    const bool fail = HostFaults::ShouldFail(name);
    std::string text = detail.empty() ? name : name + " " + detail;
    if (fail)
        text += " -> injected failure";
    Append({HostCallEntry::kCall, std::move(text)});
    return fail;
}

void HostCallLog::Record(const std::string& name, const std::string& detail) {
    Append({HostCallEntry::kCall, detail.empty() ? name : name + " " + detail});
}

void HostCallLog::Notice(const std::string& text) { Append({HostCallEntry::kNotice, text}); }

void HostCallLog::Violation(const std::string& text) { Append({HostCallEntry::kViolation, text}); }

bool HostCallLog::InList(const std::string& call, std::int64_t index, std::size_t size) {
    if (index >= 0 && static_cast<std::uint64_t>(index) < size)
        return true;
    Violation(call + " " + std::to_string(index) + " outside the list");
    return false;
}

std::vector<HostCallEntry> HostCallLog::Entries() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return std::vector<HostCallEntry>(State().entries.begin(), State().entries.end());
}

std::vector<std::string> HostCallLog::Calls() {
    std::vector<std::string> calls;
    for (const HostCallEntry& entry : Entries())
        if (entry.kind == HostCallEntry::kCall)
            calls.push_back(entry.text);
    return calls;
}

int HostCallLog::Violations() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().violations;
}

void HostCallLog::Clear() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().entries.clear();
    State().violations = 0;
}

void HostCallLog::SetEcho(std::function<void(const HostCallEntry&)> echo) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().echo = std::move(echo);
}
