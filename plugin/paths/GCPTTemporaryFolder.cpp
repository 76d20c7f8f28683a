#include "plugin/paths/GCPTTemporaryFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "mac/ipc/PIPCProcessCheck.h"
#include "services/filesystem/GFileSystem.h"
#include "mac/filesystem/PUNIXDescriptor.h"
#include "services/paths/GNativePath.h"

namespace {

// Deeper trees than this are not ours: the plug-in makes flat temporary folders.
constexpr int kMaxDepth = 64;

using Descriptor = PUNIXDescriptor;

int OpenFolderAt(int at, char const* name) {
    return openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool IsOwnPrivateFolder(struct stat const& info) {
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

bool RemoveTree(int parent, std::string const& name, int depth);

bool RemoveEntry(int parent, std::string const& name, int depth) {
    struct stat info;
    if (fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (S_ISDIR(info.st_mode))
        return RemoveTree(parent, name, depth + 1);
    return unlinkat(parent, name.c_str(), 0) == 0 || errno == ENOENT;
}

// Entries are listed before any is removed, so removing never disturbs the listing.
bool RemoveTree(int parent, std::string const& name, int depth) {
    if (depth > kMaxDepth)
        return false;
    Descriptor folder(OpenFolderAt(parent, name.c_str()));
    if (folder.Get() < 0)
        return false;
    DIR* listing = fdopendir(folder.Get());
    if (listing == nullptr)
        return false;
    folder.Release();
    std::vector<std::string> entries;
    while (dirent* entry = readdir(listing)) {
        std::string const leaf = entry->d_name;
        if (leaf != "." && leaf != "..")
            entries.push_back(leaf);
    }
    bool removed = true;
    for (std::string const& leaf : entries)
        removed = RemoveEntry(dirfd(listing), leaf, depth) && removed;
    closedir(listing);
    return removed && unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0;
}

std::vector<std::string> Components(std::string const& relative) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t const end = relative.find('/', start);
        parts.push_back(relative.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

bool IsProcessID(std::string const& text, int& pid) {
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    pid = std::stoi(text);
    return true;
}

// The folder of another instance that still runs holds its live files.
bool BelongsToAnotherLiveInstance(std::string const& first) {
    int pid = 0;
    if (!IsProcessID(first, pid))
        return false;
    return pid != PIPCProcessCheck::GetCurrentProcessID() && PIPCProcessCheck::IsRunning(pid);
}

}  // namespace

GPathName GCPTTemporaryFolder::GetRoot() {
    GPathName root = GFileSystem::GetSpecialPath(-2);
    GString leaf("TrovelPluginTemp-");
    leaf += GString(static_cast<unsigned int>(geteuid()));
    root.Append(leaf);
    return root;
}

bool GCPTTemporaryFolder::EnsureRoot() {
    try {
        std::string const root = NativePathBytes(GetRoot());
        if (mkdir(root.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        Descriptor folder(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat info;
        if (folder.Get() < 0 || fstat(folder.Get(), &info) != 0 || !IsOwnPrivateFolder(info))
            return false;
        return (info.st_mode & 077) == 0 || fchmod(folder.Get(), 0700) == 0;
    } catch (...) {
        return false;
    }
}

GPathName GCPTTemporaryFolder::GetInstanceFolder() {
    if (!EnsureRoot())
        return GPathName();
    try {
        GPathName folder = GetRoot();
        folder.Append(GString(PIPCProcessCheck::GetCurrentProcessID()));
        std::string const native = NativePathBytes(folder);
        if (mkdir(native.c_str(), 0700) != 0 && errno != EEXIST)
            return GPathName();
        struct stat info;
        if (lstat(native.c_str(), &info) != 0 || !IsOwnPrivateFolder(info))
            return GPathName();
        return folder;
    } catch (...) {
        return GPathName();
    }
}

bool GCPTTemporaryFolder::RemoveBelowRoot(GPathName const& path) {
    try {
        std::string const root = NativePathBytes(GetRoot());
        std::string const target = NativePathBytes(path);
        if (target.size() <= root.size() + 1 || target.compare(0, root.size(), root) != 0 ||
            target[root.size()] != '/')
            return false;
        std::vector<std::string> const parts = Components(target.substr(root.size() + 1));
        for (std::string const& part : parts)
            if (part.empty() || part == "." || part == "..")
                return false;
        if (BelongsToAnotherLiveInstance(parts.front()))
            return false;
        Descriptor folder(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat info;
        if (folder.Get() < 0 || fstat(folder.Get(), &info) != 0 || !IsOwnPrivateFolder(info) || (info.st_mode & 077))
            return false;
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            folder.Reset(OpenFolderAt(folder.Get(), parts[i].c_str()));
            if (folder.Get() < 0)
                return false;
        }
        std::string const& leaf = parts.back();
        if (fstatat(folder.Get(), leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(info.st_mode))
            return false;
        return RemoveEntry(folder.Get(), leaf, 0);
    } catch (...) {
        return false;
    }
}
