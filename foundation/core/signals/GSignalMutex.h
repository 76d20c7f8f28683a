#pragma once
// The recursive mutex of one signal, taken on every Send, so its uncontended path is inline:
// - a nested lock on the owning thread is a compare and an increment;
// - the first thread to take it owns its bias: while no other thread has asked for it, that
//   thread locks it with one plain store and a read, and unlocks it with one plain store, no
//   atomic instruction. The first other thread that locks it revokes the bias for good, once: a
//   process-wide memory barrier (membarrier) pairs with the owner's plain stores, and it waits
//   for a lock the owner holds that way, polling, since the owner's unlock looks at nothing.
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

    // How a lock was taken, which tells its unlock what to undo.
    enum class Hold : uint8_t { kNested, kBiased, kState };

    Hold Acquire() noexcept {
        const uintptr_t self = Self();
        // Only this thread can have stored its own id, so a relaxed read tells whether it holds
        // the mutex.
        if (mOwner.load(std::memory_order_relaxed) == self) {
            ++mDepth;
            return Hold::kNested;
        }
        // Expected: most signals are only ever sent on one thread.
        if (__builtin_expect(mBias.load(std::memory_order_relaxed) == self, 1) && LockBiased(self))
            return Hold::kBiased;
        return LockState(self) ? Hold::kBiased : Hold::kState;
    }

    // Only by the thread that holds it, for the innermost hold it took.
    void Release(Hold hold) noexcept {
        if (__builtin_expect(hold == Hold::kBiased, 1)) {
            // The revoker, if any, polls for this.
            mOwner.store(0, std::memory_order_release);
        } else if (hold == Hold::kNested) {
            --mDepth;
        } else {
            mOwner.store(0, std::memory_order_relaxed);
            ReleaseState();
        }
    }

    void Lock() noexcept { Acquire(); }

    // Only by the thread that holds it.
    void Unlock() noexcept {
        // The depth stays 1 once free, so a first lock needs no store for it.
        if (__builtin_expect(mDepth > 1, 0)) {
            --mDepth;
            return;
        }
        // The bias never changes under a hold of its owner, and is never another thread's while
        // that thread holds the mutex through mState: it tells which way the hold was taken.
        Release(mBias.load(std::memory_order_relaxed) == Self() ? Hold::kBiased : Hold::kState);
    }

    // How often the holder has locked it; only for the holder to ask.
    int GetDepth() const noexcept { return mDepth; }

    // Whether the calling thread holds it.
    bool IsHeldByMe() const noexcept { return mOwner.load(std::memory_order_relaxed) == Self(); }

    class Locker {
    public:
        explicit Locker(GSignalMutex& mutex) noexcept : mMutex(mutex), mHold(mutex.Acquire()) {}
        ~Locker() { mMutex.Release(mHold); }
        Locker(const Locker&) = delete;
        Locker& operator=(const Locker&) = delete;

    private:
        GSignalMutex& mMutex;
        const Hold mHold;
    };

private:
    enum : int { kFree = 0, kLocked = 1, kWaited = 2 };
    enum : int { kRevoking = 1, kRevokerWoken = 2 };

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

    // The bias owner's lock: announces the hold in mOwner, then looks whether a revocation has
    // begun. The revoker stores in the other order and puts a process-wide barrier between, so
    // one of the two sees the other's store.
    bool LockBiased(uintptr_t self) noexcept {
        mOwner.store(self, std::memory_order_relaxed);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (__builtin_expect(mRevoker.load(std::memory_order_relaxed) != 0, 0)) {
            // The revoker may hold mState already and waits for this; it ends the bias.
            mOwner.store(0, std::memory_order_release);
            WakeRevoker();
            return false;
        }
        return true;
    }
    // Takes mState; the first thread to do so is granted the bias and holds the mutex through it
    // (returns true).
    bool LockState(uintptr_t self) noexcept {
        if (OnlyThread()) {
            mState.store(kLocked, std::memory_order_relaxed);
        } else {
            int expected = kFree;
            if (!mState.compare_exchange_strong(expected, kLocked, std::memory_order_acquire, std::memory_order_relaxed))
                LockContended();
        }
        if (mBias.load(std::memory_order_relaxed) != kRevoked && SettleBias(self))
            return true;
        mOwner.store(self, std::memory_order_relaxed);
        return false;
    }
    void ReleaseState() noexcept {
        if (OnlyThread()) {
            mState.store(kFree, std::memory_order_relaxed);
            return;
        }
        if (mState.exchange(kFree, std::memory_order_release) == kWaited)
            WakeOne();
    }
    // Under mState: grants the bias to the first thread, which then lets mState go and holds the
    // mutex biased (returns true); revokes it when another thread owns it, waiting until that
    // thread holds it no more.
    bool SettleBias(uintptr_t self) noexcept;
    void WakeRevoker() noexcept;
    void LockContended() noexcept;
    void WakeOne() noexcept;

    std::atomic<int> mState{kFree};
    // The holder, 0 when free; for the bias owner also the announcement of a biased hold (or of
    // the look whether it may take one).
    std::atomic<uintptr_t> mOwner{0};
    // The thread that owns the bias, or kNoBias, or kRevoked; changed only under mState, and
    // away from an owner only once no biased hold of it runs.
    std::atomic<uintptr_t> mBias{kNoBias};
    // 0, then kRevoking from the first other thread's lock on (for good), kRevokerWoken once the
    // owner backed off from a lock and woke it; the revoker sleeps on it.
    std::atomic<int> mRevoker{0};
    // Guarded by the mutex; 1 while free.
    int32_t mDepth = 1;
};
