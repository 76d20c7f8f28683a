#include "mac/filesystem/PMacFileSystemImpCocoa.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mac/filesystem/PMacFileErrors.h"
#include "mac/filesystem/PMacFourCC.h"
#include "mac/filesystem/PMacTreeOperations.h"
#include "mac/paths/PMacNativePath.h"
#include "mac/paths/PMacPathNameImpBase.h"
#include "mac/paths/PMacPathText.h"
#include "standin/StandinBundle.h"
#include "standin/StandinPathParts.h"
#include "standin/StandinSpecialFolders.h"
#include "standin/StandinTrash.h"
#include "standin/StandinVolumes.h"

namespace {

using Errors = PMacFileErrors;
using Tree = PMacTreeOperations;

// ---- Text ----

bool Native(GString const& path, std::string& out) { return PMacNativePath::ToPathBytes(path, out); }

std::string NativeOrThrow(GString const& path) {
    std::string out;
    if (!Native(path, out))
        Errors::ThrowBadName();
    return out;
}

GString TextOrThrow(std::string const& native) {
    GString out;
    if (!PMacNativePath::FromUTF8(native, out))
        Errors::ThrowBadName();
    return out;
}

std::string Join(std::string const& folder, std::string const& leaf) {
    return folder == "/" ? "/" + leaf : folder + "/" + leaf;
}

// ---- Items ----

enum Kind : unsigned char { kFile, kRegular, kFolder, kLink };

// A listed entry: its name's place in one buffer of names, and its kind.
struct Listed {
    std::uint32_t offset;
    std::uint32_t length;
    Kind kind;
};

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool Exists(std::string const& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// The item itself (a link is not followed) for the operations that return a code: kBadName,
// the errno's code, or kNoErr with the path's bytes in item.
int16_t LookAt(GString const& path, std::string& item, struct stat& info) {
    if (!Native(path, item))
        return Errors::kBadName;
    if (lstat(item.c_str(), &info) != 0)
        return Errors::FromErrno(errno);
    return Errors::kNoErr;
}

// The item itself (a link is not followed); throws 40275 when it cannot be read.
struct stat StatOrThrow(std::string const& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        Errors::ThrowInternal(errno);
    return info;
}

std::vector<std::string> Components(std::string const& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

enum class Resolution { kResolved, kBroken };

// Whether the whole path exists without a link on the way or at its end, asked of the kernel
// in one call; false whenever it cannot tell (a missing item, a link, an older kernel), so that
// the walk below takes over.
bool HasNoLinks(std::string const& path, std::deque<std::string> const& parts) {
    if (parts.empty())
        return false;
    for (std::string const& part : parts) {
        if (part == "." || part == "..")
            return false;
    }
    open_how how {};
    how.flags = O_PATH | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
    if (fd < 0)
        return false;
    close(static_cast<int>(fd));
    return true;
}

// Walks the path from its root, replacing every link by its target, as the kernel does, but
// with a bound on the links followed, so a cycle ends. Components after a missing one are
// taken as written; a missing component named by a link's text makes that link broken.
Resolution ResolveLinks(std::string const& path, std::string& out, bool& sawLink) {
    bool absolute = !path.empty() && path[0] == '/';
    std::deque<std::string> rest;
    for (auto& part : Components(path))
        rest.push_back(std::move(part));
    if (HasNoLinks(path, rest)) {
        out = absolute ? "/" : "";
        for (std::size_t i = 0; i < rest.size(); ++i)
            out += (i == 0 ? "" : "/") + rest[i];
        return Resolution::kResolved;
    }
    std::vector<std::string> done;
    std::size_t fromLink = 0;  // how many of the first entries of rest came from link texts
    int hops = 0;
    bool missing = false;
    auto running = [&]() {
        std::string text = absolute ? "/" : "";
        for (std::size_t i = 0; i < done.size(); ++i)
            text += (i == 0 ? "" : "/") + done[i];
        return text.empty() ? std::string(".") : text;
    };
    while (!rest.empty()) {
        const std::string part = rest.front();
        rest.pop_front();
        const bool inLink = fromLink > 0;
        if (fromLink > 0)
            --fromLink;
        if (part == ".")
            continue;
        if (part == "..") {
            if (!done.empty() && done.back() != "..")
                done.pop_back();
            else if (!absolute)
                done.push_back(part);
            continue;
        }
        done.push_back(part);
        if (missing) {
            if (inLink)
                return Resolution::kBroken;
            continue;
        }
        const std::string current = running();
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0) {
            if (inLink)
                return Resolution::kBroken;
            missing = true;
            continue;
        }
        if (!S_ISLNK(info.st_mode))
            continue;
        sawLink = true;
        std::string text;
        if (++hops > PMacFileSystemImpCocoa::kMaxLinkHops || !Tree::ReadLink(current, text) || text.empty())
            return Resolution::kBroken;
        done.pop_back();
        if (text[0] == '/') {
            done.clear();
            absolute = true;
        }
        const std::vector<std::string> parts = Components(text);
        rest.insert(rest.begin(), parts.begin(), parts.end());
        fromLink += parts.size();
    }
    out = running();
    return Resolution::kResolved;
}

// ---- Dates ----

bool ReadTime(std::string const& path, PMacFileSystemImpCocoa::DateTimeType type, std::time_t& out) {
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0)
        return false;
    if (type == PMacFileSystemImpCocoa::kCreationDate && (info.stx_mask & STATX_BTIME) != 0)
        out = static_cast<std::time_t>(info.stx_btime.tv_sec);
    else
        out = static_cast<std::time_t>(info.stx_mtime.tv_sec);
    return true;
}

// The resolved path of an existing item; empty when resolution fails or nothing is there.
std::string ResolvedExisting(std::string const& path) {
    std::string resolved;
    bool sawLink = false;
    if (ResolveLinks(path, resolved, sawLink) != Resolution::kResolved || !Exists(resolved))
        return std::string();
    return resolved;
}

// ---- Special folders ----


bool FolderKind(uint32_t code, StandinSpecialFolders::Kind& kind) {
    using Kind = StandinSpecialFolders::Kind;
    static const std::pair<uint32_t, Kind> kinds[] = {
        {PMacFourCC::Of("cusr"), Kind::Home},         {PMacFourCC::Of("temp"), Kind::Temporary},
        {PMacFourCC::Of("apps"), Kind::Applications}, {PMacFourCC::Of("asup"), Kind::ApplicationSupport},
        {PMacFourCC::Of("desk"), Kind::Desktop},      {PMacFourCC::Of("docs"), Kind::Documents},
        {PMacFourCC::Of("macs"), Kind::System},       {PMacFourCC::Of("pref"), Kind::Preferences},
        {PMacFourCC::Of("trsh"), Kind::Trash}};
    for (auto const& [value, found] : kinds) {
        if (value == code) {
            kind = found;
            return true;
        }
    }
    return false;
}

// ---- Volumes ----

StandinVolumes::Volume VolumeOrThrow(GString const& path) {
    StandinVolumes::Volume volume;
    if (const int error = StandinVolumes::VolumeOf(NativeOrThrow(path), volume))
        Errors::ThrowInternal(error);
    return volume;
}

// The identifier's bytes; a C text's terminator, which GBuffer keeps, is not part of it.
std::string BundleId(GBuffer const& id) {
    std::string text(reinterpret_cast<char const*>(id.GetPtr()), static_cast<std::size_t>(id.GetLength()));
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

// The leading decimal digits as a number (0 without any), as a version part is read.
int LeadingNumber(std::string const& text) {
    long long value = 0;
    std::size_t i = text.find_first_not_of(' ');
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 100000000; ++i)
        value = value * 10 + (text[i] - '0');
    return static_cast<int>(value);
}

}  // namespace

