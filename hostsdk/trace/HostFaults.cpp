#include "hostsdk/trace/HostFaults.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>

namespace {

struct FaultState {
    std::mutex mutex;
    std::map<std::string, int> counts;
    std::set<std::pair<std::string, int>> armed;
};

FaultState& State() {
    static FaultState fState;
    return fState;
}

}  // namespace

void HostFaults::Arm(const std::string& name, int callNumber) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().armed.insert({name, callNumber});
}

bool HostFaults::Arm(const std::string& spec) {
    const std::string::size_type hash = spec.rfind('#');
    const std::string name = spec.substr(0, hash);
    if (name.empty())
        return false;
    if (hash == std::string::npos) {
        Arm(name, 0);
        return true;
    }
    const std::string number = spec.substr(hash + 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const long call = std::strtol(number.c_str(), nullptr, 10);
    if (errno != 0 || call < 1 || call > 1000000000L)
        return false;
    Arm(name, static_cast<int>(call));
    return true;
}

void HostFaults::Reset() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().counts.clear();
    State().armed.clear();
}

bool HostFaults::ShouldFail(const std::string& name) {
    FaultState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    const int call = ++state.counts[name];
    // Most runs arm nothing: no keys to build then.
    return !state.armed.empty() && (state.armed.count({name, 0}) != 0 || state.armed.count({name, call}) != 0);
}
