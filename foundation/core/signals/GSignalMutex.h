#pragma once
// The recursive mutex of one signal, taken on every Send. A plain (non-recursive) POSIX mutex
// with the owner and depth kept beside it: a nested lock on the owning thread is a compare and an
// increment, and the first lock and the last unlock are the plain mutex's own fast paths, which
// are cheaper than those of a recursive POSIX mutex. Failures throw GSimpleException (40202
// lock, 40203 unlock), as GMutex does.
#include <pthread.h>

#include <atomic>
#include <cstdint>

class GSignalMutex {
public:
    GSignalMutex() noexcept = default;
    ~GSignalMutex() { pthread_mutex_destroy(&mMutex); }
    GSignalMutex(const GSignalMutex&) = delete;
    GSignalMutex& operator=(const GSignalMutex&) = delete;

    void Lock() {
        const pthread_t self = pthread_self();
        // Only this thread can have stored its own id, so a relaxed read tells whether it holds
        // the mutex.
        if (mOwner.load(std::memory_order_relaxed) == self) {
            ++mDepth;
            return;
        }
        if (__builtin_expect(pthread_mutex_lock(&mMutex) != 0, 0))
            ThrowLockFailure();
        mOwner.store(self, std::memory_order_relaxed);
        mDepth = 1;
    }

    // Only by the thread that holds it.
    void Unlock() {
        if (--mDepth > 0)
            return;
        mOwner.store(pthread_t(), std::memory_order_relaxed);
        if (__builtin_expect(pthread_mutex_unlock(&mMutex) != 0, 0))
            ThrowUnlockFailure();
    }

    // Whether the calling thread holds it.
    bool IsHeldByMe() const noexcept { return mOwner.load(std::memory_order_relaxed) == pthread_self(); }

    class Locker {
    public:
        explicit Locker(GSignalMutex& mutex) : mMutex(mutex) { mutex.Lock(); }
        ~Locker() {
            try {
                mMutex.Unlock();
            } catch (...) {
                // A destructor must not throw; the mutex is beyond repair anyway.
            }
        }
        Locker(const Locker&) = delete;
        Locker& operator=(const Locker&) = delete;

    private:
        GSignalMutex& mMutex;
    };

private:
    [[noreturn]] static void ThrowLockFailure();
    [[noreturn]] static void ThrowUnlockFailure();

    pthread_mutex_t mMutex = PTHREAD_MUTEX_INITIALIZER;
    // A null pthread_t never names a running thread in glibc (it is the thread's descriptor).
    std::atomic<pthread_t> mOwner{pthread_t()};
    // Guarded by the mutex.
    int32_t mDepth = 0;
};
