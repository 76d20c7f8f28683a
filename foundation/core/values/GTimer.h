#pragma once
// GTimer: a stopwatch on the monotonic clock, which the idle-time manager uses to measure the time
// since its last pass.
//
// Callers may rely on:
// - The clock is shared by all timers: seconds since the first time any timer read it, as a
//   double. It never goes back, whatever happens to the wall clock.
// - A new timer is stopped with nothing accumulated (start 0, elapsed 0).
// - Start and Stop are idempotent: starting a running timer or stopping a stopped one changes
//   nothing. Reset stops and clears the accumulated time but keeps the start.
// - A timer is one value: use one timer from one thread at a time.
class GTimer {
public:
    GTimer() = default;

    void Start();
    void Stop();
    // Runs from now with nothing accumulated.
    void Restart();
    void Reset();

    bool IsRunning() const { return mRunning; }
    // The accumulated seconds, plus the current stretch while running.
    double GetElapsedSeconds() const;
    // The shared monotonic clock.
    double GetCurrentSeconds() const;

    // Start, accumulated time and running flag all equal.
    bool operator==(GTimer const& other) const;
    bool operator!=(GTimer const& other) const { return !(*this == other); }

private:
    double mStart = 0;
    double mAccumulated = 0;
    bool mRunning = false;
};
