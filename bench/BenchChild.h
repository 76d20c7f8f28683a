#pragma once
// Helpers of the benchmarks that time work in forked children: whole transfers over pipes, work
// timed inside a forked child or a freshly started process, and iterations on manually measured
// seconds or on samples taken beforehand.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace BenchChild {

// Moves all size bytes through fd, going on after interruptions and short transfers.
template <class Call, class Byte>
bool TransferAll(Call call, int fd, Byte* bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = call(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

inline bool WriteAll(int fd, void const* data, size_t size) {
    return TransferAll(::write, fd, static_cast<char const*>(data), size);
}

inline bool ReadAll(int fd, void* data, size_t size) { return TransferAll(::read, fd, static_cast<char*>(data), size); }

// Runs the benchmark's iterations on measure's seconds; a negative answer ends it with error.
template <class Measure>
void RunTimed(benchmark::State& state, Measure const& measure, const char* error) {
    for (auto _ : state) {
        const double seconds = measure();
        if (seconds < 0) {
            state.SkipWithError(error);
            break;
        }
        state.SetIterationTime(seconds);
    }
}

// The seconds a child wrote to the pipe answer (negative when it wrote none), once the child has
// ended with status.
inline double AnswerOf(pid_t child, int const answer[2], int& status) {
    close(answer[1]);
    double seconds = -1;
    if (!ReadAll(answer[0], &seconds, sizeof seconds))
        seconds = -1;
    close(answer[0]);
    waitpid(child, &status, 0);
    return seconds;
}

// Seconds that work took in a child forked for it; negative when the child failed.
template <class Work>
double TimeInFreshChild(Work const& work) {
    int answer[2];
    if (pipe(answer) != 0)
        return -1;
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        close(answer[0]);
        const double seconds = work();
        WriteAll(answer[1], &seconds, sizeof seconds);
        _exit(0);
    }
    int status = 0;
    return AnswerOf(child, answer, status);
}

}  // namespace BenchChild

// Work timed in a process of its own: the benchmark executable runs again (fork and exec of
// /proc/self/exe) with "--bench-child=<name>", so that nothing the benchmark process did before
// (libraries initialised, memory warmed, statics made) reaches the work. The child times only the
// work and hands the seconds back on descriptor 3.
namespace BenchChild {

using ProcessWork = double (*)();

inline std::map<std::string, ProcessWork>& ProcessWorks() {
    static std::map<std::string, ProcessWork> fWorks;
    return fWorks;
}

// For a file-level initialiser: registers the work under its name; returns true.
inline bool RegisterProcessWork(const char* name, ProcessWork work) {
    ProcessWorks()[name] = work;
    return true;
}

// Called first in main: in a child, runs its work and returns the exit status; otherwise -1.
inline int RunProcessWorkIfAsked(int argc, char** argv) {
    static const std::string kFlag = "--bench-child=";
    if (argc < 2 || std::string(argv[1]).rfind(kFlag, 0) != 0)
        return -1;
    const auto found = ProcessWorks().find(std::string(argv[1]).substr(kFlag.size()));
    if (found == ProcessWorks().end())
        return 2;
    const double seconds = found->second();
    return WriteAll(3, &seconds, sizeof seconds) ? 0 : 1;
}

// Seconds the named work took in a fresh process, in the environment of the caller; negative
// when the child failed.
inline double TimeInFreshProcess(const char* name) {
    int answer[2];
    if (pipe2(answer, O_CLOEXEC) != 0)
        return -1;
    const std::string flag = std::string("--bench-child=") + name;
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        // dup2 clears close-on-exec on the copy: the work's end stays open across exec.
        if (dup2(answer[1], 3) < 0)
            _exit(127);
        char self[] = "/proc/self/exe";
        char* const argv[] = {self, const_cast<char*>(flag.c_str()), nullptr};
        execv(self, argv);
        _exit(127);
    }
    int status = 0;
    const double seconds = AnswerOf(child, answer, status);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// One repetition on the next of samples taken beforehand: a paired benchmark samples both sides
// in alternation (so that a change in the machine's load falls on both), then each side reports
// one sample per repetition, and the median of its repetitions.
inline void RunOnNextSample(benchmark::State& state, std::vector<double> const& samples, size_t& next,
                            const char* error) {
    for (auto _ : state) {
        const double seconds = samples.empty() ? -1 : samples[next++ % samples.size()];
        if (seconds < 0) {
            state.SkipWithError(error);
            break;
        }
        state.SetIterationTime(seconds);
    }
}

}  // namespace BenchChild
