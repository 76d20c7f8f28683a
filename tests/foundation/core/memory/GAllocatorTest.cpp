#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <iterator>
#include <mutex>
#include <new>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/base/GException.h"
#include "core/base/GExceptionLocation.h"
#include "core/memory/GAllocator.h"
#include "core/memory/GFastAllocatable.h"
#include "core/memory/GFixedSizeAllocator.h"
#include "core/text/GString.h"
#include "support/Sanitizers.h"


namespace {

constexpr unsigned long kChunk = GFixedSizeAllocator::kChunkSize;

GAllocator& Allocator() { return *GAllocator::GetInstance(); }

class GAllocatorTest : public ::testing::Test {
protected:
    // Every test starts with empty free lists and no all-free pool chunk.
    void SetUp() override { Allocator().ReleaseFreeLists(-1); }
};

TEST_F(GAllocatorTest, BlocksHoldTheirBytesAndDoNotOverlap) {
    const unsigned long sizes[] = {0, 1, 7, 8, 9, 127, 128, 129, 136, 200, 2047, 2048, 2049, 100000};
    std::vector<std::pair<unsigned char*, unsigned long>> blocks;
    for (int round = 0; round < 3; ++round) {
        for (unsigned long size : sizes) {
            auto* block = static_cast<unsigned char*>(Allocator().Alloc(size));
            ASSERT_NE(block, nullptr);
            std::memset(block, static_cast<int>(blocks.size() & 0xFF), size);
            blocks.emplace_back(block, size);
        }
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        auto [block, size] = blocks[i];
        for (unsigned long at = 0; at < size; ++at)
            ASSERT_EQ(block[at], i & 0xFF) << "block " << i << " of " << size << " bytes, byte " << at;
    }
    for (auto [block, size] : blocks)
        Allocator().Free(block, size);
}

TEST_F(GAllocatorTest, FreeOfNullChangesNothing) {
    int counter = Allocator().GetFreeCounter();
    for (unsigned long size : {0ul, 8ul, 200ul, 5000ul})
        Allocator().Free(nullptr, size);
    EXPECT_EQ(Allocator().GetFreeCounter(), counter);
    EXPECT_EQ(Allocator().CountFreeListBlocks(200), 0u);
}

TEST_F(GAllocatorTest, FastAllocatableObjectsUseTheAllocator) {
    struct Record : GFastAllocatable {
        char bytes[200];
    };
    auto* record = new Record;
    std::memset(record->bytes, 1, sizeof record->bytes);
    delete record;
#ifndef GALLOCATOR_USE_HEAP
    EXPECT_EQ(Allocator().CountFreeListBlocks(sizeof(Record)), 1u);
#endif
}

TEST_F(GAllocatorTest, ThreadsShareTheAllocatorSafely) {
    auto work = [](unsigned seed) {
        std::mt19937 random(seed);
        std::vector<std::pair<unsigned char*, unsigned long>> live(64, {nullptr, 0});
        for (int i = 0; i < 20000; ++i) {
            auto& [block, size] = live[random() % live.size()];
            if (block != nullptr) {
                if (size > 0 && (block[0] != (seed & 0xFF) || block[size - 1] != (seed & 0xFF)))
                    return false;
                Allocator().Free(block, size);
            }
            size = random() % 3000;
            block = static_cast<unsigned char*>(Allocator().Alloc(size));
            std::memset(block, static_cast<int>(seed & 0xFF), size);
        }
        for (auto [block, size] : live)
            Allocator().Free(block, size);
        return true;
    };
    bool ok[4] = {};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t)
        threads.emplace_back([&, t] { ok[t] = work(t + 1); });
    for (std::thread& thread : threads)
        thread.join();
    for (bool threadOk : ok)
        EXPECT_TRUE(threadOk);
}

#ifndef GALLOCATOR_USE_HEAP

TEST_F(GAllocatorTest, SmallSizesShareThePoolOfTheirRoundedSize) {
    void* block = Allocator().Alloc(1);
    Allocator().Free(block, 8);
    EXPECT_EQ(Allocator().Alloc(0), block);
    Allocator().Free(block, 1);
    EXPECT_EQ(Allocator().Alloc(8), block);
    Allocator().Free(block, 0);

    void* other = Allocator().Alloc(121);
    Allocator().Free(other, 128);
    EXPECT_EQ(Allocator().Alloc(128), other);
    Allocator().Free(other, 125);
}

TEST_F(GAllocatorTest, MiddleSizesReuseFreedBlocksOfTheirRoundedSize) {
    struct Case {
        unsigned long freed, requested;
    };
    for (Case c : {Case{129, 136}, Case{200, 200}, Case{2041, 2048}, Case{136, 129}}) {
        SCOPED_TRACE(testing::Message() << c.freed << " then " << c.requested);
        void* block = Allocator().Alloc(c.freed);
        Allocator().Free(block, c.freed);
        EXPECT_EQ(Allocator().CountFreeListBlocks(c.requested), 1u);
        EXPECT_EQ(Allocator().Alloc(c.requested), block);
        EXPECT_EQ(Allocator().CountFreeListBlocks(c.requested), 0u);
        Allocator().Free(block, c.requested);
    }
}

