#include "mac/filesystem/PMacTreeOperations.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "standin/StandinPathParts.h"
#include "mac/filesystem/PUNIXDescriptor.h"

namespace {

using Sync = PMacTreeOperations::Sync;
using CopyOptions = PMacTreeOperations::CopyOptions;

std::string Join(std::string const& folder, std::string const& leaf) {
    return folder == "/" ? "/" + leaf : folder + "/" + leaf;
}

bool Exists(std::string const& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool IsDotOrDotDot(char const* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

using Descriptor = PUNIXDescriptor;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using Listing = std::unique_ptr<DIR, DirCloser>;

// The names of the open folder fd (which the listing takes over), "." and ".." left out, with
// their DT_ kinds in types when asked.
int ListNames(int fd, std::vector<std::string>& names, std::vector<unsigned char>* types = nullptr) {
    Listing listing(fdopendir(fd));
    if (!listing) {
        const int error = errno;
        close(fd);
        return error;
    }
    for (;;) {
        errno = 0;
        dirent const* entry = readdir(listing.get());
        if (entry == nullptr)
            return errno;
        if (IsDotOrDotDot(entry->d_name))
            continue;
        names.emplace_back(entry->d_name);
        if (types != nullptr)
            types->push_back(entry->d_type);
    }
}

// ---- Removing ----

// Calls visit(folder, entry, type) for every entry of the folder name in the open folder dir
// (type its DT_ kind), the folder opened without following a link and listed in full first;
// stops at the first error.
template <class Visit>
int ForEachEntryOf(int dir, char const* name, Visit visit) {
    const int fd = openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    Descriptor folder(dup(fd));
    std::vector<std::string> names;
    std::vector<unsigned char> types;
    if (const int error = ListNames(fd, names, &types))
        return error;
    if (folder.Get() < 0)
        return errno;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (const int error = visit(folder.Get(), names[i].c_str(), types[i]))
            return error;
    }
    return 0;
}

// Removes the entry name of the open folder dir; a folder is emptied first. Links are removed,
// never followed. A kind the listing named other than a folder needs no status call; one that
// became a folder since is looked at again.
int RemoveAt(int dir, char const* name, unsigned char type = DT_UNKNOWN) {
    if (type != DT_UNKNOWN && type != DT_DIR) {
        if (unlinkat(dir, name, 0) == 0)
            return 0;
        if (errno != EISDIR)
            return errno;
    }
    struct stat info {};
    if (fstatat(dir, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return unlinkat(dir, name, 0) == 0 ? 0 : errno;
    if (const int error = ForEachEntryOf(dir, name, [](int folder, char const* entry, unsigned char kind) {
            return RemoveAt(folder, entry, kind);
        }))
        return error;
    return unlinkat(dir, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

// Whether the process may remove the entry name (status info) from the open folder dir.
int MayRemoveFrom(int dir, struct stat const& folder, struct stat const& info) {
    if (faccessat(dir, ".", W_OK | X_OK, AT_EACCESS) != 0)
        return errno;
    // A sticky folder lets only owners remove; the superuser is not bound by it.
    const uid_t me = geteuid();
    if ((folder.st_mode & S_ISVTX) != 0 && me != 0 && info.st_uid != me && folder.st_uid != me)
        return EPERM;
    return 0;
}

int CheckRemovableAt(int dir, struct stat const& dirInfo, char const* name) {
    struct stat info {};
    if (fstatat(dir, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (const int error = MayRemoveFrom(dir, dirInfo, info))
        return error;
    if (!S_ISDIR(info.st_mode))
        return 0;
    return ForEachEntryOf(dir, name, [&info](int folder, char const* entry, unsigned char) {
        return CheckRemovableAt(folder, info, entry);
    });
}

// ---- Copying file data ----

int WriteAll(int fd, char const* data, std::size_t n, off_t offset) {
    while (n > 0) {
        const ssize_t written = pwrite(fd, data, n, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        data += written;
        offset += written;
        n -= static_cast<std::size_t>(written);
    }
    return 0;
}

// The bytes [from, end) (to the end of the file for end < 0) read and written at the same
// offsets; answers where the copy ended.
int ReadAndWrite(int in, int out, off_t offset, off_t end, off_t& reached) {
    // No larger than the range: a small file's copy fills no block it does not need.
    constexpr off_t kBlock = 1 << 16;
    const off_t size = end < 0 ? kBlock : std::min(kBlock, std::max<off_t>(end - offset, 1));
    std::vector<char> buffer(static_cast<std::size_t>(size));
    reached = offset;
    while (end < 0 || reached < end) {
        const std::size_t want = end < 0 ? buffer.size() : std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(end - reached));
        const ssize_t n = pread(in, buffer.data(), want, reached);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;  // the file shrank meanwhile
        if (const int error = WriteAll(out, buffer.data(), static_cast<std::size_t>(n), reached))
            return error;
        reached += n;
    }
    return 0;
}

// One range of data, in the kernel where the pair of files allows it.
int CopyRange(int in, int out, off_t offset, off_t end, off_t& reached) {
    loff_t from = offset;
    loff_t to = offset;
    reached = offset;
    while (from < end) {
        const ssize_t n = copy_file_range(in, &from, out, &to, static_cast<std::size_t>(end - from), 0);
        if (n > 0) {
            reached = from;
            continue;
        }
        if (n == 0)
            return 0;
        if (errno == EINTR)
            continue;
        const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                                 errno == EBADF || errno == EPERM;
        if (!unsupported)
            return errno;
        return ReadAndWrite(in, out, from, end, reached);
    }
    return 0;
}

// Up to this size a dense file is copied through one buffer.
constexpr off_t kSmallFile = 1 << 16;

// Whether the file's blocks cover its size, so that it has no hole to keep (the test cp makes
// too): the data is then copied as one range, without looking for holes.
bool IsDense(struct stat const& info) { return info.st_blocks >= (info.st_size + 511) / 512; }

// The data ranges only, so holes stay holes; the size is set at the end, which also makes a
// trailing hole. A file whose size says nothing (/proc) is read to its end.
int CopyContents(int in, int out, struct stat const& info) {
    const off_t size = info.st_size;
    off_t reached = 0;
    if (size == 0)
        return ReadAndWrite(in, out, 0, -1, reached);
    if (IsDense(info)) {
        // A small file goes through one buffer: cheaper than the kernel's splice for a few bytes.
        const int error =
            size <= kSmallFile ? ReadAndWrite(in, out, 0, size, reached) : CopyRange(in, out, 0, size, reached);
        if (error != 0)
            return error;
        // A file that shrank meanwhile keeps the size it had, as below.
        return reached == size || ftruncate(out, size) == 0 ? 0 : errno;
    }
    off_t offset = 0;
    for (;;) {
        const off_t data = lseek(in, offset, SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            break;  // no data after offset
        if (data < 0) {
            if (errno != EINVAL && errno != ENOTSUP)
                return errno;
            // No hole support: one range to the end.
            if (const int error = ReadAndWrite(in, out, offset, -1, reached))
                return error;
            offset = reached;
            break;
        }
        off_t hole = lseek(in, data, SEEK_HOLE);
        if (hole < 0)
            return errno;
        if (const int error = CopyRange(in, out, data, hole, reached))
            return error;
        offset = hole;
        if (reached < hole)
            break;  // shrank meanwhile
    }
    return ftruncate(out, std::max(offset, size)) == 0 ? 0 : errno;
}

// The source's permission bits for the copy made: setuid and setgid only where the copy keeps
// the owner and group they grant.
mode_t KeptMode(struct stat const& source, struct stat const& copy) {
    mode_t mode = source.st_mode & 07777;
    if (copy.st_uid != source.st_uid)
        mode &= ~static_cast<mode_t>(S_ISUID);
    if (copy.st_gid != source.st_gid)
        mode &= ~static_cast<mode_t>(S_ISGID);
    return mode;
}

int CopyFileData(std::string const& src, bool followLink, int to, Sync sync) {
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    Descriptor from(open(src.c_str(), flags));
    if (from.Get() < 0)
        return errno == ELOOP ? ENOTSUP : errno;
    struct stat info {};
    if (fstat(from.Get(), &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return ENOTSUP;
    if (const int error = CopyContents(from.Get(), to, info))
        return error;
    // The copy's owner matters only to a setuid or setgid bit.
    struct stat made = info;
    if ((info.st_mode & (S_ISUID | S_ISGID)) != 0 && fstat(to, &made) != 0)
        return errno;
    if (fchmod(to, KeptMode(info, made)) != 0)
        return errno;
    const timespec times[2] = {info.st_atim, info.st_mtim};
    if (futimens(to, times) != 0)
        return errno;
    // A full disk may only show when the data reaches it.
    if (sync == Sync::kEachFile && fsync(to) != 0)
        return errno;
    return 0;
}

// A new regular file at dst (O_EXCL: never an existing item) with the contents of src; made
// tells whether dst was created here, for a caller that removes a failed copy.
int CopyFileAt(std::string const& src, bool followLink, std::string const& dst, Sync sync, bool* made = nullptr) {
    Descriptor to(open(dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (to.Get() < 0)
        return errno;
    if (made != nullptr)
        *made = true;
    int error = CopyFileData(src, followLink, to.Get(), sync);
    if (close(to.Release()) != 0 && error == 0)
        error = errno;
    return error;
}

int CopyTree(std::string const& src, std::string const& dst, CopyOptions const& options);

int CopyFolderContents(std::string const& src, std::string const& dst, CopyOptions const& options) {
    std::vector<std::string> names;
    if (const int error = PMacTreeOperations::ListNames(src, names))
        return error;
    for (std::string const& name : names) {
        if (const int error = CopyTree(Join(src, name), Join(dst, name), options))
            return error;
    }
    return 0;
}

int CopyFolder(std::string const& src, struct stat const& info, std::string const& dst, CopyOptions const& options) {
    if (mkdir(dst.c_str(), 0700) != 0)
        return errno;
    if (const int error = CopyFolderContents(src, dst, options))
        return error;
    struct stat made {};
    if (lstat(dst.c_str(), &made) != 0 || chmod(dst.c_str(), KeptMode(info, made)) != 0)
        return errno;
    const timespec times[2] = {info.st_atim, info.st_mtim};
    return utimensat(AT_FDCWD, dst.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}


// Copies one item to a path that does not exist yet (inside a temporary copy).
int CopyTree(std::string const& src, std::string const& dst, CopyOptions const& options) {
    if (src.size() >= PATH_MAX || dst.size() >= PATH_MAX)
        return ENAMETOOLONG;
    struct stat info {};
    if (lstat(src.c_str(), &info) != 0)
        return errno;
    if (S_ISLNK(info.st_mode)) {
        struct stat target {};
        if (options.fileLinksAsContent && stat(src.c_str(), &target) == 0 && S_ISREG(target.st_mode))
            return CopyFileAt(src, true, dst, options.sync);
        std::string text;
        if (!PMacTreeOperations::ReadLink(src, text))
            return errno;
        return symlink(text.c_str(), dst.c_str()) == 0 ? 0 : errno;
    }
    if (S_ISDIR(info.st_mode))
        return CopyFolder(src, info, dst, options);
    // A FIFO or socket is copied as the node itself: what flows through it is no content.
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
        return mknod(dst.c_str(), (info.st_mode & S_IFMT) | (info.st_mode & 0777), 0) == 0 ? 0 : errno;
    if (!S_ISREG(info.st_mode))
        return ENOTSUP;
    return CopyFileAt(src, false, dst, options.sync);
}

// A regular file copied straight to its free name, which O_EXCL keeps from being taken
// meanwhile; a failed copy is removed, so dst is absent or complete once this returns.
int CopyFileToFreeName(std::string const& src, bool followLink, std::string const& dst) {
    bool made = false;
    const int error = CopyFileAt(src, followLink, dst, Sync::kNone, &made);
    // Only what this copy made goes: a name that could not be created may be another's item.
    if (error != 0 && made)
        unlink(dst.c_str());
    return error;
}

// Puts src in item's place in one step: an existing item (a folder too) is exchanged with src
// and then removed, so the item's path never stands empty.
int PutInPlace(std::string const& src, std::string const& item) {
    if (!Exists(item))
        return rename(src.c_str(), item.c_str()) == 0 ? 0 : errno;
    if (renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, item.c_str(), RENAME_EXCHANGE) == 0)
        return PMacTreeOperations::RemoveTree(src);  // the old item, now at src
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    return rename(src.c_str(), item.c_str()) == 0 ? 0 : errno;
}

// The whole item copied under a temporary name beside dst, then renamed (or put) into place.
template <class Place>
int CopyBeside(std::string const& src, std::string const& dst, CopyOptions const& options, Place place) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temporary = PMacTreeOperations::TemporaryBeside(dst);
        int error = CopyTree(src, temporary, options);
        if (error == EEXIST && !Exists(src))
            error = ENOENT;
        if (error == EEXIST)
            continue;  // the temporary name was taken meanwhile: it is not ours to remove
        if (error == 0)
            error = place(temporary);
        if (error != 0 && Exists(temporary))
            PMacTreeOperations::RemoveTree(temporary);
        return error;
    }
    return EEXIST;
}

}  // namespace

std::string PMacTreeOperations::TemporaryBeside(std::string const& item) {
    static std::atomic<unsigned> counter{0};
    return Join(StandinPathParts::Branch(item),
                "." + StandinPathParts::Leaf(item) + ".copy-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
}

bool PMacTreeOperations::ReadLink(std::string const& path, std::string& out) {
    std::vector<char> buffer(512);
    for (;;) {
        const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            out.assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

int PMacTreeOperations::ListNames(std::string const& folder, std::vector<std::string>& names) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    return ::ListNames(fd, names);
}

int PMacTreeOperations::RemoveTree(std::string const& path) { return RemoveAt(AT_FDCWD, path.c_str()); }

int PMacTreeOperations::CheckRemovable(std::string const& path) {
    const std::string branch = StandinPathParts::Branch(path);
    Descriptor parent(open(branch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.Get() < 0)
        return errno;
    struct stat parentInfo {};
    if (fstat(parent.Get(), &parentInfo) != 0)
        return errno;
    return CheckRemovableAt(parent.Get(), parentInfo, StandinPathParts::Leaf(path).c_str());
}

int PMacTreeOperations::RenameNoReplace(std::string const& src, std::string const& dst) {
    if (renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: look first (a narrow race remains only there).
    if (Exists(dst))
        return EEXIST;
    return rename(src.c_str(), dst.c_str()) == 0 ? 0 : errno;
}

bool PMacTreeOperations::IsInside(std::string const& path, std::string const& folder) {
    char resolvedFolder[PATH_MAX];
    char resolvedBranch[PATH_MAX];
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || realpath(folder.c_str(), resolvedFolder) == nullptr)
        return false;
    // A path not made yet lies where its nearest existing folder lies.
    std::string branch = StandinPathParts::Branch(path);
    while (realpath(branch.c_str(), resolvedBranch) == nullptr) {
        if (branch == "/" || branch == ".")
            return false;
        branch = StandinPathParts::Branch(branch);
    }
    const std::string inner = std::string(resolvedBranch) + "/";
    const std::string outer = std::string(resolvedFolder) == "/" ? "/" : std::string(resolvedFolder) + "/";
    return inner.compare(0, outer.size(), outer) == 0;
}

int PMacTreeOperations::CopyItem(std::string const& src, std::string const& dst, CopyOptions const& options) {
    if (options.listedRegular && options.sync == Sync::kNone) {
        const int error = CopyFileToFreeName(src, false, dst);
        // No longer a regular file (ENOTSUP once open): looked at afresh below.
        if (error != ENOTSUP)
            return error;
    }
    struct stat info {};
    if (lstat(src.c_str(), &info) != 0) {
        const int error = errno;
        return Exists(dst) ? EEXIST : error;
    }
    struct stat target {};
    const bool fileThroughLink =
        S_ISLNK(info.st_mode) && options.fileLinksAsContent && stat(src.c_str(), &target) == 0 && S_ISREG(target.st_mode);
    // O_EXCL refuses a taken name there, before anything is read.
    if (options.sync == Sync::kNone && (S_ISREG(info.st_mode) || fileThroughLink))
        return CopyFileToFreeName(src, fileThroughLink, dst);
    if (Exists(dst))
        return EEXIST;
    if (S_ISDIR(info.st_mode) && IsInside(dst, src))
        return EINVAL;  // a copy inside its own source would copy itself without end
    return CopyBeside(src, dst, options, [&](std::string const& temporary) { return RenameNoReplace(temporary, dst); });
}

int PMacTreeOperations::MoveItem(std::string const& src, std::string const& dst) {
    const int error = RenameNoReplace(src, dst);
    if (error != EXDEV)
        return error;
    // Checked before anything is copied, so that a source that cannot go stays whole.
    if (const int blocked = CheckRemovable(src))
        return blocked;
    if (const int copied = CopyItem(src, dst, Sync::kEachFile))
        return copied;
    return RemoveTree(src);
}

int PMacTreeOperations::ReplaceItem(std::string const& item, std::string const& replacement) {
    if (!Exists(replacement))
        return ENOENT;
    const int error = PutInPlace(replacement, item);
    if (error != EXDEV)
        return error;
    // Across file systems: both the replacement and the old item must be removable after.
    if (const int blocked = CheckRemovable(replacement))
        return blocked;
    if (Exists(item)) {
        if (const int blocked = CheckRemovable(item))
            return blocked;
    }
    const CopyOptions options{Sync::kEachFile, false};
    if (const int copied = CopyBeside(replacement, item, options,
                                      [&](std::string const& temporary) { return PutInPlace(temporary, item); }))
        return copied;
    return RemoveTree(replacement);
}
