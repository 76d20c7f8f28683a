#pragma once
// The base of one interface's implementation inside a boss object: QueryInterface, AddRef and
// Release go to the boss, so the boss's interfaces share one count. Objects are allocated with
// the host's allocator.
#include <cstddef>

#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/boss/HostMemory.h"

template <class I>
class CPMUnknown : public I {
public:
    explicit CPMUnknown(IPMUnknown* boss) : fBoss(boss) {}
    CPMUnknown(const CPMUnknown&) = delete;
    CPMUnknown& operator=(const CPMUnknown&) = delete;
    ~CPMUnknown() override = default;

    IPMUnknown* QueryInterface(PMIID iid) const override { return fBoss->QueryInterface(iid); }
    void AddRef() const override { fBoss->AddRef(); }
    void Release() const override { fBoss->Release(); }

    static void* operator new(std::size_t size) { return HostMemory::Allocate(size); }
    static void operator delete(void* block) { HostMemory::Free(block); }

protected:
    IPMUnknown* fBoss;
};
