#pragma once
// Failure injection: makes chosen host calls fail, by name and call number, so that every error
// path of a plug-in can be reached. Names are those of the call log: "IActionManager::AddAction"
// for an operation, the interface's name ("IMenuManager") for obtaining that interface, and
// "GetExecutionContextSession" and the like for free functions. Calls are counted per name from
// the last Reset. Safe to use from any thread.
#include <string>

class HostFaults {
public:
    // `callNumber` 0 fails every call of `name`; N fails only its Nth call (counted from 1).
    static void Arm(const std::string& name, int callNumber);
    // The text form: "NAME" or "NAME#N". False (and nothing armed) when it is malformed.
    static bool Arm(const std::string& spec);
    // Disarms everything and restarts the counts.
    static void Reset();
    // Counts one call of `name`; true when it is to fail.
    static bool ShouldFail(const std::string& name);
};
