#include "core/signals/GSignalMutex.h"

#include <linux/futex.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

namespace {

// The futex word is the atomic's own int.
int* Word(std::atomic<int>& state) noexcept { return reinterpret_cast<int*>(&state); }

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

void GSignalMutex::WakeOne() noexcept { syscall(SYS_futex, Word(mState), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0); }
