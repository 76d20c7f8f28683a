#pragma once
// A real program started for a test or a benchmark, its standard output read line by line through
// a pipe with bounded waits, its end collected with a bound. It inherits the environment, so a
// sandbox set with ScopedEnvironment before Start reaches it. A program still running when the
// object goes is killed and reaped.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/ChildExit.h"

extern char** environ;

class SpawnedProgram {
public:
    SpawnedProgram() = default;
    SpawnedProgram(const SpawnedProgram&) = delete;
    SpawnedProgram& operator=(const SpawnedProgram&) = delete;
    ~SpawnedProgram() {
        if (mPid > 0 && !mReaped) {
            kill(mPid, SIGKILL);
            kill(mPid, SIGCONT);
            waitpid(mPid, nullptr, 0);
        }
        if (mOut >= 0)
            close(mOut);
    }

    // False when the program could not be started.
    bool Start(const std::string& path, const std::vector<std::string>& arguments) {
        int ends[2] = {-1, -1};
        if (pipe2(ends, O_CLOEXEC) != 0)
            return false;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
        const int failed = posix_spawn(&mPid, path.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        mOut = ends[0];
        if (failed != 0)
            mPid = -1;
        return failed == 0;
    }

    pid_t Pid() const { return mPid; }

    // The next line of its output without the line end; false at the end of the output or when
    // no whole line came within the bound.
    bool ReadLine(std::string& line, int milliseconds = 10000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            const std::string::size_type end = mPending.find('\n');
            if (end != std::string::npos) {
                line = mPending.substr(0, end);
                mPending.erase(0, end + 1);
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || mOut < 0)
                return false;
            pollfd p{mOut, POLLIN, 0};
            const int ready = poll(&p, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return false;
            char chunk[512];
            const ssize_t n = read(mOut, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            mPending.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Its output, for a caller that polls it beside other descriptors.
    int Out() const { return mOut; }

    // Reads once from the output (waiting when nothing is there) and adds the whole lines that
    // came; false at the end of the output.
    bool ReadLines(std::vector<std::string>& lines) {
        char chunk[4096];
        const ssize_t n = read(mOut, chunk, sizeof chunk);
        if (n <= 0)
            return n < 0 && errno == EINTR;
        mPending.append(chunk, static_cast<std::size_t>(n));
        for (std::string::size_type end; (end = mPending.find('\n')) != std::string::npos;) {
            lines.push_back(mPending.substr(0, end));
            mPending.erase(0, end + 1);
        }
        return true;
    }

    void Signal(int signal) const {
        if (mPid > 0 && !mReaped)
            kill(mPid, signal);
    }

    // The exit status; 100 + the signal when a signal ended it; -1 when it still runs after the
    // bound (it is left running).
    int Wait(int milliseconds = 10000) {
        int status = 0;
        if (AwaitChildExit(mPid, std::chrono::milliseconds(milliseconds), status) != ChildWait::kEnded)
            return -1;
        mReaped = true;
        return ExitCodeOf(status);
    }

private:
    pid_t mPid = -1;
    bool mReaped = false;
    int mOut = -1;
    std::string mPending;
};
