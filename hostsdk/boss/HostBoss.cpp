#include "hostsdk/boss/HostBoss.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostInterfaceNames.h"

namespace {

std::atomic<std::int64_t> sOutstanding{0};
std::atomic<std::int64_t> sLive{0};

}  // namespace

HostBoss* HostBoss::Create(ClassID bossClass) { return new HostBoss(bossClass); }

HostBoss::HostBoss(ClassID bossClass) : mClass(bossClass) {
    ++sOutstanding;
    ++sLive;
}

HostBoss::~HostBoss() { --sLive; }

void HostBoss::AddInterface(PMIID iid, IPMUnknown* member, Destroy destroy) {
    mMembers.push_back({iid, member, destroy});
}

IPMUnknown* HostBoss::QueryInterface(PMIID iid) const {
    for (const Member& member : mMembers) {
        if (member.iid != iid)
            continue;
        if (HostCallLog::Enter(HostInterfaceNames::Name(iid), "queried"))
            return nullptr;
        AddRef();
        return member.object;
    }
    HostCallLog::Record(HostInterfaceNames::Name(iid), "queried, none on " + HostHex(mClass));
    return nullptr;
}

void HostBoss::AddRef() const {
    ++mCount;
    ++sOutstanding;
}

void HostBoss::Release() const {
    const std::int32_t left = --mCount;
    --sOutstanding;
    // References taken and given back while the boss is destroyed must not end it twice.
    if (mDying)
        return;
    if (left > 0)
        return;
    mDying = true;
    HostBoss* self = const_cast<HostBoss*>(this);
    while (!self->mMembers.empty()) {
        const Member member = self->mMembers.back();
        self->mMembers.pop_back();
        member.destroy(member.object);
    }
    if (mCount.load() != 0)
        HostCallLog::Violation("boss " + HostHex(mClass) +
                               " referenced or released by its own interfaces while it was destroyed");
    delete self;
}

std::int64_t HostBoss::OutstandingReferences() { return sOutstanding.load(); }

std::int64_t HostBoss::LiveBosses() { return sLive.load(); }
