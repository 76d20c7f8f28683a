// The action component's bring-up and shutdown (every layer step of its constructor, then the
// stops of its destructor) against constructing and destroying a QApplication, each once in a
// fresh process (forked per iteration, timed inside the child): what a host pays when it creates
// the plug-in's component, and what a Qt widgets program pays at launch. Both run offscreen, ours
// with its folders in a private temporary home. Ours builds a QApplication too (in the UI layer)
// and the Qt layer's first widget (the wrapper that the main-window hook makes), so the foundation,
// the folders, the preference file and the first widget are what it adds to the peer.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

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

// Stops what a forked child inherited, so that its bring-up is a real one.
void StopInherited() {
    while (GCCLTrovelCoreLayer::GetInitCount() != 0)
        GCCLTrovelCoreLayer::Finalize();
    while (GBasicFrameworkCoreLayer::GetInitCount() != 0)
        GBasicFrameworkCoreLayer::Finalize();
}

double BringUpAndShutDown() {
    StopInherited();
    ScopedTempFolder home;
    ScopedEnvironment environment;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR"})
        environment.Set(name, home.Path());
    environment.Set("TROVEL_SHM_PREFIX", "bench" + std::to_string(getpid()));
    environment.Set("QT_QPA_PLATFORM", "offscreen");
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
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double BuildQtWidgetsApplication() {
    static int argc = 1;
    static char name[] = "trovel_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const Clock::time_point start = Clock::now();
    {
        QApplication application(argc, argv);
        benchmark::DoNotOptimize(&application);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void FirstStartOurs(benchmark::State& state) {
    BenchChild::RunTimed(state, [] { return BenchChild::TimeInFreshChild(BringUpAndShutDown); },
                         "the bring-up failed");
}

void FirstStartQt(benchmark::State& state) {
    BenchChild::RunTimed(state, [] { return BenchChild::TimeInFreshChild(BuildQtWidgetsApplication); },
                         "the child failed");
}

}  // namespace

BENCHMARK(FirstStartOurs)->Name(TROVEL_BENCH_NAME("ActionComponentBringUp", "ours"))->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(FirstStartQt)->Name(TROVEL_BENCH_NAME("ActionComponentBringUp", "qt"))->UseManualTime()->Unit(benchmark::kMicrosecond);
