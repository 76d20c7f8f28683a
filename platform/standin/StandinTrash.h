#pragma once
// Stands in for the file manager's "move to trash": the freedesktop trash. What it keeps of the
// original: the item is moved (never copied and never removed) into the trash under a name not
// yet used there, and its new path is given back; the trash remembers where it came from.
//
// An item on the home trash's file system goes to StandinSpecialFolders::TrashFolder(); an item
// on another file system goes to "<top of its file system>/.Trash-<uid>", so a move never has to
// copy. Each item gets info/<name>.trashinfo ("[Trash Info]", Path= the percent-encoded
// original path, DeletionDate= local time as the trash format has it) made exclusively before the
// item is moved, so two processes never take the same name; "<leaf>", then "<leaf>.2", ".3"...
#include <string>

class StandinTrash {
public:
    StandinTrash() = delete;

    // 0 with the item's path in the trash in newPath, else the errno (nothing moved, no
    // trash-info file left behind).
    static int MoveToTrash(std::string const& path, std::string& newPath);

    // RFC 2396 escaping of every byte but the unreserved ones and "/".
    static std::string PercentEncode(std::string const& path);
};
