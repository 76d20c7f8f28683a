#pragma once
// A recursive POSIX mutex. A thread may lock it again while holding it and must unlock it as
// often as it locked it. Failures throw GSimpleException (40204 create, 40202 lock, 40203 unlock).
#include <pthread.h>

class PUNIXMutexImp {
public:
    PUNIXMutexImp();
    ~PUNIXMutexImp();
    PUNIXMutexImp(const PUNIXMutexImp&) = delete;
    PUNIXMutexImp& operator=(const PUNIXMutexImp&) = delete;

    void Lock();
    void Unlock();
    // True when the lock was taken, false when another thread holds it.
    bool TryToLock();

private:
    pthread_mutex_t mMutex;
};
