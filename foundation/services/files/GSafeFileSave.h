#pragma once
// GSafeFileSave: replaces a file's contents so that a crash, a kill or a full disk at any moment
// leaves either the old file or the new one, never a cut one.
//
// Callers may rely on:
// - Save writes the bytes to a new temporary file in the target's folder (missing folders are
//   created), syncs it, gives it the old file's mode (a new file gets 0666 less the umask),
//   renames it over the target and syncs the folder. A target that is a symbolic link is
//   followed: its final target is replaced and the link stays.
// - A path that is not absolute is refused (EINVAL).
// - On any failure the temporary file is removed, the old file is left as it was and
//   PUNIXSystemException (the file layer's GException) carries the system's error.
// - KeepBackup keeps the target's current contents beside it under the first free name of
//   "<name>.bak", "<name>.bak1" ... "<name>.bak99" (the last is reused when all are taken) and
//   returns that path; it returns an empty path when the target does not exist. The backup is a
//   second link to the old file when the file system allows it, else a synced copy.
#include "core/bytes/GBuffer.h"
#include "services/paths/GPathName.h"

class GSafeFileSave {
public:
    GSafeFileSave() = delete;

    static void Save(GPathName const& target, GBuffer const& bytes);
    static GPathName KeepBackup(GPathName const& target);

    // The path a write of target really replaces: target with its links followed.
    static GString ResolveTarget(GString const& nativeTarget);
};
