#pragma once
// A named POSIX shared-memory segment: a 4108-byte header (total size, version 1, PID-list byte
// count, up to 1024 PIDs of the attached objects) and the caller's data area.
//
// Callers may rely on:
// - The PID list is changed by callers under the segment's inter-process mutex; the consistency
//   check before every open and every detach remove the entries of processes that no longer run,
//   and a segment with nobody attached any more is unlinked.
// - Nothing is mapped before fstat has shown the object large enough: a short object (a creator
//   killed before ftruncate), one whose header disagrees with its size, or one with an impossible
//   PID-list count is damaged and unlinked by the consistency check; the creating constructor
//   then makes a fresh one and the opening one finds none (40165). Damage that appears between
//   the check and the mapping is reported as 40167 (short) or 40168 (mis-sized).
// - Objects are 0600 whatever the umask.
// - Read and Write stay inside the data area (40163 / 40164 otherwise).
#include "core/bytes/GBuffer.h"

class PUNIXSharedMemory {
public:
    // Opens an existing segment and attaches; throws 40162, 40165, 40167, 40168, 40154, 40171.
    PUNIXSharedMemory(GBuffer const& path, GBuffer const& id);
    // Opens or creates a segment of dataSize data bytes; created tells which. Throws as above and
    // 40166, 40170; an existing healthy segment of another size is left untouched (40168).
    PUNIXSharedMemory(GBuffer const& path, GBuffer const& id, int dataSize, bool& created);
    ~PUNIXSharedMemory();
    PUNIXSharedMemory(const PUNIXSharedMemory&) = delete;
    PUNIXSharedMemory& operator=(const PUNIXSharedMemory&) = delete;

    int GetLength() const { return totalSize - cHeaderSize; }
    // The mapped data area (GetLength bytes), for callers that walk it in place under the
    // segment's mutex instead of copying it out; null when nothing is mapped.
    unsigned char* GetData() const { return map == nullptr ? nullptr : map + cHeaderSize; }
    void Read(int offset, unsigned char* to, int count) const;
    void Write(int offset, unsigned char const* from, int count);
    void MarkAcquired();
    void MarkReleased();
    // Unmaps and closes without touching the PID list: for a holder that could not take the
    // segment's mutex. The entry stays until the consistency check finds this process gone.
    void Abandon();

    // Whether a healthy segment with a running attached process stands under the name. Only reads:
    // it runs without the segment's mutex, so it must not change a PID list others are changing.
    static bool Exists(GBuffer const& path, GBuffer const& id);
    // The first count data bytes of a healthy segment that no running process is attached to any
    // more (its last users were killed), read without attaching; false when there is no such
    // segment. Lets the next opener clean up after what the segment recorded before the
    // consistency check unlinks it.
    static bool ReadAbandoned(GBuffer const& id, int count, GBuffer& data);
    // Unlinks the name of the segment with this ID; the caller holds its mutex and has found no
    // running process attached (Exists false).
    static void Remove(GBuffer const& id);
    static int GetMaxIDSize() { return 28; }
    // The entries of the PID list, for tests.
    int GetPIDCount() const;

    static constexpr int cHeaderSize = 4108;
    static constexpr int cPIDListLimit = 4096;
    static constexpr int cVersion = 1;

private:
    static void CheckConsistency(GBuffer const& name);
    void OpenExisting();
    void MapHandleToPtr();
    void Cleanup();
    void Fail(int id);
    int* Header() const { return reinterpret_cast<int*>(map); }

    GBuffer path;
    GBuffer name;
    int fd = -1;
    int totalSize = 0;
    unsigned char* map = nullptr;
    bool attached = false;
};
