#include "core/memory/GAllocator.h"

#include <algorithm>
#include <cstdlib>

#include "core/base/GException.h"

std::atomic<GAllocator*> GAllocator::sInstance{nullptr};
std::atomic<void*> GAllocator::sReservedBuffer{nullptr};
std::atomic<std::new_handler> GAllocator::sOldNewHandler{nullptr};
std::atomic<GAllocator::LowMemoryNotifier> GAllocator::sLowMemoryNotifier{nullptr};
std::atomic<int> GAllocator::fMaxRecursionDepth{1};
thread_local int GAllocator::sFailFastDepth = 0;

// Blocks a thread's cache keeps per free-list size: 16 KB worth, 8 to 64 of them.
struct GAllocator::ListCapacities {
    constexpr ListCapacities() : mBlocks() {
        for (int list = 0; list < kListCount; ++list) {
            const unsigned long blocks = kListCacheBytes / ListSize(static_cast<unsigned long>(list));
            mBlocks[list] = static_cast<std::uint8_t>(std::clamp(blocks, 8ul, static_cast<unsigned long>(kCacheCapacity)));
        }
    }
    std::uint8_t mBlocks[kListCount];
};

constexpr GAllocator::ListCapacities GAllocator::kListCapacities;

// Takes one unit of NewHandler's re-entry budget for the lifetime of the object.
class GAllocator::RecursionBudget {
public:
    RecursionBudget() : mGranted(fMaxRecursionDepth.fetch_sub(1) > 0) {}
    ~RecursionBudget() { fMaxRecursionDepth.fetch_add(1); }
    RecursionBudget(const RecursionBudget&) = delete;
    RecursionBudget& operator=(const RecursionBudget&) = delete;

    bool Granted() const { return mGranted; }

private:
    bool mGranted;
};

// Gives the thread's cached blocks back when the thread ends.
class GAllocator::CacheOwner {
public:
    ~CacheOwner() { GetInstance()->RetireCache(); }
    // Written once, so that the thread-local object is made and its destructor registered.
    bool mArmed = false;
};

GAllocator::GAllocator() {
    for (int i = 0; i < kPoolCount; ++i) {
        unsigned long blockSize = static_cast<unsigned long>(i + 1) * 8;
        mPoolOwners[i] = std::make_unique<GFixedSizeAllocator>(blockSize, &mChunkMap, i + 1);
        mPools[blockSize] = mPoolOwners[i].get();
    }
    mPools[0] = mPools[8];
    InstallNewHandler();
}

GAllocator::~GAllocator() {
    ReleaseFreeLists(-1);
    RemoveNewHandler();
}

GAllocator* GAllocator::CreateInstance() {
    // Immortal on purpose: blocks may still be freed while the program's statics are destroyed.
    static GAllocator* const instance = new GAllocator;
    sInstance.store(instance, std::memory_order_release);
    return instance;
}

bool GAllocator::SetUpCache(ThreadCache& cache) {
    if (cache.mState == kCacheRetired)
        return false;
    // Made on first use on this thread, so that its destructor runs when the thread ends.
    static thread_local CacheOwner owner;
    owner.mArmed = true;
    cache.mCapacity = kCacheCapacity;
    cache.mEpoch = mFlushEpoch.load(std::memory_order_relaxed);
    // The first free adds itself to the shared counter and sets the real limit.
    cache.mPendingLimit = 1;
    cache.mState = kCacheActive;
    return true;
}

void GAllocator::RetireCache() {
    ThreadCache& cache = sCache;
    GMutexLocker lock(mMutex);
    FlushCache(cache);
    for (GFixedSizeAllocator::Chunk*& claim : cache.mClaims)
        GFixedSizeAllocator::Unclaim(&claim);
    mFreeCounter += static_cast<int>(cache.mPendingFrees);
    cache.mPendingFrees = 0;
    cache.mCapacity = 0;
    cache.mState = kCacheRetired;
}

