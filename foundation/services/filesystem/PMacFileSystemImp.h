#pragma once
// PMacFileSystemImp: the platform half of the file-system facade (GFileSystemBase), above the
// path names. It takes GPathName arguments, hands native path text to PMacFileSystemImpCocoa
// and turns its result codes into exceptions through CheckForErrors. The facade checks that
// paths are absolute before it calls here.
//
// Callers may rely on:
// - CheckForErrors(0) returns; every listed code throws GSimpleException with its own id, any
//   other code a plain GException 2450.
// - Files and folders are created with the process umask applied (0666, 0777); nothing widens
//   their mode afterwards. CreatePrivateFolder makes or reuses a folder that is 0700, owned by
//   the effective user and not a link (for per-user folders in a shared temporary folder).
// - An existing destination of MoveFileTo, MoveFolderTo or CopyFileTo with overwrite is
//   replaced in one step (the new item is complete beside it first): a failure leaves the old
//   item in place. A file never replaces a folder (40032). A move that cannot complete throws
//   40275 with the source whole (see PMacTreeOperations).
// - Lock status, writability and use look up only the mount that holds the item.
// - Aliases are symbolic links; locks do not exist here, so lock status is 1 unless the
//   volume is read-only (4).
#include <cstdint>
#include <string>
#include <vector>

#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "core/values/GDateTime.h"
#include "services/filetypes/GFileType.h"
#include "services/paths/GPathName.h"

class PMacFileSystemImp {
public:
    PMacFileSystemImp() = delete;

    enum UserType { kOwner = 1, kGroup = 2, kOthers = 4, kCurrentUser = 8 };
    enum LockStatus { kNotLocked = 1, kItemLocked = 2, kVolumeLocked = 4 };
    enum VolumeType { kOtherVolume = 0, kLocalVolume = 1, kExternalVolume = 2, kRemovableVolume = 5 };

    static constexpr int kGeneralException = 2450;
    static constexpr int kFileNotFound = 40010;
    static constexpr int kDuplicate = 40015;
    static constexpr int kIsDirectory = 40032;
    static constexpr int kNotAFolder = 40044;
    static constexpr int kMovingContext = 40075;
    static constexpr int kCopyingPermissionsContext = 40077;
    static constexpr int kCreatingAliasContext = 40078;

    // The exception id of a result code: 0 for success, 2450 for a code without an id.
    static int GetExceptionID(int16_t code) noexcept;
    static void CheckForErrors(int16_t code);

    // Existence; FolderExists and FileExists follow aliases.
    static bool FolderExists(GPathName const& path);
    static bool FileExists(GPathName const& path);
    static int16_t ResolveAlias(GPathName const& path, GPathName& target, bool* wasAlias);
    static bool GetAliasTarget(GPathName const& path, GPathName& target);
    static bool AliasHasTarget(GPathName const& path, GPathName& target);
    static bool IsAlias(GPathName const& path);

    // Creation, missing parent folders included; true when created now, false when it was there.
    static bool CreateFile(GPathName const& path);
    // With setExtension and a type, path first takes the type's extension; a type's creator and
    // type codes are then set (on the file that is there, created now or not).
    static bool CreateFile(GPathName& path, GFileType const* type, bool setExtension);
    static bool CreateFolder(GPathName const& path);
    static bool CreateParentFolder(GPathName const& path);
    // True when created now. With reuse, an existing one must be a real folder owned by the
    // effective user (else 40015) and its group and others bits are cleared; without, an
    // existing item is left as it is and the answer is false.
    static bool CreatePrivateFolder(GPathName const& path, bool reuse = true);
    // A folder that any user may write into but only owners remove from (sticky), as /tmp.
    static bool IsSharedFolder(GPathName const& path);

    // Removal of one item; a link is removed itself.
    static bool RemoveFile(GPathName const& path);
    static bool RemoveFileNoCheckIfFile(GPathName const& path);
    static bool RemoveFolderOnly(GPathName const& path);
    static void MoveFileToTrash(GPathName const& path);

