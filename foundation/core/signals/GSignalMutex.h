#pragma once
// The recursive mutex of one signal, taken on every Send, so its uncontended path is inline:
// - a nested lock on the owning thread is a compare and an increment;
// - the first thread to take it owns its bias: while no other thread has asked for it, that
//   thread locks and unlocks it with plain stores, no atomic instruction. The first other thread
//   that locks it revokes the bias for good, once: a process-wide memory barrier (membarrier)
//   pairs with the owner's plain stores, and it waits for a lock the owner holds that way.
//   Without membarrier, or under ThreadSanitizer (which cannot see that pairing), there is no bias;
// - otherwise a first lock is one compare-and-swap and the last unlock one exchange, and in a
//   process that has only one thread (where no other thread can look) plain stores, as the C
//   library's own mutexes and the standard library's reference counts do;
// - a thread that finds it taken spins briefly, then sleeps on a futex until it is let go.
// Receivers run under it for as long as they take, so waiting never burns the processor.
#include <atomic>
#include <cstdint>

#if defined(__has_include)
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define GSIGNALMUTEX_KNOWS_SINGLE_THREADED 1
#endif
#endif

class GSignalMutex {
public:
    GSignalMutex() noexcept = default;
    GSignalMutex(const GSignalMutex&) = delete;
    GSignalMutex& operator=(const GSignalMutex&) = delete;

    void Lock() noexcept {
        const uintptr_t self = Self();
        // Only this thread can have stored its own id, so a relaxed read tells whether it holds
        // the mutex.
        if (mOwner.load(std::memory_order_relaxed) == self) {
            ++mDepth;
            return;
        }
        // Expected: most signals are only ever sent on one thread.
        if (__builtin_expect(mBias.load(std::memory_order_relaxed) == self, 1) && LockBiased(self))
            return;
        if (OnlyThread()) {
            mState.store(kLocked, std::memory_order_relaxed);
        } else {
            int expected = kFree;
            if (!mState.compare_exchange_strong(expected, kLocked, std::memory_order_acquire, std::memory_order_relaxed))
                LockContended();
        }
        if (mBias.load(std::memory_order_relaxed) != self)
            SettleBias(self);
        mOwner.store(self, std::memory_order_relaxed);
        mDepth = 1;
    }

    // Only by the thread that holds it.
    void Unlock() noexcept {
        // The depth stays 1 once free: the next first lock sets it again.
        if (mDepth > 1) {
            --mDepth;
            return;
        }
        mOwner.store(0, std::memory_order_relaxed);
        if (__builtin_expect(mHeldBiased, 1)) {
            UnlockBiased();
            return;
        }
        if (OnlyThread()) {
            mState.store(kFree, std::memory_order_relaxed);
            return;
        }
        if (mState.exchange(kFree, std::memory_order_release) == kWaited)
            WakeOne();
    }

    // How often the holder has locked it; only for the holder to ask.
    int GetDepth() const noexcept { return mDepth; }

    // Whether the calling thread holds it.
    bool IsHeldByMe() const noexcept { return mOwner.load(std::memory_order_relaxed) == Self(); }

    class Locker {
    public:
        explicit Locker(GSignalMutex& mutex) noexcept : mMutex(mutex) { mutex.Lock(); }
        ~Locker() { mMutex.Unlock(); }
        Locker(const Locker&) = delete;
        Locker& operator=(const Locker&) = delete;

    private:
        GSignalMutex& mMutex;
    };

private:
    enum : int { kFree = 0, kLocked = 1, kWaited = 2 };

    // A value that no two running threads share and no thread has as 0.
    static uintptr_t Self() noexcept {
#if defined(__has_builtin) && __has_builtin(__builtin_thread_pointer) && (defined(__x86_64__) || defined(__aarch64__))
        return reinterpret_cast<uintptr_t>(__builtin_thread_pointer());
#else
        return SelfSlow();
#endif
    }
    static uintptr_t SelfSlow() noexcept;

    static bool OnlyThread() noexcept {
#if defined(GSIGNALMUTEX_KNOWS_SINGLE_THREADED)
        return __libc_single_threaded != 0;
#else
        return false;
#endif
    }

    // Bias ids besides thread ids (which are neither 0 nor 1): none granted yet, revoked for good.
    static constexpr uintptr_t kNoBias = 0;
    static constexpr uintptr_t kRevoked = 1;

    // The bias owner's lock: announces the hold, then looks whether the bias still stands. The
    // revoker stores in the other order and puts a process-wide barrier between, so one of the
    // two sees the other's store.
    bool LockBiased(uintptr_t self) noexcept {
        mBiasedHold.store(1, std::memory_order_relaxed);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (__builtin_expect(mBias.load(std::memory_order_relaxed) != self, 0)) {
            // Revoked meanwhile: the revoker may hold the mutex already and waits for this.
            EndBiasedHold();
            return false;
        }
        mHeldBiased = true;
        mOwner.store(self, std::memory_order_relaxed);
        mDepth = 1;
        return true;
    }
    void UnlockBiased() noexcept {
        mHeldBiased = false;
        EndBiasedHold();
    }
    void EndBiasedHold() noexcept {
        mBiasedHold.store(0, std::memory_order_release);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (__builtin_expect(mRevoker.load(std::memory_order_relaxed) != 0, 0))
            WakeRevoker();
    }
    // Under mState: grants the bias to the first thread, revokes it when another thread holds it.
    void SettleBias(uintptr_t self) noexcept;
    void WakeRevoker() noexcept;
    void LockContended() noexcept;
    void WakeOne() noexcept;

    std::atomic<int> mState{kFree};
    std::atomic<uintptr_t> mOwner{0};
    // The thread that owns the bias, or kNoBias, or kRevoked; changed only under mState.
    std::atomic<uintptr_t> mBias{kNoBias};
    // 1 while the bias owner holds the mutex without mState (or is finding out whether it may).
    std::atomic<int> mBiasedHold{0};
    // Set by the thread that revokes the bias, for the owner to wake it when it lets go.
    std::atomic<int> mRevoker{0};
    // Guarded by the mutex.
    int32_t mDepth = 0;
    bool mHeldBiased = false;
};