void GAllocator::FlushCache(ThreadCache& cache, unsigned long pool, std::uint32_t keep) {
    GFixedSizeAllocator* owner = mPoolOwners[pool].get();
    while (cache.mCounts[pool] > keep) {
        void* block = cache.mHeads[pool];
        cache.mHeads[pool] = *static_cast<void**>(block);
        --cache.mCounts[pool];
        // Refused only when it is free there already: a double free that slipped through, dropped.
        owner->TryFreeBlock(block);
    }
    if (cache.mCounts[pool] == 0)
        cache.mHeads[pool] = nullptr;
}

void GAllocator::FlushCache(ThreadCache& cache) {
    for (unsigned long pool = 0; pool < kPoolCount; ++pool)
        FlushCache(cache, pool, 0);
    for (unsigned long list = 0; list < kListCount; ++list)
        FlushListCache(cache, list, 0);
}

void GAllocator::SetPendingLimit(ThreadCache& cache) const {
    long room = static_cast<long>(kFreesPerRelease) + 1 - mFreeCounter;
    cache.mPendingLimit = static_cast<std::uint32_t>(std::clamp(room, 1l, static_cast<long>(kMaxPendingFrees)));
}

void GAllocator::CountFreeLocked() {
    ThreadCache& cache = sCache;
    mFreeCounter += static_cast<int>(cache.mPendingFrees);
    cache.mPendingFrees = 0;
    if (mFreeCounter++ >= kFreesPerRelease) {
        mFreeCounter = 0;
        ReleaseFreeLists(-1);
    }
    SetPendingLimit(cache);
}

bool GAllocator::FreeLocked(void* block, unsigned long size) {
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
    CountFreeLocked();
    return true;
}

void GAllocator::FreeUnpooled(void* block, unsigned long size) {
    if (size <= kMaxListSize) {
        const unsigned long list = ((size - 1) >> 3) - kPoolCount;
        ThreadCache& cache = sCache;
        std::uint16_t& count = cache.mListCounts[list];
        if (__builtin_expect(cache.mCapacity == 0 || count >= kListCapacities.mBlocks[list], 0))
            return FreeListSlow(block, list);
        *static_cast<void**>(block) = cache.mListHeads[list];
        cache.mListHeads[list] = block;
        ++count;
        NoteCachedFree(cache);
        return;
    }
    // Straight back to the heap and counted like a cached free: no lock for a large block.
    ThreadCache& cache = sCache;
    if (__builtin_expect(cache.mState != kCacheActive, 0))
        return FreeLockedOrThrow(block, size);
    ::operator delete(block);
    NoteCachedFree(cache);
}

void GAllocator::FreeLockedOrThrow(void* block, unsigned long size) {
    bool freed;
    {
        GMutexLocker lock(mMutex);
        freed = FreeLocked(block, size);
    }
    // Made without the mutex: the exception takes memory and the lock of the exception contexts.
    if (__builtin_expect(!freed, 0))
        GFixedSizeAllocator::ThrowInvalidBlock();
}

void GAllocator::FreeListSlow(void* block, unsigned long list) {
    ThreadCache& cache = sCache;
    if (cache.mState != kCacheActive && !SetUpCache(cache))
        return FreeLockedOrThrow(block, ListSize(list));
    if (cache.mListCounts[list] >= kListCapacities.mBlocks[list])
        FlushListBatch(cache, list);
    *static_cast<void**>(block) = cache.mListHeads[list];
    cache.mListHeads[list] = block;
    ++cache.mListCounts[list];
    NoteCachedFree(cache);
}

void GAllocator::FlushListCache(ThreadCache& cache, unsigned long list, std::uint32_t keep) {
    void*& head = mFreeLists[ListSize(list)];
    while (cache.mListCounts[list] > keep) {
        void* block = cache.mListHeads[list];
        cache.mListHeads[list] = *static_cast<void**>(block);
        --cache.mListCounts[list];
        *static_cast<void**>(block) = head;
        head = block;
    }
    if (cache.mListCounts[list] == 0)
        cache.mListHeads[list] = nullptr;
}

namespace {

// A middle-size block is at least 136 bytes: words 2 and 3 of a free one are the allocator's.
void*& Word(void* block, int index) { return static_cast<void**>(block)[index]; }
std::uintptr_t& BatchLength(void* block) { return reinterpret_cast<std::uintptr_t*>(block)[3]; }

}  // namespace

