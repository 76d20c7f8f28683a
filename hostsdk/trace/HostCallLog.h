#pragma once
// The process-wide log of the host: every call made to it, in order, and the notices of what it
// showed or saw. Each call asks the failure injection (HostFaults) whether it is to fail; the
// entry then says so. An echo function, when set, sees every entry as it is made. Safe to use
// from any thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostsdk/trace/HostCallEntry.h"

class HostCallLog {
public:
    // Logs the call `name` (with `detail`) and returns true when it is to fail.
    static bool Enter(const std::string& name, const std::string& detail = {});
    // Logs a call that cannot fail: one the host makes into a plug-in, or a question with no
    // answer to take away.
    static void Record(const std::string& name, const std::string& detail = {});
    static void Notice(const std::string& text);
    // A plug-in broke one of the host's rules (over-release, a modal state released out of
    // order, an index outside a list); counted, so that a run can fail on it.
    static void Violation(const std::string& text);
    // True when `index` is inside a list of `size`; otherwise a broken rule of `call`, logged.
    static bool InList(const std::string& call, std::int64_t index, std::size_t size);

    static std::vector<HostCallEntry> Entries();
    // The texts of the call entries only, in order.
    static std::vector<std::string> Calls();
    static int Violations();
    static void Clear();
    static void SetEcho(std::function<void(const HostCallEntry&)> echo);
};
