#pragma once
// Runs a check in a child process that has dropped to an unprivileged user ("nobody", else uid
// and gid 65534), for permission-denied cases in tests that run as root. The child's result is
// its exit status: 0 passed, 1..250 a failure the check reports, 255 the drop failed.
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

struct UnprivilegedChild {
    static bool IsRoot() { return geteuid() == 0; }

    // The user and group the child runs as.
    static uid_t Uid() {
        const passwd* nobody = getpwnam("nobody");
        return nobody != nullptr ? nobody->pw_uid : 65534;
    }
    static gid_t Gid() {
        const passwd* nobody = getpwnam("nobody");
        return nobody != nullptr ? nobody->pw_gid : 65534;
    }

    static int Run(const std::function<int()>& check) {
        const pid_t child = fork();
        if (child < 0)
            return 254;
        if (child == 0) {
            const uid_t uid = Uid();
            const gid_t gid = Gid();
            if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
                _exit(255);
            _exit(check());
        }
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
            return 253;
        return WEXITSTATUS(status);
    }
};
