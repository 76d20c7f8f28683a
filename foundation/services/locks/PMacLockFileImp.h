#pragma once
// PMacLockFileImp: the lock file of GLockFile on this platform. The file is made when missing
// (with the temporary-file type, under the user's umask), opened without following a link at its
// own name, and locked without waiting by an open-file-description lock (F_OFD_SETLK) on the whole
// file. Such a lock belongs to this object's open file, not to the process: two objects of one
// process exclude each other, closing another descriptor of the file drops nothing, and the lock
// still conflicts with other processes' classic fcntl record locks on the file.
//
// Callers may rely on:
// - Lock: false when a lock is held already or another holder's lock conflicts; true when the
//   lock is held afterwards. A lock file that is a link, no regular file, cannot be made or
//   opened, or a failing lock call throws GSimpleException 40092 (the path as context). A shared
//   lock on a file this user may read but not write is taken through a read-only descriptor.
// - A lock taken on a file that was removed or replaced meanwhile is let go and Lock answers false,
//   so a waiter tries again on the file that now has the name.
// - UnLock without a held lock does nothing; a failing unlock throws PUNIXSystemException.
// - The descriptor stays open until the next Lock or the destructor; the destructor unlocks, so a
//   child forked meanwhile, which shares the open file, does not keep the lock alive. Only the
//   process that took the lock releases it: in a forked child, UnLock and the destructor of the
//   inherited object leave the parent's lock held.
// - A copy takes the path only: it holds no lock and no descriptor.
#include <string>
#include <sys/types.h>

#include "services/locks/GLockFileImp.h"
#include "services/paths/GPathName.h"

class PMacLockFileImp : public GLockFileImp {
public:
    explicit PMacLockFileImp(GPathName const& lockFile);
    PMacLockFileImp(PMacLockFileImp const& other);
    PMacLockFileImp& operator=(PMacLockFileImp const&) = delete;
    ~PMacLockFileImp() override;

    bool Lock(GLockFile::LockType type) override;
    void UnLock() override;
    bool IsLocked(GLockFile::LockType type) const override { return mState == type; }
    GPathName const& GetLockFileSpec() const override { return mPath; }
    bool IsBlockedByCallingThread(GLockFile::LockType type) const override;

    // Makes the lock file when missing; a GException from that is dropped (the open then reports).
    void CreateTheLockFile();

private:
    // Opens the lock file afresh in place of the descriptor held so far.
    void Open(GLockFile::LockType type);
    void CloseDescriptor();
    // Whether the name still leads to the file that is open.
    bool IsStillNamed() const;

    GPathName mPath;
    int mState = GLockFile::kNoLock;
    int mFD = -1;
    std::string mNative;
    dev_t mDevice = 0;
    ino_t mInode = 0;
    pid_t mLocker = 0;
};