TEST_F(GAllocatorTest, LargeBlocksBypassTheFreeLists) {
    auto* block = static_cast<char*>(Allocator().Alloc(2049));
    std::memset(block, 7, 2049);
    Allocator().Free(block, 2049);
    EXPECT_EQ(Allocator().CountFreeListBlocks(2048), 0u);
    EXPECT_EQ(Allocator().ReleaseFreeLists(-1), 0u);
}

TEST_F(GAllocatorTest, ReleaseFreeListsTakesLargestSizesFirst) {
    struct Case {
        int n;
        unsigned long released;
        unsigned long left136, left200, left2048;
    };
    const Case cases[] = {
        {1, 2048, 1, 1, 0},
        {2, 2048 + 200, 1, 0, 0},
        {3, 2048 + 200 + 136, 0, 0, 0},
        {10, 2048 + 200 + 136, 0, 0, 0},
        {0, 2048 + 200 + 136, 0, 0, 0},
        {-1, 2048 + 200 + 136, 0, 0, 0},
        {-7, 2048 + 200 + 136, 0, 0, 0},
        {INT_MIN, 2048 + 200 + 136, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "n = " << c.n);
        for (unsigned long size : {136ul, 200ul, 2048ul})
            Allocator().Free(Allocator().Alloc(size), size);
        EXPECT_EQ(Allocator().ReleaseFreeLists(c.n), c.released);
        EXPECT_EQ(Allocator().CountFreeListBlocks(136), c.left136);
        EXPECT_EQ(Allocator().CountFreeListBlocks(200), c.left200);
        EXPECT_EQ(Allocator().CountFreeListBlocks(2048), c.left2048);
        Allocator().ReleaseFreeLists(-1);
    }
}

TEST_F(GAllocatorTest, IdleTimeReleasesAThousandBlocks) {
    std::vector<void*> blocks;
    for (int i = 0; i < 1001; ++i)
        blocks.push_back(Allocator().Alloc(136));
    for (void* block : blocks)
        Allocator().Free(block, 136);
    Allocator().DoIdleTime();
    EXPECT_EQ(Allocator().CountFreeListBlocks(136), 1u);
}

TEST_F(GAllocatorTest, ReleaseFreeListsGivesBackChunksWhoseBlocksAreAllFree) {
    const unsigned long size = 120;
    const unsigned long chunksBefore = Allocator().CountPoolChunks(size);
    // Blocks taken until a new chunk is made, then that chunk filled: it holds only ours.
    std::vector<void*> blocks;
    while (Allocator().CountPoolChunks(size) == chunksBefore)
        blocks.push_back(Allocator().Alloc(size));
    for (unsigned long i = 1; i < kChunk / size; ++i)
        blocks.push_back(Allocator().Alloc(size));
    EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore + 1);
    for (void* block : blocks)
        Allocator().Free(block, size);
    Allocator().Free(Allocator().Alloc(200), 200);

    EXPECT_EQ(Allocator().ReleaseFreeLists(-1), kChunk + 200);
    EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore);
}

TEST_F(GAllocatorTest, ReleaseFreeListsWithBudgetLeftAlsoReleasesChunks) {
    const unsigned long size = 112;
    const unsigned long chunksBefore = Allocator().CountPoolChunks(size);
    std::vector<void*> blocks;
    while (Allocator().CountPoolChunks(size) == chunksBefore)
        blocks.push_back(Allocator().Alloc(size));
    for (void* block : blocks)
        Allocator().Free(block, size);
    Allocator().Free(Allocator().Alloc(136), 136);

    EXPECT_EQ(Allocator().ReleaseFreeLists(1), 136u);
    EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore + 1);
    EXPECT_EQ(Allocator().ReleaseFreeLists(5), kChunk);
    EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore);
}

TEST_F(GAllocatorTest, FreeingABlockNoChunkHoldsThrowsAndChangesNothing) {
    alignas(16) char foreign[64];
    void* fromOtherPool = Allocator().Alloc(1);
    const int counter = Allocator().GetFreeCounter();
    struct Case {
        void* block;
        unsigned long size;
    };
    for (Case c : {Case{foreign, 16}, Case{fromOtherPool, 16}, Case{fromOtherPool, 128}}) {
        try {
            Allocator().Free(c.block, c.size);
            ADD_FAILURE() << "a block of " << c.size << " bytes no chunk holds was accepted";
        } catch (const GSimpleException& e) {
            EXPECT_EQ(e.GetExceptionID(), 40017);
        }
    }
    EXPECT_EQ(Allocator().GetFreeCounter(), counter);
    Allocator().Free(fromOtherPool, 1);
    EXPECT_EQ(Allocator().Alloc(1), fromOtherPool);
    Allocator().Free(fromOtherPool, 1);
}

