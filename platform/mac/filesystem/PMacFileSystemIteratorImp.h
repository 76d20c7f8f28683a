#pragma once
// The platform half of the folder iterator: lists a folder once into a cache, then hands out its
// entries one by one, filtered by a report mask and a descend mask, entering sub-folders and
// following aliases (symbolic links) on request.
//
// Callers may rely on:
// - Mask bits, the same for both masks: 1 files, 2 folders, 4 aliases, 8 hidden items as well.
//   Hidden means the leaf begins with "."; an alias is a symbolic link, never a folder itself.
// - Entries come in byte order of their UTF-8 names, so walks are deterministic. Names that are
//   not well-formed UTF-8 cannot be path text and are left out.
// - A folder that is reported and entered is handed out before its contents; an alias that is
//   reported and followed is handed out before its target (the fully resolved path). A link
//   that cannot be resolved (missing target, a cycle of links) is not followed.
// - One walk enters each folder (device and inode) at most once, so links back to an ancestor,
//   or a folder reachable along two ways, never make it loop or repeat.
// - A folder gone or closed to the user ends its (sub-)iteration quietly; one that cannot be
//   listed for another reason (deeper than the path length limit) throws 40275 naming it, so a
//   walk never hands out part of a tree as all of it. Exceptions pass through.
// - Paths are native path text (see PMacNativePath); the entries' paths are the listed folder's
//   resolved path joined with their names.
#include <memory>

#include "core/base/GNonCopyable.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "mac/filesystem/PMacFileSystemImpCocoa.h"

class PMacFileSystemIteratorImp : public GNonCopyable {
public:
    enum State { kListing = 0, kInSubIterator = 1, kAliasPending = 2, kFinished = 3 };
    enum Mask { kFiles = 1, kFolders = 2, kAliases = 4, kHidden = 8 };
    using IteratorCacheItem = PMacFileSystemImpCocoa::IteratorCacheItem;

    PMacFileSystemIteratorImp();
    virtual ~PMacFileSystemIteratorImp();

    // False (and finished) when the folder does not exist or cannot be listed.
    bool BeginIterate(GString const& folder, int reportMask, int descendMask);
    // True with the next entry in out; false at the end, out then cleared.
    bool GetNextFileOrFolder(GString& out);
    // Lists the folder into the cache and rewinds; false leaves the cache as it was.
    bool FillCache(GString const& folder);
    // Whether the entry is handed out; enters the folder or keeps the alias as the masks say.
    bool CheckObject(GString const& path, bool isFolder, bool isHidden, bool isAlias);
    void EndIterate() { mState = kFinished; }
    int GetSearchState() const { return mState; }

private:
    class VisitedFolders;

    bool BeginListing(char const* folder, int reportMask, int descendMask,
                      std::shared_ptr<VisitedFolders> const& visited);
    bool NextPendingAliasTarget(GString& out);

    int mState = kFinished;
    int mReportMask = 0;
    int mDescendMask = 0;
    GString mPendingAlias;
    std::unique_ptr<PMacFileSystemIteratorImp> mSubIterator;
    GTable<IteratorCacheItem> mCache;
    int mIndex = 0;
    // Shared by the iterators of one walk.
    std::shared_ptr<VisitedFolders> mVisited;
};
