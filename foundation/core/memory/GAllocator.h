#pragma once
// The process-wide block allocator of the foundation (made on first use, never destroyed by the
// foundation). Every container, buffer and GFastAllocatable object takes its storage here.
//
// - Alloc(size) returns at least size bytes: up to 128 bytes from pools of 8, 16, ... 128-byte
//   blocks cut from 1 MB chunks (a request of 0 bytes gets a 1-byte block), 129 to 2048 bytes
//   from free lists of freed blocks of the same size rounded up to 8, larger straight from the heap.
// - Free(block, size) must be given the size that was passed to Alloc; null is ignored. A pooled
//   block that no chunk of its pool holds is refused with GSimpleException(40017) and nothing
//   changes (a caller in a noexcept context, such as operator delete, then terminates).
// - Every table is guarded by one recursive mutex, a leaf: no heap request runs under it, so the
//   out-of-memory handler never holds it.
// - Each thread keeps a small cache of free blocks per pool size (up to 64 each) in front of the
//   pools, and one per free-list size (up to 16 KB of blocks, 8 to 64 of them) in front of the
//   free lists, so that most requests up to 2048 bytes take no lock: a free pushes on the freeing thread's cache
//   (whichever thread allocated the block), an allocation pops from it, and full or empty caches
//   trade half a cache with the pools under the mutex. Cached blocks count as in use for the
//   pools. They go back to the pools when the thread ends, and on ReleaseFreeLists (so idle time
//   and the out-of-memory handler): the caller's cache at once, other threads' caches at their
//   next free, since no thread may touch another's cache.
// - A free is checked before it enters a cache: a block that no chunk of the pool of its size
//   holds is refused at once; a block freed twice is refused when it is still in the freeing
//   thread's cache or in a pool (blocks of 16 bytes and more carry a mark while free, whose
//   presence sends the free to that search). A block freed twice while it sits in another
//   thread's cache is not seen.
// - The allocator installs NewHandler as the process's out-of-memory handler when it is made and
//   keeps a 10 MB reserve for it. Finalize() puts the previous handler back and frees the reserve
//   (the core layer calls it at shut-down, before the code may be unloaded); Initialize() arms
//   them again.
// - Low memory: NewHandler calls the notifier set with SetLowMemoryNotifier (none by default);
//   the signals layer sets one that sends signal 102, whose receivers free what they can and call
//   SetMoreMemoryFree(true). It is called without the allocator's mutex held.
// - While a FailFastScope lives on a thread, NewHandler throws GMemoryException at once for that
//   thread only: no reserve, no notifier, no previous handler. Code that must not start low-memory
//   handling (exceptions capturing their context) uses it instead of swapping the process-wide
//   handler, which other threads rely on meanwhile.
// - Built with GALLOCATOR_USE_HEAP, Alloc and Free go straight to the heap so that a memory
//   checker sees every block; the pools and free lists then stay empty.
#include <atomic>
#include <cstdint>
#include <new>

#include "core/base/GMutexBase.h"
#include "core/base/GMutexLocker.h"
#include "core/memory/GChunkMap.h"
#include "core/memory/GFixedSizeAllocator.h"

class GAllocator {
public:
    using LowMemoryNotifier = void (*)();

    static GAllocator* GetInstance() {
        GAllocator* instance = sInstance.load(std::memory_order_acquire);
        if (__builtin_expect(instance != nullptr, 1))
            return instance;
        return CreateInstance();
    }

    void* Alloc(unsigned long size);
    void Free(void* block, unsigned long size);

    // Gives free-list blocks back to the heap, largest sizes first: at most n of them when n > 0,
    // all of them otherwise; when the lists ran dry first, also every pool chunk whose blocks are
    // all free. Returns the bytes released.
    unsigned long ReleaseFreeLists(int n);
    void DoIdleTime() { ReleaseFreeLists(1000); }

    void SetMoreMemoryFree(bool moreMemoryFree) { mMoreMemoryFree.store(moreMemoryFree, std::memory_order_release); }
    bool GetMoreMemoryFree() const { return mMoreMemoryFree.load(std::memory_order_acquire); }

    // The out-of-memory handler: frees the reserve, notifies, releases the free lists, calls the
    // previous handler; throws GMemoryException when nothing could be freed or when it is already
    // running (on any thread).
    static void NewHandler();
    class FailFastScope {
    public:
        FailFastScope() noexcept;
        ~FailFastScope();
        FailFastScope(const FailFastScope&) = delete;
        FailFastScope& operator=(const FailFastScope&) = delete;
    };
    static bool IsFailingFast() noexcept;
    static void Initialize();
    static void Finalize();
    // Returns the notifier that was set before.
    static LowMemoryNotifier SetLowMemoryNotifier(LowMemoryNotifier notifier);