// Making the refusal takes memory and the lock of the exception contexts, so it is made after
// the allocator's mutex is let go: a thread that allocates while it holds that lock goes on. Held
// the other way round, the two threads would wait for each other for ever.
TEST_F(GAllocatorTest, RefusalIsMadeWithoutTheAllocatorsMutex) {
    alignas(16) char foreign[64];
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    bool freeing = false;
    std::thread holder([&] {
        const GString where("holder");
        GExceptionLocation location(where);
        GExceptionLocation::GetContextStack().VisitLastItem([&](GExceptionContext*) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                holding = true;
                changed.notify_all();
                changed.wait(lock, [&] { return freeing; });
            }
            // Time for the other thread to reach the context lock.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Allocator().Free(Allocator().Alloc(8), 8);
        });
    });
    auto refusal = std::async(std::launch::async, [&] {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return holding; });
            freeing = true;
            changed.notify_all();
        }
        try {
            Allocator().Free(foreign, 16);
        } catch (const GSimpleException& e) {
            return e.GetExceptionID();
        }
        return 0;
    });
    if (refusal.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "the refusal and an allocation under the context lock wait for each other\n");
        std::_Exit(1);
    }
    EXPECT_EQ(refusal.get(), 40017);
    holder.join();
}

TEST_F(GAllocatorTest, EveryTenMillionthFreeReleasesTheFreeLists) {
    void* block8 = Allocator().Alloc(8);
    while (Allocator().GetFreeCounter() != 9999999) {
        Allocator().Free(block8, 8);
        block8 = Allocator().Alloc(8);
    }
    ASSERT_EQ(Allocator().GetFreeCounter(), 9999999);
    void* block136 = Allocator().Alloc(136);
    void* block200 = Allocator().Alloc(200);
    Allocator().Free(block136, 136);
    EXPECT_EQ(Allocator().GetFreeCounter(), 10000000);
    EXPECT_EQ(Allocator().CountFreeListBlocks(136), 1u);

    Allocator().Free(block200, 200);
    EXPECT_EQ(Allocator().GetFreeCounter(), 0);
    EXPECT_EQ(Allocator().CountFreeListBlocks(136), 0u);
    EXPECT_EQ(Allocator().CountFreeListBlocks(200), 0u);
    Allocator().Free(block8, 8);
}

// Blocks taken until the pool of size makes a new chunk, then that chunk filled: it holds only
// these blocks, so it can go back to the heap once every one of them is back in the pool.
std::vector<void*> FillANewChunk(unsigned long size) {
    const unsigned long chunksBefore = Allocator().CountPoolChunks(size);
    std::vector<void*> blocks;
    while (Allocator().CountPoolChunks(size) == chunksBefore)
        blocks.push_back(Allocator().Alloc(size));
    for (unsigned long i = 1; i < kChunk / size; ++i)
        blocks.push_back(Allocator().Alloc(size));
    return blocks;
}

void FreeAll(const std::vector<void*>& blocks, unsigned long size) {
    for (void* block : blocks)
        Allocator().Free(block, size);
}

TEST_F(GAllocatorTest, BlocksFreedOnAnotherThreadGoBackToTheirPool) {
    const unsigned long size = 96;
    const unsigned long chunksBefore = Allocator().CountPoolChunks(size);
    std::vector<void*> blocks;
    std::thread([&] {
        blocks = FillANewChunk(size);
        for (std::size_t i = 0; i < blocks.size(); ++i)
            std::memset(blocks[i], static_cast<int>(i & 0xFF), size);
    }).join();
    bool intact = true;
    std::thread([&] {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const auto* bytes = static_cast<const unsigned char*>(blocks[i]);
            intact = intact && bytes[0] == (i & 0xFF) && bytes[size - 1] == (i & 0xFF);
            Allocator().Free(blocks[i], size);
        }
    }).join();
    EXPECT_TRUE(intact);
    Allocator().ReleaseFreeLists(-1);
    EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore);
}

TEST_F(GAllocatorTest, AThreadsEndGivesItsCachedBlocksBack) {
    const unsigned long size = 104;
    const unsigned long chunksBefore = Allocator().CountPoolChunks(size);
    std::thread([&] { FreeAll(FillANewChunk(size), size); }).join();
    Allocator().ReleaseFreeLists(-1);
    EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore);
}

// Blocks held by a thread-local object that outlives the thread's cache.
struct LateHolder {
    ~LateHolder() { FreeAll(blocks, 72); }
    std::vector<void*> blocks;
};

TEST_F(GAllocatorTest, FreesAfterTheThreadsCacheEndedGoStraightToThePools) {
    const unsigned long chunksBefore = Allocator().CountPoolChunks(72);
    std::thread([] {
        // Made before the cache, so destroyed after it.
        static thread_local LateHolder holder;
        holder.blocks = FillANewChunk(72);
    }).join();
    Allocator().ReleaseFreeLists(-1);
    EXPECT_EQ(Allocator().CountPoolChunks(72), chunksBefore);
}

// Steps two threads through a test in turn: each waits for the stage the other reaches.
class Stages {
public:
    void WaitFor(int wanted) {
        std::unique_lock<std::mutex> lock(mMutex);
        mChanged.wait(lock, [&] { return mStage >= wanted; });
    }
    void Advance() {
        std::lock_guard<std::mutex> lock(mMutex);
        ++mStage;
        mChanged.notify_all();
    }

private:
    std::mutex mMutex;
    std::condition_variable mChanged;
    int mStage = 0;
};

