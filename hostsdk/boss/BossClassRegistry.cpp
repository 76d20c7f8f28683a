#include "hostsdk/boss/BossClassRegistry.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/boss/InterfaceFactoryRegistry.h"
#include "hostsdk/boss/PlugIn.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostInterfaceNames.h"

namespace {

struct ClassTable {
    std::mutex mutex;
    std::vector<std::pair<PluginID, BossClassEntry>> entries;
};

ClassTable& State() {
    static ClassTable fTable;
    return fTable;
}

std::vector<BossClassEntry> MembersOf(ClassID bossClass) {
    std::lock_guard<std::mutex> lock(State().mutex);
    std::vector<BossClassEntry> members;
    for (const auto& entry : State().entries)
        if (entry.second.bossClass == bossClass)
            members.push_back(entry.second);
    return members;
}

std::string Check(const PlugIn& plugIn) {
    std::set<ClassID> known;
    for (const auto& entry : State().entries)
        known.insert(entry.second.bossClass);
    std::set<std::pair<ClassID, PMIID>> seen;
    for (const BossClassEntry& entry : plugIn.GetClasses()) {
        const std::string name = "class " + HostHex(entry.bossClass);
        if (known.count(entry.bossClass) != 0)
            return name + " is known already";
        if (!seen.insert({entry.bossClass, entry.iid}).second)
            return name + " lists interface " + HostInterfaceNames::Name(entry.iid) + " twice";
        if (InterfaceFactoryRegistry::Find(entry.implementation) == nullptr)
            return name + ": no factory for implementation " + HostHex(entry.implementation);
    }
    return {};
}

// Releases the boss unless Keep() was called: a boss half built by a throwing constructor goes.
class BossGuard {
public:
    explicit BossGuard(HostBoss* boss) : mBoss(boss) {}
    BossGuard(const BossGuard&) = delete;
    BossGuard& operator=(const BossGuard&) = delete;
    ~BossGuard() {
        if (mBoss != nullptr)
            mBoss->Release();
    }
    HostBoss* Keep() { return std::exchange(mBoss, nullptr); }

private:
    HostBoss* mBoss;
};

}  // namespace

bool BossClassRegistry::Add(const PlugIn& plugIn, std::string& error) {
    std::lock_guard<std::mutex> lock(State().mutex);
    error = Check(plugIn);
    if (!error.empty())
        return false;
    for (const BossClassEntry& entry : plugIn.GetClasses())
        State().entries.push_back({plugIn.GetPluginID(), entry});
    return true;
}

void BossClassRegistry::Remove(const PlugIn& plugIn) {
    std::lock_guard<std::mutex> lock(State().mutex);
    auto& entries = State().entries;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const auto& entry) { return entry.first == plugIn.GetPluginID(); }),
                  entries.end());
}

std::vector<ClassID> BossClassRegistry::ClassesWith(PMIID iid) {
    std::lock_guard<std::mutex> lock(State().mutex);
    std::vector<ClassID> classes;
    for (const auto& entry : State().entries) {
        const ClassID bossClass = entry.second.bossClass;
        if (entry.second.iid == iid && std::find(classes.begin(), classes.end(), bossClass) == classes.end())
            classes.push_back(bossClass);
    }
    return classes;
}

HostBoss* BossClassRegistry::CreateBoss(ClassID bossClass, std::string& error) {
    const std::vector<BossClassEntry> members = MembersOf(bossClass);
    if (members.empty()) {
        error = "class " + HostHex(bossClass) + " is unknown";
        return nullptr;
    }
    HostBoss* boss = HostBoss::Create(bossClass);
    BossGuard guard(boss);
    for (const BossClassEntry& member : members) {
        const InterfaceFactoryRecord* record = InterfaceFactoryRegistry::Find(member.implementation);
        const std::string id = HostHex(member.implementation);
        if (record == nullptr) {
            error = "no factory for implementation " + id;
            return nullptr;
        }
        if (HostCallLog::Enter("create", id + " for class " + HostHex(bossClass))) {
            error = "creating implementation " + id + " failed";
            return nullptr;
        }
        IPMUnknown* object = record->create(boss);
        if (object == nullptr) {
            error = "the factory of implementation " + id + " made nothing";
            return nullptr;
        }
        boss->AddInterface(member.iid, object, record->destroy);
    }
    return guard.Keep();
}
