#pragma once
// The bounded wait for a child process's end that the process helpers share: polls waitpid until
// the child ends or the limit passes, so a hung child fails a test instead of hanging it.
#include <sys/types.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

enum class ChildWait { kEnded, kRunning, kGone };

// kEnded: reaped, status holds its wait status; kRunning: still running at the limit (not
// reaped); kGone: no such child of this process.
inline ChildWait AwaitChildExit(pid_t child, std::chrono::milliseconds limit, int& status) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return ChildWait::kEnded;
        if (done < 0)
            return ChildWait::kGone;
        if (std::chrono::steady_clock::now() >= deadline)
            return ChildWait::kRunning;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// The exit status, or 100 + the signal that ended it.
inline int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status); }
