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
#include <new>

#include "core/base/GMutexBase.h"
#include "core/base/GMutexLocker.h"
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
    // size (129 to 2048), chunks of the pool that serves size (0 to 128), the free counter.
    unsigned long CountFreeListBlocks(unsigned long size) const;
    unsigned long CountPoolChunks(unsigned long size) const;
    int GetFreeCounter() const;

private:
    static constexpr unsigned long kMaxPoolSize = 128;
    static constexpr unsigned long kMaxListSize = 2048;
    static constexpr int kPoolCount = 16;
    static constexpr int kFreesPerRelease = 10000000;
    static constexpr unsigned long kReserveSize = 10485760;

    class RecursionBudget;

    GAllocator();
    ~GAllocator();
    GAllocator(const GAllocator&) = delete;
    GAllocator& operator=(const GAllocator&) = delete;

    static GAllocator* CreateInstance();
    static unsigned long RoundUp(unsigned long size) { return (size + 7) & ~7ul; }
    static void Reserve();
    static void GiveBackReserve();
    static bool CallOldNewHandler();

    // Under the mutex; false, with nothing changed, for a pooled block that no chunk takes back.
    bool FreeLocked(void* block, unsigned long size);
    void* AllocFromNewChunk(GFixedSizeAllocator* pool);
    void* AllocFromHeap(unsigned long size);
    void InstallNewHandler();
    void RemoveNewHandler();

    mutable GMutex mMutex;
    // Indexed by block size in bytes; entry 0 shares the 8-byte pool so that size 0 needs no branch.
    GFixedSizeAllocator* mPools[kMaxPoolSize + 1] = {};
    std::unique_ptr<GFixedSizeAllocator> mPoolOwners[kPoolCount];
    // Indexed by block size in bytes; a free block's first 8 bytes hold the next one.
    void* mFreeLists[kMaxListSize + 1] = {};
    // Set by the low-memory receivers and read by NewHandler, on any thread and without the mutex.
    std::atomic<bool> mMoreMemoryFree{false};
    int mFreeCounter = 0;
    bool mHandlerInstalled = false;

    static std::atomic<GAllocator*> sInstance;
    static std::atomic<void*> sReservedBuffer;
    static std::atomic<std::new_handler> sOldNewHandler;
    static std::atomic<LowMemoryNotifier> sLowMemoryNotifier;
    static std::atomic<int> fMaxRecursionDepth;
    static thread_local int sFailFastDepth;
};

inline void* GAllocator::Alloc(unsigned long size) {
#ifdef GALLOCATOR_USE_HEAP
    return ::operator new(size != 0 ? size : 1);
#else
    if (__builtin_expect(size > kMaxPoolSize, 0))
        return AllocFromHeap(size);
    GFixedSizeAllocator* pool = mPools[RoundUp(size)];
    void* block;
    {
        GMutexLocker lock(mMutex);
        block = pool->TryAllocBlock();
    }
    if (__builtin_expect(block != nullptr, 1))
        return block;
    return AllocFromNewChunk(pool);
#endif
}

inline void GAllocator::Free(void* block, unsigned long size) {
#ifdef GALLOCATOR_USE_HEAP
    (void)size;
    ::operator delete(block);
#else
    if (block == nullptr)
        return;
    bool freed;
    {
        GMutexLocker lock(mMutex);
        freed = FreeLocked(block, size);
    }
    // Made without the mutex: the exception takes memory and the lock of the exception contexts.
    if (__builtin_expect(!freed, 0))
        GFixedSizeAllocator::ThrowInvalidBlock();
#endif
}

inline bool GAllocator::FreeLocked(void* block, unsigned long size) {
    if (size <= kMaxPoolSize) {
        if (__builtin_expect(!mPools[RoundUp(size)]->TryFreeBlock(block), 0))
            return false;
    } else if (size <= kMaxListSize) {
        void*& head = mFreeLists[RoundUp(size)];
        *static_cast<void**>(block) = head;
        head = block;
    } else {
        ::operator delete(block);
    }
    if (__builtin_expect(mFreeCounter++ >= kFreesPerRelease, 0)) {
        mFreeCounter = 0;
        ReleaseFreeLists(-1);
    }
    return true;
}