// ---- Copying, moving, replacing ----

bool PMacFileSystemImpCocoa::ReplaceItem(char const* itemPath, char const* replacementPath) {
    if (itemPath == nullptr || replacementPath == nullptr || *itemPath == '\0' || *replacementPath == '\0')
        Errors::ThrowBadName();
    GString checked;
    if (!PMacNativePath::FromUTF8(itemPath, checked) || !PMacNativePath::FromUTF8(replacementPath, checked))
        Errors::ThrowBadName();
    if (const int error = Tree::ReplaceItem(itemPath, replacementPath))
        Errors::ThrowInternal(error);
    return true;
}

void PMacFileSystemImpCocoa::CopyFileTo(GString const& src, GString const& dst, bool syncEachFile) {
    const std::string from = NativeOrThrow(src);
    const std::string to = NativeOrThrow(dst);
    if (const int error = Tree::CopyItem(from, to, syncEachFile ? Tree::Sync::kEachFile : Tree::Sync::kNone))
        Errors::ThrowInternal(error);
}

bool PMacFileSystemImpCocoa::CopyFileToFree(GString const& src, GString const& dst, bool listedRegular) {
    const std::string from = NativeOrThrow(src);
    const std::string to = NativeOrThrow(dst);
    const int error = Tree::CopyItem(from, to, Tree::CopyOptions{Tree::Sync::kNone, false, listedRegular});
    if (error != 0 && error != EEXIST)
        Errors::ThrowInternal(error);
    return error == 0;
}

