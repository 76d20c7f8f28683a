#pragma once
// A recursive POSIX mutex. A thread may lock it again while holding it and must unlock it as
// often as it locked it. Failures throw GSimpleException (40204 create, 40202 lock, 40203 unlock).
#include <pthread.h>

#include <cerrno>

class PUNIXMutexImp {
public:
    PUNIXMutexImp();
    ~PUNIXMutexImp();
    PUNIXMutexImp(const PUNIXMutexImp&) = delete;
    PUNIXMutexImp& operator=(const PUNIXMutexImp&) = delete;

    // Inline: the allocator takes this lock on every block.
    void Lock() {
        if (__builtin_expect(pthread_mutex_lock(&mMutex) != 0, 0))
            ThrowLockFailure();
    }
    void Unlock() {
        if (__builtin_expect(pthread_mutex_unlock(&mMutex) != 0, 0))
            ThrowUnlockFailure();
    }
    // True when the lock was taken, false when another thread holds it.
    bool TryToLock() {
        int rc = pthread_mutex_trylock(&mMutex);
        if (rc == 0)
            return true;
        if (rc != EBUSY)
            ThrowLockFailure();
        return false;
    }

private:
    [[noreturn]] static void ThrowLockFailure();
    [[noreturn]] static void ThrowUnlockFailure();

    pthread_mutex_t mMutex;
};
