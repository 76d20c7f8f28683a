#pragma once
// A piece of work to run later, on another thread or at another time.
class GCommand {
public:
    virtual void Execute() = 0;
    virtual ~GCommand() = default;
};
