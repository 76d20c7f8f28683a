#include "core/signals/GSignalMutex.h"

#include <linux/futex.h>
#include <linux/membarrier.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <ctime>

namespace {

// The futex word is the atomic's own int.
int* Word(std::atomic<int>& state) noexcept { return reinterpret_cast<int*>(&state); }

#if defined(__SANITIZE_THREAD__)
#define GSIGNALMUTEX_NO_BIAS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define GSIGNALMUTEX_NO_BIAS 1
#endif
#endif

// Whether this process may hand out biases: the expedited process-wide barrier is registered.
bool CanBias() noexcept {
#if defined(GSIGNALMUTEX_NO_BIAS)
    return false;
#else
    static const bool registered =
        syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
    return registered;
#endif
}

// Every other running thread of the process passes a full memory barrier before this returns.
// Registered before any bias was granted; registering again covers a child process whose
// registration was not kept.
void BarrierOnAllThreads() noexcept {
    if (syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0)
        return;
    syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0);
    syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
}

} // namespace

uintptr_t GSignalMutex::SelfSlow() noexcept { return reinterpret_cast<uintptr_t>(reinterpret_cast<void*>(pthread_self())); }

void GSignalMutex::LockContended() noexcept {
    // A short spin first: most holders let go within a receiver call or two.
    for (int i = 0; i < 64; ++i) {
        int expected = kFree;
        if (mState.load(std::memory_order_relaxed) == kFree &&
            mState.compare_exchange_weak(expected, kLocked, std::memory_order_acquire, std::memory_order_relaxed))
            return;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    // Marked as waited for, so that the holder's unlock wakes a sleeper.
    while (mState.exchange(kWaited, std::memory_order_acquire) != kFree)
        syscall(SYS_futex, Word(mState), FUTEX_WAIT_PRIVATE, kWaited, nullptr, nullptr, 0);
}

bool GSignalMutex::SettleBias(uintptr_t self) noexcept {
    const uintptr_t bias = mBias.load(std::memory_order_relaxed);
    if (bias == kNoBias || bias == self) {
        if (!CanBias()) {
            mBias.store(kRevoked, std::memory_order_relaxed);
            return false;
        }
        // mOwner announces the biased hold before mState goes, so a later revoker waits for it.
        mBias.store(self, std::memory_order_relaxed);
        mOwner.store(self, std::memory_order_relaxed);
        ReleaseState();
        return true;
    }
    // Another thread owns the bias and may hold the mutex through it: announce the revocation,
    // then wait until that hold ends. The owner looks at mRevoker after each announcement, so
    // none begins after the barrier; one that backs off wakes us, the end of a hold is polled:
    // a short spin, then sleeps that grow to 1 ms (receivers may run for long).
    mRevoker.store(kRevoking, std::memory_order_relaxed);
    BarrierOnAllThreads();
    long sleepNs = 20000;
    for (int spin = 0; mOwner.load(std::memory_order_acquire) == bias; ++spin) {
        if (spin < 128) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
            continue;
        }
        const timespec pause{0, sleepNs};
        syscall(SYS_futex, Word(mRevoker), FUTEX_WAIT_PRIVATE, kRevoking, &pause, nullptr, 0);
        sleepNs = std::min(2 * sleepNs, 1000000l);
    }
    mBias.store(kRevoked, std::memory_order_relaxed);
    return false;
}

void GSignalMutex::WakeRevoker() noexcept {
    int revoking = kRevoking;
    if (mRevoker.compare_exchange_strong(revoking, kRevokerWoken, std::memory_order_release, std::memory_order_relaxed))
        syscall(SYS_futex, Word(mRevoker), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

void GSignalMutex::WakeOne() noexcept { syscall(SYS_futex, Word(mState), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0); }
