// GRange parsing a typed page list of 1,000 items beside a plain peer: std::from_chars into
// vectors of pairs, then sort and merge. Two lists: the common form (pages and spans in ascending
// order, "1-5,7,9-12") and a mixed one (also pages and spans counted from the end, in any order).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "BenchRatio.h"
#include "core/values/GRange.h"

namespace {

// "1,3,5-7,r2,r9-r8,..." with numbers up to 5,000, so that some items merge.
std::string RangeText(int items) {
    std::string text;
    std::uint32_t state = 2024;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range + 1;
    };
    for (int i = 0; i < items; ++i) {
        if (i > 0)
            text += ',';
        std::uint32_t a = next(5000);
        switch (next(4)) {
        case 1:
            text += std::to_string(a);
            break;
        case 2:
            text += std::to_string(a) + "-" + std::to_string(a + next(20));
            break;
        case 3:
            text += "r" + std::to_string(next(50));
            break;
        default: {
            std::uint32_t r = next(50);
            text += "r" + std::to_string(r + next(5)) + "-r" + std::to_string(r);
            break;
        }
        }
    }
    return text;
}

// The peer: plain and reverse spans apart, each sorted and merged (touching spans join).
struct NaiveRange {
    std::vector<std::pair<int, int>> plain;
    std::vector<std::pair<int, int>> reverse;

    bool Parse(std::string const& text) {
        plain.clear();
        reverse.clear();
        char const* p = text.data();
        char const* end = p + text.size();
        while (p < end) {
            bool isReverse = *p == 'r' || *p == 'R';
            int from = 0;
            int to = 0;
            p = ReadNumber(p + (isReverse ? 1 : 0), end, from);
            if (p == nullptr)
                return false;
            to = from;
            if (p < end && *p == '-') {
                ++p;
                if (isReverse && p < end && (*p == 'r' || *p == 'R'))
                    ++p;
                p = ReadNumber(p, end, to);
                if (p == nullptr)
                    return false;
            }
            (isReverse ? reverse : plain).emplace_back(std::min(from, to), std::max(from, to));
            if (p < end && *p++ != ',')
                return false;
        }
        Merge(plain);
        Merge(reverse);
        return true;
    }

    static char const* ReadNumber(char const* p, char const* end, int& value) {
        std::from_chars_result r = std::from_chars(p, end, value);
        return r.ec == std::errc() ? r.ptr : nullptr;
    }

    static void Merge(std::vector<std::pair<int, int>>& spans) {
        std::sort(spans.begin(), spans.end());
        std::size_t out = 0;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            if (out > 0 && static_cast<std::int64_t>(spans[out - 1].second) + 1 >= spans[i].first)
                spans[out - 1].second = std::max(spans[out - 1].second, spans[i].second);
            else
                spans[out++] = spans[i];
        }
        spans.resize(out);
    }
};

// "2,5-9,9,12-20,..." ascending by start; some spans overlap or touch the one before.
std::string CommonRangeText(int items) {
    std::string text;
    std::uint32_t state = 2024;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range + 1;
    };
    std::uint32_t a = 0;
    for (int i = 0; i < items; ++i) {
        if (i > 0)
            text += ',';
        a += next(12) - 1;
        if (next(2) == 1)
            text += std::to_string(a);
        else
            text += std::to_string(a) + "-" + std::to_string(a + next(10));
    }
    return text;
}

using TextMaker = std::string (*)(int items);

void ParseOurs(benchmark::State& state, TextMaker make) {
    std::string text = make(static_cast<int>(state.range(0)));
    GBuffer buffer(text.c_str());
    for (auto _ : state) {
        GRange range;
        benchmark::DoNotOptimize(range.Set(buffer));
        benchmark::DoNotOptimize(range.GetNumOfSequences());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void ParseNaive(benchmark::State& state, TextMaker make) {
    std::string text = make(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        NaiveRange range;
        benchmark::DoNotOptimize(range.Parse(text));
        benchmark::DoNotOptimize(range.plain.size() + range.reverse.size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

} // namespace

BENCHMARK_CAPTURE(ParseOurs, common, &CommonRangeText)->Name(TROVEL_BENCH_NAME("RangeParseCommon", "ours"))->Arg(1000);
BENCHMARK_CAPTURE(ParseNaive, common, &CommonRangeText)->Name(TROVEL_BENCH_NAME("RangeParseCommon", "naive"))->Arg(1000);
BENCHMARK_CAPTURE(ParseOurs, mixed, &RangeText)->Name(TROVEL_BENCH_NAME("RangeParse", "ours"))->Arg(1000);
BENCHMARK_CAPTURE(ParseNaive, mixed, &RangeText)->Name(TROVEL_BENCH_NAME("RangeParse", "naive"))->Arg(1000);
