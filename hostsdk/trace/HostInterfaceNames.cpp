#include "hostsdk/trace/HostInterfaceNames.h"

#include <map>
#include <mutex>

namespace {

std::mutex& NamesMutex() {
    static std::mutex fMutex;
    return fMutex;
}

std::map<PMIID, std::string>& Names() {
    static std::map<PMIID, std::string> fNames;
    return fNames;
}

}  // namespace

void HostInterfaceNames::Register(PMIID iid, const std::string& name) {
    std::lock_guard<std::mutex> lock(NamesMutex());
    Names()[iid] = name;
}

std::string HostInterfaceNames::Name(PMIID iid) {
    std::lock_guard<std::mutex> lock(NamesMutex());
    const auto found = Names().find(iid);
    return found == Names().end() ? HostHex(iid) : found->second;
}
