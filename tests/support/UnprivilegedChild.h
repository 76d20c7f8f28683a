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

    static int Run(const std::function<int()>& check) {
        const pid_t child = fork();
        if (child < 0)
            return 254;
        if (child == 0) {
            uid_t uid = 65534;
            gid_t gid = 65534;
            if (const passwd* nobody = getpwnam("nobody")) {
                uid = nobody->pw_uid;
                gid = nobody->pw_gid;
            }
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
