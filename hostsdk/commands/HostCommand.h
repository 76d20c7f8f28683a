#pragma once
// The base of the host's commands: runs its work once.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/commands/ICommand.h"

class HostCommand : public CPMUnknown<ICommand> {
public:
    HostCommand(IPMUnknown* boss, ClassID commandClass) : CPMUnknown<ICommand>(boss), mClass(commandClass) {}

    ClassID GetCommandClass() const override { return mClass; }
    // False (nothing done) when it ran before.
    ErrorCode Process();

protected:
    virtual ErrorCode Do() = 0;

private:
    ClassID mClass;
    bool mDone = false;
};
