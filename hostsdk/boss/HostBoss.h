#pragma once
// A boss object: the interfaces of one object of a boss class, with one reference count for all
// of them. It is made with one reference, for its maker; the release of the last reference
// destroys its interfaces, last added first, and then the boss. The process keeps a count of all
// outstanding references and of the bosses alive, which must both be 0 once everything went.
// QueryInterface is logged and can be made to fail by the interface's name (HostFaults).
#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "hostsdk/base/IPMUnknown.h"

class HostBoss final : public IPMUnknown {
public:
    using Destroy = void (*)(IPMUnknown*);

    static HostBoss* Create(ClassID bossClass);

    ClassID GetClass() const { return mClass; }
    // Adds an interface while the boss is being built; `destroy` ends it with the boss.
    void AddInterface(PMIID iid, IPMUnknown* member, Destroy destroy);
    // Adds a host implementation T(boss, arguments...) under T's interface ID.
    template <class T, class... A>
    T* Add(A&&... arguments) {
        T* member = new T(this, std::forward<A>(arguments)...);
        AddInterface(T::kDefaultIID, member, [](IPMUnknown* object) { delete static_cast<T*>(object); });
        return member;
    }

    IPMUnknown* QueryInterface(PMIID iid) const override;
    void AddRef() const override;
    void Release() const override;
    std::int32_t ReferenceCount() const { return mCount.load(); }

    static std::int64_t OutstandingReferences();
    static std::int64_t LiveBosses();

private:
    struct Member {
        PMIID iid;
        IPMUnknown* object;
        Destroy destroy;
    };

    explicit HostBoss(ClassID bossClass);
    ~HostBoss() override;

    ClassID mClass;
    mutable std::atomic<std::int32_t> mCount{1};
    mutable bool mDying = false;
    std::vector<Member> mMembers;
};
