// GTable against std::vector: appending from empty and inserting in the middle, for an item
// that moves bitwise (int) and one that must be moved by its constructor (std::string).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchRatio.h"
#include "core/containers/GTable.h"

namespace {

template <class T>
T MakeItem(int i);
template <>
int MakeItem<int>(int i) {
    return i;
}
template <>
std::string MakeItem<std::string>(int i) {
    std::string digits = std::to_string(i);
    return "item-" + std::string(7 - digits.size(), '0') + digits; // a short name, within the inline buffer
}

template <class T>
void AppendOurs(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const T item = MakeItem<T>(7);
    for (auto _ : state) {
        GTable<T> table;
        for (int i = 0; i < n; ++i)
            table.AddItem(item);
        benchmark::DoNotOptimize(table.begin());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

template <class T>
void AppendPeer(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const T item = MakeItem<T>(7);
    for (auto _ : state) {
        std::vector<T> vector;
        for (int i = 0; i < n; ++i)
            vector.push_back(item);
        benchmark::DoNotOptimize(vector.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

template <class T>
void InsertMiddleOurs(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const T item = MakeItem<T>(7);
    for (auto _ : state) {
        GTable<T> table;
        for (int i = 0; i < n; ++i)
            table.InsertItemAt(table.GetCount() / 2, item);
        benchmark::DoNotOptimize(table.begin());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

template <class T>
void InsertMiddlePeer(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const T item = MakeItem<T>(7);
    for (auto _ : state) {
        std::vector<T> vector;
        for (int i = 0; i < n; ++i)
            vector.insert(vector.begin() + static_cast<long>(vector.size() / 2), item);
        benchmark::DoNotOptimize(vector.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK_TEMPLATE(AppendOurs, int)->Name(TROVEL_BENCH_NAME("TableAppend<int>", "ours"))->Arg(1000)->Arg(100000);
BENCHMARK_TEMPLATE(AppendPeer, int)->Name(TROVEL_BENCH_NAME("TableAppend<int>", "vector"))->Arg(1000)->Arg(100000);
BENCHMARK_TEMPLATE(AppendOurs, std::string)->Name(TROVEL_BENCH_NAME("TableAppend<string>", "ours"))->Arg(1000)->Arg(100000);
BENCHMARK_TEMPLATE(AppendPeer, std::string)->Name(TROVEL_BENCH_NAME("TableAppend<string>", "vector"))->Arg(1000)->Arg(100000);
BENCHMARK_TEMPLATE(InsertMiddleOurs, int)->Name(TROVEL_BENCH_NAME("TableInsertMiddle<int>", "ours"))->Arg(1000)->Arg(10000);
BENCHMARK_TEMPLATE(InsertMiddlePeer, int)->Name(TROVEL_BENCH_NAME("TableInsertMiddle<int>", "vector"))->Arg(1000)->Arg(10000);
BENCHMARK_TEMPLATE(InsertMiddleOurs, std::string)->Name(TROVEL_BENCH_NAME("TableInsertMiddle<string>", "ours"))->Arg(1000)->Arg(10000);
BENCHMARK_TEMPLATE(InsertMiddlePeer, std::string)->Name(TROVEL_BENCH_NAME("TableInsertMiddle<string>", "vector"))->Arg(1000)->Arg(10000);

} // namespace