    // Inspection for tests; each takes the mutex. Blocks waiting on the free list that serves
    // size (129 to 2048), the calling thread's cache of that size included, chunks of the pool that serves size (0 to 128), the free counter (with
    // the frees the calling thread's cache has not added to it yet).
    unsigned long CountFreeListBlocks(unsigned long size) const;
    unsigned long CountPoolChunks(unsigned long size) const;
    int GetFreeCounter() const;

private:
    static constexpr unsigned long kMaxPoolSize = 128;
    static constexpr unsigned long kMaxListSize = 2048;
    static constexpr int kPoolCount = 16;
    static constexpr int kFreesPerRelease = 10000000;
    static constexpr unsigned long kReserveSize = 10485760;
    static constexpr std::uint32_t kCacheCapacity = 64;
    // Free-list sizes 136, 144, ... 2048, by (size - 1) / 8 - kPoolCount.
    static constexpr int kListCount = static_cast<int>(kMaxListSize / 8) - kPoolCount;
    static constexpr std::uint32_t kListCacheBytes = 16384;
    // Folded into the shared free counter at least this often.
    static constexpr std::uint32_t kMaxPendingFrees = 65536;
    // A free block's second word holds its address xor this.
    static constexpr std::uintptr_t kFreeMark = 0x5bd1e9955bd1e995ull;

    class RecursionBudget;
    class CacheOwner;
    struct ListCapacities;
    static const ListCapacities kListCapacities;

    // One thread's free blocks, by pool (block size 8 * (pool + 1)), each chained through its
    // first word. Constant-initialised so that the fast paths reach it without a guard.
    struct ThreadCache {
        void* mHeads[kPoolCount];
        std::uint32_t mCounts[kPoolCount];
        // 0 until the cache is set up and again once its thread has ended: every free then goes
        // the slow way, which sets it up or bypasses it.
        std::uint32_t mCapacity;
        // Frees not added to the shared free counter yet, and the count that makes them added.
        std::uint32_t mPendingFrees;
        std::uint32_t mPendingLimit;
        std::uint32_t mEpoch;
        std::uint8_t mState;
        // The chunk each pool hands this thread's refills first; used under the mutex only.
        GFixedSizeAllocator::Chunk* mClaims[kPoolCount];
        // Free-list blocks, by list, chained through their first word like the lists themselves.
        void* mListHeads[kListCount];
        std::uint16_t mListCounts[kListCount];
    };
    enum CacheState : std::uint8_t { kCacheUnset, kCacheActive, kCacheRetired };

    GAllocator();
    ~GAllocator();
    GAllocator(const GAllocator&) = delete;
    GAllocator& operator=(const GAllocator&) = delete;

    static GAllocator* CreateInstance();
    static unsigned long RoundUp(unsigned long size) { return (size + 7) & ~7ul; }
    static constexpr unsigned long ListSize(unsigned long list) { return (list + kPoolCount + 1) * 8; }
    static void Reserve();
    static void GiveBackReserve();
    static bool CallOldNewHandler();

    // Under the mutex; false, with nothing changed, for a pooled block that no chunk takes back.
    bool FreeLocked(void* block, unsigned long size);
    // Under the mutex, for one free that the calling thread's pending count does not hold.
    void CountFreeLocked();
    void SetPendingLimit(ThreadCache& cache) const;
    bool HoldsPooled(const void* block, unsigned long pool) const {
        const std::uintptr_t entry = mChunkMap.Find(block);
        const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(block) & (GFixedSizeAllocator::kChunkSize - 1);
        return (entry & GChunkMap::kTagMask) == pool + 1 && offset < kUsableChunkBytes[pool];
    }
    void* AllocSlow(unsigned long pool);
    void FreeSlow(void* block, unsigned long pool);
    // Counts a free that went into the cache; folds the count in or flushes the cache when due.
    void NoteCachedFree(ThreadCache& cache);
    void FreeNoted(ThreadCache& cache);
    void FreeUnpooled(void* block, unsigned long size);
    // Frees under the mutex; throws for a pooled block that no chunk takes back.
    void FreeLockedOrThrow(void* block, unsigned long size);
    bool IsFreeAlready(void* block, unsigned long pool);
    bool SetUpCache(ThreadCache& cache);
    void RetireCache();
    // Under the mutex: gives the cache's blocks of pool beyond keep back to the pool.
    void FlushCache(ThreadCache& cache, unsigned long pool, std::uint32_t keep);
    void FlushCache(ThreadCache& cache);
    // Under the mutex: gives the cache's blocks of list beyond keep back to the free list.
    void FlushListCache(ThreadCache& cache, unsigned long list, std::uint32_t keep);
    // Under the mutex: moves up to half a cache from the free list of list into the cache and
    // returns one of them, or null when the list is empty.
    void* RefillListCache(ThreadCache& cache, unsigned long list);
    // Hands the colder half of a full list cache to the shared batches: split without the mutex,
    // pushed under it in one step.
    void FlushListBatch(ThreadCache& cache, unsigned long list);
    void DissolveListBatches();
    void* AllocFromHeap(unsigned long size);
    void* AllocListSlow(unsigned long list);
    void FreeListSlow(void* block, unsigned long list);
    void InstallNewHandler();
    void RemoveNewHandler();

