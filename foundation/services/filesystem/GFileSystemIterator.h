#pragma once
// GFileSystemIterator: walks the items of a folder one GPathName at a time, in the manner of a
// forward iterator compared with cEnd:
//
//     for (GFileSystemIterator it(folder, listMask, descendMask); it != GFileSystemIterator::cEnd; ++it)
//         use(**it);
//
// Callers may rely on:
// - Mask bits, the same for both masks: 1 files, 2 folders, 4 aliases (symbolic links), 8 hidden
//   items as well (a leaf beginning with "."). The list mask says what is handed out, the
//   descend mask where the walk goes on (2 into folders, 4 to an alias's target); -1 lists
//   everything, 0 descends nowhere.
// - Items come in name order within a folder; a folder that is handed out and entered comes
//   before its contents, an alias before its target. Paths are absolute, under the folder's
//   resolved path (an alias of a folder is walked as its target).
// - A missing folder, a file, an empty or unreadable folder gives an iterator at its end at
//   once. A walk enters each folder at most once, so links back to an ancestor cannot loop. A
//   folder deeper than the path length limit throws 40275 instead of ending the walk short.
//   Names without a text form cannot be handed out as paths and are left out.
// - Not copyable; one thread at a time.
#include <memory>

#include "mac/filesystem/PMacFileSystemIteratorImp.h"
#include "services/paths/GPathName.h"

class GFileSystemIterator : public PMacFileSystemIteratorImp {
public:
    static const GFileSystemIterator cEnd;

    // An iterator at its end.
    GFileSystemIterator();
    GFileSystemIterator(GPathName const& folder, int listMask, int descendMask);
    // Ends the walk.
    ~GFileSystemIterator() override;

    GFileSystemIterator& operator++();
    // The current item; null at the end.
    GPathName const* operator*() const { return mCurrent.get(); }
    bool CurrentFileOrFolderIsValid() const { return mCurrent != nullptr; }

    // Equal at their ends, or on equal paths (letter case ignored) in the same search state.
    bool operator==(GFileSystemIterator const& other) const;
    bool operator!=(GFileSystemIterator const& other) const { return !(*this == other); }

private:
    void FetchNext();

    std::unique_ptr<GPathName> mCurrent;
};
