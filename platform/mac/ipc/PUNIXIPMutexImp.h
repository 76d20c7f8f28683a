#pragma once
// An inter-process mutex without kernel locks: an 80-byte named segment whose lock word holds the
// owner's process ID, taken by a sequentially consistent compare-and-swap and released by a
// release store. A lock whose owner has died (or is a zombie) is taken over.
//
// Segment: magic 0x4D555458, version 1, reference count, lock word, management lock (the PID of
// the process changing the count), the sleeper count, 56 reserved bytes. The sleeper count (zero
// as created) counts the processes sleeping until what the mutex guards changes: a process that
// changes it wakes them only while the count is not 0. A sleeper killed asleep leaves the count
// too high, which only costs the wakers their wake.
//
// Callers may rely on:
// - Every wait is bounded: Lock throws 40202 when a living process (hung, stopped, or a stranger
//   that wrote any living PID into the word) keeps the word longer than GetLockTimeout(); the
//   constructor throws 40200 when it cannot join within its own bound.
// - A short object (a creator killed before ftruncate) or one whose magic never appears (killed
//   before the header) is damaged: it is unlinked and a fresh one is made.
// - Only the process that drops the count to 0 unlinks the name; a joiner that sees 0 closes and
//   tries again.
// - Objects are 0600 whatever the umask.
#include "core/bytes/GBuffer.h"

class PUNIXIPMutexImp {
public:
    // Throws 40201 for an empty ID or one of 30 characters or more (or holding "/" or a zero).
    explicit PUNIXIPMutexImp(GBuffer const& id);
    virtual ~PUNIXIPMutexImp();
    PUNIXIPMutexImp(const PUNIXIPMutexImp&) = delete;
    PUNIXIPMutexImp& operator=(const PUNIXIPMutexImp&) = delete;

    // Locks the lock word; throws 40202 after GetLockTimeout() milliseconds.
    void Lock();
    static void Lock(int* word);
    // Locks within seconds (0: one plain attempt and one look at the owner, no sleep).
    bool TryToLock(int seconds);
    static bool TryToLock(int* word, int seconds);
    // Locks within milliseconds; a dead owner is looked at once the wait has gone on a few
    // microseconds (or its time is up), then each time the whole second changes.
    static bool LockWithin(int* word, int milliseconds);
    // One plain attempt, without a look at the owner.
    static bool TakeIfFree(int* word);
    // Stores 0; no owner check.
    void Unlock();
    static void Unlock(int* word);
    void LockManagementLock();
    void UnlockManagementLock();
    // Unlinks the name while it still leads to this object: for a holder of the lock that knows
    // nobody else uses the mutex any more. Openers after it make a fresh object.
    void RemoveName();

    static int GetMaxIDSize() { return 28; }
    // The bound of every Lock, in milliseconds (default 3000); process-wide.
    static void SetLockTimeout(int milliseconds);
    static int GetLockTimeout();

    // The mapped words, for tests and tools that inspect or damage a segment.
    int* GetLockWord() const;
    int* GetManagementWord() const;
    int* GetSleeperWord() const;
    int GetReferenceCount() const;

    static constexpr int cSegmentSize = 80;
    static constexpr int cMagic = 0x4D555458;
    static constexpr int cVersion = 1;

private:
    enum Word { cMagicWord = 0, cVersionWord = 1, cCountWord = 2, cLockWord = 3, cManagementWord = 4, cSleeperWord = 5 };

    // Opens, or exclusively creates and sizes, the segment; false when the object on the name is
    // damaged and was unlinked (the caller starts over).
    bool Create(bool& created);
    void Map();
    // Joins a segment made by another process; false to start over.
    bool Join();
    void Cleanup(bool alreadyHeld);
    void Release();
    int* WordAt(Word word) const;

    GBuffer name;
    int fd = -1;
    int* map = nullptr;
};