// No thread touches another's cache: blocks there stay until their thread frees again, which
// then flushes its cache because a release was asked for meanwhile.
TEST_F(GAllocatorTest, AnotherThreadsCacheGoesBackAtItsNextFreeAfterARelease) {
    const unsigned long size = 88;
    const unsigned long chunksBefore = Allocator().CountPoolChunks(size);
    Stages stages;
    std::thread other([&] {
        FreeAll(FillANewChunk(size), size);
        stages.Advance(); // 1
        stages.WaitFor(2);
        Allocator().Free(Allocator().Alloc(8), 8);
        stages.Advance(); // 3
    });
    stages.WaitFor(1);
    Allocator().ReleaseFreeLists(-1);
    EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore + 1);
    stages.Advance(); // 2
    stages.WaitFor(3);
    Allocator().ReleaseFreeLists(-1);
    EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore);
    other.join();
}

// Middle-size blocks freed on a thread wait in its cache, which holds at most 16 KB of each size
// (8 to 64 blocks): the rest reach the shared free list at once, and the cache follows when the
// thread ends. Another thread then gets the same blocks back.
TEST_F(GAllocatorTest, MiddleBlocksCachedByAThreadReachTheFreeListsWhenItEnds) {
    struct Case {
        unsigned long size;
        unsigned long freed, cachedAtMost;
    };
    for (Case c : {Case{136, 100, 64}, Case{1000, 40, 16}, Case{2048, 20, 8}}) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes");
        std::vector<void*> blocks;
        Stages stages;
        std::thread other([&] {
            for (unsigned long i = 0; i < c.freed; ++i)
                blocks.push_back(Allocator().Alloc(c.size));
            FreeAll(blocks, c.size);
            stages.Advance(); // 1
            stages.WaitFor(2);
        });
        stages.WaitFor(1);
        EXPECT_GE(Allocator().CountFreeListBlocks(c.size), c.freed - c.cachedAtMost);
        EXPECT_LT(Allocator().CountFreeListBlocks(c.size), c.freed);
        stages.Advance(); // 2
        other.join();
        EXPECT_EQ(Allocator().CountFreeListBlocks(c.size), c.freed);
        std::vector<void*> again;
        for (unsigned long i = 0; i < c.freed; ++i)
            again.push_back(Allocator().Alloc(c.size));
        EXPECT_TRUE(std::is_permutation(again.begin(), again.end(), blocks.begin()));
        FreeAll(again, c.size);
        Allocator().ReleaseFreeLists(-1);
    }
}

// A release asked for on one thread reaches the middle-size blocks in another thread's cache at
// that thread's next free.
TEST_F(GAllocatorTest, AnotherThreadsCachedMiddleBlocksGoBackAtItsNextFreeAfterARelease) {
    Stages stages;
    std::thread other([&] {
        Allocator().Free(Allocator().Alloc(200), 200);
        stages.Advance(); // 1
        stages.WaitFor(2);
        Allocator().Free(Allocator().Alloc(300), 300);
        stages.Advance(); // 3
        stages.WaitFor(4);
    });
    stages.WaitFor(1);
    EXPECT_EQ(Allocator().ReleaseFreeLists(-1), 0u) << "the block waits in the other thread's cache";
    stages.Advance(); // 2
    stages.WaitFor(3);
    EXPECT_EQ(Allocator().CountFreeListBlocks(200), 1u);
    EXPECT_EQ(Allocator().ReleaseFreeLists(-1), 200u + 304u) << "300 bytes take a block of 304";
    stages.Advance(); // 4
    other.join();
}

TEST_F(GAllocatorTest, TheFreeCounterCountsCachedFrees) {
    const int counter = Allocator().GetFreeCounter();
    const unsigned long sizes[] = {0, 1, 8, 9, 64, 127, 128, 129, 3000};
    for (unsigned long size : sizes)
        Allocator().Free(Allocator().Alloc(size), size);
    EXPECT_EQ(Allocator().GetFreeCounter(), counter + static_cast<int>(std::size(sizes)));
}

// A large block goes back to the heap, yet its free counts like any other: at once on a thread
// without a cache, with the thread's cached frees (folded in when it ends) on one that has one.
TEST_F(GAllocatorTest, LargeFreesCountOnThreadsWithAndWithoutACache) {
    const int counter = Allocator().GetFreeCounter();
    std::thread([] { Allocator().Free(Allocator().Alloc(5000), 5000); }).join();
    EXPECT_EQ(Allocator().GetFreeCounter(), counter + 1);
    std::thread([] {
        Allocator().Free(Allocator().Alloc(8), 8);
        Allocator().Free(Allocator().Alloc(5000), 5000);
    }).join();
    EXPECT_EQ(Allocator().GetFreeCounter(), counter + 3);
}

