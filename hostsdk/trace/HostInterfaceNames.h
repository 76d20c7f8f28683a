#pragma once
// The readable names of interface IDs, for the call log and failure injection. An ID without a
// name is written in hexadecimal ("0x1D03E").
#include <string>

#include "hostsdk/base/HostTypes.h"
#include "hostsdk/trace/HostText.h"

class HostInterfaceNames {
public:
    static void Register(PMIID iid, const std::string& name);
    template <class I>
    static void Register() {
        Register(I::kDefaultIID, I::kInterfaceName);
    }
    static std::string Name(PMIID iid);
};