    mutable GMutex mMutex;
    GChunkMap mChunkMap;
    // Indexed by block size in bytes; entry 0 shares the 8-byte pool so that size 0 needs no branch.
    GFixedSizeAllocator* mPools[kMaxPoolSize + 1] = {};
    std::unique_ptr<GFixedSizeAllocator> mPoolOwners[kPoolCount];
    // Indexed by block size in bytes; a free block's first 8 bytes hold the next one.
    void* mFreeLists[kMaxListSize + 1] = {};
    // Per free list, the halves that full thread caches handed over, each a chain a thread takes
    // whole: its first block's third word links the next batch and its fourth holds its length.
    void* mListBatches[kListCount] = {};
    // Set by the low-memory receivers and read by NewHandler, on any thread and without the mutex.
    std::atomic<bool> mMoreMemoryFree{false};
    int mFreeCounter = 0;
    bool mHandlerInstalled = false;
    // Raised by ReleaseFreeLists; a thread whose cache saw another value flushes it. Read by every
    // cached free, so kept off the lines that the mutex's holders write.
    alignas(64) std::atomic<std::uint32_t> mFlushEpoch{0};

    // Bytes of a chunk that hold whole blocks, by pool.
    static constexpr unsigned long kUsableChunkBytes[kPoolCount] = {
        GFixedSizeAllocator::UsableBytes(8),   GFixedSizeAllocator::UsableBytes(16),
        GFixedSizeAllocator::UsableBytes(24),  GFixedSizeAllocator::UsableBytes(32),
        GFixedSizeAllocator::UsableBytes(40),  GFixedSizeAllocator::UsableBytes(48),
        GFixedSizeAllocator::UsableBytes(56),  GFixedSizeAllocator::UsableBytes(64),
        GFixedSizeAllocator::UsableBytes(72),  GFixedSizeAllocator::UsableBytes(80),
        GFixedSizeAllocator::UsableBytes(88),  GFixedSizeAllocator::UsableBytes(96),
        GFixedSizeAllocator::UsableBytes(104), GFixedSizeAllocator::UsableBytes(112),
        GFixedSizeAllocator::UsableBytes(120), GFixedSizeAllocator::UsableBytes(128),
    };

    static std::atomic<GAllocator*> sInstance;
    static std::atomic<void*> sReservedBuffer;
    static std::atomic<std::new_handler> sOldNewHandler;
    static std::atomic<LowMemoryNotifier> sLowMemoryNotifier;
    static std::atomic<int> fMaxRecursionDepth;
    static thread_local int sFailFastDepth;
    static inline thread_local ThreadCache sCache{};
};

inline void* GAllocator::Alloc(unsigned long size) {
#ifdef GALLOCATOR_USE_HEAP
    return ::operator new(size != 0 ? size : 1);
#else
    // One test for both 0 and above the pools.
    if (__builtin_expect(size - 1 >= kMaxPoolSize, 0)) {
        if (size != 0)
            return AllocFromHeap(size);
        size = 1;
    }
    const unsigned long pool = (size - 1) >> 3;
    ThreadCache& cache = sCache;
    void* block = cache.mHeads[pool];
    if (__builtin_expect(block == nullptr, 0))
        return AllocSlow(pool);
    cache.mHeads[pool] = *static_cast<void**>(block);
    --cache.mCounts[pool];
    // Clears the free mark (an 8-byte block has none: its link, no longer needed, is cleared).
    static_cast<std::uintptr_t*>(block)[pool != 0] = 0;
    return block;
#endif
}

inline void GAllocator::NoteCachedFree(ThreadCache& cache) {
    if (__builtin_expect(++cache.mPendingFrees >= cache.mPendingLimit ||
                             cache.mEpoch != mFlushEpoch.load(std::memory_order_relaxed),
                         0))
        FreeNoted(cache);
}

inline void GAllocator::Free(void* block, unsigned long size) {
#ifdef GALLOCATOR_USE_HEAP
    (void)size;
    ::operator delete(block);
#else
    if (block == nullptr)
        return;
    if (__builtin_expect(size - 1 >= kMaxPoolSize, 0)) {
        if (size != 0)
            return FreeUnpooled(block, size);
        size = 1;
    }
    const unsigned long pool = (size - 1) >> 3;
    ThreadCache& cache = sCache;
    auto* words = static_cast<std::uintptr_t*>(block);
    const std::uintptr_t mark = reinterpret_cast<std::uintptr_t>(block) ^ kFreeMark;
    if (__builtin_expect(!HoldsPooled(block, pool) || block == cache.mHeads[pool] ||
                             (pool != 0 && words[1] == mark) || cache.mCounts[pool] >= cache.mCapacity,
                         0))
        return FreeSlow(block, pool);
    // The mark first: for an 8-byte block the link then takes its place.
    words[pool != 0] = mark;
    words[0] = reinterpret_cast<std::uintptr_t>(cache.mHeads[pool]);
    cache.mHeads[pool] = block;
    ++cache.mCounts[pool];
    NoteCachedFree(cache);
#endif
}

