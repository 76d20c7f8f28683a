#include "plugin-host/actions/GIDCSPBringUp.h"

void GIDCSPBringUp::Run(std::vector<Step> const& steps) {
    for (Step const& step : steps) {
        try {
            step.start();
        } catch (...) {
            if (step.stopOnFailure && step.stop)
                mStops.push_back(step.stop);
            Stop();
            throw;
        }
        if (step.stop)
            mStops.push_back(step.stop);
    }
}

void GIDCSPBringUp::Stop() noexcept {
    while (!mStops.empty()) {
        std::function<void()> stop = std::move(mStops.back());
        mStops.pop_back();
        try {
            stop();
        } catch (...) {
            // The next layers still stop: a failing teardown must not keep the rest running.
        }
    }
}
