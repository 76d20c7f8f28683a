// One full start and stop of the foundation against constructing and destroying a
// QCoreApplication (the start-up a Qt program pays once), twice:
// - first start: each side once in a fresh process (forked per iteration, timed inside the child),
//   which is what a host pays when it loads the plug-in and what a Qt program pays at launch;
// - restart: the pair repeated in one process, where Qt keeps nearly everything it built.
// - ours: GBasicFrameworkCoreLayer::Initialize then Finalize from a count of 0. The other
//   benchmarks of this binary start the foundation and keep it (the count stays above 0, so
//   a pair here would only count). The pairs therefore run in a forked child that first stops
//   what it inherited: a real start and stop every time, and the parent's foundation untouched.
//   The child times each pair itself, so the pipe round trip is not counted (manual time).
// - qt: a QCoreApplication built and destroyed, timed the same way in this process.
// - start only / stop only: the first start and the final stop of a fresh process timed apart,
//   each against the construction alone of a QCoreApplication in a fresh process.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "BenchChild.h"
#include "BenchRatio.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"

namespace {

using Clock = std::chrono::steady_clock;
using BenchChild::ReadAll;
using BenchChild::RunTimed;
using BenchChild::TimeInFreshChild;
using BenchChild::WriteAll;

// Seconds of one start and stop of the foundation from a count of 0; negative when it failed.
double StartStopFoundation() {
    const Clock::time_point start = Clock::now();
    const bool started = GBasicFrameworkCoreLayer::Initialize();
    GBasicFrameworkCoreLayer::Finalize();
    return started ? std::chrono::duration<double>(Clock::now() - start).count() : -1.0;
}

// Seconds of the first start alone (stop untimed), or of the final stop alone (start untimed).
double StartOnlyFoundation() {
    const Clock::time_point start = Clock::now();
    const bool started = GBasicFrameworkCoreLayer::Initialize();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    GBasicFrameworkCoreLayer::Finalize();
    return started ? seconds : -1.0;
}

double StopOnlyFoundation() {
    if (!GBasicFrameworkCoreLayer::Initialize())
        return -1.0;
    const Clock::time_point start = Clock::now();
    GBasicFrameworkCoreLayer::Finalize();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Stops what a forked child inherited, so that its next start is a real one.
void StopInherited() {
    while (GBasicFrameworkCoreLayer::GetInitCount() != 0)
        GBasicFrameworkCoreLayer::Finalize();
}

// Seconds of one QCoreApplication built and destroyed.
double BuildQtApplication() {
    static int argc = 1;
    static char name[] = "trovel_bench";
    static char* argv[] = {name, nullptr};
    const Clock::time_point start = Clock::now();
    {
        QCoreApplication application(argc, argv);
        benchmark::DoNotOptimize(&application);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds of a QCoreApplication's construction alone.
double ConstructQtApplication() {
    static int argc = 1;
    static char name[] = "trovel_bench";
    static char* argv[] = {name, nullptr};
    const Clock::time_point start = Clock::now();
    QCoreApplication application(argc, argv);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    benchmark::DoNotOptimize(&application);
    return seconds;
}

// A child that starts and stops the foundation once per request and answers with the seconds it
// took; it ends when its request pipe closes.
class StartStopChild {
public:
    StartStopChild() {
        int requests[2];
        int answers[2];
        if (pipe(requests) != 0 || pipe(answers) != 0)
            std::abort();
        mPid = fork();
        if (mPid < 0)
            std::abort();
        if (mPid == 0) {
            close(requests[1]);
            close(answers[0]);
            Serve(requests[0], answers[1]);
        }
        close(requests[0]);
        close(answers[1]);
        mRequest = requests[1];
        mAnswer = answers[0];
    }
    ~StartStopChild() {
        close(mRequest);
        close(mAnswer);
        int status = 0;
        waitpid(mPid, &status, 0);
    }
    StartStopChild(StartStopChild const&) = delete;
    StartStopChild& operator=(StartStopChild const&) = delete;

    // Seconds of one start and stop; negative when the child failed.
    double Run() {
        const char go = 1;
        double seconds = -1;
        if (!WriteAll(mRequest, &go, 1) || !ReadAll(mAnswer, &seconds, sizeof seconds))
            return -1;
        return seconds;
    }

private:
    [[noreturn]] static void Serve(int requests, int answers) {
        StopInherited();
        char go = 0;
        while (ReadAll(requests, &go, 1)) {
            const double seconds = StartStopFoundation();
            if (!WriteAll(answers, &seconds, sizeof seconds))
                break;
        }
        _exit(0);
    }

    pid_t mPid = -1;
    int mRequest = -1;
    int mAnswer = -1;
};

void FirstStartOurs(benchmark::State& state) {
    RunTimed(state, [] { return TimeInFreshChild([] { StopInherited(); return StartStopFoundation(); }); },
             "the foundation did not start");
}

void FirstStartQt(benchmark::State& state) {
    RunTimed(state, [] { return TimeInFreshChild(BuildQtApplication); }, "the child failed");
}

void FirstStartOnlyOurs(benchmark::State& state) {
    RunTimed(state, [] { return TimeInFreshChild([] { StopInherited(); return StartOnlyFoundation(); }); },
             "the foundation did not start");
}

void FinalStopOnlyOurs(benchmark::State& state) {
    RunTimed(state, [] { return TimeInFreshChild([] { StopInherited(); return StopOnlyFoundation(); }); },
             "the foundation did not start");
}

void ConstructionOnlyQt(benchmark::State& state) {
    RunTimed(state, [] { return TimeInFreshChild(ConstructQtApplication); }, "the child failed");
}

void StartStopOurs(benchmark::State& state) {
    StartStopChild child;
    RunTimed(state, [&child] { return child.Run(); }, "the foundation did not start");
}

void StartStopQt(benchmark::State& state) { RunTimed(state, BuildQtApplication, "unreachable"); }

}  // namespace

// Registered first: the first-start children must come from a process that has not yet built a
// QCoreApplication.
BENCHMARK(FirstStartOurs)->Name(TROVEL_BENCH_NAME("CoreLayerFirstStart", "ours"))->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(FirstStartQt)->Name(TROVEL_BENCH_NAME("CoreLayerFirstStart", "qt"))->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(FirstStartOnlyOurs)->Name(TROVEL_BENCH_NAME("CoreLayerFirstStartOnly", "ours"))->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(ConstructionOnlyQt)->Name(TROVEL_BENCH_NAME("CoreLayerFirstStartOnly", "qt-construction"))->UseManualTime()->Unit(benchmark::kMicrosecond);
// A stop alone is short against a fork: a fixed count keeps the run's length in bounds.
BENCHMARK(FinalStopOnlyOurs)->Name(TROVEL_BENCH_NAME("CoreLayerFinalStopOnly", "ours"))->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(ConstructionOnlyQt)->Name(TROVEL_BENCH_NAME("CoreLayerFinalStopOnly", "qt-construction"))->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(StartStopOurs)->Name(TROVEL_BENCH_NAME("CoreLayerRestart", "ours"))->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(StartStopQt)->Name(TROVEL_BENCH_NAME("CoreLayerRestart", "qt"))->UseManualTime()->Unit(benchmark::kMicrosecond);
