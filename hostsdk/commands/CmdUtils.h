#pragma once
// Making and running host commands, and making the host's other objects by class.
#include "hostsdk/base/InterfaceCast.h"
#include "hostsdk/commands/ICommand.h"

class CmdUtils {
public:
    // A new command of class `commandClass`, counted; null when the class is no command or no
    // host runs.
    static ICommand* CreateCommand(ClassID commandClass);
    // Runs the command; non-zero when it failed or was run before.
    static ErrorCode ProcessCommand(ICommand* command);
};

// A new object of class `objectClass`, its interface `iid` counted; null when there is none.
IPMUnknown* CreateObject(ClassID objectClass, PMIID iid);

template <class I>
I* CreateObject(ClassID objectClass, PMIID iid = I::kDefaultIID) {
    return InterfaceCast<I>(CreateObject(objectClass, iid));
}
