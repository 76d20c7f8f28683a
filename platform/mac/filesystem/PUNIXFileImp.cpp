#include "mac/filesystem/PUNIXFileImp.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "mac/paths/PMacNativePath.h"
#include "mac/system/PUNIXSystemException.h"

namespace {

[[noreturn]] void ThrowErrno() { throw PUNIXSystemException(errno != 0 ? errno : EIO); }

std::string NativeBytes(GString const& path) {
    std::string bytes;
    if (!PMacNativePath::ToUTF8(path, bytes))
        throw PUNIXSystemException(EINVAL);
    return bytes;
}

// Makes the folders above the file that are missing, as mkdir -p does. The portable file-system
// facade takes this over (its CreateFolder) once it exists.
void MakeContainingFolders(std::string const& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return;
    const std::string folder = file.substr(0, slash);
    struct stat status;
    if (stat(folder.c_str(), &status) == 0)
        return;
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            ThrowErrno();
        if (end == std::string::npos)
            return;
    }
}

// A lock without waiting on this descriptor's open file description.
bool SetLock(int descriptor, short type, std::int64_t start, std::int64_t length) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(start);
    lock.l_len = static_cast<off_t>(length);
    lock.l_pid = 0;
    errno = 0;
    if (fcntl(descriptor, F_OFD_SETLK, &lock) == 0)
        return true;
    // A volume without lock support is accepted as it is.
    return errno == ENOTSUP || errno == EOPNOTSUPP;
}

// A file that another user could have planted or linked: refused.
bool IsOwnRegularFile(int descriptor) {
    struct stat status;
    if (fstat(descriptor, &status) != 0)
        return false;
    return S_ISREG(status.st_mode) && status.st_uid == geteuid() && status.st_nlink == 1;
}

}  // namespace

PUNIXFileImp::PUNIXFileImp() = default;

PUNIXFileImp::~PUNIXFileImp() {
    if (mFileDescriptor != -1)
        close(mFileDescriptor);
}

