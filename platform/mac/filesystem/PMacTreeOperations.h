#pragma once
// PMacTreeOperations: the one engine that copies, moves, replaces and removes whole items (a
// file, a link, a special file or a folder tree) by their native bytes, beneath every caller of
// the file-system layer. Names are carried as bytes, so a name that has no text form is copied
// and removed like any other. Every operation answers an errno (0 for success).
//
// Callers may rely on:
// - Removal works relative to open folders (no path length limit) and never follows a link.
// - A copy goes under a temporary name beside its destination and is renamed into place: the
//   destination is absent or complete, an existing one is never replaced, and no temporary stays
//   behind. A copy into its own source folder is refused (EINVAL) before anything is made.
// - Copied files keep their holes, permission bits and dates; the setuid (setgid) bit is dropped
//   when the copy's owner (group) is not the source's. A source that is not a regular file once
//   opened (swapped meanwhile, say for a FIFO) fails with ENOTSUP instead of blocking.
// - A FIFO or socket is copied as a new node of its kind; devices are not copied (ENOTSUP).
// - Folder trees deeper than the path length limit fail with ENAMETOOLONG, never in part.
// - A move is a rename, or across file systems a complete copy followed by removal of the
//   source, which is first checked to be removable in whole: the source stays whole unless a
//   removal still fails after that check, and then the error is reported (with the destination
//   complete, so nothing is lost).
#include <string>
#include <vector>

class PMacTreeOperations {
public:
    PMacTreeOperations() = delete;

    // kEachFile: every file is on the disk before the copy takes its name (a copy that replaces
    // an item, or a moved source that is removed after).
    enum class Sync { kNone, kEachFile };
    struct CopyOptions {
        Sync sync = Sync::kNone;
        // A link that leads to a regular file is copied as that file's contents.
        bool fileLinksAsContent = false;
        // The caller's folder listing named src a regular file: it is opened without a status
        // call first (and checked once open all the same; any other kind is copied as usual).
        bool listedRegular = false;
    };

    // The item at src copied to dst, which must not exist.
    static int CopyItem(std::string const& src, std::string const& dst, CopyOptions const& options);
    static int CopyItem(std::string const& src, std::string const& dst, Sync sync) {
        return CopyItem(src, dst, CopyOptions{sync, false});
    }
    // Rename without replacing, or across file systems copy and removal (see above).
    static int MoveItem(std::string const& src, std::string const& dst);
    // Puts replacement in item's place in one step (an existing item, a folder too, exchanged with
    // it and removed); across file systems a complete copy takes the place and the replacement
    // is removed. A removal that fails afterwards is reported.
    static int ReplaceItem(std::string const& item, std::string const& replacement);
    static int RemoveTree(std::string const& path);
    // 0 when every entry of the item could be removed by this process: each folder on the way
    // writable and searchable, a sticky folder's entries ours, the file system writable.
    static int CheckRemovable(std::string const& path);
    // The names (bytes) in the folder, "." and ".." left out; a link is not followed.
    static int ListNames(std::string const& folder, std::vector<std::string>& names);
    // The text a symbolic link holds, however long; false (errno set) when there is none.
    static bool ReadLink(std::string const& path, std::string& out);
    // Renames without ever replacing an item at dst.
    static int RenameNoReplace(std::string const& src, std::string const& dst);

    // Whether path lies inside (or is) folder, both resolved, path by its folder.
    static bool IsInside(std::string const& path, std::string const& folder);
    // A fresh hidden name beside item for a copy under construction.
    static std::string TemporaryBeside(std::string const& item);
};
