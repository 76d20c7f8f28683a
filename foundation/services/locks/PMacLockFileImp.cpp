#include "services/locks/PMacLockFileImp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "core/base/GException.h"
#include "mac/paths/PMacNativePath.h"
#include "mac/system/PUNIXSystemException.h"
#include "services/filesystem/GFileSystem.h"
#include "services/filetypes/GFileType.h"

namespace {

// The locks this process holds, so that a thread can learn that it waits for itself. Entries
// carry the process id because a forked child inherits the table but not the threads.
class HeldLocks {
public:
    struct Entry {
        PMacLockFileImp const* owner;
        dev_t device;
        ino_t inode;
        pid_t process;
        pid_t thread;
        int type;
    };

    static HeldLocks& Instance() {
        static HeldLocks* table = new HeldLocks;  // never destroyed: locks may outlive statics
        return *table;
    }

    void Add(Entry const& entry) {
        std::lock_guard<std::mutex> guard(mMutex);
        mEntries.push_back(entry);
    }

    void Remove(PMacLockFileImp const* owner) {
        std::lock_guard<std::mutex> guard(mMutex);
        mEntries.erase(std::remove_if(mEntries.begin(), mEntries.end(),
                                      [owner](Entry const& e) { return e.owner == owner; }),
                       mEntries.end());
    }

    bool HeldByCallingThread(PMacLockFileImp const* asker, dev_t device, ino_t inode, int type) {
        const pid_t process = getpid();
        const pid_t thread = gettid();
        std::lock_guard<std::mutex> guard(mMutex);
        return std::any_of(mEntries.begin(), mEntries.end(), [&](Entry const& e) {
            return e.owner != asker && e.device == device && e.inode == inode && e.process == process &&
                   e.thread == thread && (type == GLockFile::kExclusive || e.type == GLockFile::kExclusive);
        });
    }

private:
    std::mutex mMutex;
    std::vector<Entry> mEntries;
};

bool SetLock(int fd, short type) {
    struct flock record {};
    record.l_type = type;
    record.l_whence = SEEK_SET;
    record.l_start = 0;
    record.l_len = 0;  // to the end, however far the file grows
    record.l_pid = 0;  // required by open-file-description locks
    return fcntl(fd, F_OFD_SETLK, &record) == 0;
}

}  // namespace

PMacLockFileImp::PMacLockFileImp(GPathName const& lockFile) : mPath(lockFile) {}

PMacLockFileImp::PMacLockFileImp(PMacLockFileImp const& other) : GLockFileImp(other), mPath(other.mPath) {}

PMacLockFileImp::~PMacLockFileImp() {
    if (mState != GLockFile::kNoLock && mLocker == getpid()) {
        // Unlocked, not only closed: a forked child may share the open file and keep it alive.
        SetLock(mFD, F_UNLCK);
        HeldLocks::Instance().Remove(this);
    }
    CloseDescriptor();
}

bool PMacLockFileImp::Lock(GLockFile::LockType type) {
    if (mState != GLockFile::kNoLock)
        return false;
    if (type != GLockFile::kShared && type != GLockFile::kExclusive)
        return false;
    Open(type);
    if (!SetLock(mFD, type == GLockFile::kShared ? F_RDLCK : F_WRLCK)) {
        if (errno == EAGAIN || errno == EACCES)
            return false;
        GLockFile::ThrowCouldNotLock(mPath);
    }
    // A lock on a file that lost its name guards nothing: the next holder makes a new file.
    if (!IsStillNamed()) {
        SetLock(mFD, F_UNLCK);
        return false;
    }
    mState = type;
    mLocker = getpid();
    HeldLocks::Instance().Add({this, mDevice, mInode, getpid(), gettid(), type});
    return true;
}

void PMacLockFileImp::UnLock() {
    if (mState == GLockFile::kNoLock)
        return;
    // A forked child shares the parent's open file and with it the lock: only the process that
    // took the lock lets it go; the child merely forgets it.
    if (mLocker != getpid()) {
        mState = GLockFile::kNoLock;
        return;
    }
    if (!SetLock(mFD, F_UNLCK))
        throw PUNIXSystemException(errno);
    mState = GLockFile::kNoLock;
    HeldLocks::Instance().Remove(this);
}

bool PMacLockFileImp::IsBlockedByCallingThread(GLockFile::LockType type) const {
    if (mFD == -1)
        return false;
    return HeldLocks::Instance().HeldByCallingThread(this, mDevice, mInode, type);
}

void PMacLockFileImp::CreateTheLockFile() {
    try {
        GPathName file(mPath);
        GFileSystem::CreateFile(file, GFileType::GetFromUserID(GFileType::kTemporaryFileUserID), false);
    } catch (GException const&) {
    }
}

void PMacLockFileImp::Open(GLockFile::LockType type) {
    CloseDescriptor();
    if (mPath.IsRelative() || !PMacNativePath::ToPathBytes(mPath.GetNativePathString(), mNative))
        GLockFile::ThrowCouldNotLock(mPath);
    if (!GFileSystem::TryFileExists(mPath))
        CreateTheLockFile();
    // No link is followed at the lock file's own name: in a shared folder it could lead anywhere.
    // O_NONBLOCK keeps a FIFO put in its place from stopping the open.
    const int flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = open(mNative.c_str(), O_RDWR | flags);
    if (fd < 0 && type == GLockFile::kShared && (errno == EACCES || errno == EROFS))
        fd = open(mNative.c_str(), O_RDONLY | flags);
    if (fd < 0)
        GLockFile::ThrowCouldNotLock(mPath);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        GLockFile::ThrowCouldNotLock(mPath);
    }
    mFD = fd;
    mDevice = info.st_dev;
    mInode = info.st_ino;
}

void PMacLockFileImp::CloseDescriptor() {
    if (mFD == -1)
        return;
    close(mFD);
    mFD = -1;
}

bool PMacLockFileImp::IsStillNamed() const {
    struct stat info {};
    return lstat(mNative.c_str(), &info) == 0 && info.st_dev == mDevice && info.st_ino == mInode;
}
