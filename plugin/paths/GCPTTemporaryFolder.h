#pragma once
// GCPTTemporaryFolder: the plug-in's own folder for temporary files, "TrovelPluginTemp-<uid>" in the
// temporary folder (special path -2), with one folder per running plug-in instance below it
// (named by its process ID), and the only door through which recorded temporary paths are
// deleted.
//
// Callers may rely on:
// - The root is a folder of the user's own, mode 0700, never a symbolic link; when what stands
//   there is not (another user's folder, a link, a file), nothing is created in it or deleted.
// - RemoveBelowRoot deletes a file or a whole folder only strictly below the root, walking every
//   component without following a symbolic link: a path outside the root, the root itself, a
//   path through a link and a link itself are left alone. So is anything in the folder of
//   another instance that still runs.
// - Nothing throws; failures are reported as false.

#include "services/paths/GPathName.h"

class GCPTTemporaryFolder {
public:
    GCPTTemporaryFolder() = delete;

    static GPathName GetRoot();
    // The root made (0700) when missing; false when it is not a usable folder of ours.
    static bool EnsureRoot();
    // The folder of this process below the root, made when missing; empty when it cannot be.
    static GPathName GetInstanceFolder();
    // True when the path was below the root, reached without links and is gone now.
    static bool RemoveBelowRoot(GPathName const& path);
};
