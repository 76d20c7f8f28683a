#include "mac/ipc/PIPCProcessCheck.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "mac/system/PMacXProcessInfo.h"

namespace {

// The state letter of /proc/<pid>/stat, 0 when it cannot be read. The command name may hold
// spaces and parentheses, so the state follows the last ')'.
char ProcessState(int pid) {
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[512];
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0)
        return 0;
    text[n] = 0;
    const char* close = std::strrchr(text, ')');
    if (close == nullptr || close[1] != ' ')
        return 0;
    return close[2];
}

}  // namespace

int PIPCProcessCheck::GetCurrentProcessID() { return PMacXProcessInfo().GetCurrentProcessID(); }

bool PIPCProcessCheck::IsRunning(int pid) {
    if (pid <= 0)
        return false;
    if (kill(pid, 0) != 0 && errno != EPERM)
        return false;
    const char state = ProcessState(pid);
    if (state == 0) {
        // No /proc entry: the process is gone; with no /proc at all trust kill().
        return access("/proc/self/stat", F_OK) != 0;
    }
    return state != 'Z' && state != 'X' && state != 'x';
}