// A block freed twice is refused while the freeing thread's cache or its pool still holds it;
// nothing changes and it is not handed out twice. (An 8-byte block carries no mark: it is caught
// only as the last block freed.)
TEST_F(GAllocatorTest, ABlockFreedTwiceIsRefused) {
    struct Case {
        const char* what;
        unsigned long size;
        bool otherFreedBetween;
        bool backInPool;
    };
    const Case cases[] = {
        {"8 bytes, at once", 8, false, false},
        {"48 bytes, at once", 48, false, false},
        {"128 bytes, at once", 128, false, false},
        {"16 bytes, after another free", 16, true, false},
        {"48 bytes, after another free", 48, true, false},
        {"48 bytes, from its pool", 48, false, true},
        {"120 bytes, from its pool", 120, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Keeps the chunk in use, so that releasing the lists does not give it back.
        void* keep = Allocator().Alloc(c.size);
        void* block = Allocator().Alloc(c.size);
        void* other = Allocator().Alloc(c.size);
        Allocator().Free(block, c.size);
        if (c.otherFreedBetween)
            Allocator().Free(other, c.size);
        if (c.backInPool)
            Allocator().ReleaseFreeLists(-1);
        const int counter = Allocator().GetFreeCounter();
        try {
            Allocator().Free(block, c.size);
            ADD_FAILURE() << "the second free was taken";
        } catch (const GSimpleException& e) {
            EXPECT_EQ(e.GetExceptionID(), 40017);
        }
        EXPECT_EQ(Allocator().GetFreeCounter(), counter);
        void* first = Allocator().Alloc(c.size);
        void* second = Allocator().Alloc(c.size);
        EXPECT_NE(first, second);
        Allocator().Free(first, c.size);
        Allocator().Free(second, c.size);
        if (!c.otherFreedBetween)
            Allocator().Free(other, c.size);
        Allocator().Free(keep, c.size);
    }
}

// Producers hand blocks of every kind to consumers, which check them and free them.
TEST_F(GAllocatorTest, ThreadsFreeEachOthersBlocksSafely) {
    struct Item {
        unsigned char* block;
        unsigned long size;
        unsigned char fill;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Item> queue;
    int producing = 4;
    std::atomic<bool> intact{true};
    std::vector<unsigned long> chunksBefore;
    for (unsigned long size = 8; size <= 128; size += 8)
        chunksBefore.push_back(Allocator().CountPoolChunks(size));
    auto produce = [&](unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < 20000; ++i) {
            unsigned long size = random() % 4 == 0 ? random() % 3000 : random() % 129;
            auto fill = static_cast<unsigned char>(random());
            auto* block = static_cast<unsigned char*>(Allocator().Alloc(size));
            std::memset(block, fill, size);
            std::lock_guard<std::mutex> lock(mutex);
            queue.push_back({block, size, fill});
            changed.notify_one();
        }
        std::lock_guard<std::mutex> lock(mutex);
        --producing;
        changed.notify_all();
    };
    auto consume = [&] {
        for (;;) {
            Item item;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return !queue.empty() || producing == 0; });
                if (queue.empty())
                    return;
                item = queue.back();
                queue.pop_back();
            }
            if (item.size > 0 && (item.block[0] != item.fill || item.block[item.size - 1] != item.fill))
                intact = false;
            Allocator().Free(item.block, item.size);
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) {
        threads.emplace_back(produce, t + 1);
        threads.emplace_back(consume);
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_TRUE(intact);
    // Every block is back in its pool: the chunks the threads made go back to the heap.
    Allocator().ReleaseFreeLists(-1);
    for (unsigned long size = 8; size <= 128; size += 8)
        EXPECT_EQ(Allocator().CountPoolChunks(size), chunksBefore[size / 8 - 1]) << size << " bytes";
}

TEST(GFixedSizeAllocator, ChunksAreMadeOnDemandAndReleasedWhenAllFree) {
    GFixedSizeAllocator pool(24);
    EXPECT_EQ(pool.CountChunks(), 0u);
    std::vector<void*> blocks;
    for (unsigned long i = 0; i < kChunk / 24; ++i)
        blocks.push_back(pool.AllocBlock());
    EXPECT_EQ(pool.CountChunks(), 1u);
    void* extra = pool.AllocBlock();
    EXPECT_EQ(pool.CountChunks(), 2u);

    for (void* block : blocks)
        pool.FreeBlock(block);
    EXPECT_EQ(pool.ReleaseFreeChunks(), kChunk);
    EXPECT_EQ(pool.CountChunks(), 1u);
    pool.FreeBlock(extra);
    EXPECT_EQ(pool.ReleaseFreeChunks(), kChunk);
    EXPECT_EQ(pool.CountChunks(), 0u);

    void* fresh = pool.AllocBlock();
    EXPECT_EQ(pool.CountChunks(), 1u);
    pool.FreeBlock(fresh);
}

