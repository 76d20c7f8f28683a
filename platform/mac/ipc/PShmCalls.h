#pragma once
// The POSIX calls under the named segments, with the checks every opener needs: objects are made
// 0600 whatever the umask, sizes come from fstat before anything is mapped, and a damaged object
// is unlinked only while its name still leads to the object that was judged.
#include <sys/types.h>

class PShmCalls {
public:
    // shm_open(O_RDWR); -1 with errno set on failure.
    static int OpenExisting(char const* name);
    // Exclusive create with mode 0600, set again with fchmod so that the umask cannot widen or
    // narrow it; -1 with errno set on failure.
    static int CreateExclusive(char const* name);
    // The object's size, -1 when fstat fails.
    static long long SizeOf(int fd);
    // Shared read-write mapping of n bytes at offset 0; null on failure (MAP_FAILED included).
    // Mappings of closed objects are kept a while for the next opener (PShmMappingCache).
    static void* Map(int fd, long long n);
    static void Unmap(void* map, long long n);
    // Unlinks name only while it still names the object open on fd (same device and inode).
    static bool UnlinkIfSame(char const* name, int fd);
    static void Close(int& fd);
    // Sleeps about a millisecond; a signal does not cut the wait short of time spent.
    static void PauseMillisecond();
    // Sleeps at most milliseconds while the word of a shared mapping holds value: a wake of that
    // word (from any process mapping it), a change seen before sleeping or a signal ends it early.
    static void WaitWhileEqual(int* word, int value, int milliseconds);
    // Wakes every process and thread waiting on the word; cheap when none waits.
    static void WakeAll(int* word);
    // Milliseconds and microseconds on the monotonic clock.
    static long long NowMilliseconds();
    static long long NowMicroseconds();
};
