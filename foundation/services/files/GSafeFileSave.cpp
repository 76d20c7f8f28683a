#include "services/files/GSafeFileSave.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "mac/paths/PMacNativePath.h"
#include "mac/system/PUNIXSystemException.h"

namespace {

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

void SyncFolder(std::string const& folder) {
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that cannot be opened or synced (some file systems refuse) leaves the rename done.
    if (dir.Get() >= 0)
        ::fsync(dir.Get());
}

// A temporary file in folder, removed unless Keep is called.
class TempFile {
public:
    TempFile(std::string const& folder, std::string const& leaf) : mPath(folder + "/." + leaf + ".XXXXXX") {
        const int fd = ::mkostemp(mPath.data(), O_CLOEXEC);
        if (fd < 0)
            Throw(errno);
        mFd = fd;
    }
    TempFile(TempFile const&) = delete;
    TempFile& operator=(TempFile const&) = delete;
    ~TempFile() {
        if (mFd >= 0)
            ::close(mFd);
        if (!mKept)
            ::unlink(mPath.c_str());
    }
    int Fd() const { return mFd; }
    std::string const& Path() const { return mPath; }
    void CloseChecked() {
        const int fd = mFd;
        mFd = -1;
        if (::close(fd) != 0 && errno != EINTR)
            Throw(errno);
    }
    void Keep() { mKept = true; }

private:
    std::string mPath;
    int mFd = -1;
    bool mKept = false;
};

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
    if (::fchmod(temp.Fd(), mode) != 0)
        Throw(errno);
    WriteAll(temp.Fd(), data, length);
    if (::fsync(temp.Fd()) != 0)
        Throw(errno);
    temp.CloseChecked();
    if (::rename(temp.Path().c_str(), target.c_str()) != 0)
        Throw(errno);
    temp.Keep();
    SyncFolder(folder);
}

}  // namespace

GString GSafeFileSave::ResolveTarget(GString const& nativeTarget) { return FromNative(Resolve(ToNative(nativeTarget))); }

void GSafeFileSave::Save(GPathName const& path, GBuffer const& bytes) {
    const std::string target = Resolve(ToNative(path.GetNativePathString()));
    MakeFolders(FolderOf(target));
    struct stat old;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        Throw(errno);
    if (exists && !S_ISREG(old.st_mode))
        Throw(S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    WriteReplacing(target, bytes.GetPtr(), static_cast<size_t>(bytes.GetLength()), exists ? &old : nullptr);
}

GPathName GSafeFileSave::KeepBackup(GPathName const& path) {
    const std::string target = Resolve(ToNative(path.GetNativePathString()));
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return GPathName();
        Throw(errno);
    }
    std::string backup;
    for (int i = 0; i < 100; ++i) {
        backup = target + ".bak" + (i == 0 ? std::string() : std::to_string(i));
        struct stat taken;
        if (::lstat(backup.c_str(), &taken) != 0)
            break;
    }
    // A second link keeps the old bytes without copying them; the new file replaces only the name.
    if (::link(target.c_str(), backup.c_str()) == 0) {
        SyncFolder(FolderOf(target));
        GPathName result;
        result.SetNativePathString(FromNative(backup));
        return result;
    }
    if (errno == EEXIST)
        ::unlink(backup.c_str());
    Descriptor in(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
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
            break;
        contents.append(block, static_cast<size_t>(n));
    }
    struct stat none;
    const bool backupExists = ::stat(backup.c_str(), &none) == 0;
    WriteReplacing(backup, reinterpret_cast<unsigned char const*>(contents.data()), contents.size(),
                   backupExists ? &st : nullptr);
    GPathName result;
    result.SetNativePathString(FromNative(backup));
    return result;
}
