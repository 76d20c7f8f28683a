#pragma once
// PMacFileSystemImpCocoa: the single-item file-system operations beneath the portable
// file-system facade, over POSIX. Paths come and go as native path text (the UTF-8 path, which
// here is the portable text); the facade checks that they are absolute before calling.
//
// Callers may rely on:
// - Operations returning a code (PMacFileErrors) never throw for a failure of the system: the
//   errno goes through PMacFileErrors::FromErrno. Text that has no UTF-8 form is kBadName there
//   and GCustomException 40004 in the operations that throw; a failing system call in those is
//   GCustomException 40275 with the system's description.
// - Aliases are symbolic links. Resolution follows at most kMaxLinkHops links in one path and
//   reports a cycle as a link that cannot be resolved.
// - Nothing removes through a link: removal deletes the link itself, and a folder's contents
//   are removed without following any link inside.
// - Copies, moves, replacements and removals of whole items go through PMacTreeOperations (see
//   there): the destination is absent or complete, no temporary stays behind, and a move that
//   cannot remove its source fails before copying it.
// - Dates are UTC moments both ways. The creation date is the file system's birth time when it
//   keeps one, else the modification time; it cannot be set here (setting it only checks that
//   the item exists).
// - Hidden means a leaf beginning with "."; creator and type codes, labels, custom icons and the
//   locked flag do not exist here: they read as none, and setting them checks that the item
//   exists and changes nothing.
// - Folder listings (FillCache) are sorted by name, so walks are deterministic.
#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include <type_traits>

#include "core/base/GIsRelocatable.h"
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "core/values/GDateTime.h"

class PMacFileSystemImpCocoa {
public:
    enum DateTimeType : int { kCreationDate = 0, kModificationDate = 1 };
    // Any other value accepts any kind of item.
    enum DeleteItemType : int { kDeleteFile = 0, kDeleteFolder = 1, kDeleteAny = 2 };

    // One entry of a listed folder: its path (the folder's path joined with the entry's name)
    // and what the listing learnt of it. A symbolic link is an alias and never a folder,
    // whatever it points at.
    struct IteratorCacheItem {
        GString path;
        bool isFolder = false;
        bool isHidden = false;
        bool isAlias = false;
        bool isRegular = false;  // a regular file, by the listing's kind
    };

    static constexpr int16_t kUserDomain = -32763;
    static constexpr int16_t kLocalDomain = -32765;
    static constexpr int kMaxLinkHops = 40;

    PMacFileSystemImpCocoa() = delete;

    // Puts the replacement in the item's place in one step, an existing item (a folder too)
    // being exchanged with it and then removed; across volumes a complete copy takes the place
    // and the replacement is removed. True on success; a failure (a removal after the
    // replacement too) throws 40275.
    static bool ReplaceItem(char const* itemPath, char const* replacementPath);
    // Copies a file, link or folder tree (links copied as links) with its permission bits and
    // dates to dst, which must not exist and may not lie inside a source folder. With
    // syncEachFile every file is on the disk before the copy takes its name (for a copy that is
    // to replace an item); without it a copy to a free name is not synced, and a plain file is
    // written straight under dst. Either way dst is absent or complete when this returns.
    static void CopyFileTo(GString const& src, GString const& dst, bool syncEachFile = false);
    // CopyFileTo without syncing, false (nothing copied) when an item is at dst already;
    // listedRegular: a folder listing named src a regular file.
    static bool CopyFileToFree(GString const& src, GString const& dst, bool listedRegular = false);

    // domain kUserDomain or kLocalDomain (else 40276); folderType a four-character code: 'cusr',
    // 'temp', 'apps', 'asup', 'desk', 'docs', 'macs', 'pref', 'trsh' (else 40277). A folder the
    // domain lacks or that cannot be made throws 40275.
    static void GetSpecialFolder(int16_t domain, uint32_t folderType, GString& out, bool create);
    static void GetCurrentFolder(GString& out);

    static void GetMacCreatorAndType(GString const& path, uint32_t& creator, uint32_t& type);
    static void SetMacCreatorAndType(GString const& path, uint32_t creator, uint32_t type);

    // Whether the item itself is a symbolic link; false when there is nothing at the path.
    static bool IsAlias(GString const& path);
    // Follows every link along the path. 0: out holds the resolved path and an item is there;
    // -43: a link on the way is broken or cyclic (out untouched), or only the given path is
    // reachable; -5000: nothing is reachable at either; -37: bad text.
    static int16_t ResolveAlias(GString const& path, GString& out, bool* wasAlias);
    // The target of the item: 0 with the resolved target (the path itself for a non-link);
    // -43 with the link's own text (made absolute) when the target cannot be reached; -5000
    // when nothing is at the path; -37 for bad text.
    static int16_t GetTarget(GString const& path, GString& out);
    // ResolveAlias's was-alias flag.
    static bool GetAliasTarget(GString const& path, GString& out);
    // A symbolic link at aliasPath to targetPath: -48 when something is at aliasPath, -43 when
    // the target is not reachable, -37 for bad text, else 0; name is not used.
    static int16_t CreateAlias(GString const& aliasPath, GString const& targetPath, GString const& name);

    // Links along the path are followed; a missing item throws 40278.
    static void GetFileSystemDateTime(DateTimeType type, GString const& path, GDateTime& out);
    static void SetFileSystemDateTime(DateTimeType type, GString const& path, GDateTime const& value);