namespace {

bool IsRealFolder(struct stat const& info) { return S_ISDIR(info.st_mode); }

// The entry name of from copied into the folder to by bytes; an existing folder met by a folder
// is merged entry by entry.
int CopyEntryInto(std::string const& from, std::string const& to, bool overwrite, bool keepExisting,
                  std::string& failed) {
    failed = from;
    struct stat there {};
    if (lstat(to.c_str(), &there) != 0)
        return Tree::CopyItem(from, to, Tree::CopyOptions{Tree::Sync::kNone, true});
    struct stat source {};
    if (lstat(from.c_str(), &source) != 0)
        return errno;
    if (IsRealFolder(source) && IsRealFolder(there)) {
        std::vector<std::string> names;
        int error = Tree::ListNames(from, names);
        if (error != 0)
            return error;
        for (std::string const& name : names) {
            if ((error = CopyEntryInto(Join(from, name), Join(to, name), overwrite, keepExisting, failed)) != 0)
                return error;
        }
        return 0;
    }
    if (!overwrite)
        return keepExisting ? 0 : EEXIST;
    if (IsRealFolder(there))
        return EISDIR;  // only a file is replaced by a copy
    // Complete beside the old item before it takes its place.
    const std::string temporary = Tree::TemporaryBeside(to);
    int error = Tree::CopyItem(from, temporary, Tree::CopyOptions{Tree::Sync::kEachFile, true});
    if (error == 0 && (error = Tree::ReplaceItem(to, temporary)) != 0 && Exists(temporary))
        Tree::RemoveTree(temporary);
    return error;
}

}  // namespace

void PMacFileSystemImpCocoa::CopyEntryByName(GString const& srcFolder, std::string const& name,
                                             GString const& dstFolder, bool overwrite, bool keepExisting) {
    std::string failed;
    if (const int error = CopyEntryInto(Join(NativeOrThrow(srcFolder), name), Join(NativeOrThrow(dstFolder), name),
                                        overwrite, keepExisting, failed))
        Errors::ThrowInternalFor(error, failed);
}

bool PMacFileSystemImpCocoa::IsInside(GString const& path, GString const& folder) {
    return Tree::IsInside(NativeOrThrow(path), NativeOrThrow(folder));
}

int16_t PMacFileSystemImpCocoa::MoveFileTo(GString const& src, GString const& dst) {
    std::string from;
    std::string to;
    if (!Native(src, from) || !Native(dst, to))
        return Errors::kBadName;
    const int error = Tree::MoveItem(from, to);
    return error == 0 && !Exists(from) && Exists(to) ? Errors::kNoErr : Errors::kBadMove;
}

bool PMacFileSystemImpCocoa::MoveFolderTo(GString const& src, GString const& dst) {
    const std::string from = NativeOrThrow(src);
    const std::string to = NativeOrThrow(dst);
    return Tree::MoveItem(from, to) == 0 && !Exists(from) && Exists(to);
}

