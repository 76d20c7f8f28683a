// Block churn: a set of live blocks of mixed sizes, one freed and one allocated per iteration at
// a random slot. The same sizes and slots drive GAllocator, glibc malloc/free and
// std::pmr::unsynchronized_pool_resource. The threaded cases run 4 threads, each with a quarter
// of the live blocks: in one each thread churns its own blocks, in the other each frees only
// blocks that its neighbour allocated, handed over in batches of a quarter of the live blocks.
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

// A batch of blocks handed from one thread to the next, and whether it waits to be taken.
struct Mailbox {
    std::vector<std::pair<void*, std::size_t>> blocks;
    std::atomic<bool> full{false};
};

Mailbox gMailboxes[kThreads];

template <class Impl>
void ChurnAcrossThreads(benchmark::State& state, std::size_t smallest, std::size_t largest) {
    const auto batch = static_cast<std::size_t>(state.range(0)) / kThreads;
    const int self = state.thread_index();
    Mailbox& outbox = gMailboxes[self];
    Mailbox& inbox = gMailboxes[(self + kThreads - 1) % kThreads];
    const Pattern pattern = MakePattern(smallest, largest, batch);
    Impl impl;
    std::vector<std::pair<void*, std::size_t>> made(batch), taken;
    std::size_t step = 0;
    std::size_t at = 0;
    for (auto _ : state) {
        // Blocks of the neighbour, freed while ours are made; both halves swap at a batch end.
        if (at < taken.size())
            impl.Free(taken[at].first, taken[at].second);
        const std::size_t size = pattern.sizes[step & (kPattern - 1)];
        void* block = impl.Alloc(size);
        *static_cast<char*>(block) = 1;
        made[at] = {block, size};
        ++step;
        if (++at == batch) {
            at = 0;
            while (outbox.full.load(std::memory_order_acquire))
                std::this_thread::yield();
            outbox.blocks.assign(made.begin(), made.end());
            outbox.full.store(true, std::memory_order_release);
            while (!inbox.full.load(std::memory_order_acquire))
                std::this_thread::yield();
            taken.assign(inbox.blocks.begin(), inbox.blocks.end());
            inbox.full.store(false, std::memory_order_release);
        }
    }
    // Every thread runs as many iterations, so every batch handed over has been taken.
    for (std::size_t i = at; i < taken.size(); ++i)
        impl.Free(taken[i].first, taken[i].second);
    for (std::size_t i = 0; i < at; ++i)
        impl.Free(made[i].first, made[i].second);
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
