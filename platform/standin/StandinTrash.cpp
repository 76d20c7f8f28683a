#include "standin/StandinTrash.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <cstring>
#include <ctime>

#include "standin/StandinPathParts.h"
#include "standin/StandinSpecialFolders.h"
#include "standin/StandinVolumes.h"

namespace {

bool WriteAll(int fd, std::string const& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The highest folder above path on the same file system.
std::string TopOfFileSystem(std::string const& path, dev_t device) {
    std::string top = StandinPathParts::Branch(path);
    while (top != "/") {
        const std::string up = StandinPathParts::Branch(top);
        struct stat info {};
        if (stat(up.c_str(), &info) != 0 || info.st_dev != device)
            break;
        top = up;
    }
    return top;
}

// The folder of the mount that holds the item (by the mount table, else the highest folder of
// its device), and the item's path as seen from there (its folder's links resolved).
int MountTop(std::string const& path, dev_t device, std::string& top, std::string& seen) {
    std::unique_ptr<char, decltype(&std::free)> folder(realpath(StandinPathParts::Branch(path).c_str(), nullptr),
                                                       &std::free);
    if (!folder)
        return errno;
    const std::string branch(folder.get());
    seen = (branch == "/" ? std::string() : branch) + "/" + StandinPathParts::Leaf(path);
    StandinVolumes::Volume volume;
    const bool mounted = StandinVolumes::VolumeOf(branch, volume) == 0 && volume.folder != "/";
    top = mounted ? volume.folder : TopOfFileSystem(seen, device);
    return 0;
}

// A per-user trash at the top of another file system: made 0700 when missing; an existing one
// must be a real folder of ours, never a link planted by someone else.
int TopTrash(std::string const& top, std::string& trash) {
    trash = (top == "/" ? std::string() : top) + "/.Trash-" + std::to_string(getuid());
    if (mkdir(trash.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    struct stat info {};
    if (lstat(trash.c_str(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid())
        return EACCES;
    if (const int error = StandinSpecialFolders::MakeFolders(trash + "/files"))
        return error;
    return StandinSpecialFolders::MakeFolders(trash + "/info");
}

std::string InfoText(std::string const& recordedPath) {
    char date[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + StandinTrash::PercentEncode(recordedPath) + "\nDeletionDate=" + date + "\n";
}

// Reserves a name with its info file, then moves the item; undoes the reservation on failure.
int MoveInto(std::string const& trash, std::string const& path, std::string const& recordedPath, std::string& newPath) {
    const std::string leaf = StandinPathParts::Leaf(path);
    const std::string text = InfoText(recordedPath);
    for (unsigned n = 1; n < 100000; ++n) {
        const std::string name = n == 1 ? leaf : leaf + "." + std::to_string(n);
        const std::string info = trash + "/info/" + name + ".trashinfo";
        const int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        const bool written = WriteAll(fd, text) && fsync(fd) == 0;
        const int writeError = errno;
        if (close(fd) != 0 || !written) {
            unlink(info.c_str());
            return written ? EIO : writeError;
        }
        const std::string target = trash + "/files/" + name;
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            newPath = target;
            return 0;
        }
        const int error = errno;
        unlink(info.c_str());
        if (error != EEXIST)  // a file left in files/ without its info: take the next name
            return error;
    }
    return EEXIST;
}

}  // namespace

std::string StandinTrash::PercentEncode(std::string const& path) {
    static char const* const hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                           std::strchr("-_.!~*'()/", byte) != nullptr;
        if (plain && byte != 0) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}

int StandinTrash::MoveToTrash(std::string const& path, std::string& newPath) {
    struct stat item {};
    if (path.empty() || path[0] != '/')
        return EINVAL;
    if (lstat(path.c_str(), &item) != 0)
        return errno;
    const std::string home = StandinSpecialFolders::TrashFolder();
    int error = StandinSpecialFolders::MakeFolders(home + "/files");
    if (error == 0)
        error = StandinSpecialFolders::MakeFolders(home + "/info");
    if (error != 0)
        return error;
    struct stat homeInfo {};
    if (stat(home.c_str(), &homeInfo) != 0)
        return errno;
    if (homeInfo.st_dev == item.st_dev) {
        error = MoveInto(home, path, path, newPath);
        // The same file system seen through another mount (a bind mount) cannot be renamed
        // across either: that mount gets its own trash, as another file system does.
        if (error != EXDEV)
            return error;
    }
    // Another file system: its own trash, with the path recorded relative to its top.
    std::string top;
    std::string seen;
    if ((error = MountTop(path, item.st_dev, top, seen)) != 0)
        return error;
    std::string trash;
    if ((error = TopTrash(top, trash)) != 0)
        return error;
    const std::string relative = top == "/" ? seen.substr(1) : seen.substr(top.size() + 1);
    return MoveInto(trash, path, relative, newPath);
}
