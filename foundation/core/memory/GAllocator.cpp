#include "core/memory/GAllocator.h"

#include <cstdlib>

#include "core/base/GException.h"

std::atomic<GAllocator*> GAllocator::sInstance{nullptr};
std::atomic<void*> GAllocator::sReservedBuffer{nullptr};
std::atomic<std::new_handler> GAllocator::sOldNewHandler{nullptr};
std::atomic<GAllocator::LowMemoryNotifier> GAllocator::sLowMemoryNotifier{nullptr};
std::atomic<int> GAllocator::fMaxRecursionDepth{1};
thread_local int GAllocator::sFailFastDepth = 0;

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

GAllocator::GAllocator() {
    for (int i = 0; i < kPoolCount; ++i) {
        unsigned long blockSize = static_cast<unsigned long>(i + 1) * 8;
        mPoolOwners[i] = std::make_unique<GFixedSizeAllocator>(blockSize);
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

void* GAllocator::AllocFromNewChunk(GFixedSizeAllocator* pool) {
    std::unique_ptr<GFixedSizeAllocator::Chunk> chunk = pool->MakeChunk();
    GMutexLocker lock(mMutex);
    // Another thread may have freed a block while the chunk was made; the chunk is kept anyway
    // and goes back to the heap with the next release of empty chunks.
    return pool->AllocBlockFrom(std::move(chunk));
}

void* GAllocator::AllocFromHeap(unsigned long size) {
    if (size > kMaxListSize)
        return ::operator new(size);
    unsigned long rounded = RoundUp(size);
    {
        GMutexLocker lock(mMutex);
        void*& head = mFreeLists[rounded];
        if (void* block = head) {
            head = *static_cast<void**>(block);
            return block;
        }
    }
    return ::operator new(rounded);
}

unsigned long GAllocator::ReleaseFreeLists(int n) {
    GMutexLocker lock(mMutex);
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
    unsigned long count = 0;
    for (void* block = mFreeLists[RoundUp(size)]; block != nullptr; block = *static_cast<void**>(block))
        ++count;
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
    return mFreeCounter;
}
