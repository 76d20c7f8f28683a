#pragma once
// The context in which the user works (the session's, here): where the host reads preferences.
#include "hostsdk/base/IPMUnknown.h"

class IActiveContext : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x7F07;
    static constexpr const char* kInterfaceName = "IActiveContext";
};
