#pragma once
// A named inter-process mutex whose POSIX name is "/" + the prefix text of a GIPPrefix ID + ID.
// locked tells whether this process holds it through a GSharedMemoryLocker, so that destruction
// never leaves it held.
#include <chrono>

#include "core/base/GException.h"
#include "core/base/GNonCopyable.h"
#include "core/bytes/GBuffer.h"
#include "printerprocessor/sharedmemory/GIPLockBudget.h"
#include "printerprocessor/sharedmemory/GIPPrefix.h"

template <class Imp>
class GIPMutexBase : private GNonCopyable, private Imp {
public:
    GIPMutexBase(GIPPrefix::ID prefix, GBuffer const& id) : Imp(GBuffer(GIPPrefix::GetPrefix(prefix)) + id) {}
    ~GIPMutexBase() override {
        if (locked)
            Imp::Unlock();
    }

    // Bounded by the lock bound, or by what is left of the thread's lock budget: throws 40202
    // when a living owner keeps it longer. A free lock, or a dead owner's, is had at once.
    void Lock() {
        int* word = Imp::GetLockWord();
        if (Imp::TakeIfFree(word))
            return;
        const auto start = std::chrono::steady_clock::now();
        const bool had = Imp::LockWithin(word, GIPLockBudget::NextWaitMs());
        GIPLockBudget::Spend(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
        if (!had)
            throw GSimpleException(40202);
    }
    void Unlock() { Imp::Unlock(); }
    bool TryToLock(int seconds) { return Imp::TryToLock(seconds); }
    // Removes the name while this object holds the mutex: the next opener makes a fresh one.
    void RemoveName() { Imp::RemoveName(); }
    Imp& GetImp() { return *this; }

    bool locked = false;
};
