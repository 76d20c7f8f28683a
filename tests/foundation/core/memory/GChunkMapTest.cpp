#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>

#include "core/memory/GChunkMap.h"

namespace {

constexpr std::uintptr_t kSlot = std::uintptr_t(1) << GChunkMap::kSlotBits;

const void* At(std::uintptr_t address) { return reinterpret_cast<const void*>(address); }

TEST(GChunkMap, AnEntryCoversItsWholeSlotAndNothingElse) {
    auto map = std::make_unique<GChunkMap>();
    const std::uintptr_t start = 0x7f1234500000;
    EXPECT_EQ(map->Find(At(start)), 0u) << "no leaf yet";
    map->Prepare(At(start));
    EXPECT_EQ(map->Find(At(start)), 0u) << "a leaf, no entry";
    map->Set(At(start), 0x1000 | 7);
    struct Case {
        std::uintptr_t address;
        std::uintptr_t entry;
    };
    for (Case c : {Case{start, 0x1007}, Case{start + 1, 0x1007}, Case{start + kSlot - 1, 0x1007},
                   Case{start + kSlot, 0}, Case{start - 1, 0}, Case{start + (kSlot << 14), 0}}) {
        SCOPED_TRACE(testing::Message() << std::hex << c.address);
        EXPECT_EQ(map->Find(At(c.address)), c.entry);
    }
    map->Clear(At(start));
    EXPECT_EQ(map->Find(At(start + 5)), 0u);
}

TEST(GChunkMap, AddressesBeyondFortyEightBitsAreNeverFound) {
    auto map = std::make_unique<GChunkMap>();
    const std::uintptr_t beyond = std::uintptr_t(1) << 48;
    EXPECT_EQ(map->Find(At(beyond)), 0u);
    EXPECT_EQ(map->Find(At(~std::uintptr_t(0))), 0u);
    EXPECT_THROW(map->Prepare(At(beyond)), std::bad_alloc);
    // The highest slot below is usable.
    const std::uintptr_t last = beyond - kSlot;
    map->Prepare(At(last));
    map->Set(At(last), 0x2001);
    EXPECT_EQ(map->Find(At(beyond - 1)), 0x2001u);
    EXPECT_EQ(map->Find(At(beyond)), 0u);
}

} // namespace
