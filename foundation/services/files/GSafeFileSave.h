#pragma once
// GSafeFileSave: replaces a file's contents so that a crash, a kill or a full disk at any moment
// leaves either the old file or the new one, never a cut one.
//
// Callers may rely on:
// - Save writes the bytes to a new hidden temporary file in the target's folder (".<name>.XXXXXX";
//   missing folders are created), syncs it, gives it the old file's mode (a new file gets 0666
//   less the umask) and renames it over the target. The folder is not synced: after a crash the
//   name may still give the old file, whole, until the file system has written the rename. A
//   target that is a symbolic link is followed: its final target is replaced and the link stays.
// - A target that this process could not open for writing (a read-only mode, another user's file)
//   is refused with that error (EACCES), as a plain write would be.
// - Save first removes the temporaries that killed saves of the same file left: only that exact
//   pattern, only this user's regular files, and never one that a save still running in any
//   process holds (a save keeps a lock on its temporary until the rename).
// - With keepBackup, the old file is kept (KeepBackup) once the target is known to be writable.
// - A path that is not absolute is refused (EINVAL).
// - On any failure the temporary file is removed, the old file is left as it was and
//   PUNIXSystemException (the file layer's GException) carries the system's error.
// - KeepBackup keeps the target's current contents beside it under the first free name of
//   "<name>.bak", "<name>.bak1" ... "<name>.bak99" (the last is reused when all are taken) and
//   returns that path; a backup that already holds the same bytes is returned instead of a new
//   one. It returns an empty path when the target does not exist. The backup is a
//   second link to the old file when the file system allows it, else a synced copy.
#include "core/bytes/GBuffer.h"
#include "services/paths/GPathName.h"

class GSafeFileSave {
public:
    GSafeFileSave() = delete;

    static void Save(GPathName const& target, GBuffer const& bytes, bool keepBackup = false);
    static GPathName KeepBackup(GPathName const& target);

    // The path a write of target really replaces: target with its links followed.
    static GString ResolveTarget(GString const& nativeTarget);
};
