#pragma once
// A real child process for cross-process tests, with a pipe each way for "ready" and "go" signals
// and bounded waits only. The child runs a function and ends with _exit(its result), so it never
// runs the parent's test teardown or static destructors. A child still running when the object
// goes is killed and reaped. The static calls run a plain check in a child and collect its exit
// status with a bound (a child still running after it is killed).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "support/ChildExit.h"

class ForkedChild {
public:
    ForkedChild() = default;
    explicit ForkedChild(const std::function<int(ForkedChild&)>& body) { Start(body); }
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;
    ~ForkedChild() {
        if (mPid > 0 && !mReaped) {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
        for (int fd : {mUp[0], mUp[1], mDown[0], mDown[1]})
            if (fd >= 0)
                close(fd);
    }

    void Start(const std::function<int(ForkedChild&)>& body) {
        if (pipe2(mUp, O_CLOEXEC) != 0 || pipe2(mDown, O_CLOEXEC) != 0)
            std::abort();
        mPid = fork();
        if (mPid < 0)
            std::abort();
        if (mPid == 0) {
            int result = 250;
            try {
                result = body(*this);
            } catch (...) {
                result = 251;
            }
            _exit(result);
        }
    }

    pid_t Pid() const { return mPid; }

    // Child side: tell the parent, wait for the parent (bounded; false on timeout).
    void Signal() { Put(mUp[1]); }
    bool AwaitGo(int milliseconds = 10000) { return Take(mDown[0], milliseconds); }
    // Parent side.
    bool AwaitSignal(int milliseconds = 10000) { return Take(mUp[0], milliseconds); }
    void Go() { Put(mDown[1]); }

    // Waits for the end (bounded) and returns the exit status, or -1 for a timeout and -2 for a
    // death by signal. A timed-out child is left running for the destructor to kill.
    int Wait(int milliseconds = 10000) {
        int status = 0;
        if (AwaitChildExit(mPid, std::chrono::milliseconds(milliseconds), status) != ChildWait::kEnded)
            return -1;
        mReaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }

    // Waits (bounded) until the child has ended without reaping it: it stays a zombie.
    bool AwaitZombie(int milliseconds = 10000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < deadline) {
            siginfo_t info{};
            if (waitid(P_PID, static_cast<id_t>(mPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == mPid)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    void Kill(int signal = SIGKILL) { kill(mPid, signal); }

    // -1 when fork failed. The check's int is the exit status (0 passed); an uncaught exception in
    // it ends the child with 250.
    static pid_t StartCheck(const std::function<int()>& check) {
        const pid_t child = fork();
        if (child != 0)
            return child;
        int result = 250;
        try {
            result = check();
        } catch (...) {
        }
        _exit(result);
    }

    // The exit status; 100 + the signal when it was killed by one; 254 when it had to be killed
    // because it was still running after limit; 253 when there was no such child.
    static int WaitFor(pid_t child, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        if (child <= 0)
            return 253;
        int status = 0;
        switch (AwaitChildExit(child, limit, status)) {
        case ChildWait::kEnded:
            return ExitCodeOf(status);
        case ChildWait::kGone:
            return 253;
        case ChildWait::kRunning:
            break;
        }
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return 254;
    }

    static int RunCheck(const std::function<int()>& check, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        return WaitFor(StartCheck(check), limit);
    }

private:
    static void Put(int fd) {
        const char byte = 1;
        while (write(fd, &byte, 1) < 0 && errno == EINTR) {
        }
    }
    static bool Take(int fd, int milliseconds) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, milliseconds) != 1)
            return false;
        char byte = 0;
        return read(fd, &byte, 1) == 1;
    }

    pid_t mPid = -1;
    bool mReaped = false;
    int mUp[2] = {-1, -1};
    int mDown[2] = {-1, -1};
};