void GAllocator::FlushListBatch(ThreadCache& cache, unsigned long list) {
    // The list is walked here, without the mutex: its blocks may be far apart in memory.
    const std::uint32_t keep = kListCapacities.mBlocks[list] / 2;
    void* last = cache.mListHeads[list];
    for (std::uint32_t i = 1; i < keep; ++i)
        last = Word(last, 0);
    void* batch = Word(last, 0);
    Word(last, 0) = nullptr;
    BatchLength(batch) = cache.mListCounts[list] - keep;
    cache.mListCounts[list] = static_cast<std::uint16_t>(keep);
    GMutexLocker lock(mMutex);
    Word(batch, 2) = mListBatches[list];
    mListBatches[list] = batch;
}

// Back to single blocks on the shared lists, for the paths that walk them.
void GAllocator::DissolveListBatches() {
    for (unsigned long list = 0; list < kListCount; ++list) {
        void*& head = mFreeLists[ListSize(list)];
        while (void* batch = mListBatches[list]) {
            mListBatches[list] = Word(batch, 2);
            void* last = batch;
            for (std::uintptr_t i = 1; i < BatchLength(batch); ++i)
                last = Word(last, 0);
            Word(last, 0) = head;
            head = batch;
        }
    }
}

void* GAllocator::RefillListCache(ThreadCache& cache, unsigned long list) {
    if (void* batch = mListBatches[list]) {
        mListBatches[list] = Word(batch, 2);
        std::uintptr_t const length = BatchLength(batch);
        // The chain ends in null: it was the bottom of a thread's list.
        if (length > 1) {
            cache.mListHeads[list] = Word(batch, 0);
            cache.mListCounts[list] = static_cast<std::uint16_t>(cache.mListCounts[list] + length - 1);
        }
        return batch;
    }
    void*& head = mFreeLists[ListSize(list)];
    void* block = head;
    if (block == nullptr)
        return nullptr;
    head = *static_cast<void**>(block);
    for (std::uint32_t wanted = kListCapacities.mBlocks[list] / 2; wanted > 0 && head != nullptr; --wanted) {
        void* cached = head;
        head = *static_cast<void**>(cached);
        *static_cast<void**>(cached) = cache.mListHeads[list];
        cache.mListHeads[list] = cached;
        ++cache.mListCounts[list];
    }
    return block;
}

void* GAllocator::AllocSlow(unsigned long pool) {
    ThreadCache& cache = sCache;
    GFixedSizeAllocator* owner = mPoolOwners[pool].get();
    const bool cached = cache.mState == kCacheActive || SetUpCache(cache);
    void* block;
    {
        GMutexLocker lock(mMutex);
        if (cached) {
            unsigned taken = 0;
            block = owner->TryAllocBlocks(kCacheCapacity / 2, taken, &cache.mClaims[pool]);
            if (block != nullptr) {
                cache.mHeads[pool] = *static_cast<void**>(block);
                cache.mCounts[pool] = taken - 1;
            }
        } else {
            block = owner->TryAllocBlock();
        }
    }
    if (block == nullptr) {
        // Made unlocked. Another thread may have freed a block meanwhile; the chunk is kept
        // anyway and goes back to the heap with the next release of empty chunks.
        std::unique_ptr<GFixedSizeAllocator::Chunk> chunk;
        try {
            chunk = owner->MakeChunk();
        } catch (const std::bad_alloc&) {
            // Out of memory: a block of a chunk that other threads claim is better than none.
            if (cached) {
                GMutexLocker lock(mMutex);
                block = owner->TryAllocBlock();
            }
            if (block == nullptr)
                throw;
            static_cast<std::uintptr_t*>(block)[pool != 0] = 0;
            return block;
        }
        GMutexLocker lock(mMutex);
        block = owner->AllocBlockFrom(std::move(chunk), cache.mState == kCacheActive ? &cache.mClaims[pool] : nullptr);
        // Unless the low-memory receivers freed blocks of this size into it meanwhile.
        if (cache.mState == kCacheActive && cache.mCounts[pool] == 0) {
            unsigned taken = 0;
            cache.mHeads[pool] = owner->TryAllocBlocks(kCacheCapacity / 2 - 1, taken, &cache.mClaims[pool]);
            cache.mCounts[pool] = taken;
        }
    }
    static_cast<std::uintptr_t*>(block)[pool != 0] = 0;
    return block;
}

