#pragma once
// Runs a check in a fork()ed child and collects its exit status with a bound: a child that does not
// end in time is killed, so a test never hangs on it. The check's int is the exit status (0
// passed); an uncaught exception in the check ends the child with 250.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

struct ForkedChild {
    // -1 when fork failed.
    static pid_t Start(const std::function<int()>& check) {
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
    static int Wait(pid_t child, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        if (child <= 0)
            return 253;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(child, &status, WNOHANG);
            if (done == child)
                return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
            if (done < 0)
                return 253;
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                return 254;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    static int Run(const std::function<int()>& check, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        return Wait(Start(check), limit);
    }
};
