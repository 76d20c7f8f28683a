#pragma once
// GFileSystemBase: the portable facade through which the system touches files and folders, a
// class template of static operations over its platform half (PMacFileSystemImp). It adds:
// every path argument must be absolute (40068 "Invalid path" otherwise, before anything is
// touched), the Try variants that answer false instead of throwing a GException, the
// recursive operations, the special paths and unique names.
//
// Callers may rely on:
// - Recursive removal never follows a link it meets unless the descend mask asks for aliases
//   (see PMacFolderRemoval); a kept item keeps its parents and makes the result false.
// - CopyFolderTo copies files through aliases to files (their content), copies an alias to a
//   folder or a broken alias as a link (so no walk leaves the tree or runs in a circle), and
//   gives folders their dates and permissions after their contents. The folder copies refuse a
//   destination inside their source (40275) before making anything, carry names without a
//   text form by their bytes, and throw where a folder cannot be listed: a copy that returns
//   left nothing out. Overwriting replaces files and links, never a folder (40032).
// - CreateUniqueObject replaces a run of "X" (all of it, zero-padded) by a counter below
//   10^min(run, 9); only "already exists" moves on to the next name, any other failure ends
//   the search with 40063. Folders made in a shared (sticky, world-writable) folder are 0700;
//   a folder already there is passed over untouched.
// - No lock: used from the host's main thread.
// - The algorithms are compiled once, for the one platform half (GFileSystemBase.cpp).
#include <cstdint>

#include "core/base/GException.h"
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "core/values/GDateTime.h"
#include "services/filetypes/GFileType.h"
#include "services/paths/GPathName.h"

class GFileSystemSupport {
public:
    static constexpr int kInvalidPath = 40068;
    static void ThrowIfRelative(GPathName const& path) {
        if (path.IsRelative())
            throw GSimpleException(kInvalidPath);
    }
};

template <class Imp>
class GFileSystemBase {
public:
    GFileSystemBase() = delete;

    static constexpr int kNotFound = 40010;
    static constexpr int kDuplicate = 40015;
    static constexpr int kUniqueFailed = 40063;
    static constexpr int kDestinationExists = 40065;
    static constexpr int kAllKinds = -1;
    // Everything removed, hidden items too; real and hidden folders entered, aliases not followed.
    static constexpr int kDescendFolders = 10;

    static void ThrowIfRelative(GPathName const& path) { GFileSystemSupport::ThrowIfRelative(path); }

