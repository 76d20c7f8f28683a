#pragma once
// The progress centre of the framework: one stack of steps per thread, folded into one total.
// A step is {fraction of its parent, part of it done (0..1)}. The abort flag is shared by all
// threads and atomic, so a cancel from the user-interface thread reaches a worker.
#include <atomic>

#include "core/containers/GPair.h"
#include "core/containers/GThreadLocalTable.h"
#include "services/progress/GProgressCenter.h"

class GDefaultProgressCenter : public GProgressCenter {
public:
    GDefaultProgressCenter() = default;
    ~GDefaultProgressCenter() override = default;

    void Start(double fraction) override;
    void NotifyAbort() override;
    // Without an open step it does nothing.
    void Stop() override;
    void ThrowIfAborted() override;
    // 1.0 without an open step; else the open steps of the calling thread folded inside out.
    virtual double GetTotalProgress() const;

    // Lets the value shown go down (ForceValue instead of SetValue); off at construction.
    void SetForceValues(bool force) { mForce = force; }
    bool IsAbortPending() const { return mAbort.load(std::memory_order_acquire); }

private:
    using Step = GPair<double, double>;

    GThreadLocalTable<Step> mSteps;
    std::atomic<bool> mAbort{false};
    bool mForce = false;
};
