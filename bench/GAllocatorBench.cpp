// Block churn: a set of live blocks of mixed sizes, one freed and one allocated per iteration at
// a random slot. The same sizes and slots drive GAllocator, glibc malloc/free and
// std::pmr::unsynchronized_pool_resource.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory_resource>
#include <random>
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
void Churn(benchmark::State& state, std::size_t smallest, std::size_t largest) {
    const auto live = static_cast<std::size_t>(state.range(0));
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

template <class Impl>
void Register(const char* name, std::size_t smallest, std::size_t largest) {
    benchmark::RegisterBenchmark(name, [=](benchmark::State& state) { Churn<Impl>(state, smallest, largest); })
        ->Arg(64)
        ->Arg(4096)
        ->Arg(65536);
}

// Peers run right after ours on each case, so that they meet the same machine state.
#define TROVEL_REGISTER_CHURN(caseName, smallest, largest)                                  \
    Register<Ours>(TROVEL_BENCH_NAME(caseName, "ours"), smallest, largest);                 \
    Register<Malloc>(TROVEL_BENCH_NAME(caseName, "malloc"), smallest, largest);             \
    Register<Pmr>(TROVEL_BENCH_NAME(caseName, "pmr_pool"), smallest, largest)

const bool kRegistered = [] {
    TROVEL_REGISTER_CHURN("AllocSmallChurn", 8, 128);
    TROVEL_REGISTER_CHURN("AllocMiddleChurn", 129, 2048);
    return true;
}();

} // namespace
