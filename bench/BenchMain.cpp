// Runs every benchmark, then prints for each pair our time over the peer's time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string impl;
    double nsPerIteration;
};

// Keeps the console output and remembers each run's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            std::string name = run.benchmark_name();
            std::size_t at = name.find('@');
            if (at == std::string::npos)
                continue;
            std::size_t slash = name.find('/', at);
            std::string impl = name.substr(at + 1, slash == std::string::npos ? std::string::npos : slash - at - 1);
            std::string key = name.substr(0, at) + (slash == std::string::npos ? "" : name.substr(slash));
            double ns = run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                        benchmark::GetTimeUnitMultiplier(run.time_unit);
            mCases[key].push_back({impl, ns});
            if (std::find(mOrder.begin(), mOrder.end(), key) == mOrder.end())
                mOrder.push_back(key);
        }
    }

    void PrintRatios() const {
        std::printf("\n%-56s %-28s %12s\n", "case", "ours / peer", "ratio");
        for (const std::string& key : mOrder) {
            const std::vector<Entry>& entries = mCases.at(key);
            const Entry* ours = nullptr;
            for (const Entry& e : entries)
                if (e.impl == "ours")
                    ours = &e;
            if (ours == nullptr)
                continue;
            for (const Entry& e : entries) {
                if (&e == ours || e.nsPerIteration <= 0)
                    continue;
                std::printf("%-56s %-28s %12.3f\n", key.c_str(), ("ours / " + e.impl).c_str(),
                            ours->nsPerIteration / e.nsPerIteration);
            }
        }
    }

private:
    std::map<std::string, std::vector<Entry>> mCases;
    std::vector<std::string> mOrder;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