TEST(GFixedSizeAllocator, ABlockNeverHandedOutIsRefused) {
    GFixedSizeAllocator pool(32);
    auto* first = static_cast<char*>(pool.AllocBlock());
    void* second = pool.AllocBlock();
    EXPECT_EQ(second, first + 32) << "blocks come in address order";
    EXPECT_THROW(pool.FreeBlock(first + 64), GSimpleException);
    EXPECT_EQ(pool.AllocBlock(), first + 64);
    for (void* block : {static_cast<void*>(first), second, static_cast<void*>(first + 64)})
        pool.FreeBlock(block);
    EXPECT_EQ(pool.ReleaseFreeChunks(), kChunk);
}

TEST(GFixedSizeAllocator, BlockFreedTwiceIntoAnAllFreeChunkIsRefused) {
    GFixedSizeAllocator pool(64);
    void* block = pool.AllocBlock();
    pool.FreeBlock(block);
    EXPECT_THROW(pool.FreeBlock(block), GSimpleException);
    EXPECT_EQ(pool.AllocBlock(), block);
    pool.FreeBlock(block);
    EXPECT_EQ(pool.ReleaseFreeChunks(), kChunk);
}

// The blocks TryAllocBlocks chains for the slot.
std::vector<void*> TakeBlocks(GFixedSizeAllocator& pool, unsigned n, GFixedSizeAllocator::Chunk** slot) {
    unsigned taken = 0;
    void* chain = pool.TryAllocBlocks(n, taken, slot);
    std::vector<void*> blocks;
    for (unsigned i = 0; i < taken; ++i, chain = *static_cast<void**>(chain))
        blocks.push_back(chain);
    EXPECT_EQ(chain, nullptr) << "the chain ends after the blocks taken";
    return blocks;
}

TEST(GFixedSizeAllocator, ClaimedChunksServeTheirSlotOnly) {
    using Chunk = GFixedSizeAllocator::Chunk;
    const unsigned long size = 64;
    const unsigned perChunk = kChunk / size;
    GFixedSizeAllocator pool(size);
    Chunk* mine = nullptr;
    Chunk* theirs = nullptr;
    EXPECT_TRUE(TakeBlocks(pool, 8, &mine).empty());

    std::vector<void*> held{pool.AllocBlockFrom(pool.MakeChunk(), &mine)};
    held.push_back(pool.AllocBlockFrom(pool.MakeChunk(), &theirs));
    ASSERT_NE(mine, nullptr);
    ASSERT_NE(theirs, nullptr);
    ASSERT_NE(mine, theirs);
    const std::vector<void*> first = TakeBlocks(pool, 8, &mine);
    EXPECT_EQ(first.size(), 8u);
    for (void* block : first) {
        EXPECT_TRUE(mine->Holds(block));
        held.push_back(block);
    }

    // Their chunk emptied: mine has free blocks but is not theirs to draw on.
    for (void* block : TakeBlocks(pool, perChunk - 1, &theirs)) {
        EXPECT_TRUE(theirs->Holds(block));
        held.push_back(block);
    }
    EXPECT_TRUE(TakeBlocks(pool, 4, &theirs).empty());
    // Without a slot, any chunk serves.
    void* any = pool.TryAllocBlock();
    EXPECT_TRUE(mine->Holds(any));
    held.push_back(any);

    // An unclaimed chunk with free blocks goes to the next slot that needs one.
    Chunk* other = nullptr;
    held.push_back(pool.AllocBlockFrom(pool.MakeChunk(), &other));
    GFixedSizeAllocator::Unclaim(&other);
    for (void* block : TakeBlocks(pool, 2, &theirs))
        held.push_back(block);
    EXPECT_NE(theirs, mine);
    EXPECT_TRUE(theirs->Holds(held.back()));

    // Chunks going back to the heap clear the slots that claimed them.
    for (void* block : held)
        pool.FreeBlock(block);
    EXPECT_EQ(pool.ReleaseFreeChunks(), 3 * kChunk);
    EXPECT_EQ(mine, nullptr);
    EXPECT_EQ(theirs, nullptr);
}

#endif // GALLOCATOR_USE_HEAP

// The out-of-memory handler, driven directly. Each test sees our handler installed over
// `previous` and no notifier; the fixture puts the plain state back.
class GAllocatorNewHandlerTest : public ::testing::Test {
protected:
    void Install(std::new_handler previous) {
        GAllocator::Finalize();
        std::set_new_handler(previous);
        GAllocator::Initialize();
    }
    void SetUp() override {
        Install(nullptr);
        sCalls = 0;
        sInnerOutcome = Outcome::kNotRun;
        Allocator().ReleaseFreeLists(-1);
    }
    void TearDown() override {
        GAllocator::SetLowMemoryNotifier(nullptr);
        Install(nullptr);
    }

    enum class Outcome { kNotRun, kReturned, kMemoryException, kOtherException };

    static Outcome RunHandler() {
        try {
            GAllocator::NewHandler();
            return Outcome::kReturned;
        } catch (const GMemoryException& e) {
            return e.GetExceptionID() == 2451 ? Outcome::kMemoryException : Outcome::kOtherException;
        } catch (...) {
            return Outcome::kOtherException;
        }
    }

    static void FreeSomething() {
        ++sCalls;
        GAllocator::GetInstance()->SetMoreMemoryFree(true);
    }
    static void FreeNothing() { ++sCalls; }
    static void ReenterHandler() {
        ++sCalls;
        sInnerOutcome = RunHandler();
        GAllocator::GetInstance()->SetMoreMemoryFree(true);
    }