void PUNIXFileImp::Open(int mode) {
    const std::string path = NativeBytes(GetFilePath());
    const bool read = (mode & kRead) != 0;
    const bool write = (mode & kWrite) != 0;
    const bool truncate = (mode & kTruncate) != 0;
    const bool ownFile = (mode & kOwnFile) != 0;

    int flags = O_NONBLOCK | O_CLOEXEC | (ownFile ? O_NOFOLLOW : 0);
    if (read && (write || truncate))
        flags |= O_RDWR;
    else if (write || truncate)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if ((mode & kCreate) != 0) {
        if (!ownFile)
            MakeContainingFolders(path);
        flags |= O_CREAT;
    }

    int descriptor;
    do {
        errno = 0;
        descriptor = open(path.c_str(), flags, 0600);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        ThrowErrno();
    if (ownFile && !IsOwnRegularFile(descriptor)) {
        close(descriptor);
        throw PUNIXSystemException(EPERM);
    }
    if (mFileDescriptor != -1) {
        const int old = mFileDescriptor;
        mFileDescriptor = -1;
        if (close(old) != 0) {
            const int error = errno;
            close(descriptor);
            throw PUNIXSystemException(error != 0 ? error : EIO);
        }
    }
    mFileDescriptor = descriptor;

    short lockType = F_UNLCK;
    if (write && (mode & kShareWrite) == 0)
        lockType = F_WRLCK;
    else if (read && (mode & kShareRead) == 0)
        lockType = F_RDLCK;
    if (lockType != F_UNLCK && !SetLock(descriptor, lockType, 0, 0))
        ThrowErrno();

    // Only now, with the lock held: a writer refused above has not emptied anybody's file.
    // Files that are not regular ignore truncation, as O_TRUNC does.
    if (truncate) {
        struct stat status;
        if (fstat(descriptor, &status) != 0)
            ThrowErrno();
        if (S_ISREG(status.st_mode) && status.st_size != 0) {
            int result;
            do {
                result = ftruncate(descriptor, 0);
            } while (result != 0 && errno == EINTR);
            if (result != 0)
                ThrowErrno();
        }
    }
}

void PUNIXFileImp::Reopen(int mode) {
    Close();
    Open(mode);
}

void PUNIXFileImp::Close() {
    if (mFileDescriptor == -1)
        return;
    // The descriptor is gone even when close reports an error: it is never closed twice.
    const int descriptor = mFileDescriptor;
    mFileDescriptor = -1;
    errno = 0;
    if (close(descriptor) != 0 && errno != EINTR)
        ThrowErrno();
}

int PUNIXFileImp::Read(GBuffer& buffer, int length) {
    if (length <= 0) {
        buffer.SetLength(0);
        return 0;
    }
    buffer.SetLength(length);
    ssize_t count;
    do {
        errno = 0;
        count = read(mFileDescriptor, buffer.GetWritePtr(), static_cast<std::size_t>(length));
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        buffer.SetLength(0);
        ThrowErrno();
    }
    buffer.SetLength(static_cast<int>(count));
    const std::int64_t cached = GetCachedPos();
    if (cached != -1)
        SetCachedPos(cached + count);
    else
        GetPos();
    return static_cast<int>(count);
}

int PUNIXFileImp::Write(GBuffer const& buffer) {
    const int total = buffer.GetLength();
    unsigned char const* bytes = total > 0 ? buffer.GetPtr() : nullptr;
    int written = 0;
    while (written < total) {
        errno = 0;
        const ssize_t count = write(mFileDescriptor, bytes + written, static_cast<std::size_t>(total - written));
        if (count > 0) {
            written += static_cast<int>(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A pipe or device that is full for now: wait until it takes more.
            pollfd ready = {mFileDescriptor, POLLOUT, 0};
            if (poll(&ready, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
        // Nothing taken without an error means no room.
        const int error = count < 0 && errno != 0 ? errno : ENOSPC;
        Advance(written);
        throw PUNIXSystemException(error);
    }
    Advance(written);
    return total;
}

void PUNIXFileImp::Advance(std::int64_t count) {
    const std::int64_t cached = GetCachedPos();
    std::int64_t position;
    if (cached != -1) {
        position = cached + count;
        SetCachedPos(position);
    } else {
        position = GetPos();
    }
    const std::int64_t length = GetCachedLength();
    if (length != -1 && position > length)
        SetCachedLength(position);
}

std::int64_t PUNIXFileImp::GetFilePosition() const {
    errno = 0;
    const off_t position = lseek(mFileDescriptor, 0, SEEK_CUR);
    if (position < 0)
        ThrowErrno();
    return position;
}

void PUNIXFileImp::SetFilePosition() const {
    const std::int64_t cached = GetCachedPos();
    if (cached < 0 || GetFilePosition() == cached)
        return;
    errno = 0;
    if (lseek(mFileDescriptor, static_cast<off_t>(cached), SEEK_SET) < 0)
        ThrowErrno();
}

std::int64_t PUNIXFileImp::GetLength() const {
    if (mFileDescriptor == -1) {
        const std::string path = NativeBytes(GetFilePath());
        struct stat status;
        errno = 0;
        if (stat(path.c_str(), &status) == 0)
            return status.st_size;
        if (errno == ENOENT)
            return -1;
        ThrowErrno();
    }
    const std::int64_t position = GetFilePosition();
    // Measuring moves the descriptor: the handle asks for its position again afterwards.
    const_cast<PUNIXFileImp*>(this)->SetCachedPos(-1);
    errno = 0;
    const off_t end = lseek(mFileDescriptor, 0, SEEK_END);
    if (end < 0)
        ThrowErrno();
    errno = 0;
    if (lseek(mFileDescriptor, static_cast<off_t>(position), SEEK_SET) < 0)
        ThrowErrno();
    return end;
}

void PUNIXFileImp::SetRegionLocked(std::int64_t start, std::int64_t length, bool lock, bool exclusive) {
    const short type = !lock ? F_UNLCK : exclusive ? F_WRLCK : F_RDLCK;
    if (!SetLock(mFileDescriptor, type, start, length))
        ThrowErrno();
}
