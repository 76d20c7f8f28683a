// One full start and stop of the foundation against constructing and destroying a
// QCoreApplication (the start-up a Qt program pays once).
// - ours: GBasicFrameworkCoreLayer::Initialize then Finalize from a count of 0. The other
//   benchmarks of this binary start the foundation and keep it (the count stays above 0, so
//   a pair here would only count). The pairs therefore run in a forked child that first stops
//   what it inherited: a real start and stop every time, and the parent's foundation untouched.
//   The child times each pair itself, so the pipe round trip is not counted (manual time).
// - qt: a QCoreApplication built and destroyed, timed the same way in this process.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "BenchRatio.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"

namespace {

using Clock = std::chrono::steady_clock;

bool WriteAll(int fd, void const* data, size_t size) {
    auto const* bytes = static_cast<char const*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
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
        while (GBasicFrameworkCoreLayer::GetInitCount() != 0)
            GBasicFrameworkCoreLayer::Finalize();
        char go = 0;
        while (ReadAll(requests, &go, 1)) {
            const Clock::time_point start = Clock::now();
            const bool started = GBasicFrameworkCoreLayer::Initialize();
            GBasicFrameworkCoreLayer::Finalize();
            const double seconds = started ? std::chrono::duration<double>(Clock::now() - start).count() : -1;
            if (!WriteAll(answers, &seconds, sizeof seconds))
                break;
        }
        _exit(0);
    }

    pid_t mPid = -1;
    int mRequest = -1;
    int mAnswer = -1;
};

void StartStopOurs(benchmark::State& state) {
    StartStopChild child;
    for (auto _ : state) {
        const double seconds = child.Run();
        if (seconds < 0) {
            state.SkipWithError("the foundation did not start");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void StartStopQt(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "trovel_bench";
    static char* argv[] = {name, nullptr};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        {
            QCoreApplication application(argc, argv);
            benchmark::DoNotOptimize(&application);
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

}  // namespace

BENCHMARK(StartStopOurs)->Name(TROVEL_BENCH_NAME("CoreLayerStartStop", "ours"))->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(StartStopQt)->Name(TROVEL_BENCH_NAME("CoreLayerStartStop", "qt"))->UseManualTime()->Unit(benchmark::kMicrosecond);
