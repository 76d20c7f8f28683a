// The action component's bring-up and shutdown (every layer step of its constructor, then the
// stops of its destructor) against what a Qt widgets program pays for the same Qt work: making
// the QApplication and a first hidden widget, then destroying both. Ours makes exactly that much
// of Qt too (the application in the UI layer, the hidden widget that parents dialogs through the
// main-window hook), so the difference is the framework: the foundation, the folders, the
// preference file, the inter-process core, the tools layer and the look.
//
// Each sample runs in a process of its own (the benchmark started afresh), timed inside it, both
// sides offscreen in the same private home. The sides are sampled in alternation, in turns that
// swap which goes first, and each reports the median of its samples.
#include <benchmark/benchmark.h>

#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "BenchChild.h"
#include "BenchRatio.h"
#include "plugin-host/actions/GIDCSPActionComponent.h"
#include "plugin-host/actions/GIDCSPBringUp.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSamples = 31;
constexpr char kOurs[] = "ActionComponentBringUp.ours";
constexpr char kQt[] = "ActionComponentBringUp.qt";

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Stops what the benchmark executable's own initialisers started (other benchmarks check their
// peers at load), so that the bring-up is a first one.
void StopStartedAtLoad() {
    while (GCCLTrovelCoreLayer::GetInitCount() != 0)
        GCCLTrovelCoreLayer::Finalize();
    while (GBasicFrameworkCoreLayer::GetInitCount() != 0)
        GBasicFrameworkCoreLayer::Finalize();
}

double BringUpAndShutDown() {
    StopStartedAtLoad();
    const Clock::time_point start = Clock::now();
    try {
        bool handlerSet = false;
        GIDCSPBringUp bringUp;
        bringUp.Run(GIDCSPActionComponent::LayerSteps(handlerSet));
    } catch (std::exception const& e) {
        std::fprintf(stderr, "bring-up: %s\n", e.what());
        return -1;
    } catch (...) {
        return -1;
    }
    return Seconds(start);
}

double BuildQtWidgetsApplication() {
    static int argc = 1;
    static char name[] = "";
    static char* argv[] = {name, nullptr};
    const Clock::time_point start = Clock::now();
    {
        QApplication application(argc, argv);
        QWidget first;
        benchmark::DoNotOptimize(&first);
    }
    return Seconds(start);
}

const bool kRegistered = BenchChild::RegisterProcessWork(kOurs, &BringUpAndShutDown) &&
                         BenchChild::RegisterProcessWork(kQt, &BuildQtWidgetsApplication);

struct Samples {
    std::vector<double> ours;
    std::vector<double> qt;
};

// One private home per pair, the same for both sides.
void SamplePair(Samples& samples, bool oursFirst) {
    ScopedTempFolder home;
    ScopedEnvironment environment;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR"})
        environment.Set(name, home.Path());
    environment.Set("XDG_RUNTIME_DIR", home.Path());
    environment.Set("TROVEL_SHM_PREFIX", "bench" + std::to_string(getpid()));
    environment.Set("QT_QPA_PLATFORM", "offscreen");
    for (int side = 0; side < 2; ++side) {
        if ((side == 0) == oursFirst)
            samples.ours.push_back(BenchChild::TimeInFreshProcess(kOurs));
        else
            samples.qt.push_back(BenchChild::TimeInFreshProcess(kQt));
    }
}

Samples const& PairedSamples() {
    static const Samples fSamples = [] {
        Samples samples;
        for (int i = 0; i < kSamples; ++i)
            SamplePair(samples, i % 2 == 0);
        return samples;
    }();
    return fSamples;
}

void FirstStartOurs(benchmark::State& state) {
    static size_t fNext = 0;
    BenchChild::RunOnNextSample(state, PairedSamples().ours, fNext, "the bring-up failed");
}

void FirstStartQt(benchmark::State& state) {
    static size_t fNext = 0;
    BenchChild::RunOnNextSample(state, PairedSamples().qt, fNext, "the child failed");
}

}  // namespace

BENCHMARK(FirstStartOurs)
    ->Name(TROVEL_BENCH_NAME("ActionComponentBringUp", "ours"))
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kSamples)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(FirstStartQt)
    ->Name(TROVEL_BENCH_NAME("ActionComponentBringUp", "qt"))
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kSamples)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
