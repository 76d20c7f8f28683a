#pragma once
// GPrefFileIO: reading and saving a preference file, shared by the file modules.
//
// Callers may rely on:
// - Read fills groups from the file (a missing file: empty, complete) and returns whether the
//   read was complete (GDictListReader::WasComplete; an empty file counts as complete).
//   Exceptions of the file layer pass through, groups then holding what was read before.
// - A file longer than kMaxFileBytes is not read: GSimpleException 40036 with the file as its
//   context (no preference file comes near it; reading one would take minutes and all memory).
// - ReadAsWritten reads a file that other processes write as well, in whatever encoding they
//   wrote it: a byte-order mark names it; without one the text is read in asWritten (the
//   encoding this module writes, which puts no mark before 8-bit text) when it is valid there,
//   else in the platform encoding. The file is read into memory whole (kMaxFileBytes at most).
// - Write saves the groups in the preference text format with GSafeFileSave: the old file or the
//   new one, never a cut one. When backupPending is set, the current file is first kept beside
//   it (GSafeFileSave::KeepBackup, "<name>.bak", one backup however often the same file is kept)
//   and the flag cleared once the save is done: a read that was not complete must not make the
//   rest of the old file disappear with the next save.
// - A name, key or value that the file could not hold as it is (a key outside ASCII, a character
//   the encoding lacks) is refused before anything is written: GSimpleException 2462 whose
//   context names the file, the group and the key.
// - On failure nothing is replaced and the exception passes (PUNIXSystemException for the file).
#include "core/streams/GInStream.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefModule.h"

class GPrefFileIO {
public:
    GPrefFileIO() = delete;

    static constexpr long long kMaxFileBytes = 64LL << 20;

    static bool Read(GPathName const& file, GEncoding const* encoding, GPrefModule::Groups& groups);
    static bool Read(GInStream& in, GEncoding const* encoding, GPrefModule::Groups& groups);
    static bool ReadAsWritten(GPathName const& file, GEncoding const* asWritten, GPrefModule::Groups& groups);
    static bool IsTooLarge(GPathName const& file);
    static void Write(GPathName const& file, GPrefModule::Groups const& groups, GEncoding const* encoding,
                      bool& backupPending);
};