    // Moving, copying, renaming.
    static void MoveFileTo(GPathName const& src, GPathName const& destFolder, GPathName& newPath, bool overwrite);
    static void MoveFileTo(GPathName const& src, GPathName const& destFolder, bool overwrite);
    static void MoveFolderTo(GPathName const& src, GPathName const& destFolder, GPathName& newPath, bool overwrite);
    static void CopyFileTo(GPathName const& src, GPathName const& destFolder, GPathName& newPath, bool overwrite,
                           bool resolveSource = true);
    // The copy of source (taken as it is) at newPath, whose folder exists.
    static void CopyFileAs(GPathName const& source, GPathName const& newPath, bool overwrite,
                           bool listedRegular = false);
    static void RenameFile(GPathName& path, GString const& newLeaf);
    // The new leaf takes the type's extension with setExtension; the type's codes are set after.
    static void RenameFile(GPathName& path, GString const& newLeaf, GFileType const* type, bool setExtension);
    static void RenameFolder(GPathName& path, GString const& newLeaf);
    static bool ReplaceItem(GPathName const& src, GPathName const& dest);
    // A copy of src named dest. With followLinks both ends are taken through their links;
    // without it a link is copied as a link. An existing dest is replaced in one step when
    // overwriting, else 40015.
    static void CopyAndRenameFile(GPathName const& src, GPathName const& dest, bool overwrite, bool followLinks);
    // unlink; a name too long for it is moved to the Trash first (finalPath: where it went).
    static bool TryUnlinkFile(GPathName const& path, GPathName& finalPath);
    // The text a symbolic link holds; empty when path is none.
    static void GetSymLinkTarget(GPathName const& path, GString& out);

    // Locks and use.
    static int GetObjectLocked(GPathName const& path);
    // GetObjectLocked(path) == kItemLocked, without asking the volume.
    static bool IsItemLocked(GPathName const& path);
    static int GetAliasObjectLocked(GPathName const& path);
    static void SetObjectLocked(GPathName const& path, bool locked);
    static void SetAliasObjectLocked(GPathName const& path, bool locked);
    static bool FileInUse(GPathName const& path);
    // A type "brok" or one of the "bzy " family, else the busy test of the codes.
    static bool IsBeingCopied(GPathName const& path);

    // File types. Codes do not exist here (read as none): an item without codes, like one with
    // the generic "LMAN"/"TEXT", is typed by its extension.
    static GFileType const* GetFileTypePtr(GPathName const& path);
    // An alias is replaced by its target first. With setExtension a file whose extension differs
    // is renamed to the type's; otherwise a file's codes are set; anything else throws 40032.
    static void SetFileType(GPathName& path, GFileType const& type, bool setExtension);
    // The path's extension replaced by the type's; a type without an extension leaves it.
    static void SetExtensionFromType(GPathName& path, GFileType const& type);
    static void SetMacCreatorAndType(GPathName const& path, uint32_t creator, uint32_t type);

    // Dates (UTC moments both ways).
    static void GetCreationDateTime(GPathName const& path, GDateTime& out);
    static void SetCreationDateTime(GPathName const& path, GDateTime const& value);
    static void GetModificationDateTime(GPathName const& path, GDateTime& out);
    static void SetModificationDateTime(GPathName const& path, GDateTime const& value);

    // Attributes and permissions. who: UserType bits; kCurrentUser asks for the effective access.
    static bool IsHidden(GPathName const& path);
    static void SetHidden(GPathName const& path, bool hidden);
    static int16_t GetPermissions(GPathName const& path, int who, bool* read, bool* write, bool* execute);
    static int16_t GetAliasPermissions(GPathName const& path, int who, bool* read, bool* write, bool* execute);
    static void SetPermissions(GPathName const& path, int who, bool read, bool write, bool execute);
    static void SetAliasPermissions(GPathName const& path, int who, bool read, bool write, bool execute);
    static void CopyPermissions(GPathName const& src, GPathName const& dest);
    static void CopyAliasPermissions(GPathName const& src, GPathName const& dest);
    static void CopyAttributes(GPathName const& src, GPathName const& dest);
    static bool IsWritable(GPathName const& path);
    static void SetWritable(GPathName const& path, bool writable);
    static void GetOwnerAndGroup(GPathName const& path, int& uid, int& gid);
    static void SetOwnerAndGroup(GPathName const& path, int uid, int gid);
    static bool CheckIfOwner(GPathName const& path);
    static bool CheckAliasIfOwner(GPathName const& path);
    static bool IsSameFileOrFolder(GPathName const& a, GPathName const& b, bool compareLinks);

