#include "hostsdk/commands/CmdUtils.h"

#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/commands/HostCommand.h"
#include "hostsdk/commands/HostObjectClasses.h"
#include "hostsdk/host/StandInHost.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostInterfaceNames.h"

namespace {

// The new object's interface `iid`, with the maker's reference handed to it.
IPMUnknown* Made(HostBoss* boss, PMIID iid) {
    if (boss == nullptr)
        return nullptr;
    IPMUnknown* wanted = boss->QueryInterface(iid);
    boss->Release();
    return wanted;
}

}  // namespace

ICommand* CmdUtils::CreateCommand(ClassID commandClass) {
    StandInHost* host = StandInHost::Current();
    if (HostCallLog::Enter("CmdUtils::CreateCommand", HostHex(commandClass)) || host == nullptr ||
        !HostObjectClasses::IsCommand(commandClass))
        return nullptr;
    return InterfaceCast<ICommand>(Made(HostObjectClasses::Create(*host, commandClass), ICommand::kDefaultIID));
}

ErrorCode CmdUtils::ProcessCommand(ICommand* command) {
    auto* hostCommand = dynamic_cast<HostCommand*>(command);
    if (HostCallLog::Enter("CmdUtils::ProcessCommand", command != nullptr ? HostHex(command->GetCommandClass()) : "none"))
        return kFailure;
    if (hostCommand == nullptr)
        return kFailure;
    return hostCommand->Process();
}

IPMUnknown* CreateObject(ClassID objectClass, PMIID iid) {
    StandInHost* host = StandInHost::Current();
    if (HostCallLog::Enter("CreateObject", HostHex(objectClass) + " " + HostInterfaceNames::Name(iid)) ||
        host == nullptr)
        return nullptr;
    return Made(HostObjectClasses::Create(*host, objectClass), iid);
}
