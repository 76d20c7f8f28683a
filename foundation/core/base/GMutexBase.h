#pragma once
// The portable mutex over a platform implementation. Every foundation mutex is recursive.
#include "core/base/PUNIXMutexImp.h"

template <class Imp>
class GMutexBase {
public:
    GMutexBase() = default;
    GMutexBase(const GMutexBase&) = delete;
    GMutexBase& operator=(const GMutexBase&) = delete;

    void Lock() { mImp.Lock(); }
    void Unlock() { mImp.Unlock(); }
    bool TryToLock() { return mImp.TryToLock(); }

private:
    Imp mImp;
};

using GMutex = GMutexBase<PUNIXMutexImp>;
