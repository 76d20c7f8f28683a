#pragma once
// A named data segment guarded by its own inter-process mutex, with a read/write cursor.
// Segment "/KvoShD" + ID, mutex "/KvoShL" + ID. The segment is opened, created, attached and
// detached only while the mutex is held.
//
// Callers may rely on:
// - Read and Write are clipped to the data area and move the cursor by what they copied.
// - The lock (GSharedMemoryLocker) is recursive within one object and bounded: a lock that cannot
//   be had throws 40202.
// - Exists only reads: it neither takes the mutex nor changes a PID list.
// One object is used from one thread at a time.
#include "core/base/GException.h"
#include "core/base/GNonCopyable.h"
#include "core/bytes/GBuffer.h"
#include "core/memory/GAutoPtr.h"
#include "mac/ipc/PUNIXIPMutexImp.h"
#include "printerprocessor/sharedmemory/GIPMutexBase.h"
#include "printerprocessor/sharedmemory/GIPPrefix.h"

template <class Memory>
class GSharedMemoryLocker;

template <class Imp>
class GSharedMemoryBase : private GNonCopyable {
public:
    GSharedMemoryBase(GBuffer const& path, GBuffer const& id) : mutex(GIPPrefix::cSharedDataLock, id) {
        Guard guard(*this);
        segment = GAutoPtr<Imp>(new Imp(path, DataID(id)));
    }
    GSharedMemoryBase(GBuffer const& path, GBuffer const& id, int dataSize, bool& created)
        : mutex(GIPPrefix::cSharedDataLock, id) {
        Guard guard(*this);
        segment = GAutoPtr<Imp>(new Imp(path, DataID(id), dataSize, created));
    }
    ~GSharedMemoryBase() {
        bool held = lockCount > 0;
        if (!held) {
            try {
                mutex.Lock();
                mutex.locked = true;
                held = true;
            } catch (GException const&) {
            }
        }
        // Without the mutex the PID list must not be touched by us.
        if (!held && segment.Get() != nullptr)
            segment->Abandon();
        segment = GAutoPtr<Imp>();
        if (held) {
            lockCount = 0;
            mutex.locked = false;
            mutex.Unlock();
        }
    }

    int Read(unsigned char* to, int count) {
        Guard guard(*this);
        const int n = Span(count);
        if (n > 0) {
            segment->Read(cursor, to, n);
            cursor += n;
        }
        return n;
    }
    int Write(unsigned char const* from, int count) {
        Guard guard(*this);
        const int n = Span(count);
        if (n > 0) {
            segment->Write(cursor, from, n);
            cursor += n;
        }
        return n;
    }
    // The buffer is sized to what was read.
    int Read(GBuffer& to, int count) {
        to.SetLength(0);
        if (count <= 0)
            return 0;
        Guard guard(*this);
        const int n = Span(count);
        to.SetLength(n);
        if (n > 0) {
            segment->Read(cursor, to.GetWritePtr(), n);
            cursor += n;
        }
        return n;
    }

    int GetLength() const { return segment->GetLength(); }
    int GetCursor() const { return cursor; }
    void SetCursor(int at) { cursor = at; }
    int GetLockCount() const { return lockCount; }
    Imp& GetSegment() { return *segment; }
    PUNIXIPMutexImp& GetMutex() { return mutex.GetImp(); }

    static bool Exists(GBuffer const& path, GBuffer const& id) { return Imp::Exists(path, DataID(id)); }
    // The first count data bytes of a segment whose users have all ended, read without attaching.
    static bool ReadAbandoned(GBuffer const& id, int count, GBuffer& data) {
        return Imp::ReadAbandoned(DataID(id), count, data);
    }
    // Unlinks the segment and its mutex when no running process is attached to the segment any
    // more: the objects a process that ended without detaching (killed) used alone. Runs under the
    // mutex; false when it could not be had or a running process still uses the segment.
    static bool RemoveUnused(GBuffer const& path, GBuffer const& id) {
        try {
            GIPMutexBase<PUNIXIPMutexImp> mutex(GIPPrefix::cSharedDataLock, id);
            mutex.Lock();
            mutex.locked = true;
            const bool unused = !Imp::Exists(path, DataID(id));
            if (unused) {
                Imp::Remove(DataID(id));
                mutex.RemoveName();
            }
            return unused;
        } catch (GException const&) {
            return false;
        }
    }

private:
    friend class GSharedMemoryLocker<GSharedMemoryBase>;

    // The recursive lock as a scope, without the locker's header.
    class Guard {
    public:
        explicit Guard(GSharedMemoryBase& memory) : mMemory(memory) { memory.Acquire(); }
        ~Guard() { mMemory.ReleaseLock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        GSharedMemoryBase& mMemory;
    };

    static GBuffer DataID(GBuffer const& id) { return GBuffer(GIPPrefix::GetPrefix(GIPPrefix::cSharedData)) + id; }

    int Span(int count) const {
        const int length = segment.Get() == nullptr ? 0 : segment->GetLength();
        if (cursor < 0 || count < 1 || cursor >= length)
            return 0;
        return count < length - cursor ? count : length - cursor;
    }
    void Acquire() {
        if (lockCount == 0) {
            mutex.Lock();
            mutex.locked = true;
        }
        ++lockCount;
    }
    void ReleaseLock() {
        if (lockCount <= 0)
            return;
        if (--lockCount == 0) {
            mutex.locked = false;
            mutex.Unlock();
        }
    }

    int cursor = 0;
    int lockCount = 0;
    GIPMutexBase<PUNIXIPMutexImp> mutex;
    GAutoPtr<Imp> segment;
};
