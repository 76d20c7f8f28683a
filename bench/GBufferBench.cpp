// GBuffer search and hash beside std::string_view on the same bytes: a short haystack and 1 MB
// of pseudo-random lower-case text, the pattern placed at the very end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "BenchRatio.h"
#include "core/bytes/GBuffer.h"

namespace {

std::string const kNeedle = "xylophon";

std::string Haystack(std::int64_t size) {
    std::string text;
    text.reserve(static_cast<std::size_t>(size));
    std::uint32_t state = 12345;
    while (static_cast<std::int64_t>(text.size()) + static_cast<std::int64_t>(kNeedle.size()) < size) {
        state = state * 1664525u + 1013904223u;
        text.push_back(static_cast<char>('a' + (state >> 24) % 26));
    }
    return text + kNeedle;
}

GBuffer Borrow(std::string const& text) {
    GBuffer b;
    b.SetFromStatic(text.data(), static_cast<int>(text.size()), static_cast<int>(text.size()) + 1);
    return b;
}

void FindOurs(benchmark::State& state) {
    std::string text = Haystack(state.range(0));
    GBuffer hay = Borrow(text);
    GBuffer needle(kNeedle.c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(hay.FindSubBuffer(needle, 0));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void FindPeer(benchmark::State& state) {
    std::string text = Haystack(state.range(0));
    std::string_view hay(text);
    std::string_view needle(kNeedle);
    for (auto _ : state) {
        benchmark::DoNotOptimize(hay);  // no hoisting of the search out of the loop
        benchmark::DoNotOptimize(needle);
        benchmark::DoNotOptimize(hay.find(needle));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void FindByteOurs(benchmark::State& state) {
    std::string text = Haystack(state.range(0));
    text.back() = '#';
    GBuffer hay = Borrow(text);
    for (auto _ : state)
        benchmark::DoNotOptimize(hay.FindFirstOccurrence(static_cast<unsigned char>('#'), 0));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void FindBytePeer(benchmark::State& state) {
    std::string text = Haystack(state.range(0));
    text.back() = '#';
    std::string_view hay(text);
    for (auto _ : state) {
        benchmark::DoNotOptimize(hay);
        benchmark::DoNotOptimize(hay.find('#'));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void HashOurs(benchmark::State& state) {
    std::string text = Haystack(state.range(0));
    GBuffer bytes = Borrow(text);
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes);  // no hoisting of the inline hash out of the loop
        benchmark::DoNotOptimize(bytes.GetHash());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void HashPeer(benchmark::State& state) {
    std::string text = Haystack(state.range(0));
    std::string_view bytes(text);
    std::hash<std::string_view> hash;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes);
        benchmark::DoNotOptimize(hash(bytes));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(FindOurs)->Name(TROVEL_BENCH_NAME("BufferFind", "ours"))->Arg(32)->Arg(1 << 20);
BENCHMARK(FindPeer)->Name(TROVEL_BENCH_NAME("BufferFind", "string_view"))->Arg(32)->Arg(1 << 20);
BENCHMARK(FindByteOurs)->Name(TROVEL_BENCH_NAME("BufferFindByte", "ours"))->Arg(32)->Arg(1 << 20);
BENCHMARK(FindBytePeer)->Name(TROVEL_BENCH_NAME("BufferFindByte", "string_view"))->Arg(32)->Arg(1 << 20);
BENCHMARK(HashOurs)->Name(TROVEL_BENCH_NAME("BufferHash", "ours"))->Arg(16)->Arg(1 << 20);
BENCHMARK(HashPeer)->Name(TROVEL_BENCH_NAME("BufferHash", "std_hash"))->Arg(16)->Arg(1 << 20);