    // ---- Forwarding, checked ----
    static bool FolderExists(GPathName const& p) { return Checked(p), Imp::FolderExists(p); }
    static bool FileExists(GPathName const& p) { return Checked(p), Imp::FileExists(p); }
    static bool CreateFile(GPathName const& p) { return Checked(p), Imp::CreateFile(p); }
    static bool CreateFile(GPathName& p, GFileType const* type, bool setExtension) {
        return Checked(p), Imp::CreateFile(p, type, setExtension);
    }
    static bool CreateFolder(GPathName const& p) { return Checked(p), Imp::CreateFolder(p); }
    static void MoveFileTo(GPathName const& s, GPathName const& d, GPathName& n, bool overwrite) {
        Checked(s, d);
        Imp::MoveFileTo(s, d, n, overwrite);
    }
    static void MoveFileTo(GPathName const& s, GPathName const& d, bool overwrite) {
        Checked(s, d);
        Imp::MoveFileTo(s, d, overwrite);
    }
    static void MoveFolderTo(GPathName const& s, GPathName const& d, GPathName& n, bool overwrite) {
        Checked(s, d);
        Imp::MoveFolderTo(s, d, n, overwrite);
    }
    static void RenameFile(GPathName& p, GString const& leaf) {
        Checked(p);
        Imp::RenameFile(p, leaf);
    }
    static void RenameFile(GPathName& p, GString const& leaf, GFileType const* type, bool setExtension) {
        Checked(p);
        Imp::RenameFile(p, leaf, type, setExtension);
    }
    static void RenameFolder(GPathName& p, GString const& leaf) {
        Checked(p);
        Imp::RenameFolder(p, leaf);
    }
    static bool ReplaceItem(GPathName const& s, GPathName const& d) { return Checked(s, d), Imp::ReplaceItem(s, d); }
    static bool RemoveFile(GPathName const& p) { return Checked(p), Imp::RemoveFile(p); }
    static bool RemoveFolderOnly(GPathName const& p) { return Checked(p), Imp::RemoveFolderOnly(p); }
    static void MoveFileToTrash(GPathName const& p) {
        Checked(p);
        Imp::MoveFileToTrash(p);
    }
    static void CopyFileTo(GPathName const& s, GPathName const& d, GPathName& n, bool overwrite) {
        Checked(s, d);
        Imp::CopyFileTo(s, d, n, overwrite);
    }
    static void CopyAndRenameFile(GPathName const& s, GPathName const& d, bool overwrite, bool followLinks) {
        Checked(s, d);
        Imp::CopyAndRenameFile(s, d, overwrite, followLinks);
    }
    static bool IsMacPackage(GPathName const& p) { return Checked(p), Imp::IsMacPackage(p); }
    static bool IsMacFramework(GPathName const& p) { return Checked(p), Imp::IsMacFramework(p); }
    static void FindMacPackageRoot(GPathName const& p, GPathName& root) {
        Checked(p);
        Imp::FindMacPackageRoot(p, root);
    }
    static void FindMacFrameworkRoot(GPathName const& p, GPathName& root) {
        Checked(p);
        Imp::FindMacFrameworkRoot(p, root);
    }
    static void FindRealExecutable(GPathName const& p, GPathName& out) {
        Checked(p);
        Imp::FindRealExecutable(p, out);
    }
    static void GetApplicationVersion(GPathName const& p, int& major, int& minor) {
        Checked(p);
        Imp::GetApplicationVersion(p, major, minor);
    }
    static void CopyPermissions(GPathName const& s, GPathName const& d) {
        Checked(s, d);
        Imp::CopyPermissions(s, d);
    }
    static void CopyAliasPermissions(GPathName const& s, GPathName const& d) {
        Checked(s, d);
        Imp::CopyAliasPermissions(s, d);
    }
    static void GetCreationDateTime(GPathName const& p, GDateTime& out) {
        Checked(p);
        Imp::GetCreationDateTime(p, out);
    }
    static void SetCreationDateTime(GPathName const& p, GDateTime const& value) {
        Checked(p);
        Imp::SetCreationDateTime(p, value);
    }
    static void GetModificationDateTime(GPathName const& p, GDateTime& out) {
        Checked(p);
        Imp::GetModificationDateTime(p, out);
    }
    static void SetModificationDateTime(GPathName const& p, GDateTime const& value) {
        Checked(p);
        Imp::SetModificationDateTime(p, value);
    }
    static bool IsHidden(GPathName const& p) { return Checked(p), Imp::IsHidden(p); }
    static void SetHidden(GPathName const& p, bool hidden) {
        Checked(p);
        Imp::SetHidden(p, hidden);
    }
    static bool IsWritable(GPathName const& p) { return Checked(p), Imp::IsWritable(p); }
    static void SetWritable(GPathName const& p, bool writable) {
        Checked(p);
        Imp::SetWritable(p, writable);
    }
    static void SetPermissions(GPathName const& p, int who, bool r, bool w, bool x) {
        Checked(p);
        Imp::SetPermissions(p, who, r, w, x);
    }
    static int16_t GetPermissions(GPathName const& p, int who, bool* r, bool* w, bool* x) {
        return Checked(p), Imp::GetPermissions(p, who, r, w, x);
    }
    static void SetAliasPermissions(GPathName const& p, int who, bool r, bool w, bool x) {
        Checked(p);
        Imp::SetAliasPermissions(p, who, r, w, x);
    }
    static int16_t GetAliasPermissions(GPathName const& p, int who, bool* r, bool* w, bool* x) {
        return Checked(p), Imp::GetAliasPermissions(p, who, r, w, x);
    }
    static void GetOwnerAndGroup(GPathName const& p, int& uid, int& gid) {
        Checked(p);
        Imp::GetOwnerAndGroup(p, uid, gid);
    }
    static void SetOwnerAndGroup(GPathName const& p, int uid, int gid) {
        Checked(p);
        Imp::SetOwnerAndGroup(p, uid, gid);
    }
    static bool IsAlias(GPathName const& p) { return Checked(p), Imp::IsAlias(p); }
    static bool AliasHasTarget(GPathName const& p, GPathName& t) { return Checked(p), Imp::AliasHasTarget(p, t); }
    static bool GetAliasTarget(GPathName const& p, GPathName& t) { return Checked(p), Imp::GetAliasTarget(p, t); }
    static int GetObjectLocked(GPathName const& p) { return Checked(p), Imp::GetObjectLocked(p); }
    static void SetObjectLocked(GPathName const& p, bool locked) {
        Checked(p);
        Imp::SetObjectLocked(p, locked);
    }
    static int GetAliasObjectLocked(GPathName const& p) { return Checked(p), Imp::GetAliasObjectLocked(p); }
    static void SetAliasObjectLocked(GPathName const& p, bool locked) {
        Checked(p);
        Imp::SetAliasObjectLocked(p, locked);
    }
    static bool FileInUse(GPathName const& p) { return Checked(p), Imp::FileInUse(p); }
    static bool IsBeingCopied(GPathName const& p) { return Checked(p), Imp::IsBeingCopied(p); }
    static GFileType const* GetFileTypePtr(GPathName const& p) { return Checked(p), Imp::GetFileTypePtr(p); }
    static void SetFileType(GPathName& p, GFileType const& type, bool setExtension) {
        Checked(p);
        Imp::SetFileType(p, type, setExtension);
    }
    static bool CheckIfOwner(GPathName const& p) { return Checked(p), Imp::CheckIfOwner(p); }
    static bool CheckAliasIfOwner(GPathName const& p) { return Checked(p), Imp::CheckAliasIfOwner(p); }
    static int GetVolumeType(GPathName const& p, bool resolve) { return Checked(p), Imp::GetVolumeType(p, resolve); }
    static bool IsOnSameVolume(GPathName const& a, GPathName const& b) {
        return Checked(a, b), Imp::IsOnSameVolume(a, b);
    }
    // A new path, a copy of a completed by the platform.
    static GPathName CreateAlias(GPathName const& a, GPathName const& b, GString const& name) {
        Checked(a, b);
        GPathName result = a;
        Imp::CreateAlias(result, b, name);
        return result;
    }

