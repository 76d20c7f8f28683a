#pragma once
#include "services/tracing/GTrace.h"

// Raises the trace's re-entrancy count for its scope and records whether it is the outermost entry.
class GTraceLock {
public:
    explicit GTraceLock(GTrace& trace) : mTrace(trace), mOutermost(trace.Enter()) {}
    ~GTraceLock() { mTrace.Leave(); }
    GTraceLock(GTraceLock const&) = delete;
    GTraceLock& operator=(GTraceLock const&) = delete;

    bool IsOutermost() const { return mOutermost; }

private:
    GTrace& mTrace;
    bool mOutermost;
};
