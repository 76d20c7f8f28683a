#pragma once
// A piece of work done in idle time, a slice at a time.
class GIdleTimeClient {
public:
    virtual ~GIdleTimeClient() = default;
    // Does one slice; true to stay registered, false when the work is done.
    virtual bool DoIdleTime() = 0;
};
