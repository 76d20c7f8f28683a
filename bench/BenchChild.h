#pragma once
// Helpers of the benchmarks that time work in forked children: whole transfers over pipes, work
// timed inside a fresh child, and iterations on manually measured seconds.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

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
    close(answer[1]);
    double seconds = -1;
    if (!ReadAll(answer[0], &seconds, sizeof seconds))
        seconds = -1;
    close(answer[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return seconds;
}

}  // namespace BenchChild
