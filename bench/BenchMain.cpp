// Runs every benchmark, then prints for each pair our time over the peer's time. With
// repetitions, each side counts with the median of its repetitions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchChild.h"

namespace {

// The times of one implementation of one case.
struct Times {
    std::vector<double> iterations;  // ns per iteration of each repetition
    double median = -1;              // the reported median aggregate, when repetitions ran
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Drops the "/repeats:N" that repetitions add to a name.
std::string WithoutRepeats(std::string name) {
    const std::size_t at = name.find("/repeats:");
    if (at == std::string::npos)
        return name;
    const std::size_t end = name.find('/', at + 1);
    return name.erase(at, end == std::string::npos ? std::string::npos : end - at);
}

// Keeps the console output and remembers each run's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type != Run::RT_Iteration && !median)
                continue;
            const std::string name = WithoutRepeats(run.run_name.str());
            const std::size_t at = name.find('@');
            if (at == std::string::npos)
                continue;
            const std::size_t slash = name.find('/', at);
            const std::string impl =
                name.substr(at + 1, slash == std::string::npos ? std::string::npos : slash - at - 1);
            const std::string key = name.substr(0, at) + (slash == std::string::npos ? "" : name.substr(slash));
            const double ns = run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                              benchmark::GetTimeUnitMultiplier(run.time_unit);
            Times& times = mCases[key][impl];
            if (median)
                times.median = ns;
            else
                times.iterations.push_back(ns);
            if (std::find(mOrder.begin(), mOrder.end(), key) == mOrder.end())
                mOrder.push_back(key);
        }
    }

    void PrintRatios() const {
        std::printf("\n%-56s %-28s %12s\n", "case", "ours / peer", "ratio");
        for (const std::string& key : mOrder) {
            const std::map<std::string, Times>& impls = mCases.at(key);
            const auto ours = impls.find("ours");
            if (ours == impls.end())
                continue;
            const double oursNs = TimeOf(ours->second);
            for (const auto& [impl, times] : impls) {
                const double peerNs = TimeOf(times);
                if (impl == "ours" || peerNs <= 0)
                    continue;
                std::printf("%-56s %-28s %12.3f\n", key.c_str(), ("ours / " + impl).c_str(), oursNs / peerNs);
            }
        }
    }

private:
    static double TimeOf(const Times& times) {
        if (times.median >= 0)
            return times.median;
        return times.iterations.empty() ? -1 : Median(times.iterations);
    }

    std::map<std::string, std::map<std::string, Times>> mCases;
    std::vector<std::string> mOrder;
};

} // namespace

int main(int argc, char** argv) {
    if (const int status = BenchChild::RunProcessWorkIfAsked(argc, argv); status >= 0)
        return status;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