    // ---- Forwarding, unchecked ----
    static void GetDebugFolder(GPathName& out) { Imp::GetDebugFolder(out); }
    static void GetApplicationPath(GPathName& out) { Imp::GetApplicationPath(out); }
    static void GetDllPath(GPathName& out) { Imp::GetDllPath(out); }
    static void GetCurrentFolder(GPathName& out) { Imp::GetCurrentFolder(out); }
    static void GetTrashFolder(GPathName& out) { Imp::GetTrashFolder(out); }
    static void GetUserHomeFolder(GPathName& out) { Imp::GetUserHomeFolder(out); }
    static void GetUserDocumentsFolder(GPathName& out) { Imp::GetUserDocumentsFolder(out); }
    static void GetApplicationsFolder(GPathName& out) { Imp::GetApplicationsFolder(out); }
    static void GetDesktopFolder(GPathName& out) { Imp::GetDesktopFolder(out); }
    static void GetCommonAppDataFolder(GPathName& out) { Imp::GetCommonAppDataFolder(out); }
    static void GetSystemFolder(GPathName& out) { Imp::GetSystemFolder(out); }
    static void GetResourceFolder(GPathName& out) { Imp::GetResourceFolder(out); }
    static void GetGlobalTempFolder(GPathName& out) { Imp::GetGlobalTempFolder(out); }
    static void GetGlobalPreferenceFolder(GPathName& out) { Imp::GetGlobalPreferenceFolder(out); }
    static void GetUserPreferenceFolder(GPathName& out) { Imp::GetUserPreferenceFolder(out); }
    static bool VolumeNameExists(GString const& name) { return Imp::VolumeNameExists(name); }
    static bool IsSameFileOrFolder(GPathName const& a, GPathName const& b, bool compareLinks) {
        return Imp::IsSameFileOrFolder(a, b, compareLinks);
    }

    // ---- Try ----
    static bool TryFolderExists(GPathName const& p) {
        return Try(p, [&] { return Imp::FolderExists(p); });
    }
    static bool TryFileExists(GPathName const& p) {
        return Try(p, [&] { return Imp::FileExists(p); });
    }
    static bool TryToRemoveFile(GPathName const& p) {
        return Try(p, [&] { return Imp::RemoveFile(p), true; });
    }
    static bool TryMoveFileToTrash(GPathName const& p) {
        return Try(p, [&] { return Imp::MoveFileToTrash(p), true; });
    }
    static bool TryToRemoveFolder(GPathName const& p, int removeKinds, int descendKinds) {
        return Try(p, [&] { return RemoveFolder(p, removeKinds, descendKinds), true; });
    }
    static bool TryToRemoveFolderContent(GPathName const& p, int removeKinds, int descendKinds) {
        return Try(p, [&] { return RemoveFolderContent(p, removeKinds, descendKinds), true; });
    }

