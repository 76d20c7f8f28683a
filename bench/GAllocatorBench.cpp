// Block churn: a set of live blocks of mixed sizes, one freed and one allocated per iteration at
// a random slot. The same sizes and slots drive GAllocator, glibc malloc/free and
// std::pmr::unsynchronized_pool_resource. The threaded cases run 4 threads, each with a quarter
// of the live blocks: in one each thread churns its own blocks, in the other each frees only
// blocks that its neighbour allocated (see ChurnAcrossThreads).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory_resource>
#include <random>
#include <thread>
#include <vector>

#include "BenchRatio.h"
#include "core/memory/GAllocator.h"

namespace {

constexpr std::size_t kPattern = 1 << 16;

struct Ours {
    GAllocator* allocator = GAllocator::GetInstance();
    void* Alloc(std::size_t size) { return allocator->Alloc(size); }
    void Free(void* block, std::size_t size) { allocator->Free(block, size); }
};

struct Malloc {
    void* Alloc(std::size_t size) { return std::malloc(size); }
    void Free(void* block, std::size_t) { std::free(block); }
};

struct Pmr {
    std::pmr::unsynchronized_pool_resource pool;
    void* Alloc(std::size_t size) { return pool.allocate(size, 8); }
    void Free(void* block, std::size_t size) { pool.deallocate(block, size, 8); }
};

struct Pattern {
    std::vector<std::size_t> sizes;
    std::vector<std::size_t> slots;
};

Pattern MakePattern(std::size_t smallest, std::size_t largest, std::size_t live) {
    std::mt19937_64 random(42);
    std::uniform_int_distribution<std::size_t> size(smallest, largest);
    std::uniform_int_distribution<std::size_t> slot(0, live - 1);
    Pattern pattern;
    for (std::size_t i = 0; i < kPattern; ++i) {
        pattern.sizes.push_back(size(random));
        pattern.slots.push_back(slot(random));
    }
    return pattern;
}

template <class Impl>
void Churn(benchmark::State& state, std::size_t smallest, std::size_t largest, int threads = 1) {
    const auto live = static_cast<std::size_t>(state.range(0)) / static_cast<std::size_t>(threads);
    const Pattern pattern = MakePattern(smallest, largest, live);
    Impl impl;
    std::vector<void*> blocks(live);
    std::vector<std::size_t> sizes(live);
    for (std::size_t i = 0; i < live; ++i) {
        sizes[i] = pattern.sizes[i % kPattern];
        blocks[i] = impl.Alloc(sizes[i]);
    }
    std::size_t step = 0;
    for (auto _ : state) {
        const std::size_t at = step & (kPattern - 1);
        const std::size_t slot = pattern.slots[at];
        impl.Free(blocks[slot], sizes[slot]);
        const std::size_t size = pattern.sizes[at];
        void* block = impl.Alloc(size);
        *static_cast<char*>(block) = 1;
        benchmark::DoNotOptimize(block);
        blocks[slot] = block;
        sizes[slot] = size;
        ++step;
    }
    for (std::size_t i = 0; i < live; ++i)
        impl.Free(blocks[i], sizes[i]);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

constexpr int kThreads = 4;
constexpr std::size_t kBatch = 1024;

// A batch of blocks handed from one thread to the next, and whether it waits to be taken.
struct Mailbox {
    std::vector<std::pair<void*, std::size_t>> blocks;
    std::atomic<bool> full{false};
};

Mailbox gMailboxes[kThreads];

// Hands made to the next thread and takes the previous thread's batch.
void Exchange(int self, std::vector<std::pair<void*, std::size_t>>& made,
              std::vector<std::pair<void*, std::size_t>>& taken) {
    Mailbox& outbox = gMailboxes[self];
    Mailbox& inbox = gMailboxes[(self + kThreads - 1) % kThreads];
    while (outbox.full.load(std::memory_order_acquire))
        std::this_thread::yield();
    outbox.blocks.swap(made);
    outbox.full.store(true, std::memory_order_release);
    while (!inbox.full.load(std::memory_order_acquire))
        std::this_thread::yield();
    taken.swap(inbox.blocks);
    inbox.full.store(false, std::memory_order_release);
    made.clear();
}

// Like Churn, but each freed slot is refilled with a block the previous thread allocated, and
// each new block goes to the next thread: every free in the loop is of another thread's block.
// Blocks travel in batches of kBatch, which are live too.
template <class Impl>
void ChurnAcrossThreads(benchmark::State& state, std::size_t smallest, std::size_t largest) {
    const auto live = static_cast<std::size_t>(state.range(0)) / kThreads;
    const int self = state.thread_index();
    const Pattern pattern = MakePattern(smallest, largest, live);
    Impl impl;
    std::vector<void*> blocks(live);
    std::vector<std::size_t> sizes(live);
    for (std::size_t i = 0; i < live; ++i) {
        sizes[i] = pattern.sizes[i % kPattern];
        blocks[i] = impl.Alloc(sizes[i]);
    }
    std::vector<std::pair<void*, std::size_t>> made, taken;
    made.reserve(kBatch);
    taken.reserve(kBatch);
    for (std::size_t i = 0; i < kBatch; ++i) {
        const std::size_t size = pattern.sizes[(live + i) % kPattern];
        made.emplace_back(impl.Alloc(size), size);
    }
    Exchange(self, made, taken);
    std::size_t step = 0;
    std::size_t next = 0;
    for (auto _ : state) {
        const std::size_t at = step & (kPattern - 1);
        const std::size_t slot = pattern.slots[at];
        impl.Free(blocks[slot], sizes[slot]);
        const std::size_t size = pattern.sizes[at];
        void* block = impl.Alloc(size);
        *static_cast<char*>(block) = 1;
        made.emplace_back(block, size);
        blocks[slot] = taken[next].first;
        sizes[slot] = taken[next].second;
        ++step;
        // Every thread runs as many iterations, so every batch handed over is taken. The wait
        // for the neighbour is not timed: on a busy machine it would measure the scheduler.
        if (++next == kBatch) {
            next = 0;
            state.PauseTiming();
            Exchange(self, made, taken);
            state.ResumeTiming();
        }
    }
    for (std::size_t i = next; i < taken.size(); ++i)
        impl.Free(taken[i].first, taken[i].second);
    for (auto [block, size] : made)
        impl.Free(block, size);
    for (std::size_t i = 0; i < live; ++i)
        impl.Free(blocks[i], sizes[i]);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

template <class Impl>
void Register(const char* name, std::size_t smallest, std::size_t largest) {
    benchmark::RegisterBenchmark(name, [=](benchmark::State& state) { Churn<Impl>(state, smallest, largest); })
        ->Arg(64)
        ->Arg(4096)
        ->Arg(65536);
}

template <class Impl>
void RegisterFourThreads(const char* sameName, const char* crossName, std::size_t smallest, std::size_t largest) {
    for (long live : {64l, 4096l, 65536l}) {
        benchmark::RegisterBenchmark(sameName, [=](benchmark::State& state) {
            Churn<Impl>(state, smallest, largest, kThreads);
        })->Arg(live)->Threads(kThreads)->UseRealTime();
        benchmark::RegisterBenchmark(crossName, [=](benchmark::State& state) {
            ChurnAcrossThreads<Impl>(state, smallest, largest);
        })->Arg(live)->Threads(kThreads)->UseRealTime();
    }
}

// Peers run right after ours on each case, so that they meet the same machine state.
#define TROVEL_REGISTER_CHURN(caseName, smallest, largest)                                  \
    Register<Ours>(TROVEL_BENCH_NAME(caseName, "ours"), smallest, largest);                 \
    Register<Malloc>(TROVEL_BENCH_NAME(caseName, "malloc"), smallest, largest);             \
    Register<Pmr>(TROVEL_BENCH_NAME(caseName, "pmr_pool"), smallest, largest)

// pmr's unsynchronized pool cannot take blocks of another thread: malloc is the only peer there.
#define TROVEL_REGISTER_THREADED_CHURN(sameName, crossName, smallest, largest)                         \
    RegisterFourThreads<Ours>(TROVEL_BENCH_NAME(sameName, "ours"), TROVEL_BENCH_NAME(crossName, "ours"), \
                              smallest, largest);                                                     \
    RegisterFourThreads<Malloc>(TROVEL_BENCH_NAME(sameName, "malloc"),                                 \
                                TROVEL_BENCH_NAME(crossName, "malloc"), smallest, largest)

const bool kRegistered = [] {
    TROVEL_REGISTER_CHURN("AllocSmallChurn", 8, 128);
    TROVEL_REGISTER_CHURN("AllocMiddleChurn", 129, 2048);
    TROVEL_REGISTER_THREADED_CHURN("AllocSmallChurn4Threads", "AllocSmallChurn4ThreadsCrossFree", 8, 128);
    TROVEL_REGISTER_THREADED_CHURN("AllocMiddleChurn4Threads", "AllocMiddleChurn4ThreadsCrossFree", 129, 2048);
    return true;
}();

} // namespace