    // -43 (flag untouched) when nothing is at the path; else the flag is whether the item
    // itself is a folder.
    static int16_t IsFolder(GString const& path, bool* isFolder);
    // An empty file: -48 when something is at the path.
    static int16_t CreateFile(GString const& path);
    // 0 only when afterwards the source is gone and the destination is there, else -122 (-37
    // for bad text). An existing destination is never replaced. RenameItem is the same move
    // with the system's error (40275).
    static int16_t MoveFileTo(GString const& src, GString const& dst);
    // One folder, its parent must exist: -48 when something is at the path.
    static int16_t CreateFolder(GString const& path);
    static bool MoveFolderTo(GString const& src, GString const& dst);
    // True for a folder (not a link to one); throws 40281 when nothing is at the path or its
    // link leads nowhere.
    static bool FolderExists(GString const& path);
    static void RenameItem(GString const& src, GString const& dst);
    // Moves the item into the freedesktop trash; trashed receives its new path.
    static void MoveObjectToTrash(GString const& path, GString& trashed);
    // kDeleteFile: a regular file or a link; kDeleteFolder: a folder (with its contents); -43
    // when nothing or the wrong kind is there (nothing removed).
    static int16_t RemoveItem(GString const& path, DeleteItemType type);

    static void CopyAttributes(GString const& src, GString const& dst);
    static bool IsHidden(GString const& path);
    // The hidden flag is the leaf's dot: asking for the state it has changes nothing, asking
    // for the other would need a rename and throws 40275.
    static void SetHidden(GString const& path, bool hidden);
    static void GetOwnerAndGroup(GString const& path, int& owner, int& group);
    static void SetOwnerAndGroup(GString const& path, int owner, int group);
    // Without byAccess the item's permission bits (07777); with it the non-null flags get the
    // effective user's access and the result is -1.
    static int16_t GetAliasPermissions(GString const& path, bool byAccess, bool* readable, bool* writable,
                                       bool* executable);
    // A link's own bits do not exist on this system: for a link nothing changes.
    static void SetAliasPermissions(GString const& path, int16_t mode);
    // Creator "MACS" with type "brok": never, as there are no such codes here.
    static bool IsFileBusy(GString const& path);
    // Both name the same item by the same path text.
    static bool AreLinksIdentical(GString const& a, GString const& b);
    static bool VolumeNameExists(GString const& name);
    static bool GetFileLockStatus(GString const& path);
    // The read-only flag of the volume of the item, or of its nearest existing folder.
    static bool GetVolumeLockStatusByFilePath(GString const& path);
    static void SetAliasObjectLocked(GString const& path, bool locked);
    static bool IsOnSameVolume(GString const& a, GString const& b);
    static bool IsVolumeLocal(GString const& path);
    static bool IsVolumeInternal(GString const& path);
    static bool IsVolumeRemovable(GString const& path);
    // A folder with a package extension (app, bundle, plugin, pkg, mpkg) or a Contents/Info.plist.
    static bool IsMacPackage(GString const& path);

    // "CFBundleShortVersionString" of the bundle's Info.plist; false when there is none.
    static bool GetApplicationVersion(GString const& bundlePath, int& major, int& minor);
    // The resources of the loaded bundle with that identifier (the main bundle for an empty
    // one); whether that bundle is a package.
    static bool GetResourceFolder(GBuffer const& bundleId, GString& out);
    static void FindRealExecutable(GString const& bundlePath, GString& out);
    static void GetApplicationBundleRoot(GString& out);
    static void GetApplicationMainExecutable(GString& out);
    // The folder of the loaded bundle with that identifier; empty when none.
    static void GetDLLPath(GBuffer const& bundleId, GString& out);

    // Replaces the cache by the folder's entries sorted by name (hidden ones included); false
    // (cache untouched) when the folder cannot be listed. Names without a text form are left out.
    // Bad text throws 40004; an entry that is there but cannot be looked at throws 40275.
    static bool FillCache(GTable<IteratorCacheItem>& cache, GString const& folder);
    // FillCache of a folder given as native bytes (followed when a link). When given, admit is
    // asked with the opened folder's status before anything is read; its false lists nothing
    // (false, cache untouched). A folder whose bytes have no text form cannot be listed. When
    // given, untexted receives the names (bytes) left out for want of a text form, and failure
    // the errno of a failed listing (0 when admit refused or all went well).
    static bool ListFolder(GTable<IteratorCacheItem>& cache, char const* folder,
                           std::function<bool(struct stat const&)> const& admit = nullptr,
                           std::vector<std::string>* untexted = nullptr, int* failure = nullptr);
    // The entry name (bytes, whatever their text) of srcFolder copied into dstFolder with the
    // tree engine: links to files as their contents, other links as links. A folder meeting a
    // folder of that name is merged; another existing item is replaced when overwriting and it
    // is no folder, kept with keepExisting, else (as for any failure) 40275 names the entry.
    static void CopyEntryByName(GString const& srcFolder, std::string const& name, GString const& dstFolder,
                                bool overwrite, bool keepExisting);
    // Whether path lies inside (or is) the folder, both resolved.
    static bool IsInside(GString const& path, GString const& folder);

    static GString GetVolumeUrlForRemounting(GString const& path);
    static GTable<GString> GetMountedVolumeUrls();
};

template <>
struct GIsRelocatable<PMacFileSystemImpCocoa::IteratorCacheItem> : std::true_type {};