    // ---- Recursive ----
    // Whether the folder existed.
    static bool RemoveFolder(GPathName const& p, int removeKinds, int descendKinds);
    static void RemoveFolderContent(GPathName const& p, int removeKinds, int descendKinds);
    static bool RecursiveRemoveFolder(GPathName const& p, int removeKinds, int descendKinds);

    static void CopyDateTimeInfo(GPathName const& s, GPathName const& d);
    static void CopyDateTimeInfoRecursive(GPathName const& s, GPathName const& d);
    static void CopyPermissionsRecursive(GPathName const& s, GPathName const& d);

    // A copy into the source itself is refused before anything is made; every entry is copied,
    // names without a text form too, or the copy throws.
    static void CopyFolderTo(GPathName const& s, GPathName const& destFolder, GPathName& newPath, bool overwrite);
    static void CopyFolderContentsTo(GPathName const& s, GPathName const& destFolder, bool overwrite);

    // ---- Special paths ----
    static void AddSpecialPath(int id, GPathName const& path) { SpecialPaths().Put(id, path); }
    static GPathName GetSpecialPath(int id) {
        int slot = 0;
        if (!SpecialPaths().GetExistingIndex(id, slot)) {
            SetSpecialPathToDefault(id);
            if (!SpecialPaths().GetExistingIndex(id, slot))
                throw GSimpleException(kNotFound);
        }
        return SpecialPaths().GetValueAt(slot);
    }
    static void SetSpecialPathToDefault(int id) { SpecialPaths().Put(id, DefaultSpecialPath(id)); }
    static void RemoveSpecialPath(int id) { SpecialPaths().Remove(id); }
    static void RemoveAllSpecialPaths() { SpecialPaths().RemoveAll(); }

    // ---- Unique names ----
    // With setExtension and a type, the new file's name takes the type's extension.
    static void CreateUniqueFile(GPathName const& tmpl, GPathName& out, GFileType const* type = nullptr,
                                 bool setExtension = false) {
        CreateUniqueObject(tmpl, true, out, type, setExtension);
    }
    static void CreateUniqueFolder(GPathName const& tmpl, GPathName& out) {
        CreateUniqueObject(tmpl, false, out, nullptr, false);
    }
    static void CreateUniqueObject(GPathName const& tmpl, bool isFile, GPathName& out, GFileType const* type = nullptr,
                                   bool setExtension = false);

    // The largest counter run that fits the counters (10^9 names).
    static constexpr int kMaxCounterDigits = 9;

private:
    static void Checked(GPathName const& a) { ThrowIfRelative(a); }
    static void Checked(GPathName const& a, GPathName const& b) {
        ThrowIfRelative(a);
        ThrowIfRelative(b);
    }

    template <class Test>
    static bool Try(GPathName const& p, Test const& test) {
        if (p.IsRelative())
            return false;
        try {
            return test();
        } catch (GException const&) {
            return false;
        }
    }

    static GPathName Counterpart(GPathName const& folder, GPathName const& item) {
        GPathName result = folder;
        result.Append(item.GetLeaf());
        return result;
    }

    using Entry = typename Imp::FolderEntry;

    static void CopyEntries(GPathName const& s, GPathName const& newPath, bool overwrite);
    // Links are copied as links, an existing item replaced only in one step.
    static void CopyLink(GPathName const& link, GPathName const& destFolder, bool overwrite);

    static GDict<int, GPathName>& SpecialPaths() {
        static GDict<int, GPathName> paths(5);
        return paths;
    }
    static GPathName DefaultSpecialPath(int id);
    static GPathName Under(int id, char const* leaf) {
        GPathName path = GetSpecialPath(id);
        path.Append(GString(leaf));
        return path;
    }
    static GPathName Under(void (*folder)(GPathName&), char const* leaf) {
        GPathName path;
        folder(path);
        path.Append(GString(leaf));
        return path;
    }
    static GPathName Of(void (*folder)(GPathName&)) {
        GPathName path;
        folder(path);
        return path;
    }
    static int& Counter(bool isFile) {
        static int theFileIndex = -1;
        static int theFolderIndex = -1;
        return isFile ? theFileIndex : theFolderIndex;
    }
};

