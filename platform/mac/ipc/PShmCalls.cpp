#include "mac/ipc/PShmCalls.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "mac/ipc/PShmMappingCache.h"

int PShmCalls::OpenExisting(char const* name) { return shm_open(name, O_RDWR | O_CLOEXEC, 0); }

int PShmCalls::CreateExclusive(char const* name) {
    const int fd = shm_open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (fchmod(fd, 0600) != 0) {
        const int error = errno;
        shm_unlink(name);
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

long long PShmCalls::SizeOf(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return -1;
    return static_cast<long long>(info.st_size);
}

void* PShmCalls::Map(int fd, long long n) { return PShmMappingCache::Map(fd, n); }

void PShmCalls::Unmap(void* map, long long n) { PShmMappingCache::Unmap(map, n); }

bool PShmCalls::UnlinkIfSame(char const* name, int fd) {
    struct stat mine {};
    if (fd < 0 || fstat(fd, &mine) != 0)
        return false;
    const int other = shm_open(name, O_RDONLY | O_CLOEXEC, 0);
    if (other < 0)
        return false;
    struct stat theirs {};
    const bool same = fstat(other, &theirs) == 0 && theirs.st_dev == mine.st_dev && theirs.st_ino == mine.st_ino;
    close(other);
    return same && shm_unlink(name) == 0;
}

void PShmCalls::Close(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

void PShmCalls::PauseMillisecond() {
    timespec wait{0, 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

// Not the private futex operations: the word lies in a mapping other processes share, and the
// kernel matches their waits and wakes by the object and offset, whatever the address.
void PShmCalls::WaitWhileEqual(int* word, int value, int milliseconds) {
    if (milliseconds <= 0)
        return;
    timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    syscall(SYS_futex, word, FUTEX_WAIT, value, &wait, nullptr, 0);
}

void PShmCalls::WakeAll(int* word) { syscall(SYS_futex, word, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0); }

long long PShmCalls::NowMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

long long PShmCalls::NowMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}
