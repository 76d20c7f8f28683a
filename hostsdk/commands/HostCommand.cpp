#include "hostsdk/commands/HostCommand.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

ErrorCode HostCommand::Process() {
    if (mDone) {
        HostCallLog::Violation("command " + HostHex(mClass) + " processed twice");
        return kFailure;
    }
    mDone = true;
    return Do();
}