    static int sCalls;
    static Outcome sInnerOutcome;
};

int GAllocatorNewHandlerTest::sCalls = 0;
GAllocatorNewHandlerTest::Outcome GAllocatorNewHandlerTest::sInnerOutcome = Outcome::kNotRun;

TEST_F(GAllocatorNewHandlerTest, InitializeInstallsAndFinalizeRestoresThePreviousHandler) {
    auto sentinel = +[] {};
    Install(sentinel);
    EXPECT_EQ(std::get_new_handler(), &GAllocator::NewHandler);
    GAllocator::Initialize();
    GAllocator::Finalize();
    EXPECT_EQ(std::get_new_handler(), sentinel);
    GAllocator::Finalize();
    EXPECT_EQ(std::get_new_handler(), sentinel);

    // A handler installed over ours is someone else's and stays.
    auto later = +[] {};
    GAllocator::Initialize();
    std::set_new_handler(later);
    GAllocator::Finalize();
    EXPECT_EQ(std::get_new_handler(), later);
}

TEST_F(GAllocatorNewHandlerTest, WithoutAnyoneFreeingMemoryItThrowsMemoryException) {
    void* block = Allocator().Alloc(200);
    Allocator().Free(block, 200);
    try {
        GAllocator::NewHandler();
        ADD_FAILURE() << "the handler returned although nothing was freed";
    } catch (const std::bad_alloc& e) {
        const auto* memory = dynamic_cast<const GMemoryException*>(&e);
        ASSERT_NE(memory, nullptr);
        EXPECT_EQ(memory->GetExceptionID(), 2451);
    }
    EXPECT_EQ(Allocator().CountFreeListBlocks(200), 0u);
    // The re-entry budget is back: a second run gets as far as the notifier.
    GAllocator::SetLowMemoryNotifier(FreeNothing);
    EXPECT_EQ(RunHandler(), Outcome::kMemoryException);
    EXPECT_EQ(sCalls, 1);
}

TEST_F(GAllocatorNewHandlerTest, ANotifiedPartyThatFreesMemoryLetsTheAllocationRetry) {
    Allocator().SetMoreMemoryFree(true);
    GAllocator::SetLowMemoryNotifier(FreeNothing);
    EXPECT_EQ(RunHandler(), Outcome::kMemoryException) << "the flag must be cleared before notifying";

    EXPECT_EQ(GAllocator::SetLowMemoryNotifier(FreeSomething), &FreeNothing);
    EXPECT_EQ(RunHandler(), Outcome::kReturned);
    EXPECT_EQ(RunHandler(), Outcome::kReturned);
    EXPECT_EQ(sCalls, 3);
}

TEST_F(GAllocatorNewHandlerTest, TheHandlerIsNotReentered) {
    GAllocator::SetLowMemoryNotifier(ReenterHandler);
    EXPECT_EQ(RunHandler(), Outcome::kReturned);
    EXPECT_EQ(sInnerOutcome, Outcome::kMemoryException);
    EXPECT_EQ(sCalls, 1);
}

TEST_F(GAllocatorNewHandlerTest, ThePreviousHandlerDecidesWhetherTheAllocationIsRetried) {
    struct Case {
        const char* what;
        std::new_handler previous;
        Outcome outcome;
    };
    const Case cases[] = {
        {"returns", +[] {}, Outcome::kReturned},
        {"throws bad_alloc", +[] { throw std::bad_alloc(); }, Outcome::kMemoryException},
        {"throws something else", +[] { throw std::runtime_error("other"); }, Outcome::kOtherException},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Install(c.previous);
        EXPECT_EQ(RunHandler(), c.outcome);
        // The budget is restored whatever happened.
        GAllocator::SetLowMemoryNotifier(ReenterHandler);
        Install(nullptr);
        EXPECT_EQ(RunHandler(), Outcome::kReturned);
        EXPECT_EQ(sInnerOutcome, Outcome::kMemoryException);
        GAllocator::SetLowMemoryNotifier(nullptr);
    }
}

#ifndef TROVEL_TEST_UNDER_SANITIZER

// In a child process whose address space is capped, the heap really refuses; a thread of its own
// checks that the allocator's mutex is free while the handler runs and after it failed.
class HeapRefusal {
public:
    HeapRefusal() : mProbe([this] { Probe(); }) {
        GAllocator::Finalize();
        std::set_new_handler(nullptr);
        GAllocator::Initialize();
    }
    ~HeapRefusal() {
        {
            std::lock_guard<std::mutex> lock(mLock);
            mQuit = true;
        }
        mChanged.notify_all();
        mProbe.join();
    }

    bool CapAddressSpace() {
        long pages = 0;
        std::FILE* statm = std::fopen("/proc/self/statm", "r");
        if (statm == nullptr)
            return false;
        bool read = std::fscanf(statm, "%ld", &pages) == 1;
        std::fclose(statm);
        rlim_t cap = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (64ul << 20);
        rlimit limit{cap, cap};
        return read && setrlimit(RLIMIT_AS, &limit) == 0;
    }

