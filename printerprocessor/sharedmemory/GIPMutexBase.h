#pragma once
// A named inter-process mutex whose POSIX name is "/" + the prefix text of a GIPPrefix ID + ID.
// locked tells whether this process holds it through a GSharedMemoryLocker, so that destruction
// never leaves it held.
#include "core/base/GNonCopyable.h"
#include "core/bytes/GBuffer.h"
#include "printerprocessor/sharedmemory/GIPPrefix.h"

template <class Imp>
class GIPMutexBase : private GNonCopyable, private Imp {
public:
    GIPMutexBase(GIPPrefix::ID prefix, GBuffer const& id) : Imp(GBuffer(GIPPrefix::GetPrefix(prefix)) + id) {}
    ~GIPMutexBase() override {
        if (locked)
            Imp::Unlock();
    }

    // Bounded: throws 40202 when a living owner keeps it too long.
    void Lock() { Imp::Lock(); }
    void Unlock() { Imp::Unlock(); }
    bool TryToLock(int seconds) { return Imp::TryToLock(seconds); }
    Imp& GetImp() { return *this; }

    bool locked = false;
};
