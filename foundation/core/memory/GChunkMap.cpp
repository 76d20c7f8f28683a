#include "core/memory/GChunkMap.h"

#include <memory>
#include <new>

GChunkMap::~GChunkMap() {
    for (std::atomic<Leaf*>& leaf : mRoot)
        delete leaf.load(std::memory_order_relaxed);
}

void GChunkMap::Prepare(const void* start) {
    const std::uintptr_t root = reinterpret_cast<std::uintptr_t>(start) >> (kSlotBits + kLeafBits);
    if (root >= kRootSize)
        throw std::bad_alloc();
    if (mRoot[root].load(std::memory_order_acquire) != nullptr)
        return;
    auto leaf = std::make_unique<Leaf>();
    Leaf* none = nullptr;
    // Another thread may have made the same leaf meanwhile; its leaf stays and ours goes.
    if (mRoot[root].compare_exchange_strong(none, leaf.get(), std::memory_order_acq_rel))
        leaf.release();
}