    // True when another thread can take the allocator's mutex.
    bool AllocatorUnlocked() {
        std::unique_lock<std::mutex> lock(mLock);
        ++mRequests;
        mChanged.notify_all();
        return mChanged.wait_for(lock, std::chrono::seconds(10), [this] { return mDone == mRequests; });
    }

    // Takes 2048-byte blocks, chained through their first bytes, until `stop` or an exception.
    void TakeBlocksUntil(const bool& stop) {
        while (!stop) {
            void* block = Allocator().Alloc(2048);
            *static_cast<void**>(block) = mChain;
            mChain = block;
        }
    }
    void FreeBlocks() {
        while (mChain != nullptr) {
            void* next = *static_cast<void**>(mChain);
            Allocator().Free(mChain, 2048);
            mChain = next;
        }
    }

private:
    void Probe() {
        std::unique_lock<std::mutex> lock(mLock);
        for (;;) {
            mChanged.wait(lock, [this] { return mQuit || mDone < mRequests; });
            if (mQuit)
                return;
            lock.unlock();
            Allocator().GetFreeCounter();
            lock.lock();
            ++mDone;
            mChanged.notify_all();
        }
    }

    std::mutex mLock;
    std::condition_variable mChanged;
    int mRequests = 0;
    int mDone = 0;
    bool mQuit = false;
    void* mChain = nullptr;
    std::thread mProbe;
};

HeapRefusal* gRefusal = nullptr;
bool gNotified = false;
bool gUnlockedWhileNotified = false;

void FreeTheChain() {
    gUnlockedWhileNotified = gRefusal->AllocatorUnlocked();
    gRefusal->FreeBlocks();
    GAllocator::GetInstance()->SetMoreMemoryFree(true);
    gNotified = true;
}

int RecoverThroughTheNotifier() {
    HeapRefusal refusal;
    gRefusal = &refusal;
    if (!refusal.CapAddressSpace())
        return 10;
    GAllocator::SetLowMemoryNotifier(FreeTheChain);
    try {
        refusal.TakeBlocksUntil(gNotified);
    } catch (...) {
        return 11;
    }
    refusal.FreeBlocks();
    return gUnlockedWhileNotified ? 0 : 12;
}

int FailWithMemoryException() {
    HeapRefusal refusal;
    if (!refusal.CapAddressSpace())
        return 10;
    const bool never = false;
    try {
        refusal.TakeBlocksUntil(never);
    } catch (const GMemoryException& e) {
        refusal.FreeBlocks();
        if (e.GetExceptionID() != 2451)
            return 13;
        return refusal.AllocatorUnlocked() ? 0 : 12;
    } catch (...) {
        return 11;
    }
    return 14;
}

TEST(GAllocatorHeapRefusal, ANotifiedPartyFreesMemoryAndTheAllocationSucceeds) {
    EXPECT_EXIT(_exit(RecoverThroughTheNotifier()), ::testing::ExitedWithCode(0), "");
}

TEST(GAllocatorHeapRefusal, WhenNothingCanBeFreedTheCallerGetsMemoryException) {
    EXPECT_EXIT(_exit(FailWithMemoryException()), ::testing::ExitedWithCode(0), "");
}

#ifndef GALLOCATOR_USE_HEAP

// The heap refuses the chunk a thread needs while a chunk that another thread claims has free
// blocks: the allocation takes one of those rather than failing.
int BorrowFromAClaimedChunkWhenNoChunkCanBeMade() {
    const unsigned long size = 56;
    std::vector<void*> mine = FillANewChunk(size);
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    bool done = false;
    void* theirs = nullptr;
    std::thread other([&] {
        theirs = Allocator().Alloc(size);
        std::unique_lock<std::mutex> lock(mutex);
        holding = true;
        changed.notify_all();
        changed.wait(lock, [&] { return done; });
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return holding; });
    }
    int outcome = 0;
    long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1)
        outcome = 10;
    if (statm != nullptr)
        std::fclose(statm);
    rlim_t cap = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (1ul << 20);
    rlimit limit{cap, cap};
    if (outcome == 0 && setrlimit(RLIMIT_AS, &limit) != 0)
        outcome = 10;
    if (outcome == 0) {
        GAllocator::FailFastScope failFast;
        try {
            void* block = Allocator().Alloc(size);
            outcome = block != nullptr && std::find(mine.begin(), mine.end(), block) == mine.end() ? 0 : 12;
        } catch (const GMemoryException&) {
            outcome = 11;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        changed.notify_all();
    }
    other.join();
    return outcome;
}

TEST(GAllocatorHeapRefusal, WithoutMemoryForAChunkAThreadTakesABlockOfAnotherThreadsChunk) {
    EXPECT_EXIT(_exit(BorrowFromAClaimedChunkWhenNoChunkCanBeMade()), ::testing::ExitedWithCode(0), "");
}

#endif // GALLOCATOR_USE_HEAP

#endif // TROVEL_TEST_UNDER_SANITIZER

} // namespace
