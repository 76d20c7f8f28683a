#pragma once
// GCPTSmartPathName: a temporary file or folder that is deleted when the object ends and that is
// recorded in the plug-in's preference file (group "SmartFileList", level -3) meanwhile, so that
// whatever an earlier run left recorded is deleted at the next start and stop of the plug-in's
// tools (Initialize, Finalize).
//
// Callers may rely on:
// - Deletion goes through GCPTTemporaryFolder::RemoveBelowRoot: only paths strictly below the
//   plug-in's own temporary folder, never through or of a symbolic link, never the folder of
//   another running instance. Anything else is left on disk (and dropped from the record).
// - A record is flushed to disk before the constructor or SetPath returns a new key, so it is on
//   disk before the file is made.
// - The clean-up looks only at the keys that exist, so a huge "MaxCount" in the file costs
//   nothing; numbering goes on from a valid "MaxCount" (0 or an empty text start at 1).
// - SetPath holds the new path before it records it: when recording throws (the preference file
//   cannot be written), the object still deletes the path at its end.
// - The destructor never throws. Main thread only.
#include "core/base/GNonCopyable.h"
#include "core/bytes/GBuffer.h"
#include "services/paths/GPathName.h"

class GCPTSmartPathName : public GNonCopyable {
public:
    explicit GCPTSmartPathName(GPathName const& path);
    virtual ~GCPTSmartPathName();

    GPathName const& GetPath() const { return mPath; }
    GBuffer const& GetKey() const { return mKey; }
    // Deletes the file or folder and empties the path; the record stays.
    void Remove();
    void SetPath(GPathName const& path);

    static void Initialize();
    static void Finalize();

    // Records the path under a new key "FilePathName_<n>" and flushes; nothing for an empty path.
    static void RegisterFilePath(GPathName const& path, GBuffer& key);
    // Deletes every recorded path and drops its key; "MaxCount" becomes 0 (not flushed).
    static void ClearOldFilePaths();

private:
    static void RemoveFromDisk(GPathName& path);

    GPathName mPath;
    GBuffer mKey;

    static int sInitCount;
};
