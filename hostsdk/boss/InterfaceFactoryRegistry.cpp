#include "hostsdk/boss/InterfaceFactoryRegistry.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <vector>

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostInterfaceNames.h"

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<const InterfaceFactoryRecord*> announced;
    std::vector<const InterfaceFactoryRecord*> registered;
};

Registry& State() {
    static Registry fRegistry;
    return fRegistry;
}

void Erase(std::vector<const InterfaceFactoryRecord*>& records, const InterfaceFactoryRecord* record) {
    records.erase(std::remove(records.begin(), records.end(), record), records.end());
}

const InterfaceFactoryRecord* FindIn(const std::vector<const InterfaceFactoryRecord*>& records, ImplementationID id) {
    for (const InterfaceFactoryRecord* record : records)
        if (record->implementation == id)
            return record;
    return nullptr;
}

std::string Check(const Registry& state) {
    std::set<ImplementationID> seen;
    for (const InterfaceFactoryRecord* record : state.announced) {
        const std::string id = HostHex(record->implementation);
        if (record->create == nullptr || record->destroy == nullptr || record->sizeOf == nullptr)
            return "factory " + id + " lacks a create, destroy or size-of function";
        if (FindIn(state.registered, record->implementation) != nullptr || !seen.insert(record->implementation).second)
            return "implementation " + id + " is registered twice";
    }
    return {};
}

}  // namespace

void InterfaceFactoryRegistry::Announce(const InterfaceFactoryRecord* record) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().announced.push_back(record);
}

void InterfaceFactoryRegistry::Withdraw(const InterfaceFactoryRecord* record) {
    std::lock_guard<std::mutex> lock(State().mutex);
    Erase(State().announced, record);
    Erase(State().registered, record);
}

bool InterfaceFactoryRegistry::RegisterAnnounced(std::string& error) {
    Registry& state = State();
    std::vector<const InterfaceFactoryRecord*> added;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        error = Check(state);
        if (error.empty()) {
            added = state.announced;
            state.registered.insert(state.registered.end(), added.begin(), added.end());
        }
        state.announced.clear();
    }
    for (const InterfaceFactoryRecord* record : added)
        HostCallLog::Notice("factory " + HostHex(record->implementation) + " registered, size " +
                           std::to_string(record->sizeOf()));
    return error.empty();
}

const InterfaceFactoryRecord* InterfaceFactoryRegistry::Find(ImplementationID implementation) {
    std::lock_guard<std::mutex> lock(State().mutex);
    return FindIn(State().registered, implementation);
}

std::size_t InterfaceFactoryRegistry::Count() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().registered.size();
}
