#include "services/files/GSafeFileSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "mac/paths/PMacNativePath.h"
#include "mac/system/PUNIXSystemException.h"

namespace {

constexpr int kMaxBackups = 100;

[[noreturn]] void Throw(int error) { throw PUNIXSystemException(error != 0 ? error : EIO); }

std::string ToNative(GString const& text) {
    std::string bytes;
    // A relative path would land wherever the process happens to stand.
    if (!PMacNativePath::ToPathBytes(text, bytes) || bytes[0] != '/')
        Throw(EINVAL);
    return bytes;
}

GString FromNative(std::string const& bytes) {
    GString text;
    if (!PMacNativePath::FromUTF8(bytes, text))
        Throw(EINVAL);
    return text;
}

std::string FolderOf(std::string const& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Links are followed by hand so that a link to a file not yet made still names where it goes.
std::string Resolve(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n < 0)
            return path;
        link.resize(static_cast<size_t>(n));
        path = link[0] == '/' ? link : FolderOf(path) + "/" + link;
    }
    Throw(ELOOP);
}

void MakeFolders(std::string const& folder) {
    struct stat st;
    if (folder.empty() || stat(folder.c_str(), &st) == 0)
        return;
    MakeFolders(FolderOf(folder));
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        Throw(errno);
}

mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : mFd(fd) {}
    Descriptor(Descriptor const&) = delete;
    Descriptor& operator=(Descriptor const&) = delete;
    ~Descriptor() {
        if (mFd >= 0)
            ::close(mFd);
    }
    int Get() const { return mFd; }
    void Close() {
        const int fd = mFd;
        mFd = -1;
        if (::close(fd) != 0 && errno != EINTR)
            Throw(errno);
    }

private:
    int mFd;
};

void WriteAll(int fd, unsigned char const* data, size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Throw(errno);
        }
        if (n == 0)
            Throw(ENOSPC);
        data += n;
        length -= static_cast<size_t>(n);
    }
}

