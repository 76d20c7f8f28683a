#pragma once
// Finds without a lock the pool chunk that holds an address. Chunks are 1 MB blocks aligned to
// 1 MB, so an address's 1 MB slot names at most one chunk; its entry holds the chunk record with
// the owning pool's tag (1 to 31) in the low bits, 0 when no chunk is there. Entries are set and
// cleared under the pool owner's lock; a reader that does not hold it may only look at the tag,
// never at the record, which may be going away.
#include <atomic>
#include <cstdint>

class GChunkMap {
public:
    static constexpr unsigned kSlotBits = 20;
    static constexpr std::uintptr_t kTagMask = 31;

    GChunkMap() = default;
    ~GChunkMap();
    GChunkMap(const GChunkMap&) = delete;
    GChunkMap& operator=(const GChunkMap&) = delete;

    // Makes room for the entry of the chunk at start (1 MB-aligned). Takes memory, so the caller
    // holds no lock; throws std::bad_alloc when there is none or the address is beyond the map.
    void Prepare(const void* start);
    // Under the owner's lock, after Prepare for the same start.
    void Set(const void* start, std::uintptr_t entry) { Slot(start).store(entry, std::memory_order_release); }
    void Clear(const void* start) { Slot(start).store(0, std::memory_order_release); }

    std::uintptr_t Find(const void* at) const noexcept {
        const auto address = reinterpret_cast<std::uintptr_t>(at);
        const std::uintptr_t root = address >> (kSlotBits + kLeafBits);
        if (__builtin_expect(root >= kRootSize, 0))
            return 0;
        const Leaf* leaf = mRoot[root].load(std::memory_order_acquire);
        if (__builtin_expect(leaf == nullptr, 0))
            return 0;
        return leaf->mEntries[(address >> kSlotBits) & (kLeafSize - 1)].load(std::memory_order_relaxed);
    }

private:
    // 48 address bits: 14 pick the leaf, 14 the slot in it, 20 the byte in the slot.
    static constexpr unsigned kLeafBits = 14;
    static constexpr std::uintptr_t kLeafSize = std::uintptr_t(1) << kLeafBits;
    static constexpr std::uintptr_t kRootSize = std::uintptr_t(1) << (48 - kSlotBits - kLeafBits);

    struct Leaf {
        std::atomic<std::uintptr_t> mEntries[kLeafSize];
    };

    std::atomic<std::uintptr_t>& Slot(const void* start) {
        const auto address = reinterpret_cast<std::uintptr_t>(start);
        Leaf* leaf = mRoot[address >> (kSlotBits + kLeafBits)].load(std::memory_order_relaxed);
        return leaf->mEntries[(address >> kSlotBits) & (kLeafSize - 1)];
    }

    // Leaves are made on demand and kept until the map goes.
    std::atomic<Leaf*> mRoot[kRootSize] = {};
};
