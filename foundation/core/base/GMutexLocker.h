#pragma once
// Locks a mutex for the lifetime of the locker.
#include "core/base/GMutexBase.h"

class GMutexLocker {
public:
    explicit GMutexLocker(GMutex* mutex) : mMutex(mutex) { mMutex->Lock(); }
    explicit GMutexLocker(GMutex& mutex) : GMutexLocker(&mutex) {}
    ~GMutexLocker() {
        try {
            mMutex->Unlock();
        } catch (...) {
            // A destructor must not throw; the mutex is already in an undefined state.
        }
    }
    GMutexLocker(const GMutexLocker&) = delete;
    GMutexLocker& operator=(const GMutexLocker&) = delete;

private:
    GMutex* mMutex;
};
