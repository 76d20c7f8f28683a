#pragma once
// A point in time on the monotonic clock that a bounded wait must not pass: the wait sleeps at
// most what is left, so it ends at its bound, not a sleep step past it.
#include <chrono>

class GIPDeadline {
public:
    explicit GIPDeadline(int milliseconds)
        : mEnd(std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds)) {}

    bool Passed() const { return std::chrono::steady_clock::now() >= mEnd; }
    // Milliseconds left, rounded up (0 once passed).
    int LeftMs() const {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(mEnd - std::chrono::steady_clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    // The step, or what is left when that is less.
    int NextSleepMs(int stepMs) const {
        const int left = LeftMs();
        return left < stepMs ? left : stepMs;
    }

private:
    std::chrono::steady_clock::time_point mEnd;
};