// The hidden temporary of a save: "." + leaf + "." and the six letters or digits of mkostemp.
bool IsTemporaryName(std::string const& name, std::string const& leaf) {
    if (name.size() != leaf.size() + 8 || name.compare(0, leaf.size() + 2, "." + leaf + ".") != 0)
        return false;
    for (size_t i = name.size() - 6; i < name.size(); ++i)
        if (!isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

bool TryLock(int fd, short type) {
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// A temporary file in folder, removed unless Keep is called. It holds a read lock for as long as
// it is open, which readers of the file it becomes share, and which tells RemoveStaleTemporaries
// of every process that this save is alive.
class TempFile {
public:
    TempFile(std::string const& folder, std::string const& leaf) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            mPath = folder + "/." + leaf + ".XXXXXX";
            const int fd = ::mkostemp(mPath.data(), O_CLOEXEC);
            if (fd < 0)
                Throw(errno);
            // Until the lock is held another save may take it for stale and remove it.
            struct stat st;
            if (TryLock(fd, F_RDLCK) && ::fstat(fd, &st) == 0 && st.st_nlink != 0) {
                mFd = fd;
                return;
            }
            ::close(fd);
        }
        Throw(EAGAIN);
    }
    TempFile(TempFile const&) = delete;
    TempFile& operator=(TempFile const&) = delete;
    ~TempFile() {
        if (!mKept)
            ::unlink(mPath.c_str());
        if (mFd >= 0)
            ::close(mFd);
    }
    int Fd() const { return mFd; }
    std::string const& Path() const { return mPath; }
    // Renamed over target: from now on it is that file.
    void RenameTo(std::string const& target) {
        if (::rename(mPath.c_str(), target.c_str()) != 0)
            Throw(errno);
        mKept = true;
        // The bytes are synced already; the descriptor (and the lock) only had to last this long.
        ::close(mFd);
        mFd = -1;
    }

private:
    std::string mPath;
    int mFd = -1;
    bool mKept = false;
};

// Removes the temporaries that saves of leaf left in folder when they were killed: hidden files
// of exactly that pattern, this user's, and not locked by a save still running in any process.
void RemoveStaleTemporaries(std::string const& folder, std::string const& leaf) {
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0)
        return;
    DIR* listing = ::fdopendir(::dup(dir.Get()));
    if (listing == nullptr)
        return;
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(listing))
        if (IsTemporaryName(entry->d_name, leaf))
            names.push_back(entry->d_name);
    ::closedir(listing);
    for (std::string const& name : names) {
        Descriptor file(::openat(dir.Get(), name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened;
        if (file.Get() < 0 || ::fstat(file.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
            opened.st_uid != geteuid() || opened.st_nlink != 1 || !TryLock(file.Get(), F_WRLCK))
            continue;
        // The name must still be the file that was found unlocked.
        struct stat named;
        if (::fstatat(dir.Get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino)
            ::unlinkat(dir.Get(), name.c_str(), 0);
    }
}

std::string LeafOf(std::string const& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WriteReplacing(std::string const& target, unsigned char const* data, size_t length, struct stat const* old) {
    const std::string folder = FolderOf(target);
    TempFile temp(folder, LeafOf(target));
    const mode_t mode = old != nullptr ? (old->st_mode & 07777) : (0666 & ~CurrentUmask());
    if (old != nullptr && (old->st_uid != geteuid() || old->st_gid != getegid())) {
        // Only the owner's own process or root can hand the file back; failing that the mode
        // still comes across.
        if (::fchown(temp.Fd(), old->st_uid, old->st_gid) != 0) {
        }
    }
    WriteAll(temp.Fd(), data, length);
    // The mode last: a temporary left by a kill stays writable for its owner, so it can be found stale.
    if (::fchmod(temp.Fd(), mode) != 0)
        Throw(errno);
    if (::fsync(temp.Fd()) != 0)
        Throw(errno);
    // The folder is not synced: the file is whole before its name moves, so a crash before the
    // rename reaches the disk brings back the old file, whole; and a sync of the folder would
    // cost as much again as the whole write.
    temp.RenameTo(target);
}

}  // namespace

GString GSafeFileSave::ResolveTarget(GString const& nativeTarget) { return FromNative(Resolve(ToNative(nativeTarget))); }

void GSafeFileSave::Save(GPathName const& path, GBuffer const& bytes, bool keepBackup) {
    const std::string target = Resolve(ToNative(path.GetNativePathString()));
    MakeFolders(FolderOf(target));
    struct stat old;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        Throw(errno);
    if (exists && !S_ISREG(old.st_mode))
        Throw(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    // The rename would get past the file's own mode: refused where an open for writing would be.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        Throw(errno);
    RemoveStaleTemporaries(FolderOf(target), LeafOf(target));
    if (keepBackup && exists)
        KeepBackup(path);
    WriteReplacing(target, bytes.GetPtr(), static_cast<size_t>(bytes.GetLength()), exists ? &old : nullptr);
}

namespace {

std::string ReadAll(std::string const& path) {
    Descriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0)
        Throw(errno);
    std::string contents;
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(in.Get(), block, sizeof block);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Throw(errno);
        }
        if (n == 0)
            return contents;
        contents.append(block, static_cast<size_t>(n));
    }
}

std::string BackupName(std::string const& target, int i) {
    return target + ".bak" + (i == 0 ? std::string() : std::to_string(i));
}

// Reads up to size bytes, fewer only at the end of the file.
size_t ReadBlock(int fd, char* block, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, block + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Throw(errno);
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return got;
}

bool SameBytes(std::string const& a, std::string const& b) {
    Descriptor left(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    Descriptor right(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    if (left.Get() < 0 || right.Get() < 0)
        return false;
    std::vector<char> x(65536);
    std::vector<char> y(65536);
    for (;;) {
        const size_t n = ReadBlock(left.Get(), x.data(), x.size());
        if (ReadBlock(right.Get(), y.data(), y.size()) != n || std::memcmp(x.data(), y.data(), n) != 0)
            return false;
        if (n < x.size())
            return true;
    }
}

// An existing backup of target that already holds its bytes (the same file, or a copy); empty
// when there is none.
std::string SameBackup(std::string const& target, struct stat const& st) {
    for (int i = 0; i < kMaxBackups; ++i) {
        const std::string backup = BackupName(target, i);
        struct stat other;
        if (::lstat(backup.c_str(), &other) != 0 || !S_ISREG(other.st_mode) || other.st_size != st.st_size)
            continue;
        if ((other.st_dev == st.st_dev && other.st_ino == st.st_ino) || SameBytes(target, backup))
            return backup;
    }
    return std::string();
}

GPathName PathOf(std::string const& native) {
    GPathName result;
    result.SetNativePathString(FromNative(native));
    return result;
}

}  // namespace

GPathName GSafeFileSave::KeepBackup(GPathName const& path) {
    const std::string target = Resolve(ToNative(path.GetNativePathString()));
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return GPathName();
        Throw(errno);
    }
    // One backup per state of the file: a save that failed after keeping it, or a file that keeps
    // reading as incomplete, must not fill the folder with copies.
    const std::string same = SameBackup(target, st);
    if (!same.empty())
        return PathOf(same);
    std::string backup;
    for (int i = 0; i < kMaxBackups; ++i) {
        backup = BackupName(target, i);
        struct stat taken;
        if (::lstat(backup.c_str(), &taken) != 0)
            break;
    }
    // A second link keeps the old bytes without copying them; the new file replaces only the name.
    if (::link(target.c_str(), backup.c_str()) == 0)
        return PathOf(backup);
    if (errno == EEXIST)
        ::unlink(backup.c_str());
    const std::string contents = ReadAll(target);
    struct stat none;
    const bool backupExists = ::stat(backup.c_str(), &none) == 0;
    WriteReplacing(backup, reinterpret_cast<unsigned char const*>(contents.data()), contents.size(),
                   backupExists ? &st : nullptr);
    return PathOf(backup);
}
