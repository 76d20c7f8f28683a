#pragma once
// Milliseconds on the steady clock, for the bounds that tests check.
#include <chrono>

using Clock = std::chrono::steady_clock;

inline long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}
