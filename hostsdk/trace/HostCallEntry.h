#pragma once
// One line of the host's call log: a call made to the host (or by the host into a plug-in), or a
// notice of what the host showed or saw (an alert, a modal state, a broken rule).
#include <string>

struct HostCallEntry {
    enum Kind { kCall, kNotice, kViolation };
    Kind kind = kCall;
    std::string text;
};
