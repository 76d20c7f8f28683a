#include "core/values/GTimer.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// The moment of the first reading; a function-local static so that threads agree on it.
Clock::time_point Origin() {
    static const Clock::time_point origin = Clock::now();
    return origin;
}

}  // namespace

double GTimer::GetCurrentSeconds() const {
    const Clock::time_point origin = Origin();
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - origin).count();
    return static_cast<double>(nanoseconds) / 1e9;
}

void GTimer::Start() {
    if (mRunning)
        return;
    mRunning = true;
    mStart = GetCurrentSeconds();
}

void GTimer::Stop() {
    if (!mRunning)
        return;
    mRunning = false;
    mAccumulated += GetCurrentSeconds() - mStart;
}

void GTimer::Restart() {
    mRunning = true;
    mAccumulated = 0;
    mStart = GetCurrentSeconds();
}

void GTimer::Reset() {
    mAccumulated = 0;
    mRunning = false;
}

double GTimer::GetElapsedSeconds() const {
    if (!mRunning)
        return mAccumulated;
    return mAccumulated + (GetCurrentSeconds() - mStart);
}

bool GTimer::operator==(GTimer const& other) const {
    return mStart == other.mStart && mAccumulated == other.mAccumulated && mRunning == other.mRunning;
}
