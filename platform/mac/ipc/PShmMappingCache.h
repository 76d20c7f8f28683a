#pragma once
// Keeps the mappings of closed segments for the next opener of the same object in this process.
// Unmapping a shared mapping flushes the TLB of every processor the process runs on, and a fresh
// mapping faults its pages in again; a sender that opens a receiver's queue for each message
// paid both every time. A mapping is reused only for the very object it maps (same device,
// inode and length, as fstat tells of the descriptor being mapped), so it shows exactly what a
// fresh mapping would.
//
// Callers may rely on:
// - Map and Unmap behave as mmap (shared, read-write, offset 0) and munmap do; what is kept is
//   only address space: PID lists and names are the callers' business, as before.
// - At most cMaxKept closed mappings are kept (the least recently closed go first); they are
//   unmapped when the library is unloaded, at exit, or on Release.
// - Safe from any thread, and across fork.
#include <sys/types.h>

class PShmMappingCache {
public:
    static constexpr int cMaxKept = 16;

    // A mapping of n bytes of the object open on fd; null on failure.
    static void* Map(int fd, long long n);
    // Ends a mapping made by Map (or by mmap); it may be kept for the next Map of its object.
    static void Unmap(void* map, long long n);
    // Unmaps every kept mapping.
    static void Release();
};
