#pragma once
// GIDCSPBringUp: starts the framework's layers one step after the other and, when a step throws,
// stops the steps already started in reverse order before the exception goes on; Stop stops them
// all in reverse order. Each step's stop runs at most once and never throws out of Stop.
//
// Callers may rely on:
// - After Run throws, no step of this bring-up is left started.
// - A step whose start throws is not stopped, unless it says so (stopOnFailure: a counted
//   layer whose every Initialize, failed or not, needs its Finalize).
#include <functional>
#include <string>
#include <vector>

class GIDCSPBringUp {
public:
    struct Step {
        std::string name;
        std::function<void()> start;
        std::function<void()> stop;  // may be empty
        bool stopOnFailure = false;
    };

    GIDCSPBringUp() = default;
    GIDCSPBringUp(GIDCSPBringUp const&) = delete;
    GIDCSPBringUp& operator=(GIDCSPBringUp const&) = delete;
    ~GIDCSPBringUp() { Stop(); }

    void Run(std::vector<Step> const& steps);
    void Stop() noexcept;
    size_t StartedCount() const { return mStops.size(); }

private:
    std::vector<std::function<void()>> mStops;
};
