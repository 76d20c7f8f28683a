// GName interning against the usual alternative: a std::unordered_set<std::string> under a
// std::mutex. "Existing" interns names already in the table, cycling through n of them; "New"
// interns a name never seen before on every iteration (both tables only grow).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "BenchRatio.h"
#include "core/text/GName.h"

namespace {

std::vector<std::string> Names(char const* prefix, int n) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        names.push_back(std::string(prefix) + ".Interned.Name." + std::to_string(i * 7919));
    return names;
}

struct PeerTable {
    std::mutex mutex;
    std::unordered_set<std::string> names;

    std::string const* Intern(char const* text) {
        std::lock_guard<std::mutex> lock(mutex);
        return &*names.insert(std::string(text)).first;
    }
};

void ExistingOurs(benchmark::State& state) {
    const std::vector<std::string> names = Names("ours", static_cast<int>(state.range(0)));
    for (std::string const& name : names)
        GName warm(name.c_str());
    std::size_t i = 0;
    for (auto _ : state) {
        GName name(names[i].c_str());
        benchmark::DoNotOptimize(name.GetNameData());
        i = i + 1 == names.size() ? 0 : i + 1;
    }
}

void ExistingPeer(benchmark::State& state) {
    const std::vector<std::string> names = Names("peer", static_cast<int>(state.range(0)));
    PeerTable table;
    for (std::string const& name : names)
        table.Intern(name.c_str());
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.Intern(names[i].c_str()));
        i = i + 1 == names.size() ? 0 : i + 1;
    }
}

// The name is made in a buffer on every iteration, on both sides alike.
void NewOurs(benchmark::State& state) {
    static unsigned long long counter = 0;
    char text[64];
    for (auto _ : state) {
        std::snprintf(text, sizeof text, "ours.Fresh.Name.%llu", counter++);
        GName name(text);
        benchmark::DoNotOptimize(name.GetNameData());
    }
}

void NewPeer(benchmark::State& state) {
    static unsigned long long counter = 0;
    static PeerTable table;
    char text[64];
    for (auto _ : state) {
        std::snprintf(text, sizeof text, "peer.Fresh.Name.%llu", counter++);
        benchmark::DoNotOptimize(table.Intern(text));
    }
}

BENCHMARK(ExistingOurs)->Name(TROVEL_BENCH_NAME("NameExisting", "ours"))->Arg(100)->Arg(100000);
BENCHMARK(ExistingPeer)->Name(TROVEL_BENCH_NAME("NameExisting", "unordered_set"))->Arg(100)->Arg(100000);
BENCHMARK(NewOurs)->Name(TROVEL_BENCH_NAME("NameNew", "ours"));
BENCHMARK(NewPeer)->Name(TROVEL_BENCH_NAME("NameNew", "unordered_set"));

} // namespace
