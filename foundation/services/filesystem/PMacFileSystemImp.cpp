#include "services/filesystem/PMacFileSystemImp.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "core/base/GCustomException.h"
#include "core/base/GExceptionLocation.h"
#include "core/bytes/GBuffer.h"
#include "core/text/GLngString.h"
#include "mac/filesystem/PMacFileErrors.h"
#include "mac/filesystem/PMacFileSystemImpCocoa.h"
#include "mac/filesystem/PMacFourCC.h"
#include "mac/filesystem/PMacTreeOperations.h"
#include "mac/filesystem/PUNIXFileSystemImp.h"
#include "mac/paths/PMacNativePath.h"
#include "mac/system/PSystem.h"
#include "mac/system/PUNIXSystemException.h"

namespace {


using Cocoa = PMacFileSystemImpCocoa;
using Errors = PMacFileErrors;

// Tells any exception raised meanwhile which path the operation was working on.
class PathContext {
public:
    explicit PathContext(GPathName const& path) : mText(path.GetNativePathString()), mLocation(mText) {}

private:
    GString mText;
    GExceptionLocation mLocation;
};

// The same for an operation on two paths: the text of id with the two paths put in.
class TwoPathContext {
public:
    TwoPathContext(int id, GPathName const& first, GPathName const& second)
        : mText(Compose(id, first, second)), mLocation(mText) {}

private:
    static GString Compose(int id, GPathName const& first, GPathName const& second) {
        GString text = GLngString(id).GetReadableString();
        text.SubstituteParams(first.GetNativePathString(), second.GetNativePathString());
        return text;
    }
    GString mText;
    GExceptionLocation mLocation;
};

struct CodeRange {
    int16_t first;  // the highest code of the run
    int16_t last;
    int firstID;
};

// The codes with ids of their own, in decreasing order; each run takes consecutive ids.
constexpr CodeRange cCodeRanges[] = {
    {-33, -51, 40000},     {-53, -54, 40019},     {-56, -57, 40021},     {-59, -59, 40023},
    {-61, -61, 40024},     {-120, -120, 40025},   {-122, -123, 40026},   {-127, -127, 40028},
    {-503, -503, 40029},   {-1300, -1304, 40030}, {-1306, -1306, 40035}, {-1309, -1310, 40036},
    {-1401, -1407, 40038}, {-1409, -1411, 40045}, {-1421, -1424, 40048}, {-5000, -5000, 40064},
};

std::string UTF8(GPathName const& path) {
    std::string bytes;
    if (!PMacNativePath::ToPathBytes(path.GetNativePathString(), bytes))
        PMacFileSystemImp::CheckForErrors(Errors::kBadName);
    return bytes;
}

void ThrowErrno(int error) { PMacFileSystemImp::CheckForErrors(Errors::FromErrno(error)); }

GPathName PathFromUTF8(std::string const& bytes) {
    GString text;
    if (!PMacNativePath::FromUTF8(bytes, text))
        PMacFileSystemImp::CheckForErrors(Errors::kBadName);
    return PMacFileSystemImp::FromNative(text);
}

// A folder itself, not a link to one.
bool IsRealFolder(GPathName const& path) {
    std::string bytes;
    struct stat info {};
    return PMacNativePath::ToPathBytes(path.GetNativePathString(), bytes) && lstat(bytes.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

// A free name beside item for a copy that is to replace it.
GPathName TemporaryBeside(GPathName const& item) { return PathFromUTF8(PMacTreeOperations::TemporaryBeside(UTF8(item))); }

bool SameItem(GPathName const& a, GPathName const& b) {
    struct stat one {};
    struct stat two {};
    return lstat(UTF8(a).c_str(), &one) == 0 && lstat(UTF8(b).c_str(), &two) == 0 && one.st_dev == two.st_dev &&
           one.st_ino == two.st_ino;
}

}  // namespace

bool PMacFileSystemImp::sCopyResourceForks = false;

int PMacFileSystemImp::GetExceptionID(int16_t code) noexcept {
    if (code == 0)
        return 0;
    for (CodeRange const& range : cCodeRanges) {
        if (code <= range.first && code >= range.last)
            return range.firstID + (range.first - code);
    }
    return kGeneralException;
}

void PMacFileSystemImp::CheckForErrors(int16_t code) {
    const int id = GetExceptionID(code);
    if (id == 0)
        return;
    if (id == kGeneralException)
        throw GException();
    throw GSimpleException(id);
}

GPathName PMacFileSystemImp::FromNative(GString const& text) {
    GPathName path;
    path.SetMachOPathString(text);
    return path;
}

GPathName PMacFileSystemImp::Resolved(GPathName const& path) {
    GPathName target;
    CheckForErrors(ResolveAlias(path, target, nullptr));
    return target;
}

// ---- Existence and aliases ----

bool PMacFileSystemImp::FolderExists(GPathName const& path) {
    PathContext context(path);
    GString resolved;
    const int16_t code = Cocoa::ResolveAlias(Native(path), resolved, nullptr);
    if (code == Errors::kFileNotFound || code == Errors::kNoSuchVolume || code == Errors::kAccessDenied)
        return false;
    CheckForErrors(code);
    bool isFolder = false;
    return Cocoa::IsFolder(resolved, &isFolder) == Errors::kNoErr && isFolder;
}

bool PMacFileSystemImp::FileExists(GPathName const& path) {
    GString resolved;
    const int16_t code = Cocoa::ResolveAlias(Native(path), resolved, nullptr);
    if (code == Errors::kFileNotFound)
        return true;  // a broken alias is still a file
    if (code != Errors::kNoErr)
        return false;
    bool isFolder = true;
    return Cocoa::IsFolder(resolved, &isFolder) == Errors::kNoErr && !isFolder;
}

int16_t PMacFileSystemImp::ResolveAlias(GPathName const& path, GPathName& target, bool* wasAlias) {
    if (wasAlias != nullptr)
        *wasAlias = false;
    GString resolved;
    const int16_t code = Cocoa::ResolveAlias(Native(path), resolved, wasAlias);
    if (code == Errors::kNoErr || !resolved.IsEmpty())
        target = FromNative(resolved);
    return code;
}

bool PMacFileSystemImp::GetAliasTarget(GPathName const& path, GPathName& target) {
    PathContext context(path);
    bool wasAlias = false;
    CheckForErrors(ResolveAlias(path, target, &wasAlias));
    return wasAlias;
}

bool PMacFileSystemImp::AliasHasTarget(GPathName const& path, GPathName& target) {
    PathContext context(path);
    bool wasAlias = false;
    const int16_t code = ResolveAlias(path, target, &wasAlias);
    if (code == Errors::kFileNotFound)
        return false;
    CheckForErrors(code);
    return wasAlias;
}

bool PMacFileSystemImp::IsAlias(GPathName const& path) { return Cocoa::IsAlias(Native(path)); }

// ---- Creation ----

namespace {

// The folder that will hold path: its branch, followed when an alias, created when missing.
GPathName PreparedBranch(GPathName const& path) {
    const GPathName branch = path.GetBranch();
    bool exists = false;
    try {
        exists = PMacFileSystemImp::FolderExists(branch);
    } catch (GException const&) {
        exists = false;
    }
    if (!exists) {
        PMacFileSystemImp::CreateFolder(branch);
        return branch;
    }
    GPathName resolved;
    PMacFileSystemImp::GetAliasTarget(branch, resolved);
    return resolved.IsEmpty() ? branch : resolved;
}

bool IsRoot(GPathName const& path) { return path.GetPortablePath() == GString("/"); }

}  // namespace

bool PMacFileSystemImp::CreateFolder(GPathName const& path) {
    PathContext context(path);
    if (IsRoot(path) || !path.HasLeaf())
        return false;
    GPathName folder = PreparedBranch(path);
    folder.Append(path.GetLeaf());
    const int16_t code = Cocoa::CreateFolder(Native(folder));
    if (code == Errors::kDuplicate && FolderExists(folder))
        return false;
    CheckForErrors(code);
    return true;
}

bool PMacFileSystemImp::CreateFile(GPathName const& path) {
    PathContext context(path);
    GPathName file = PreparedBranch(path);
    file.Append(path.GetLeaf());
    const int16_t code = Cocoa::CreateFile(Native(file));
    if (code == Errors::kDuplicate && FileExists(file))
        return false;
    CheckForErrors(code);
    return true;
}

bool PMacFileSystemImp::CreateFile(GPathName& path, GFileType const* type, bool setExtension) {
    if (setExtension && type != nullptr)
        SetExtensionFromType(path, *type);
    const bool created = CreateFile(path);
    if (type != nullptr)
        SetMacCreatorAndType(path, type->GetMacCreator(), type->GetMacType());
    return created;
}

bool PMacFileSystemImp::CreateParentFolder(GPathName const& path) {
    const GPathName branch = path.GetBranch();
    try {
        if (FolderExists(branch))
            return true;
    } catch (GException const&) {
    }
    return CreateFolder(branch);
}

bool PMacFileSystemImp::CreatePrivateFolder(GPathName const& path, bool reuse) {
    PathContext context(path);
    CreateParentFolder(path);
    const std::string folder = UTF8(path);
    if (mkdir(folder.c_str(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        ThrowErrno(errno);
    if (!reuse)
        return false;
    // Reuse only what is plainly ours: opened without following a link, then checked.
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw GSimpleException(kDuplicate);
    struct stat info {};
    const bool ours = fstat(fd, &info) == 0 && info.st_uid == geteuid();
    const bool closed = ours && ((info.st_mode & 077) == 0 || fchmod(fd, info.st_mode & 07700) == 0);
    close(fd);
    if (!ours)
        throw GSimpleException(kDuplicate);
    if (!closed)
        ThrowErrno(errno);
    return false;
}

bool PMacFileSystemImp::IsSharedFolder(GPathName const& path) {
    std::string folder;
    struct stat info {};
    return PMacNativePath::ToUTF8(Native(path), folder) && stat(folder.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0 && (info.st_mode & S_IWOTH) != 0;
}

// ---- Removal ----

bool PMacFileSystemImp::RemoveFileNoCheckIfFile(GPathName const& path) {
    const GString item = Native(path);
    const bool locked = Cocoa::GetFileLockStatus(item);
    if (locked)
        Cocoa::SetAliasObjectLocked(item, false);
    const int16_t code = Cocoa::RemoveItem(item, Cocoa::kDeleteAny);
    if (code != Errors::kNoErr && code != Errors::kFileNotFound && locked)
        Cocoa::SetAliasObjectLocked(item, true);
    if (code != Errors::kFileNotFound)
        CheckForErrors(code);
    return code == Errors::kNoErr;
}

bool PMacFileSystemImp::RemoveFile(GPathName const& path) {
    PathContext context(path);
    if (FileExists(path))
        return RemoveFileNoCheckIfFile(path);
    if (FolderExists(path))
        throw GSimpleException(kIsDirectory);
    return false;
}

bool PMacFileSystemImp::RemoveFolderOnly(GPathName const& path) {
    PathContext context(path);
    if (!FolderExists(path)) {
        if (FileExists(path))
            throw GSimpleException(kNotAFolder);
        return false;
    }
    if (IsAlias(path))
        return RemoveFileNoCheckIfFile(path);
    const int16_t code = Cocoa::RemoveItem(Native(path), Cocoa::kDeleteFolder);
    if (code != Errors::kFileNotFound && code != Errors::kAccessDenied)
        CheckForErrors(code);
    return code == Errors::kNoErr;
}

void PMacFileSystemImp::MoveFileToTrash(GPathName const& path) {
    PathContext context(path);
    GString trashed;
    Cocoa::MoveObjectToTrash(Native(path), trashed);
}

// ---- Listing for the recursive operations ----

GTable<PMacFileSystemImp::FolderEntry> PMacFileSystemImp::ListFolder(GPathName const& folder,
                                                                     std::vector<std::string>* untexted) {
    GPathName listed = folder;
    GetAliasTarget(folder, listed);
    const std::string bytes = UTF8(listed);
    GTable<Cocoa::IteratorCacheItem> cache;
    std::vector<std::string> unnamed;
    int failure = 0;
    if (!Cocoa::ListFolder(cache, bytes.c_str(), nullptr, &unnamed, &failure))
        Errors::ThrowInternalFor(failure, bytes);
    if (untexted == nullptr && !unnamed.empty())
        Errors::ThrowInternalFor(EILSEQ, bytes + "/" + unnamed.front());
    if (untexted != nullptr)
        untexted->insert(untexted->end(), unnamed.begin(), unnamed.end());
    GTable<FolderEntry> entries;
    for (int i = 0; i < cache.GetCount(); ++i) {
        FolderEntry entry;
        entry.path = FromNative(cache[i].path);
        entry.isAlias = cache[i].isAlias;
        entry.isRegular = cache[i].isRegular;
        bool isFolder = cache[i].isFolder;
        bool known = true;
        if (entry.isAlias) {
            // A file through the alias counts as a file; a folder or nothing is neither.
            GString target;
            known = Cocoa::ResolveAlias(cache[i].path, target, nullptr) == Errors::kNoErr &&
                    Cocoa::IsFolder(target, &isFolder) == Errors::kNoErr;
        }
        entry.isFolder = known && isFolder && !entry.isAlias;
        entry.isFile = known && !isFolder;
        entries.AddItem(entry);
    }
    return entries;
}

void PMacFileSystemImp::CopyEntryByName(GPathName const& srcFolder, std::string const& name,
                                        GPathName const& destFolder, bool overwrite, bool keepExisting) {
    GPathName listed = srcFolder;
    GetAliasTarget(srcFolder, listed);
    Cocoa::CopyEntryByName(Native(listed), name, Native(destFolder), overwrite, keepExisting);
}

void PMacFileSystemImp::CheckNotInside(GPathName const& copyPath, GPathName const& source) {
    if (!Cocoa::IsInside(Native(copyPath), Native(source)))
        return;
    GString text("A folder cannot be copied into itself: ");
    text += Native(copyPath);
    throw GCustomException(Errors::kInternalError, text);
}

// ---- Moving and copying ----

GPathName PMacFileSystemImp::DestinationFolder(GPathName const& destFolder) {
    if (!FolderExists(destFolder)) {
        CreateFolder(destFolder);
        return destFolder;
    }
    GPathName folder;
    GetAliasTarget(destFolder, folder);
    return folder.IsEmpty() ? destFolder : folder;
}

bool PMacFileSystemImp::ReplaceItem(GPathName const& src, GPathName const& dest) {
    return Cocoa::ReplaceItem(UTF8(dest).c_str(), UTF8(src).c_str());
}

namespace {

// Moves src to newPath, an existing item there being replaced in one step. A move that cannot
// complete fails with the source whole (the engine checks the source before copying it across
// file systems); a removal that still fails is reported, never dropped.
void MoveInto(GPathName const& src, GPathName const& newPath, bool replace) {
    if (replace) {
        PMacFileSystemImp::ReplaceItem(src, newPath);
        return;
    }
    Cocoa::RenameItem(src.GetNativePathString(), newPath.GetNativePathString());
}

void MoveItemTo(GPathName const& src, GPathName const& destFolder, GPathName& newPath, bool overwrite,
                bool isFolder) {
    if (isFolder ? PMacFileSystemImp::FileExists(src) : PMacFileSystemImp::FolderExists(src))
        throw GSimpleException(PMacFileSystemImp::kFileNotFound);
    GPathName folder = destFolder;
    if (PMacFileSystemImp::FolderExists(destFolder))
        PMacFileSystemImp::GetAliasTarget(destFolder, folder);
    else
        PMacFileSystemImp::CreateFolder(destFolder);
    newPath = folder;
    newPath.Append(src.GetLeaf());
    const GString source = src.GetNativePathString();
    const GString moving = newPath.GetNativePathString();
    TwoPathContext context(PMacFileSystemImp::kMovingContext, src, newPath);
    if (src == newPath && SameItem(src, newPath))
        return;  // already in place
    const bool taken = PMacFileSystemImp::FileExists(newPath) || PMacFileSystemImp::FolderExists(newPath);
    if (taken && !overwrite)
        throw GSimpleException(PMacFileSystemImp::kDuplicate);
    // A file moved over a folder would take the whole folder with it.
    if (taken && !isFolder && IsRealFolder(newPath))
        throw GSimpleException(PMacFileSystemImp::kIsDirectory);
    const bool locked = Cocoa::GetFileLockStatus(source);
    if (locked)
        Cocoa::SetAliasObjectLocked(source, false);
    try {
        MoveInto(src, newPath, taken);
    } catch (GException const&) {
        if (locked && PMacFileSystemImp::FileExists(src))
            Cocoa::SetAliasObjectLocked(source, true);
        throw;
    }
    if (locked)
        Cocoa::SetAliasObjectLocked(moving, true);
}

}  // namespace

void PMacFileSystemImp::MoveFileTo(GPathName const& src, GPathName const& destFolder, GPathName& newPath,
                                   bool overwrite) {
    MoveItemTo(src, destFolder, newPath, overwrite, false);
}

void PMacFileSystemImp::MoveFileTo(GPathName const& src, GPathName const& destFolder, bool overwrite) {
    GPathName scratch;
    MoveItemTo(src, destFolder, scratch, overwrite, false);
}

void PMacFileSystemImp::MoveFolderTo(GPathName const& src, GPathName const& destFolder, GPathName& newPath,
                                     bool overwrite) {
    MoveItemTo(src, destFolder, newPath, overwrite, true);
}

void PMacFileSystemImp::CopyFileTo(GPathName const& src, GPathName const& destFolder, GPathName& newPath,
                                   bool overwrite, bool resolveSource) {
    PathContext context(src);
    const GPathName source = resolveSource ? Resolved(src) : src;
    newPath = DestinationFolder(destFolder);
    newPath.Append(src.GetLeaf());
    CopyFileAs(source, newPath, overwrite);
}

void PMacFileSystemImp::CopyFileAs(GPathName const& source, GPathName const& newPath, bool overwrite,
                                   bool listedRegular) {
    const GString to = Native(newPath);
    std::string target;
    // Straight to a free name (the engine creates it exclusively); a taken one is looked at below.
    const bool named = PMacNativePath::ToUTF8(to, target);
    if (named && Cocoa::CopyFileToFree(Native(source), to, listedRegular))
        return;
    struct stat info {};
    if (named && lstat(target.c_str(), &info) != 0 && errno == ENOENT) {
        // Freed meanwhile: the plain copy again, as if it had been free from the start.
        Cocoa::CopyFileTo(Native(source), to);
        return;
    }
    if (!overwrite && (FileExists(newPath) || FolderExists(newPath)))
        throw GSimpleException(kDuplicate);
    // A copy replaces a file or link, never a folder and all below it.
    if (S_ISDIR(info.st_mode))
        throw GSimpleException(kIsDirectory);
    // The copy is complete beside the old item before it takes its place.
    const GPathName temporary = TemporaryBeside(newPath);
    Cocoa::CopyFileTo(Native(source), Native(temporary), true);
    try {
        ReplaceItem(temporary, newPath);
    } catch (...) {
        Cocoa::RemoveItem(Native(temporary), Cocoa::kDeleteAny);
        throw;
    }
}

void PMacFileSystemImp::RenameItemInPlace(GPathName& path, GString const& newLeaf, bool exists) {
    PathContext context(path);
    if (!exists)
        throw GSimpleException(kFileNotFound);
    GPathName renamed = path.GetBranch();
    renamed.Append(newLeaf);
    TwoPathContext moving(kMovingContext, path, renamed);
    Cocoa::RenameItem(Native(path), Native(renamed));
    path = renamed;
}

void PMacFileSystemImp::RenameFile(GPathName& path, GString const& newLeaf) {
    RenameItemInPlace(path, newLeaf, FileExists(path));
}

void PMacFileSystemImp::RenameFile(GPathName& path, GString const& newLeaf, GFileType const* type,
                                   bool setExtension) {
    GString leaf = newLeaf;
    if (setExtension && type != nullptr) {
        GPathName named = path.GetBranch();
        named.Append(newLeaf);
        SetExtensionFromType(named, *type);
        leaf = named.GetLeaf();
    }
    RenameFile(path, leaf);
    if (type != nullptr)
        SetMacCreatorAndType(path, type->GetMacCreator(), type->GetMacType());
}

void PMacFileSystemImp::RenameFolder(GPathName& path, GString const& newLeaf) {
    RenameItemInPlace(path, newLeaf, FolderExists(path));
}

// ---- Locks ----

int PMacFileSystemImp::GetAliasObjectLocked(GPathName const& path) {
    const GString item = Native(path);
    if (Cocoa::GetFileLockStatus(item))
        return kItemLocked;
    return Cocoa::GetVolumeLockStatusByFilePath(item) ? kVolumeLocked : kNotLocked;
}

int PMacFileSystemImp::GetObjectLocked(GPathName const& path) {
    PathContext context(path);
    return GetAliasObjectLocked(Resolved(path));
}

bool PMacFileSystemImp::IsItemLocked(GPathName const& path) {
    PathContext context(path);
    return Cocoa::GetFileLockStatus(Native(Resolved(path)));
}

void PMacFileSystemImp::SetObjectLocked(GPathName const& path, bool locked) {
    PathContext context(path);
    Cocoa::SetAliasObjectLocked(Native(Resolved(path)), locked);
}

void PMacFileSystemImp::SetAliasObjectLocked(GPathName const& path, bool locked) {
    Cocoa::SetAliasObjectLocked(Native(path), locked);
}

bool PMacFileSystemImp::FileInUse(GPathName const& path) {
    PathContext context(path);
    const GPathName resolved = Resolved(path);
    if (GetAliasObjectLocked(resolved) != kNotLocked)
        return true;
    return PUNIXFileSystemImp::FileInUse(Native(resolved));
}

bool PMacFileSystemImp::IsBeingCopied(GPathName const& path) {
    PathContext context(path);
    GFileType const* type = GetFileTypePtr(path);
    if (type != nullptr && (type->GetMacType() == PMacFourCC::Of("brok") || (type->GetMacType() & ~0x1Fu) == 0x627A7920u))
        return true;
    return Cocoa::IsFileBusy(Native(Resolved(path)));
}

// ---- File types ----

GFileType const* PMacFileSystemImp::GetFileTypePtr(GPathName const& path) {
    PathContext context(path);
    if (!FileExists(path) && !FolderExists(path))
        return GFileType::GetFromExtension(path.GetExtension());
    const GPathName resolved = Resolved(path);
    uint32_t creator = 0;
    uint32_t type = 0;
    Cocoa::GetMacCreatorAndType(Native(resolved), creator, type);
    const GString extension = resolved.GetExtension();
    const bool generic = creator == PMacFourCC::Of("LMAN") && type == PMacFourCC::Of("TEXT");
    if (generic || (creator == 0 && type == 0))
        return GFileType::GetFromExtension(extension);
    return GFileType::GetFromCreatorAndType(creator, type, extension);
}

void PMacFileSystemImp::SetFileType(GPathName& path, GFileType const& type, bool setExtension) {
    PathContext context(path);
    if (IsAlias(path))
        path = Resolved(path);
    if (setExtension && path.GetExtension() != type.GetExtension() && !type.GetExtension().IsEmpty()) {
        RenameFile(path, path.GetLeaf(), &type, true);
        return;
    }
    if (!FileExists(path))
        throw GSimpleException(kIsDirectory);
    SetMacCreatorAndType(path, type.GetMacCreator(), type.GetMacType());
}

void PMacFileSystemImp::SetExtensionFromType(GPathName& path, GFileType const& type) {
    if (!type.GetExtension().IsEmpty())
        path.ReplaceExtension(type.GetExtension());
}

void PMacFileSystemImp::SetMacCreatorAndType(GPathName const& path, uint32_t creator, uint32_t type) {
    Cocoa::SetMacCreatorAndType(Native(path), creator, type);
}

// ---- Dates ----

void PMacFileSystemImp::GetCreationDateTime(GPathName const& path, GDateTime& out) {
    PathContext context(path);
    Cocoa::GetFileSystemDateTime(Cocoa::kCreationDate, Native(path), out);
}

void PMacFileSystemImp::SetCreationDateTime(GPathName const& path, GDateTime const& value) {
    PathContext context(path);
    Cocoa::SetFileSystemDateTime(Cocoa::kCreationDate, Native(path), value);
}

void PMacFileSystemImp::GetModificationDateTime(GPathName const& path, GDateTime& out) {
    PathContext context(path);
    Cocoa::GetFileSystemDateTime(Cocoa::kModificationDate, Native(path), out);
}

void PMacFileSystemImp::SetModificationDateTime(GPathName const& path, GDateTime const& value) {
    PathContext context(path);
    Cocoa::SetFileSystemDateTime(Cocoa::kModificationDate, Native(path), value);
}

// ---- Attributes and permissions ----

bool PMacFileSystemImp::IsHidden(GPathName const& path) {
    const GString leaf = path.GetLeaf();
    std::string bytes;
    if (PMacNativePath::ToUTF8(leaf, bytes) && !bytes.empty() && bytes[0] == '.')
        return true;
    return Cocoa::IsHidden(Native(path));
}

void PMacFileSystemImp::SetHidden(GPathName const& path, bool hidden) { Cocoa::SetHidden(Native(path), hidden); }

int PMacFileSystemImp::GetCurrentUserEffectiveType(int who, GPathName const& path) {
    if ((who & kCurrentUser) == 0)
        return who;
    struct stat info {};
    PUNIXFileSystemImp::CheckErrno(stat(UTF8(path).c_str(), &info) == 0);
    who &= ~kCurrentUser;
    if (info.st_uid == geteuid())
        return who | kOwner;
    if (info.st_gid == getegid())
        return who | kGroup;
    const int count = getgroups(0, nullptr);
    PUNIXFileSystemImp::CheckErrno(count >= 0);
    std::vector<gid_t> groups(static_cast<std::size_t>(count) + 1);
    const int listed = getgroups(count, groups.data());
    PUNIXFileSystemImp::CheckErrno(listed >= 0);
    for (int i = 0; i < listed; ++i) {
        if (groups[static_cast<std::size_t>(i)] == info.st_gid)
            return who | kGroup;
    }
    return who | kOthers;
}

int16_t PMacFileSystemImp::GetPermissions(GPathName const& path, int who, bool* read, bool* write, bool* execute) {
    PathContext context(path);
    return GetAliasPermissions(Resolved(path), who, read, write, execute);
}

int16_t PMacFileSystemImp::GetAliasPermissions(GPathName const& path, int who, bool* read, bool* write,
                                               bool* execute) {
    const GString item = Native(path);
    if ((who & kCurrentUser) != 0)
        return Cocoa::GetAliasPermissions(item, true, read, write, execute);
    const int16_t mode = Cocoa::GetAliasPermissions(item, false, nullptr, nullptr, nullptr);
    const int shift = (who & kOwner) != 0 ? 6 : (who & kGroup) != 0 ? 3 : 0;
    const int digit = (mode >> shift) & 7;
    if (read != nullptr)
        *read = (digit & 4) != 0;
    if (write != nullptr)
        *write = (digit & 2) != 0;
    if (execute != nullptr)
        *execute = (digit & 1) != 0;
    return mode;
}

void PMacFileSystemImp::SetPermissions(GPathName const& path, int who, bool read, bool write, bool execute) {
    PathContext context(path);
    SetAliasPermissions(Resolved(path), who, read, write, execute);
}

void PMacFileSystemImp::SetAliasPermissions(GPathName const& path, int who, bool read, bool write, bool execute) {
    who = GetCurrentUserEffectiveType(who, path);
    const GString item = Native(path);
    int mode = Cocoa::GetAliasPermissions(item, false, nullptr, nullptr, nullptr);
    const int digit = (read ? 4 : 0) + (write ? 2 : 0) + (execute ? 1 : 0);
    constexpr struct {
        int who;
        int shift;
    } cClasses[] = {{kOwner, 6}, {kGroup, 3}, {kOthers, 0}};
    for (auto const& userClass : cClasses) {
        if ((who & userClass.who) != 0)
            mode = (mode & ~(7 << userClass.shift)) | (digit << userClass.shift);
    }
    Cocoa::SetAliasPermissions(item, static_cast<int16_t>(mode));
}

void PMacFileSystemImp::CopyPermissions(GPathName const& src, GPathName const& dest) {
    CopyAliasPermissions(Resolved(src), Resolved(dest));
}

void PMacFileSystemImp::CopyAliasPermissions(GPathName const& src, GPathName const& dest) {
    const GString from = Native(src);
    const GString to = Native(dest);
    TwoPathContext context(kCopyingPermissionsContext, src, dest);
    Cocoa::SetAliasPermissions(to, Cocoa::GetAliasPermissions(from, false, nullptr, nullptr, nullptr));
}

void PMacFileSystemImp::CopyAttributes(GPathName const& src, GPathName const& dest) {
    Cocoa::CopyAttributes(Native(src), Native(dest));
}

bool PMacFileSystemImp::IsWritable(GPathName const& path) {
    if (IsItemLocked(path))
        return false;
    bool write = false;
    GetPermissions(path, kCurrentUser, nullptr, &write, nullptr);
    return write;
}

void PMacFileSystemImp::SetWritable(GPathName const& path, bool writable) {
    bool read = false;
    bool write = false;
    bool execute = false;
    if (writable) {
        if (IsItemLocked(path))
            SetObjectLocked(path, false);
        GetPermissions(path, kCurrentUser, &read, &write, &execute);
        if (!write) {
            GetPermissions(path, kOwner, &read, &write, &execute);
            SetPermissions(path, kOwner, read, true, execute);
        }
        return;
    }
    GetPermissions(path, kCurrentUser, &read, &write, &execute);
    if (write) {
        SetObjectLocked(path, false);
        // Every write bit goes and no other bit comes: setting the user's class afresh would
        // hand others read access when the user is in no class of the item but others.
        PathContext context(path);
        const GString item = Native(Resolved(path));
        const int16_t mode = Cocoa::GetAliasPermissions(item, false, nullptr, nullptr, nullptr);
        Cocoa::SetAliasPermissions(item, static_cast<int16_t>(mode & ~0222));
    }
    if (!IsItemLocked(path))
        SetObjectLocked(path, true);
}

void PMacFileSystemImp::GetOwnerAndGroup(GPathName const& path, int& uid, int& gid) {
    PathContext context(path);
    Cocoa::GetOwnerAndGroup(Native(Resolved(path)), uid, gid);
}

void PMacFileSystemImp::SetOwnerAndGroup(GPathName const& path, int uid, int gid) {
    PathContext context(path);
    Cocoa::SetOwnerAndGroup(Native(Resolved(path)), uid, gid);
}

bool PMacFileSystemImp::CheckIfOwner(GPathName const& path) {
    PathContext context(path);
    return CheckAliasIfOwner(Resolved(path));
}

bool PMacFileSystemImp::CheckAliasIfOwner(GPathName const& path) {
    return GetCurrentUserEffectiveType(kCurrentUser, path) == kOwner;
}

bool PMacFileSystemImp::IsSameFileOrFolder(GPathName const& a, GPathName const& b, bool compareLinks) {
    if (compareLinks)
        return Cocoa::AreLinksIdentical(Native(a), Native(b));
    std::string first;
    std::string second;
    if (!PMacNativePath::ToUTF8(Native(a), first) || !PMacNativePath::ToUTF8(Native(b), second))
        return false;
    struct stat one {};
    struct stat two {};
    if (stat(first.c_str(), &one) != 0 || stat(second.c_str(), &two) != 0)
        return false;
    return one.st_dev == two.st_dev && one.st_ino == two.st_ino && one.st_size == two.st_size &&
           one.st_mtim.tv_sec == two.st_mtim.tv_sec;
}

// ---- Aliases ----

void PMacFileSystemImp::CreateAlias(GPathName& aliasPath, GPathName const& target, GString const& name) {
    TwoPathContext context(kCreatingAliasContext, aliasPath, target);
    const int16_t code = Cocoa::CreateAlias(Native(aliasPath), Native(target), name);
    if (code == Errors::kFileNotFound) {
        CreateSymLink(aliasPath, target);
        return;
    }
    CheckForErrors(code);
}

void PMacFileSystemImp::CreateSymLink(GPathName const& linkPath, GPathName const& target) {
    TwoPathContext context(kCreatingAliasContext, linkPath, target);
    if (FileExists(linkPath))
        throw GSimpleException(kDuplicate);
    PUNIXFileSystemImp::CheckErrno(symlink(UTF8(target).c_str(), UTF8(linkPath).c_str()) == 0);
}

// ---- Volumes ----

int PMacFileSystemImp::GetVolumeType(GPathName const& path, bool resolve) {
    PathContext context(path);
    const GString item = Native(resolve ? Resolved(path) : path);
    if (Cocoa::IsVolumeLocal(item))
        return kLocalVolume;
    if (!Cocoa::IsVolumeInternal(item))
        return kExternalVolume;
    if (Cocoa::IsVolumeRemovable(item))
        return kRemovableVolume;
    return kOtherVolume;
}

bool PMacFileSystemImp::IsOnSameVolume(GPathName const& a, GPathName const& b) {
    return Cocoa::IsOnSameVolume(Native(Resolved(a)), Native(Resolved(b)));
}

bool PMacFileSystemImp::VolumeNameExists(GString const& name) { return Cocoa::VolumeNameExists(name); }

// ---- Well-known folders ----

void PMacFileSystemImp::GetGlobalTempFolder(GPathName& out) {
    char const* folder = std::getenv("TMPDIR");
    out = PathFromUTF8(folder != nullptr && folder[0] == '/' ? folder : "/tmp");
}

void PMacFileSystemImp::GetDebugFolder(GPathName& out) {
    GetGlobalTempFolder(out);
    if (!FolderExists(out) && FileExists(out))
        out.ReplaceLeaf(GString("KelvoraDebug"));
    else
        out.Append(GString("KelvoraDebug"));
}

void PMacFileSystemImp::GetCurrentFolder(GPathName& out) {
    GString text;
    Cocoa::GetCurrentFolder(text);
    out = FromNative(text);
}

void PMacFileSystemImp::GetApplicationPath(GPathName& out) {
    GString text;
    Cocoa::GetApplicationBundleRoot(text);
    if (!Cocoa::IsMacPackage(text))
        Cocoa::GetApplicationMainExecutable(text);
    out = FromNative(text);
}

void PMacFileSystemImp::GetDllPath(GPathName& out) {
    GBuffer identifier;
    PSystem::GetASCIIBundleIdentifier(identifier);
    if (!identifier.IsEmpty()) {
        GString text;
        Cocoa::GetDLLPath(identifier, text);
        out = FromNative(text);
        return;
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&PMacFileSystemImp::GetDllPath), &info) != 0 && info.dli_fname != nullptr &&
        info.dli_fname[0] == '/') {
        out = PathFromUTF8(info.dli_fname);
        return;
    }
    GetApplicationPath(out);
}

void PMacFileSystemImp::GetResourceFolder(GPathName& out) {
    GBuffer identifier;
    PSystem::GetASCIIBundleIdentifier(identifier);
    GString text;
    const bool package = Cocoa::GetResourceFolder(identifier, text);
    out = FromNative(text);
    if (!package)
        out.Append(GString("Resources"));
}


void PMacFileSystemImp::GetSpecialFolder(int16_t domain, uint32_t kind, GPathName& out) {
    GString text;
    Cocoa::GetSpecialFolder(domain, kind, text, true);
    out = FromNative(text);
}

void PMacFileSystemImp::GetTrashFolder(GPathName& out) { GetSpecialFolder(Cocoa::kUserDomain, PMacFourCC::Of("trsh"), out); }
void PMacFileSystemImp::GetUserHomeFolder(GPathName& out) {
    GetSpecialFolder(Cocoa::kUserDomain, PMacFourCC::Of("cusr"), out);
}
void PMacFileSystemImp::GetUserDocumentsFolder(GPathName& out) {
    GetSpecialFolder(Cocoa::kUserDomain, PMacFourCC::Of("docs"), out);
}
void PMacFileSystemImp::GetDesktopFolder(GPathName& out) { GetSpecialFolder(Cocoa::kUserDomain, PMacFourCC::Of("desk"), out); }
void PMacFileSystemImp::GetUserPreferenceFolder(GPathName& out) {
    GetSpecialFolder(Cocoa::kUserDomain, PMacFourCC::Of("pref"), out);
}
void PMacFileSystemImp::GetUserApplicationDataFolder(GPathName& out) {
    GetSpecialFolder(Cocoa::kUserDomain, PMacFourCC::Of("asup"), out);
}
void PMacFileSystemImp::GetApplicationsFolder(GPathName& out) {
    GetSpecialFolder(Cocoa::kLocalDomain, PMacFourCC::Of("apps"), out);
}
void PMacFileSystemImp::GetGlobalPreferenceFolder(GPathName& out) {
    GetSpecialFolder(Cocoa::kLocalDomain, PMacFourCC::Of("pref"), out);
}
void PMacFileSystemImp::GetCommonAppDataFolder(GPathName& out) {
    GetSpecialFolder(Cocoa::kLocalDomain, PMacFourCC::Of("asup"), out);
}
void PMacFileSystemImp::GetSystemFolder(GPathName& out) { GetSpecialFolder(Cocoa::kLocalDomain, PMacFourCC::Of("macs"), out); }
void PMacFileSystemImp::GetLocalTempFolder(GPathName& out) {
    GetSpecialFolder(Cocoa::kLocalDomain, PMacFourCC::Of("temp"), out);
}

// ---- Links, copies under a new name ----

GPathName PMacFileSystemImp::GetTarget(GPathName const& path) {
    GString target;
    const int16_t code = Cocoa::GetTarget(Native(path), target);
    if (code != Errors::kNoErr && code != Errors::kFileNotFound)
        CheckForErrors(code);
    return target.IsEmpty() ? path : FromNative(target);
}

void PMacFileSystemImp::GetSymLinkTarget(GPathName const& path, GString& out) {
    out.Clear();
    std::string item;
    if (!PMacNativePath::ToUTF8(Native(path), item))
        return;
    std::string text;
    if (PMacTreeOperations::ReadLink(item, text))
        PMacNativePath::FromUTF8(text, out);
}

void PMacFileSystemImp::CopyAndRenameFile(GPathName const& src, GPathName const& dest, bool overwrite,
                                          bool followLinks) {
    PathContext context(src);
    GPathName destination = dest;
    if (followLinks && FileExists(destination))
        destination = GetTarget(destination);
    const bool taken = FileExists(destination);
    if (taken && !overwrite)
        throw GSimpleException(kDuplicate);
    GPathName source = src;
    GString linkText;
    if (followLinks)
        source = GetTarget(src);
    else if (IsAlias(src))
        GetSymLinkTarget(src, linkText);
    if (linkText.IsEmpty()) {
        CreateParentFolder(destination);
        CopyFileAs(source, destination, overwrite);
        SetWritable(destination, true);
        return;
    }
    std::string text;
    if (!PMacNativePath::ToUTF8(linkText, text))
        CheckForErrors(Errors::kBadName);
    if (taken && IsRealFolder(destination))
        throw GSimpleException(kIsDirectory);
    // A new link beside the old item, then put in its place in one step.
    const GPathName made = taken ? TemporaryBeside(destination) : destination;
    PUNIXFileSystemImp::CheckErrno(symlink(text.c_str(), UTF8(made).c_str()) == 0);
    if (taken)
        ReplaceItem(made, destination);
}

bool PMacFileSystemImp::TryUnlinkFile(GPathName const& path, GPathName& finalPath) {
    finalPath = path;
    try {
        if (unlink(UTF8(path).c_str()) == 0)
            return true;
        if (errno != ENAMETOOLONG)
            return false;
        GString trashed;
        Cocoa::MoveObjectToTrash(Native(path), trashed);
        finalPath = FromNative(trashed);
        return unlink(UTF8(finalPath).c_str()) == 0;
    } catch (GException const&) {
        return false;
    }
}

// ---- Bundles ----

namespace {

bool HasExtension(GPathName const& path, std::initializer_list<char const*> extensions) {
    GString extension = path.GetExtension();
    extension.ToLower();
    for (char const* candidate : extensions) {
        if (extension == GString(candidate))
            return true;
    }
    return false;
}

// Walks up from path to the first level that passes test; throws id when none does.
void FindRoot(GPathName const& path, GPathName& root, bool (*test)(GPathName const&), int id) {
    GPathName level = path;
    for (;;) {
        if (level.GetLeaf().IsEmpty() || level.GetBranch().GetPortablePath() == GString("/Volumes"))
            throw GSimpleException(id);
        if (test(level)) {
            root = level;
            return;
        }
        level = level.GetBranch();
    }
}

}  // namespace

bool PMacFileSystemImp::IsMacPackage(GPathName const& path) {
    PathContext context(path);
    if (!FolderExists(path))
        return false;
    const GPathName resolved = Resolved(path);
    if (HasExtension(resolved, {"app", "bundle", "pkg", "mpkg"}) || Cocoa::IsMacPackage(Native(resolved)))
        return true;
    GPathName info = resolved;
    info.Append(GString("Contents"));
    info.Append(GString("PkgInfo"));
    return FileExists(info);
}

bool PMacFileSystemImp::IsMacFramework(GPathName const& path) {
    PathContext context(path);
    return FolderExists(path) && HasExtension(Resolved(path), {"framework"});
}

void PMacFileSystemImp::FindMacPackageRoot(GPathName const& path, GPathName& root) {
    FindRoot(path, root, &IsMacPackage, 40061);
}

void PMacFileSystemImp::FindMacFrameworkRoot(GPathName const& path, GPathName& root) {
    FindRoot(path, root, &IsMacFramework, 40062);
}

void PMacFileSystemImp::GetApplicationVersion(GPathName const& path, int& major, int& minor) {
    PathContext context(path);
    minor = 0;
    if (!Cocoa::GetApplicationVersion(Native(Resolved(path)), major, minor))
        throw GSimpleException(40060);
}

void PMacFileSystemImp::FindRealExecutable(GPathName const& path, GPathName& out) {
    GString text;
    Cocoa::FindRealExecutable(Native(path), text);
    out = FromNative(text);
}

void PMacFileSystemImp::UInt32ToBytes(uint32_t value, unsigned char bytes[4]) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}