    // Aliases: a symbolic link stands for the Finder alias.
    static void CreateAlias(GPathName& aliasPath, GPathName const& target, GString const& name);
    static void CreateSymLink(GPathName const& linkPath, GPathName const& target);

    // Bundles.
    static bool IsMacPackage(GPathName const& path);
    static bool IsMacFramework(GPathName const& path);
    // The nearest package (framework) at or above path; 40061 (40062) when there is none.
    static void FindMacPackageRoot(GPathName const& path, GPathName& root);
    static void FindMacFrameworkRoot(GPathName const& path, GPathName& root);
    // 40060 when the bundle has no version.
    static void GetApplicationVersion(GPathName const& path, int& major, int& minor);
    static void FindRealExecutable(GPathName const& path, GPathName& out);

    static void SetCopyResourceForksEnabled(bool enabled) { sCopyResourceForks = enabled; }
    static bool GetCopyResourceForksEnabled() { return sCopyResourceForks; }
    // Most significant byte first.
    static void UInt32ToBytes(uint32_t value, unsigned char bytes[4]);

    // Volumes.
    static int GetVolumeType(GPathName const& path, bool resolve);
    static bool IsOnSameVolume(GPathName const& a, GPathName const& b);
    static bool VolumeNameExists(GString const& name);

    // Well-known folders.
    static void GetGlobalTempFolder(GPathName& out);
    static void GetDebugFolder(GPathName& out);
    static void GetCurrentFolder(GPathName& out);
    static void GetApplicationPath(GPathName& out);
    static void GetDllPath(GPathName& out);
    static void GetResourceFolder(GPathName& out);
    static void GetTrashFolder(GPathName& out);
    static void GetUserHomeFolder(GPathName& out);
    static void GetUserDocumentsFolder(GPathName& out);
    static void GetDesktopFolder(GPathName& out);
    static void GetUserPreferenceFolder(GPathName& out);
    static void GetUserApplicationDataFolder(GPathName& out);
    static void GetApplicationsFolder(GPathName& out);
    static void GetGlobalPreferenceFolder(GPathName& out);
    static void GetCommonAppDataFolder(GPathName& out);
    static void GetSystemFolder(GPathName& out);
    static void GetLocalTempFolder(GPathName& out);
    static void GetSpecialFolder(int16_t domain, uint32_t kind, GPathName& out);

    // Listing for the recursive operations. One entry of a folder: an alias counts as the kind
    // of its target, except that an alias to a folder (or to nothing) is neither.
    struct FolderEntry {
        GPathName path;
        bool isFile = false;
        bool isFolder = false;
        bool isAlias = false;
        bool isRegular = false;  // a regular file itself, by the listing
    };
    // Every entry of the folder (followed when an alias), all listed before any is worked on; a
    // folder that cannot be listed throws 40275 naming it. Names without a text form go to
    // untexted as bytes (they cannot be GPathNames); without untexted such a name throws.
    static GTable<FolderEntry> ListFolder(GPathName const& folder, std::vector<std::string>* untexted);
    // An entry listed by bytes only, copied (see PMacFileSystemImpCocoa::CopyEntryByName).
    static void CopyEntryByName(GPathName const& srcFolder, std::string const& name, GPathName const& destFolder,
                                bool overwrite, bool keepExisting);
    // Throws 40275 when the copy of source at copyPath would lie inside source itself.
    static void CheckNotInside(GPathName const& copyPath, GPathName const& source);

    // The native text of a path and back.
    static GString Native(GPathName const& path) { return path.GetNativePathString(); }
    static GPathName FromNative(GString const& text);

private:
    // Gives the item a new leaf in its folder and moves path along; exists says the item is of
    // the kind the caller renames.
    static void RenameItemInPlace(GPathName& path, GString const& newLeaf, bool exists);
    static bool sCopyResourceForks;
    // The item a link leads to (its recorded text when unreachable); path itself otherwise.
    static GPathName GetTarget(GPathName const& path);
    // who with kCurrentUser replaced by the class the effective user has for the item.
    static int GetCurrentUserEffectiveType(int who, GPathName const& path);
    // The path with its aliases followed; mapped exception when that fails.
    static GPathName Resolved(GPathName const& path);
    // The destination folder with an alias followed, created when missing.
    static GPathName DestinationFolder(GPathName const& destFolder);
};
