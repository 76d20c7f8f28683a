#pragma once
// PMacFolderRemoval: the recursive removal beneath GFileSystemBase::RemoveFolder and its
// relatives, platform half. It works relative to open folders (openat, unlinkat), so a folder
// swapped for a link while the walk runs is never entered and nothing outside the tree is
// removed: a link is removed as itself, and followed only where the descend mask asks for
// aliases (bit 4), and then only the link met at that point.
//
// Masks: removeKinds 1 files, 2 folders, 4 aliases, 8 hidden items too; descendKinds 2 folders,
// 4 aliases of folders (followed: the alias and its target go), 8 hidden folders too. A
// ".DS_Store" file is always removed. An alias that leads back into a folder being walked is
// kept. A kept item keeps its parents; the result says whether
// everything went. A failure other than a vanished item throws the mapped exception.
#include "services/paths/GPathName.h"

class PMacFolderRemoval {
public:
    PMacFolderRemoval() = delete;

    // Removes the contents of the folder at path (followed when it is a link); true when all
    // of it went.
    static bool RemoveContents(GPathName const& path, int removeKinds, int descendKinds);
    // Removes the real folder at path with its contents when everything inside went; the
    // folder itself is opened without following a link. True when the folder is gone.
    static bool RemoveFolder(GPathName const& path, int removeKinds, int descendKinds);
};
