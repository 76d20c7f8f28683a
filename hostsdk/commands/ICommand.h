#pragma once
// A host command: made by CmdUtils::CreateCommand, given its data through its other interfaces,
// run once by CmdUtils::ProcessCommand.
#include "hostsdk/base/IPMUnknown.h"

class ICommand : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x7F30;
    static constexpr const char* kInterfaceName = "ICommand";

    virtual ClassID GetCommandClass() const = 0;
};
