// GDict against std::unordered_map: building from empty, lookups that hit, lookups that miss.
// A key type joins by specialising BenchKeys (distinct keys and keys known to be absent) and
// adding one RegisterDictCases<Key>() line below.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "BenchRatio.h"
#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"

namespace {

template <class K>
struct BenchKeys;

template <>
struct BenchKeys<int> {
    static const char* Name() { return "int"; }
    using PeerKey = int;
    using PeerHash = std::hash<int>;
    static int ToPeer(int key) { return key; }
    // n distinct keys, then n more keys that are not among them.
    static std::vector<int> Make(int n) {
        std::mt19937 random(12345);
        std::unordered_set<int> seen;
        std::vector<int> keys;
        while (static_cast<int>(keys.size()) < 2 * n) {
            const int key = static_cast<int>(random());
            if (seen.insert(key).second)
                keys.push_back(key);
        }
        return keys;
    }
};

// Byte-string keys: identifiers of 8 to 40 bytes, as preference keys and names are.
template <>
struct BenchKeys<GBuffer> {
    static const char* Name() { return "bytes"; }
    using PeerKey = std::string;
    using PeerHash = std::hash<std::string>;
    static std::string ToPeer(const GBuffer& key) {
        return std::string(reinterpret_cast<const char*>(key.GetPtr()), static_cast<std::size_t>(key.GetLength()));
    }
    static std::vector<GBuffer> Make(int n) {
        std::mt19937 random(12345);
        std::unordered_set<std::string> seen;
        std::vector<GBuffer> keys;
        static const char cLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
        while (static_cast<int>(keys.size()) < 2 * n) {
            std::string key(8 + random() % 33, ' ');
            for (char& c : key)
                c = cLetters[random() % (sizeof(cLetters) - 1)];
            if (seen.insert(key).second)
                keys.emplace_back(reinterpret_cast<const unsigned char*>(key.data()), static_cast<int>(key.size()));
        }
        return keys;
    }
};

template <class K>
struct Workload {
    explicit Workload(int n) {
        std::vector<K> all = BenchKeys<K>::Make(n);
        present.assign(all.begin(), all.begin() + n);
        absent.assign(all.begin() + n, all.end());
        probes = present;
        std::shuffle(probes.begin(), probes.end(), std::mt19937(99));
        for (const K& key : present)
            peerPresent.push_back(BenchKeys<K>::ToPeer(key));
        for (const K& key : absent)
            peerAbsent.push_back(BenchKeys<K>::ToPeer(key));
        for (const K& key : probes)
            peerProbes.push_back(BenchKeys<K>::ToPeer(key));
    }
    using PeerKey = typename BenchKeys<K>::PeerKey;
    std::vector<K> present;
    std::vector<K> absent;
    std::vector<K> probes; // present keys in another order
    std::vector<PeerKey> peerPresent;
    std::vector<PeerKey> peerAbsent;
    std::vector<PeerKey> peerProbes;
};

template <class K>
using Peer = std::unordered_map<typename BenchKeys<K>::PeerKey, int, typename BenchKeys<K>::PeerHash>;

template <class K>
void InsertOurs(benchmark::State& state) {
    const Workload<K> work(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        GDict<K, int> dict(0);
        int value = 0;
        for (const K& key : work.present)
            dict.Put(key, value++);
        benchmark::DoNotOptimize(dict.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <class K>
void InsertPeer(benchmark::State& state) {
    const Workload<K> work(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Peer<K> map;
        int value = 0;
        for (const auto& key : work.peerPresent)
            map[key] = value++;
        benchmark::DoNotOptimize(map.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <class K>
void LookupOurs(benchmark::State& state, bool hit) {
    const Workload<K> work(static_cast<int>(state.range(0)));
    GDict<K, int> dict(0);
    int value = 0;
    for (const K& key : work.present)
        dict.Put(key, value++);
    const std::vector<K>& probes = hit ? work.probes : work.absent;
    for (auto _ : state) {
        long sum = 0;
        for (const K& key : probes) {
            int slot;
            if (dict.GetExistingIndex(key, slot))
                sum += dict.GetValueAt(slot);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <class K>
void LookupPeer(benchmark::State& state, bool hit) {
    const Workload<K> work(static_cast<int>(state.range(0)));
    Peer<K> map;
    int value = 0;
    for (const auto& key : work.peerPresent)
        map[key] = value++;
    const auto& probes = hit ? work.peerProbes : work.peerAbsent;
    for (auto _ : state) {
        long sum = 0;
        for (const auto& key : probes) {
            const auto found = map.find(key);
            if (found != map.end())
                sum += found->second;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <class K>
void RegisterDictCases() {
    const std::string type = BenchKeys<K>::Name();
    auto sizes = [](benchmark::internal::Benchmark* b) { b->Arg(1000)->Arg(100000); };
    sizes(benchmark::RegisterBenchmark(("DictInsert<" + type + ">@ours").c_str(), InsertOurs<K>));
    sizes(benchmark::RegisterBenchmark(("DictInsert<" + type + ">@unordered_map").c_str(), InsertPeer<K>));
    sizes(benchmark::RegisterBenchmark(("DictHit<" + type + ">@ours").c_str(), LookupOurs<K>, true));
    sizes(benchmark::RegisterBenchmark(("DictHit<" + type + ">@unordered_map").c_str(), LookupPeer<K>, true));
    sizes(benchmark::RegisterBenchmark(("DictMiss<" + type + ">@ours").c_str(), LookupOurs<K>, false));
    sizes(benchmark::RegisterBenchmark(("DictMiss<" + type + ">@unordered_map").c_str(), LookupPeer<K>, false));
}

const bool sRegistered = [] {
    RegisterDictCases<int>();
    RegisterDictCases<GBuffer>();
    return true;
}();

} // namespace
