#include "services/filesystem/PMacFolderRemoval.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "mac/filesystem/PMacFileErrors.h"
#include "mac/paths/PMacNativePath.h"
#include "services/filesystem/PMacFileSystemImp.h"

namespace {

constexpr int kFiles = 1;
constexpr int kFolders = 2;
constexpr int kAliases = 4;
constexpr int kHidden = 8;

// An open folder descriptor, closed on every way out.
class Folder {
public:
    explicit Folder(int fd) : mFd(fd) {}
    ~Folder() {
        if (mFd >= 0)
            close(mFd);
    }
    Folder(Folder const&) = delete;
    Folder& operator=(Folder const&) = delete;
    int Get() const { return mFd; }
    bool IsOpen() const { return mFd >= 0; }

private:
    int mFd;
};

void Throw(int error) { PMacFileSystemImp::CheckForErrors(PMacFileErrors::FromErrno(error)); }

// A vanished entry is gone already, which is what removal wants.
void Unlink(int dir, std::string const& name, int flags) {
    if (unlinkat(dir, name.c_str(), flags) != 0 && errno != ENOENT)
        Throw(errno);
}

struct Entry {
    std::string name;
    unsigned char type;  // the listing's DT_ kind
};

// The entry names of an open folder with their kinds, listed in full before anything is removed.
std::vector<Entry> List(int dir) {
    const int fd = dup(dir);
    if (fd < 0)
        Throw(errno);
    DIR* listing = fdopendir(fd);
    if (listing == nullptr) {
        const int error = errno;
        close(fd);
        Throw(error);
    }
    rewinddir(listing);
    std::vector<Entry> entries;
    while (dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            entries.push_back(Entry{entry->d_name, entry->d_type});
    }
    closedir(listing);
    std::sort(entries.begin(), entries.end(), [](Entry const& a, Entry const& b) { return a.name < b.name; });
    return entries;
}

// A kind the listing names that is neither a folder nor a link.
bool IsPlainFile(unsigned char type) { return type != DT_UNKNOWN && type != DT_DIR && type != DT_LNK; }

int OpenFolderAt(int dir, char const* name) {
    return openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The folders being walked, by device and inode: an alias back to one of them is not followed
// again (it would lead round without end).
using Walk = std::vector<std::pair<dev_t, ino_t>>;

bool RemoveInside(int dir, std::string const& dirPath, int removeKinds, int descendKinds, Walk& walk);

// Walks the open folder, recorded on the walk while it is inside.
bool RemoveWalked(int dir, std::string const& dirPath, int removeKinds, int descendKinds, Walk& walk) {
    struct stat info {};
    if (fstat(dir, &info) != 0)
        Throw(errno);
    for (auto const& entered : walk) {
        if (entered.first == info.st_dev && entered.second == info.st_ino)
            return false;
    }
    walk.emplace_back(info.st_dev, info.st_ino);
    const bool all = RemoveInside(dir, dirPath, removeKinds, descendKinds, walk);
    walk.pop_back();
    return all;
}

// The folder an alias leads to, walked as the descend mask asks, then the alias and the
// target removed when everything inside went and the kind may go.
bool RemoveThroughAlias(int dir, std::string const& name, std::string const& aliasPath, int removeKinds,
                        int descendKinds, bool keep, Walk& walk) {
    char resolved[PATH_MAX];
    if (realpath(aliasPath.c_str(), resolved) == nullptr)
        return false;
    const std::string target(resolved);
    const std::string branch = target.substr(0, std::max<std::size_t>(target.rfind('/'), 1));
    const std::string leaf = target.substr(target.rfind('/') + 1);
    Folder parent(open(branch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.IsOpen())
        Throw(errno);
    Folder folder(OpenFolderAt(parent.Get(), leaf.c_str()));
    if (!folder.IsOpen())
        Throw(errno);
    const bool all = RemoveWalked(folder.Get(), target, removeKinds, descendKinds, walk);
    if (!all || keep || (removeKinds & kAliases) == 0)
        return false;
    Unlink(dir, name, 0);
    Unlink(parent.Get(), leaf, AT_REMOVEDIR);
    return true;
}

bool RemoveInside(int dir, std::string const& dirPath, int removeKinds, int descendKinds, Walk& walk) {
    bool result = true;
    for (Entry const& entry : List(dir)) {
        std::string const& name = entry.name;
        const bool hidden = name[0] == '.';
        const bool keepHidden = hidden && (removeKinds & kHidden) == 0;
        // A file the listing names needs no status: it goes or stays by its name alone. One
        // that became a folder since is looked at below.
        if (IsPlainFile(entry.type)) {
            if (name != ".DS_Store" && (keepHidden || (removeKinds & kFiles) == 0)) {
                result = false;
                continue;
            }
            if (unlinkat(dir, name.c_str(), 0) == 0 || errno == ENOENT)
                continue;
            if (errno != EISDIR)
                Throw(errno);
        }
        struct stat info {};
        if (fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            Throw(errno);
        }
        const bool alias = S_ISLNK(info.st_mode);
        bool isFolder = S_ISDIR(info.st_mode);
        bool isFile = !isFolder && !alias;
        if (alias) {
            // Only to learn the kind the alias stands for; nothing is removed through it.
            struct stat target {};
            if (fstatat(dir, name.c_str(), &target, 0) == 0) {
                isFolder = S_ISDIR(target.st_mode);
                isFile = !isFolder;
            }
        }
        if (isFile) {
            if (name == ".DS_Store" || (!keepHidden && (removeKinds & (alias ? kAliases : kFiles)) != 0))
                Unlink(dir, name, 0);
            else
                result = false;
            continue;
        }
        if (!isFolder) {
            // A broken alias: removed when aliases go, and never a reason to keep the parent.
            if (alias && (removeKinds & kAliases) != 0)
                Unlink(dir, name, 0);
            continue;
        }
        const int kind = alias ? kAliases : kFolders;
        if ((descendKinds & kind) != 0) {
            if (hidden && (descendKinds & kHidden) == 0) {
                result = false;
                continue;
            }
            if (alias) {
                if (!RemoveThroughAlias(dir, name, dirPath + "/" + name, removeKinds, descendKinds, keepHidden, walk))
                    result = false;
                continue;
            }
            Folder child(OpenFolderAt(dir, name.c_str()));
            if (!child.IsOpen()) {
                if (errno == ENOENT)
                    continue;
                // Swapped for a link or made unreadable meanwhile: kept, never followed.
                result = false;
                continue;
            }
            const bool all = RemoveWalked(child.Get(), dirPath + "/" + name, removeKinds, descendKinds, walk);
            if (all && !keepHidden && (removeKinds & kind) != 0)
                Unlink(dir, name, AT_REMOVEDIR);
            else
                result = false;
            continue;
        }
        if ((removeKinds & kind) != 0 && !keepHidden) {
            if (alias) {
                Unlink(dir, name, 0);
                continue;
            }
            // Only an empty folder goes; the removal itself tells.
            if (unlinkat(dir, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT)
                continue;
            if (errno != ENOTEMPTY && errno != EEXIST)
                Throw(errno);
        }
        result = false;
    }
    return result;
}

std::string UTF8(GPathName const& path) {
    std::string bytes;
    if (!PMacNativePath::ToPathBytes(path.GetNativePathString(), bytes))
        PMacFileSystemImp::CheckForErrors(PMacFileErrors::kBadName);
    return bytes;
}

}  // namespace

bool PMacFolderRemoval::RemoveContents(GPathName const& path, int removeKinds, int descendKinds) {
    const std::string folderPath = UTF8(path);
    Folder folder(open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen())
        Throw(errno);
    Walk walk;
    return RemoveWalked(folder.Get(), folderPath, removeKinds, descendKinds, walk);
}

bool PMacFolderRemoval::RemoveFolder(GPathName const& path, int removeKinds, int descendKinds) {
    const std::string folderPath = UTF8(path);
    const std::string branch = UTF8(path.GetBranch());
    const std::string leaf = folderPath.substr(folderPath.rfind('/') + 1);
    Folder parent(open(branch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.IsOpen())
        Throw(errno);
    Folder folder(OpenFolderAt(parent.Get(), leaf.c_str()));
    if (!folder.IsOpen())
        Throw(errno);
    Walk walk;
    if (!RemoveWalked(folder.Get(), folderPath, removeKinds, descendKinds, walk))
        return false;
    Unlink(parent.Get(), leaf, AT_REMOVEDIR);
    return true;
}
