#pragma once
// GPrefFileIO: reading and saving a preference file, shared by the file modules.
//
// Callers may rely on:
// - Read fills groups from the file (a missing file: empty, complete) and returns whether the
//   read was complete (GDictListReader::WasComplete; an empty file counts as complete).
//   Exceptions of the file layer pass through, groups then holding what was read before.
// - ReadAsWritten reads a file that other processes write as well, in whatever encoding they
//   wrote it: a byte-order mark names it; without one the text is read in asWritten (the
//   encoding this module writes, which puts no mark before 8-bit text) when it is valid there,
//   else in the platform encoding.
// - Write saves the groups in the preference text format with GSafeFileSave: the old file or the
//   new one, never a cut one. When backupPending is set, the current file is first kept beside
//   it (GSafeFileSave::KeepBackup, "<name>.bak") and the flag cleared: a read that was not
//   complete must not make the rest of the old file disappear with the next save.
// - On failure nothing is replaced and PUNIXSystemException passes; the flag is cleared only
//   once the backup is kept.
#include "core/streams/GInStream.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefModule.h"

class GPrefFileIO {
public:
    GPrefFileIO() = delete;

    static bool Read(GPathName const& file, GEncoding const* encoding, GPrefModule::Groups& groups);
    static bool Read(GInStream& in, GEncoding const* encoding, GPrefModule::Groups& groups);
    static bool ReadAsWritten(GPathName const& file, GEncoding const* asWritten, GPrefModule::Groups& groups);
    static void Write(GPathName const& file, GPrefModule::Groups const& groups, GEncoding const* encoding,
                      bool& backupPending);
};
