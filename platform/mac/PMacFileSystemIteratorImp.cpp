#include "mac/PMacFileSystemIteratorImp.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "mac/PUNIXNativePath.h"

class PMacFileSystemIteratorImp::VisitedFolders {
public:
    // False when the folder was entered before in this walk.
    bool Enter(dev_t device, ino_t inode) { return mFolders.insert(Key{device, inode}).second; }

private:
    struct Key {
        dev_t device;
        ino_t inode;
        bool operator==(Key const& other) const { return device == other.device && inode == other.inode; }
    };
    struct Hash {
        std::size_t operator()(Key const& key) const {
            return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(key.inode) * 0x9E3779B97F4A7C15ull ^
                                              static_cast<std::uint64_t>(key.device));
        }
    };
    std::unordered_set<Key, Hash> mFolders;
};

namespace {

enum Kind : unsigned char { kFile, kFolder, kLink };

struct Listed {
    std::uint32_t offset;
    std::uint32_t length;
    Kind kind;
};

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool IsFolder(char const* path) {
    struct stat status;
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

bool Allows(int mask, int bit, bool isHidden) {
    return (mask & bit) != 0 && ((mask & PMacFileSystemIteratorImp::kHidden) != 0 || !isHidden);
}

}  // namespace

PMacFileSystemIteratorImp::PMacFileSystemIteratorImp() = default;

PMacFileSystemIteratorImp::~PMacFileSystemIteratorImp() = default;

bool PMacFileSystemIteratorImp::List(char const* folder, GTable<IteratorCacheItem>& cache, VisitedFolders* visited) {
    const int descriptor = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(descriptor));
    if (!dir) {
        close(descriptor);
        return false;
    }
    if (visited != nullptr) {
        struct stat status;
        if (fstat(descriptor, &status) != 0 || !visited->Enter(status.st_dev, status.st_ino))
            return false;
    }

    // One pass over the folder; the kind comes from d_type, a stat only where it says nothing.
    std::string names;
    std::vector<Listed> listed;
    for (;;) {
        errno = 0;
        dirent const* entry = readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0)
                return false;
            break;
        }
        char const* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        Kind kind = kFile;
        switch (entry->d_type) {
            case DT_DIR: kind = kFolder; break;
            case DT_LNK: kind = kLink; break;
            case DT_UNKNOWN: {
                struct stat status;
                if (fstatat(descriptor, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;  // gone since it was listed
                kind = S_ISDIR(status.st_mode) ? kFolder : S_ISLNK(status.st_mode) ? kLink : kFile;
                break;
            }
            default: break;
        }
        const std::size_t length = std::strlen(name);
        if (!PUNIXNativePath::IsDecodable(name, length))
            continue;
        listed.push_back(Listed{static_cast<std::uint32_t>(names.size()), static_cast<std::uint32_t>(length), kind});
        names.append(name, length);
    }

    auto nameOf = [&names](Listed const& item) { return std::string_view(names.data() + item.offset, item.length); };
    std::sort(listed.begin(), listed.end(),
              [&nameOf](Listed const& a, Listed const& b) { return nameOf(a) < nameOf(b); });

    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    const std::size_t base = path.size();
    cache.Resize(0);
    cache.ExpandTo(static_cast<int>(listed.size()));
    for (Listed const& item : listed) {
        path.resize(base);
        path.append(names, item.offset, item.length);
        IteratorCacheItem& added = cache.AddItem(IteratorCacheItem());
        added.path = PUNIXNativePath::FromBytes(path);
        added.isFolder = item.kind == kFolder;
        added.isAlias = item.kind == kLink;
        added.isHidden = names[item.offset] == '.';
    }
    return true;
}