bool GAllocator::IsFreeAlready(void* block, unsigned long pool) {
    const ThreadCache& cache = sCache;
    const void* cached = cache.mHeads[pool];
    for (std::uint32_t i = 0; i < cache.mCounts[pool] && cached != nullptr; ++i) {
        if (cached == block)
            return true;
        cached = *static_cast<void* const*>(cached);
    }
    GMutexLocker lock(mMutex);
    return mPoolOwners[pool]->IsFreeBlock(block);
}

void GAllocator::FreeSlow(void* block, unsigned long pool) {
    if (!HoldsPooled(block, pool))
        GFixedSizeAllocator::ThrowInvalidBlock();
    ThreadCache& cache = sCache;
    auto* words = static_cast<std::uintptr_t*>(block);
    const std::uintptr_t mark = reinterpret_cast<std::uintptr_t>(block) ^ kFreeMark;
    // A marked block may still be in use, its bytes matching by chance: only a search tells.
    if ((block == cache.mHeads[pool] || (pool != 0 && words[1] == mark)) && IsFreeAlready(block, pool))
        GFixedSizeAllocator::ThrowInvalidBlock();
    if (cache.mState != kCacheActive && !SetUpCache(cache)) {
        words[pool != 0] = mark;
        FreeLockedOrThrow(block, (pool + 1) * 8);
        return;
    }
    if (cache.mCounts[pool] >= cache.mCapacity) {
        GMutexLocker lock(mMutex);
        FlushCache(cache, pool, kCacheCapacity / 2);
    }
    words[pool != 0] = mark;
    words[0] = reinterpret_cast<std::uintptr_t>(cache.mHeads[pool]);
    cache.mHeads[pool] = block;
    ++cache.mCounts[pool];
    NoteCachedFree(cache);
}

void GAllocator::FreeNoted(ThreadCache& cache) {
    GMutexLocker lock(mMutex);
    const std::uint32_t epoch = mFlushEpoch.load(std::memory_order_relaxed);
    if (cache.mEpoch != epoch) {
        cache.mEpoch = epoch;
        FlushCache(cache);
    }
    // The free that brought us here is counted by CountFreeLocked.
    --cache.mPendingFrees;
    CountFreeLocked();
}

void* GAllocator::AllocFromHeap(unsigned long size) {
    if (size > kMaxListSize)
        return ::operator new(size);
    const unsigned long list = ((size - 1) >> 3) - kPoolCount;
    ThreadCache& cache = sCache;
    void* block = cache.mListHeads[list];
    if (__builtin_expect(block == nullptr, 0))
        return AllocListSlow(list);
    cache.mListHeads[list] = *static_cast<void**>(block);
    --cache.mListCounts[list];
    return block;
}

void* GAllocator::AllocListSlow(unsigned long list) {
    ThreadCache& cache = sCache;
    const bool cached = cache.mState == kCacheActive || SetUpCache(cache);
    {
        GMutexLocker lock(mMutex);
        if (cached) {
            if (void* block = RefillListCache(cache, list))
                return block;
        } else {
            if (mFreeLists[ListSize(list)] == nullptr)
                DissolveListBatches();
            if (void* block = mFreeLists[ListSize(list)]) {
                mFreeLists[ListSize(list)] = *static_cast<void**>(block);
                return block;
            }
        }
    }
    return ::operator new(ListSize(list));
}

unsigned long GAllocator::ReleaseFreeLists(int n) {
    GMutexLocker lock(mMutex);
    ThreadCache& cache = sCache;
    // Other threads flush at their next free; ours now, so that its blocks can be released.
    cache.mEpoch = mFlushEpoch.fetch_add(1, std::memory_order_relaxed) + 1;
    FlushCache(cache);
    DissolveListBatches();
    const bool all = n <= 0;
    unsigned long released = 0;
    for (unsigned long size = kMaxListSize; size > kMaxPoolSize; size -= 8) {
        void*& head = mFreeLists[size];
        while (head != nullptr) {
            void* block = head;
            head = *static_cast<void**>(block);
            ::operator delete(block);
            released += size;
            if (all)
                continue;
            if (n == 1)
                return released;
            --n;
        }
    }
    for (const std::unique_ptr<GFixedSizeAllocator>& pool : mPoolOwners)
        released += pool->ReleaseFreeChunks();
    return released;
}

