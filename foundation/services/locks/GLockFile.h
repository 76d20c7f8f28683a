#pragma once
// GLockFile: an advisory whole-file lock on a lock file, shared (many readers) or exclusive (one
// writer), seen by every process that locks the same file. It owns a platform implementation
// (PMacLockFileImp) made on the lock file's path; nothing is opened before the first Lock.
//
// Callers may rely on:
// - Lock never waits: false when another holder's lock conflicts, or when this object already
//   holds a lock (a held lock is never upgraded, downgraded or taken twice). A lock file that
//   cannot be made, opened or locked for any other reason throws GSimpleException 40092.
// - Two GLockFile objects exclude each other like two processes do, even in one thread; closing
//   some other descriptor of the lock file never drops a lock.
// - IsLocked(kShared) is also true while this object holds the exclusive lock.
// - DeleteFile refuses with 40093 while this object holds a lock; it never throws otherwise.
// - The destructor drops the lock. One object is used by one thread at a time.
#include <memory>

class GLockFileImp;
class GPathName;

class GLockFile {
public:
    enum LockType { kNoLock = 0, kShared = 1, kExclusive = 2 };

    static constexpr int kCouldNotLock = 40092;
    static constexpr int kLockFileInUse = 40093;

    explicit GLockFile(GPathName const& lockFile);
    // A new, unlocked lock on the other's file: the lock itself is not copied.
    GLockFile(GLockFile const& other);
    GLockFile& operator=(GLockFile const&) = delete;
    ~GLockFile();

    bool Lock(LockType type);
    void UnLock();
    bool IsLocked(LockType type) const;
    GPathName const& GetLockFileSpec() const;
    // Whether the calling thread holds, through another object, a lock on the same file that
    // conflicts with type: waiting for type would then never end.
    bool IsBlockedByCallingThread(LockType type) const;

    void DeleteFile();

    // Throws 40092 with the lock file's path as the context.
    [[noreturn]] static void ThrowCouldNotLock(GPathName const& lockFile);

private:
    std::unique_ptr<GLockFileImp> mImp;
};