bool PMacFileSystemIteratorImp::BeginIterate(GString const& folder, int reportMask, int descendMask) {
    mSubIterator.reset();
    mState = kFinished;
    std::string bytes;
    if (!PUNIXNativePath::GetBytes(folder, bytes) || bytes.empty() || !IsFolder(bytes.c_str()))
        return false;
    // The folder's links are resolved first: entries are listed under the real folder.
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(bytes.c_str(), nullptr), &std::free);
    if (!resolved)
        return false;
    return BeginListing(resolved.get(), reportMask, descendMask, std::make_shared<VisitedFolders>());
}

bool PMacFileSystemIteratorImp::BeginListing(char const* folder, int reportMask, int descendMask,
                                             std::shared_ptr<VisitedFolders> const& visited) {
    mVisited = visited;
    if (!List(folder, mCache, mVisited.get())) {
        mState = kFinished;
        return false;
    }
    mIndex = 0;
    mReportMask = reportMask;
    mDescendMask = descendMask;
    mState = kListing;
    return true;
}

bool PMacFileSystemIteratorImp::FillCache(GString const& folder) {
    std::string bytes;
    // Listing on request is not part of a walk: the walk's record of entered folders stays out.
    if (!PUNIXNativePath::GetBytes(folder, bytes) || bytes.empty() || !List(bytes.c_str(), mCache, nullptr))
        return false;
    mIndex = 0;
    return true;
}

bool PMacFileSystemIteratorImp::GetNextFileOrFolder(GString& out) {
    for (;;) {
        switch (mState) {
            case kListing: {
                if (mIndex >= mCache.GetCount()) {
                    mState = kFinished;
                    out.Clear();
                    return false;
                }
                IteratorCacheItem& item = mCache[mIndex++];
                // The cache is read once: the path moves out instead of being copied.
                out = std::move(item.path);
                if (CheckObject(out, item.isFolder, item.isHidden, item.isAlias))
                    return true;
                break;
            }
            case kInSubIterator:
                if (mSubIterator && mSubIterator->GetNextFileOrFolder(out))
                    return true;
                mSubIterator.reset();
                out.Clear();
                mState = kListing;
                break;
            case kAliasPending:
                if (NextPendingAliasTarget(out))
                    return true;
                break;
            default:
                out.Clear();
                return false;
        }
    }
}

bool PMacFileSystemIteratorImp::NextPendingAliasTarget(GString& out) {
    mState = kListing;
    std::string alias;
    if (!PUNIXNativePath::GetBytes(mPendingAlias, alias) || alias.empty())
        return false;
    // realpath gives up on a cycle of links (ELOOP) and on a missing target: nothing to follow.
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(alias.c_str(), nullptr), &std::free);
    if (!resolved)
        return false;
    const std::string target(resolved.get());
    if (!PUNIXNativePath::IsDecodable(target.data(), target.size()))
        return false;
    out = PUNIXNativePath::FromBytes(target);
    return CheckObject(out, IsFolder(target.c_str()), PUNIXNativePath::IsHiddenLeaf(target), false);
}

bool PMacFileSystemIteratorImp::CheckObject(GString const& path, bool isFolder, bool isHidden, bool isAlias) {
    if (isFolder) {
        mState = kListing;
        if (Allows(mDescendMask, kFolders, isHidden)) {
            std::string bytes;
            if (!mVisited)
                mVisited = std::make_shared<VisitedFolders>();
            mSubIterator = std::make_unique<PMacFileSystemIteratorImp>();
            if (PUNIXNativePath::GetBytes(path, bytes) && !bytes.empty())
                mSubIterator->BeginListing(bytes.c_str(), mReportMask, mDescendMask, mVisited);
            mState = kInSubIterator;
        }
        return Allows(mReportMask, kFolders, isHidden);
    }
    if (isAlias) {
        mState = kListing;
        if (Allows(mDescendMask, kAliases, isHidden)) {
            mPendingAlias = path;
            mState = kAliasPending;
        }
        return Allows(mReportMask, kAliases, isHidden);
    }
    mState = kListing;
    return Allows(mReportMask, kFiles, isHidden);
}