void GAllocator::Reserve() {
    if (sReservedBuffer.load() != nullptr)
        return;
    // malloc rather than operator new: failing here must not re-enter the handler.
    void* reserve = std::malloc(kReserveSize);
    void* none = nullptr;
    if (!sReservedBuffer.compare_exchange_strong(none, reserve))
        std::free(reserve);
}

void GAllocator::GiveBackReserve() { std::free(sReservedBuffer.exchange(nullptr)); }

// True when a previous handler ran and returned; a std::bad_alloc from it counts as nothing freed.
bool GAllocator::CallOldNewHandler() {
    std::new_handler old = sOldNewHandler.load();
    if (old == nullptr)
        return false;
    try {
        old();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

GAllocator::FailFastScope::FailFastScope() noexcept { ++sFailFastDepth; }

GAllocator::FailFastScope::~FailFastScope() { --sFailFastDepth; }

bool GAllocator::IsFailingFast() noexcept { return sFailFastDepth > 0; }

void GAllocator::NewHandler() {
    if (IsFailingFast())
        throw GMemoryException();
    RecursionBudget budget;
    if (!budget.Granted())
        throw GMemoryException();
    GAllocator* allocator = GetInstance();
    GiveBackReserve();
    allocator->SetMoreMemoryFree(false);
    if (LowMemoryNotifier notify = sLowMemoryNotifier.load())
        notify();
    allocator->ReleaseFreeLists(-1);
    if (!CallOldNewHandler() && !allocator->GetMoreMemoryFree())
        throw GMemoryException();
    Reserve();
}

void GAllocator::InstallNewHandler() {
    GMutexLocker lock(mMutex);
    if (mHandlerInstalled)
        return;
    Reserve();
    std::new_handler old = std::set_new_handler(&NewHandler);
    sOldNewHandler.store(old == &NewHandler ? nullptr : old);
    mHandlerInstalled = true;
}

void GAllocator::RemoveNewHandler() {
    GMutexLocker lock(mMutex);
    if (!mHandlerInstalled)
        return;
    mHandlerInstalled = false;
    std::new_handler old = sOldNewHandler.exchange(nullptr);
    // A handler installed over ours belongs to someone else and stays.
    if (std::get_new_handler() == &NewHandler)
        std::set_new_handler(old);
    GiveBackReserve();
}

void GAllocator::Initialize() { GetInstance()->InstallNewHandler(); }

void GAllocator::Finalize() {
    if (GAllocator* instance = sInstance.load())
        instance->RemoveNewHandler();
}

GAllocator::LowMemoryNotifier GAllocator::SetLowMemoryNotifier(LowMemoryNotifier notifier) {
    return sLowMemoryNotifier.exchange(notifier);
}

unsigned long GAllocator::CountFreeListBlocks(unsigned long size) const {
    if (size <= kMaxPoolSize || size > kMaxListSize)
        return 0;
    GMutexLocker lock(mMutex);
    unsigned long const list = ((size - 1) >> 3) - kPoolCount;
    unsigned long count = sCache.mListCounts[list];
    for (void* block = mFreeLists[RoundUp(size)]; block != nullptr; block = *static_cast<void**>(block))
        ++count;
    for (void* batch = mListBatches[list]; batch != nullptr; batch = Word(batch, 2))
        count += BatchLength(batch);
    return count;
}

unsigned long GAllocator::CountPoolChunks(unsigned long size) const {
    if (size > kMaxPoolSize)
        return 0;
    GMutexLocker lock(mMutex);
    return mPools[RoundUp(size)]->CountChunks();
}

int GAllocator::GetFreeCounter() const {
    GMutexLocker lock(mMutex);
    return mFreeCounter + static_cast<int>(sCache.mPendingFrees);
}