void PMacFileSystemImpCocoa::RenameItem(GString const& src, GString const& dst) {
    const std::string from = NativeOrThrow(src);
    const std::string to = NativeOrThrow(dst);
    if (const int error = Tree::MoveItem(from, to))
        Errors::ThrowInternal(error);
}

void PMacFileSystemImpCocoa::MoveObjectToTrash(GString const& path, GString& trashed) {
    const std::string item = NativeOrThrow(path);
    std::string moved;
    if (const int error = StandinTrash::MoveToTrash(item, moved))
        Errors::ThrowInternal(error);
    trashed = TextOrThrow(moved);
}

int16_t PMacFileSystemImpCocoa::RemoveItem(GString const& path, DeleteItemType type) {
    std::string item;
    struct stat info {};
    if (const int16_t code = LookAt(path, item, info))
        return code;
    if (type == kDeleteFolder && !S_ISDIR(info.st_mode))
        return Errors::kFileNotFound;
    if (type == kDeleteFile && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
        return Errors::kFileNotFound;
    return Errors::FromErrno(Tree::RemoveTree(item));
}

// ---- Creating ----

int16_t PMacFileSystemImpCocoa::CreateFile(GString const& path) {
    std::string item;
    if (!Native(path, item))
        return Errors::kBadName;
    // One step, so nothing can slip in between a check and the creation; O_EXCL also refuses
    // a link in the file's place, dangling or not.
    const int fd = open(item.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return Errors::FromErrno(errno);
    if (close(fd) != 0)
        return Errors::FromErrno(errno);
    return Errors::kNoErr;
}

int16_t PMacFileSystemImpCocoa::CreateFolder(GString const& path) {
    std::string folder;
    if (!Native(path, folder))
        return Errors::kBadName;
    return Errors::FromErrno(mkdir(folder.c_str(), 0777) == 0 ? 0 : errno);
}

int16_t PMacFileSystemImpCocoa::CreateAlias(GString const& aliasPath, GString const& targetPath, GString const&) {
    std::string alias;
    std::string target;
    if (!Native(aliasPath, alias) || !Native(targetPath, target))
        return Errors::kBadName;
    if (Exists(alias))
        return Errors::kDuplicate;
    struct stat info {};
    if (stat(target.c_str(), &info) != 0)
        return Errors::kFileNotFound;
    if (symlink(target.c_str(), alias.c_str()) != 0) {
        if (errno == EEXIST)
            return Errors::kDuplicate;
        Errors::ThrowInternal(errno);
    }
    return Errors::kNoErr;
}

// ---- Kinds and links ----

int16_t PMacFileSystemImpCocoa::IsFolder(GString const& path, bool* isFolder) {
    std::string item;
    struct stat info {};
    if (const int16_t code = LookAt(path, item, info))
        return code;
    if (isFolder != nullptr)
        *isFolder = S_ISDIR(info.st_mode);
    return Errors::kNoErr;
}

bool PMacFileSystemImpCocoa::FolderExists(GString const& path) {
    const std::string item = NativeOrThrow(path);
    struct stat followed {};
    struct stat itself {};
    if (stat(item.c_str(), &followed) != 0 || lstat(item.c_str(), &itself) != 0)
        throw GCustomException(Errors::kCannotFindFile);
    return S_ISDIR(itself.st_mode);
}

bool PMacFileSystemImpCocoa::IsAlias(GString const& path) {
    const std::string item = NativeOrThrow(path);
    struct stat info {};
    if (lstat(item.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        Errors::ThrowInternal(errno);
    }
    return S_ISLNK(info.st_mode);
}

int16_t PMacFileSystemImpCocoa::ResolveAlias(GString const& path, GString& out, bool* wasAlias) {
    std::string given;
    if (!Native(path, given))
        return Errors::kBadName;
    std::string resolved;
    bool sawLink = false;
    const Resolution result = ResolveLinks(given, resolved, sawLink);
    if (wasAlias != nullptr)
        *wasAlias = sawLink;
    if (result != Resolution::kResolved)
        return Errors::kFileNotFound;
    GString text;
    if (!PMacNativePath::FromUTF8(resolved, text))
        return Errors::kBadName;
    out = text;
    if (Exists(resolved))
        return Errors::kNoErr;
    return Exists(given) ? Errors::kFileNotFound : Errors::kAccessDenied;
}

int16_t PMacFileSystemImpCocoa::GetTarget(GString const& path, GString& out) {
    std::string item;
    if (!Native(path, item))
        return Errors::kBadName;
    struct stat info {};
    if (lstat(item.c_str(), &info) != 0)
        return Errors::kAccessDenied;
    out.Clear();
    if (!S_ISLNK(info.st_mode)) {
        out = path;
        return Errors::kNoErr;
    }
    const std::string resolved = ResolvedExisting(item);
    GString text;
    if (!resolved.empty()) {
        if (!PMacNativePath::FromUTF8(resolved, text))
            return Errors::kBadName;
        out = text;
        return Errors::kNoErr;
    }
    // Unreachable: what the link records, made absolute against the link's folder.
    std::string recorded;
    if (Tree::ReadLink(item, recorded) && !recorded.empty()) {
        if (recorded[0] != '/')
            recorded = Join(StandinPathParts::Branch(item), recorded);
        if (PMacNativePath::FromUTF8(recorded, text))
            out = text;
    }
    return Errors::kFileNotFound;
}

bool PMacFileSystemImpCocoa::GetAliasTarget(GString const& path, GString& out) {
    bool wasAlias = false;
    ResolveAlias(path, out, &wasAlias);
    return wasAlias;
}

bool PMacFileSystemImpCocoa::AreLinksIdentical(GString const& a, GString const& b) {
    std::string first;
    std::string second;
    if (!Native(a, first) || !Native(b, second))
        return false;
    struct stat one {};
    struct stat two {};
    if (lstat(first.c_str(), &one) != 0 || lstat(second.c_str(), &two) != 0)
        return false;
    return one.st_dev == two.st_dev && one.st_ino == two.st_ino && first == second;
}

// ---- Dates ----

void PMacFileSystemImpCocoa::GetFileSystemDateTime(DateTimeType type, GString const& path, GDateTime& out) {
    const std::string resolved = ResolvedExisting(NativeOrThrow(path));
    if (resolved.empty())
        throw GCustomException(Errors::kNoDateToQuery);
    std::time_t moment = 0;
    if (!ReadTime(resolved, type, moment))
        Errors::ThrowInternal(errno);
    std::tm utc{};
    if (gmtime_r(&moment, &utc) == nullptr)
        Errors::ThrowInternal(EOVERFLOW);
    out = GDateTime(utc.tm_mday, utc.tm_mon + 1, utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec, true);
}

void PMacFileSystemImpCocoa::SetFileSystemDateTime(DateTimeType type, GString const& path, GDateTime const& value) {
    const std::string given = NativeOrThrow(path);
    std::string resolved;
    bool sawLink = false;
    if (ResolveLinks(given, resolved, sawLink) != Resolution::kResolved)
        Errors::ThrowInternal(ENOENT);
    StatOrThrow(resolved);
    if (type == kCreationDate)
        return;  // no file system here lets the birth time be set
    std::tm fields{};
    value.GetAnsiCTm(fields);
    const std::time_t moment = timegm(&fields);
    if (moment == static_cast<std::time_t>(-1) && fields.tm_year != 69)
        Errors::ThrowInternal(EOVERFLOW);
    const timespec times[2] = {{0, UTIME_OMIT}, {moment, 0}};
    if (utimensat(AT_FDCWD, resolved.c_str(), times, 0) != 0)
        Errors::ThrowInternal(errno);
}

// ---- Special folders ----

void PMacFileSystemImpCocoa::GetSpecialFolder(int16_t domain, uint32_t folderType, GString& out, bool create) {
    if (domain != kUserDomain && domain != kLocalDomain)
        throw GCustomException(Errors::kInvalidDomain);
    StandinSpecialFolders::Kind kind;
    if (!FolderKind(folderType, kind))
        throw GCustomException(Errors::kInvalidFolderType);
    std::string folder;
    const auto which = domain == kUserDomain ? StandinSpecialFolders::Domain::User : StandinSpecialFolders::Domain::Local;
    if (const int error = StandinSpecialFolders::GetFolder(which, kind, create, folder))
        Errors::ThrowInternal(error);
    out = TextOrThrow(folder);
}

void PMacFileSystemImpCocoa::GetCurrentFolder(GString& out) {
    std::string folder;
    if (const int error = StandinPathParts::CurrentFolder(folder))
        Errors::ThrowInternal(error);
    out = TextOrThrow(folder);
}

// ---- Attributes ----

void PMacFileSystemImpCocoa::GetMacCreatorAndType(GString const& path, uint32_t& creator, uint32_t& type) {
    StatOrThrow(NativeOrThrow(path));
    creator = 0;
    type = 0;
}

void PMacFileSystemImpCocoa::SetMacCreatorAndType(GString const& path, uint32_t, uint32_t) {
    StatOrThrow(NativeOrThrow(path));
}

bool PMacFileSystemImpCocoa::IsFileBusy(GString const& path) {
    uint32_t creator = 0;
    uint32_t type = 0;
    GetMacCreatorAndType(path, creator, type);
    return creator == PMacFourCC::Of("MACS") && type == PMacFourCC::Of("brok");
}

void PMacFileSystemImpCocoa::CopyAttributes(GString const& src, GString const& dst) {
    StatOrThrow(NativeOrThrow(src));
    StatOrThrow(NativeOrThrow(dst));
}

bool PMacFileSystemImpCocoa::IsHidden(GString const& path) {
    const std::string item = NativeOrThrow(path);
    StatOrThrow(item);
    return StandinPathParts::Leaf(item).compare(0, 1, ".") == 0;
}

void PMacFileSystemImpCocoa::SetHidden(GString const& path, bool hidden) {
    if (IsHidden(path) != hidden)
        Errors::ThrowInternal(ENOTSUP);
}

bool PMacFileSystemImpCocoa::GetFileLockStatus(GString const& path) {
    StatOrThrow(NativeOrThrow(path));
    return false;
}

void PMacFileSystemImpCocoa::SetAliasObjectLocked(GString const& path, bool) { StatOrThrow(NativeOrThrow(path)); }

void PMacFileSystemImpCocoa::GetOwnerAndGroup(GString const& path, int& owner, int& group) {
    const struct stat info = StatOrThrow(NativeOrThrow(path));
    owner = static_cast<int>(info.st_uid);
    group = static_cast<int>(info.st_gid);
}

void PMacFileSystemImpCocoa::SetOwnerAndGroup(GString const& path, int owner, int group) {
    if (lchown(NativeOrThrow(path).c_str(), static_cast<uid_t>(owner), static_cast<gid_t>(group)) != 0)
        Errors::ThrowInternal(errno);
}

int16_t PMacFileSystemImpCocoa::GetAliasPermissions(GString const& path, bool byAccess, bool* readable,
                                                    bool* writable, bool* executable) {
    const std::string item = NativeOrThrow(path);
    const struct stat info = StatOrThrow(item);
    if (!byAccess)
        return static_cast<int16_t>(info.st_mode & 07777);
    // The effective user's access, as the kernel would judge an open or an exec.
    auto may = [&](int what) { return faccessat(AT_FDCWD, item.c_str(), what, AT_EACCESS) == 0; };
    if (readable != nullptr)
        *readable = may(R_OK);
    if (writable != nullptr)
        *writable = may(W_OK);
    if (executable != nullptr)
        *executable = may(X_OK);
    return -1;
}

void PMacFileSystemImpCocoa::SetAliasPermissions(GString const& path, int16_t mode) {
    const std::string item = NativeOrThrow(path);
    if (S_ISLNK(StatOrThrow(item).st_mode))
        return;
    if (chmod(item.c_str(), static_cast<mode_t>(static_cast<uint16_t>(mode) & 07777)) != 0)
        Errors::ThrowInternal(errno);
}

// ---- Volumes ----

bool PMacFileSystemImpCocoa::VolumeNameExists(GString const& name) {
    if (name.IsEmpty())
        return false;
    std::string folder;
    if (!Native(PMacPathNameImpBase::GetMachOVolumeName(name), folder))
        return false;
    if (folder == "/")
        return true;
    // The table alone answers: no mount's folder is looked at, so a hung one cannot stop this.
    bool found = false;
    StandinVolumes::ReadMountTable(StandinVolumes::kProcessMountTable, [&](mntent const& entry) {
        found = found || (folder == entry.mnt_dir && !StandinVolumes::IsKernelFileSystem(entry.mnt_type));
    });
    return found;
}

bool PMacFileSystemImpCocoa::GetVolumeLockStatusByFilePath(GString const& path) {
    std::string item = NativeOrThrow(path);
    StandinVolumes::Volume volume;
    // A path not made yet lies on the volume of its nearest existing folder.
    while (StandinVolumes::VolumeOf(item, volume) != 0) {
        if (item == "/" || item == ".")
            return false;
        item = StandinPathParts::Branch(item);
    }
    return volume.readOnly;
}

bool PMacFileSystemImpCocoa::IsOnSameVolume(GString const& a, GString const& b) {
    const struct stat one = StatOrThrow(NativeOrThrow(a));
    const struct stat two = StatOrThrow(NativeOrThrow(b));
    return one.st_dev == two.st_dev;
}

bool PMacFileSystemImpCocoa::IsVolumeLocal(GString const& path) { return VolumeOrThrow(path).local; }

bool PMacFileSystemImpCocoa::IsVolumeInternal(GString const& path) { return VolumeOrThrow(path).internal; }

bool PMacFileSystemImpCocoa::IsVolumeRemovable(GString const& path) { return VolumeOrThrow(path).removable; }

GString PMacFileSystemImpCocoa::GetVolumeUrlForRemounting(GString const& path) {
    return TextOrThrow(VolumeOrThrow(path).remountURL);
}

GTable<GString> PMacFileSystemImpCocoa::GetMountedVolumeUrls() {
    GTable<GString> urls;
    for (auto const& volume : StandinVolumes::Mounted()) {
        GString text;
        if (!volume.remountURL.empty() && PMacNativePath::FromUTF8(volume.remountURL, text))
            urls.AddItem(text);
    }
    return urls;
}

// ---- Bundles ----

bool PMacFileSystemImpCocoa::IsMacPackage(GString const& path) {
    const std::string item = NativeOrThrow(path);
    if (!S_ISDIR(StatOrThrow(item).st_mode))
        return false;
    std::string leaf = StandinPathParts::Leaf(item);
    std::transform(leaf.begin(), leaf.end(), leaf.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t dot = leaf.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        const std::string extension = leaf.substr(dot + 1);
        for (char const* package : {"app", "bundle", "plugin", "pkg", "mpkg"}) {
            if (extension == package)
                return true;
        }
    }
    return StandinBundle::IsBundle(item);
}

bool PMacFileSystemImpCocoa::GetApplicationVersion(GString const& bundlePath, int& major, int& minor) {
    std::string version;
    if (!StandinBundle::InfoString(NativeOrThrow(bundlePath), "CFBundleShortVersionString", version))
        return false;
    const std::size_t dot = version.find('.');
    major = LeadingNumber(version.substr(0, dot));
    minor = dot == std::string::npos ? 0 : LeadingNumber(version.substr(dot + 1));
    return true;
}

bool PMacFileSystemImpCocoa::GetResourceFolder(GBuffer const& bundleId, GString& out) {
    const std::string id = BundleId(bundleId);
    const std::string bundle = id.empty() ? StandinBundle::MainBundle() : StandinBundle::FindLoaded(id);
    if (bundle.empty())
        Errors::ThrowInternal(ENOENT);
    const bool package = StandinBundle::IsBundle(bundle);
    // A folder that is no bundle keeps its resources in itself, as the original answers.
    out = TextOrThrow(package ? StandinBundle::ResourceFolder(bundle) : bundle);
    return package;
}

void PMacFileSystemImpCocoa::FindRealExecutable(GString const& bundlePath, GString& out) {
    const std::string bundle = NativeOrThrow(bundlePath);
    out = StandinBundle::IsBundle(bundle) ? TextOrThrow(StandinBundle::Executable(bundle)) : bundlePath;
}

void PMacFileSystemImpCocoa::GetApplicationBundleRoot(GString& out) { out = TextOrThrow(StandinBundle::MainBundle()); }

void PMacFileSystemImpCocoa::GetApplicationMainExecutable(GString& out) {
    out = TextOrThrow(StandinBundle::MainExecutable());
}

void PMacFileSystemImpCocoa::GetDLLPath(GBuffer const& bundleId, GString& out) {
    const std::string bundle = StandinBundle::FindLoaded(BundleId(bundleId));
    out.Clear();
    if (!bundle.empty())
        out = TextOrThrow(bundle);
}

// ---- Listing ----

bool PMacFileSystemImpCocoa::FillCache(GTable<IteratorCacheItem>& cache, GString const& folder) {
    return ListFolder(cache, NativeOrThrow(folder).c_str());
}

bool PMacFileSystemImpCocoa::ListFolder(GTable<IteratorCacheItem>& cache, char const* folder,
                                        std::function<bool(struct stat const&)> const& admit,
                                        std::vector<std::string>* untexted, int* failure) {
    int ignored = 0;
    int& error = failure != nullptr ? *failure : ignored;
    error = 0;
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    // The folder's text is decoded once; each entry's name is appended to its units.
    std::u16string units;
    if (!PMacNativePath::AppendUnits(path.data(), path.size(), units)) {
        error = EILSEQ;
        return false;
    }
    const int descriptor = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        error = errno;
        return false;
    }
    std::unique_ptr<DIR, DirCloser> listing(fdopendir(descriptor));
    if (!listing) {
        error = errno;
        close(descriptor);
        return false;
    }
    if (admit) {
        struct stat info {};
        if (fstat(descriptor, &info) != 0 || !admit(info))
            return false;
    }

    // One pass over the folder; the kind comes from d_type, an lstat only where it says nothing.
    std::string names;
    std::vector<Listed> listed;
    for (;;) {
        errno = 0;
        dirent const* entry = readdir(listing.get());
        if (entry == nullptr) {
            if ((error = errno) != 0)
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
            case DT_REG: kind = kRegular; break;
            case DT_UNKNOWN: {
                struct stat info {};
                if (fstatat(descriptor, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno == ENOENT)
                        continue;  // gone since the listing
                    Errors::ThrowInternal(errno);
                }
                kind = S_ISDIR(info.st_mode)   ? kFolder
                       : S_ISLNK(info.st_mode) ? kLink
                       : S_ISREG(info.st_mode) ? kRegular
                                               : kFile;
                break;
            }
            default: break;
        }
        const std::size_t length = std::strlen(name);
        listed.push_back(Listed{static_cast<std::uint32_t>(names.size()), static_cast<std::uint32_t>(length), kind});
        names.append(name, length);
    }

    auto nameOf = [&names](Listed const& item) { return std::string_view(names.data() + item.offset, item.length); };
    std::sort(listed.begin(), listed.end(),
              [&nameOf](Listed const& a, Listed const& b) { return nameOf(a) < nameOf(b); });

    const std::size_t base = units.size();
    cache.Resize(0);
    cache.ExpandTo(static_cast<int>(listed.size()));
    for (Listed const& item : listed) {
        units.resize(base);
        if (!PMacNativePath::AppendUnits(names.data() + item.offset, item.length, units)) {
            // No path text can name it: the caller that must not leave it out gets its bytes.
            if (untexted != nullptr)
                untexted->emplace_back(names.data() + item.offset, item.length);
            continue;
        }
        IteratorCacheItem& added = cache.AddItem(IteratorCacheItem());
        added.path = PMacPathText::FromUnits(units);
        added.isFolder = item.kind == kFolder;
        added.isAlias = item.kind == kLink;
        added.isRegular = item.kind == kRegular;
        added.isHidden = names[item.offset] == '.';
    }
    return true;
}
