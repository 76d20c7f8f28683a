// Hex encoding and decoding of 1 KB and 1 MB beside boost::algorithm::hex and unhex on the same
// bytes. Each side builds a fresh output per iteration, reserved once; the peer writes through a
// plain pointer into a string sized in advance. The Stream cases run our input filters over a
// memory stream, read in one call of the whole count as the scrambling of texts does, against
// the same peer calls.
#include <benchmark/benchmark.h>

#include <boost/algorithm/hex.hpp>

#include <cstdint>
#include <string>

#include "BenchRatio.h"
#include "core/bytes/GBuffer.h"
#include "core/streams/GHexDecode.h"
#include "core/streams/GHexEncode.h"
#include "core/streams/GMemoryInStream.h"
#include "core/support/GHexSupport.h"

namespace {

std::string RandomBytes(std::int64_t size) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string HexOf(std::string const& bytes) {
    std::string hex(bytes.size() * 2, '\0');
    boost::algorithm::hex(bytes.begin(), bytes.end(), &hex[0]);
    return hex;
}

GBuffer ToBuffer(std::string const& s) {
    return GBuffer(reinterpret_cast<unsigned char const*>(s.data()), static_cast<int>(s.size()));
}

void Count(benchmark::State& state) { state.SetBytesProcessed(state.iterations() * state.range(0)); }

void EncodeOurs(benchmark::State& state) {
    GBuffer const bytes = ToBuffer(RandomBytes(state.range(0)));
    for (auto _ : state) {
        GBuffer out;
        GHexSupport::SetToHexBuffer(bytes, out);
        benchmark::DoNotOptimize(out.GetPtr());
    }
    Count(state);
}

void EncodeStreamOurs(benchmark::State& state) {
    GBuffer const bytes = ToBuffer(RandomBytes(state.range(0)));
    for (auto _ : state) {
        GHexEncode encoder(new GMemoryInStream(bytes), false);
        GBuffer out;
        encoder.Read(out, 2 * bytes.GetLength());
        benchmark::DoNotOptimize(out.GetPtr());
    }
    Count(state);
}

void EncodeBoost(benchmark::State& state) {
    std::string const bytes = RandomBytes(state.range(0));
    for (auto _ : state) {
        std::string out(bytes.size() * 2, '\0');
        boost::algorithm::hex(bytes.begin(), bytes.end(), &out[0]);
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

void DecodeOurs(benchmark::State& state) {
    GBuffer const hex = ToBuffer(HexOf(RandomBytes(state.range(0))));
    for (auto _ : state) {
        GBuffer out;
        GHexSupport::SetFromHexBuffer(hex, out);
        benchmark::DoNotOptimize(out.GetPtr());
    }
    Count(state);
}

void DecodeStreamOurs(benchmark::State& state) {
    GBuffer const hex = ToBuffer(HexOf(RandomBytes(state.range(0))));
    for (auto _ : state) {
        GHexDecode decoder(new GMemoryInStream(hex));
        GBuffer out;
        decoder.Read(out, hex.GetLength() / 2);
        benchmark::DoNotOptimize(out.GetPtr());
    }
    Count(state);
}

void DecodeBoost(benchmark::State& state) {
    std::string const hex = HexOf(RandomBytes(state.range(0)));
    for (auto _ : state) {
        std::string out(hex.size() / 2, '\0');
        boost::algorithm::unhex(hex.begin(), hex.end(), &out[0]);
        benchmark::DoNotOptimize(out.data());
    }
    Count(state);
}

} // namespace

// Arguments: the number of bytes (decoded side).
BENCHMARK(EncodeOurs)->Name(TROVEL_BENCH_NAME("HexEncode", "ours"))->Arg(1024)->Arg(1 << 20);
BENCHMARK(EncodeBoost)->Name(TROVEL_BENCH_NAME("HexEncode", "boost"))->Arg(1024)->Arg(1 << 20);
BENCHMARK(EncodeStreamOurs)->Name(TROVEL_BENCH_NAME("HexEncodeStream", "ours"))->Arg(1024)->Arg(1 << 20);
BENCHMARK(EncodeBoost)->Name(TROVEL_BENCH_NAME("HexEncodeStream", "boost"))->Arg(1024)->Arg(1 << 20);
BENCHMARK(DecodeOurs)->Name(TROVEL_BENCH_NAME("HexDecode", "ours"))->Arg(1024)->Arg(1 << 20);
BENCHMARK(DecodeBoost)->Name(TROVEL_BENCH_NAME("HexDecode", "boost"))->Arg(1024)->Arg(1 << 20);
BENCHMARK(DecodeStreamOurs)->Name(TROVEL_BENCH_NAME("HexDecodeStream", "ours"))->Arg(1024)->Arg(1 << 20);
BENCHMARK(DecodeBoost)->Name(TROVEL_BENCH_NAME("HexDecodeStream", "boost"))->Arg(1024)->Arg(1 << 20);
