// The action component's bring-up and shutdown, as the host makes and destroys it (its constructor:
// every layer step and the two action objects; its destructor: the action objects, then the
// layers' stops) against two peers:
// - qt-bare: constructing and destroying a bare QApplication;
// - qt: what a Qt widgets program pays for the same Qt work as ours: making the QApplication and
//   a first hidden widget, then destroying both. Ours makes exactly that much of Qt too (the
//   application in the UI layer, the hidden widget that parents dialogs through the main-window
//   hook), so the difference is the framework: the foundation, the folders, the preference file,
//   the inter-process core, the tools layer, the look and the action objects.
//
// Each sample runs in a process of its own (the benchmark started afresh), timed inside it, all
// sides offscreen in the same private home. The sides are sampled in alternation, in turns that
// rotate which goes first, and each reports the median of its samples.
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
#include "hostsdk/boss/HostBoss.h"
#include "plugin-host/actions/GIDCSPActionComponent.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSamples = 31;
constexpr char kOurs[] = "ActionComponentBringUp.ours";
constexpr char kQt[] = "ActionComponentBringUp.qt";
constexpr char kQtBare[] = "ActionComponentBringUp.qt-bare";

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
        // As the host does it: the component on its boss, destroyed with the boss's last release.
        HostBoss* boss = HostBoss::Create(0x198C00);
        boss->Add<GIDCSPActionComponent>();
        boss->Release();
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

double BuildBareQApplication() {
    static int argc = 1;
    static char name[] = "";
    static char* argv[] = {name, nullptr};
    const Clock::time_point start = Clock::now();
    {
        QApplication application(argc, argv);
        benchmark::DoNotOptimize(&application);
    }
    return Seconds(start);
}

const bool kRegistered = BenchChild::RegisterProcessWork(kOurs, &BringUpAndShutDown) &&
                         BenchChild::RegisterProcessWork(kQt, &BuildQtWidgetsApplication) &&
                         BenchChild::RegisterProcessWork(kQtBare, &BuildBareQApplication);

struct Samples {
    std::vector<double> ours;
    std::vector<double> qt;
    std::vector<double> qtBare;
};

// One private home per turn, the same for all sides; `first` is the side that goes first.
void SampleTurn(Samples& samples, int first) {
    ScopedTempFolder home;
    ScopedEnvironment environment;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR"})
        environment.Set(name, home.Path());
    environment.Set("XDG_RUNTIME_DIR", home.Path());
    environment.Set("TROVEL_SHM_PREFIX", "bench" + std::to_string(getpid()));
    environment.Set("QT_QPA_PLATFORM", "offscreen");
    for (int i = 0; i < 3; ++i) {
        switch ((first + i) % 3) {
        case 0: samples.ours.push_back(BenchChild::TimeInFreshProcess(kOurs)); break;
        case 1: samples.qt.push_back(BenchChild::TimeInFreshProcess(kQt)); break;
        default: samples.qtBare.push_back(BenchChild::TimeInFreshProcess(kQtBare)); break;
        }
    }
}

Samples const& PairedSamples() {
    static const Samples fSamples = [] {
        Samples samples;
        for (int i = 0; i < kSamples; ++i)
            SampleTurn(samples, i % 3);
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

void FirstStartQtBare(benchmark::State& state) {
    static size_t fNext = 0;
    BenchChild::RunOnNextSample(state, PairedSamples().qtBare, fNext, "the child failed");
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
BENCHMARK(FirstStartQtBare)
    ->Name(TROVEL_BENCH_NAME("ActionComponentBringUp", "qt-bare"))
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kSamples)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
