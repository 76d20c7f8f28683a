#include "mac/filesystem/PMacFileSystemIteratorImp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unordered_set>

#include "mac/filesystem/PMacFileErrors.h"
#include "mac/paths/PMacNativePath.h"

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

bool IsFolder(char const* path) {
    struct stat status;
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

// The last component begins with "." (a trailing "/" is not a component).
bool IsHiddenLeaf(std::string const& path) {
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const std::size_t slash = path.rfind('/', end - 1);
    const std::size_t leaf = slash == std::string::npos ? 0 : slash + 1;
    return leaf < end && path[leaf] == '.';
}

bool Allows(int mask, int bit, bool isHidden) {
    return (mask & bit) != 0 && ((mask & PMacFileSystemIteratorImp::kHidden) != 0 || !isHidden);
}

}  // namespace

PMacFileSystemIteratorImp::PMacFileSystemIteratorImp() = default;

PMacFileSystemIteratorImp::~PMacFileSystemIteratorImp() = default;

bool PMacFileSystemIteratorImp::BeginIterate(GString const& folder, int reportMask, int descendMask) {
    mSubIterator.reset();
    mState = kFinished;
    std::string bytes;
    if (!PMacNativePath::ToPathBytes(folder, bytes) || !IsFolder(bytes.c_str()))
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
    VisitedFolders* visitedFolders = mVisited.get();
    auto admit = [visitedFolders](struct stat const& status) { return visitedFolders->Enter(status.st_dev, status.st_ino); };
    int failure = 0;
    if (!PMacFileSystemImpCocoa::ListFolder(mCache, folder, admit, nullptr, &failure)) {
        mState = kFinished;
        // A folder gone or closed to this user is passed over; one that could not be read for
        // another reason (beyond the path length limit, say) would leave the walk short unseen.
        if (failure != 0 && failure != ENOENT && failure != ENOTDIR && failure != EACCES && failure != EPERM)
            PMacFileErrors::ThrowInternalFor(failure, folder);
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
    if (!PMacNativePath::ToPathBytes(folder, bytes) || !PMacFileSystemImpCocoa::ListFolder(mCache, bytes.c_str()))
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
    if (!PMacNativePath::ToPathBytes(mPendingAlias, alias))
        return false;
    // realpath gives up on a cycle of links (ELOOP) and on a missing target: nothing to follow.
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(alias.c_str(), nullptr), &std::free);
    if (!resolved)
        return false;
    const std::string target(resolved.get());
    if (!PMacNativePath::FromUTF8(target, out))
        return false;
    return CheckObject(out, IsFolder(target.c_str()), IsHiddenLeaf(target), false);
}

bool PMacFileSystemIteratorImp::CheckObject(GString const& path, bool isFolder, bool isHidden, bool isAlias) {
    if (isFolder) {
        mState = kListing;
        if (Allows(mDescendMask, kFolders, isHidden)) {
            std::string bytes;
            if (!mVisited)
                mVisited = std::make_shared<VisitedFolders>();
            mSubIterator = std::make_unique<PMacFileSystemIteratorImp>();
            if (PMacNativePath::ToPathBytes(path, bytes))
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
