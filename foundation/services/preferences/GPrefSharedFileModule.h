#pragma once
// GPrefSharedFileModule: a preference file that several processes read and write, such as the
// registry of actors. Reads hold a shared lock and writes the exclusive lock on a lock file beside
// the file ("<name>.<extension>lock", "<name>.lock" without an extension; see GLockByFile for the
// bounded wait).
//
// Callers may rely on:
// - The constructor reads the file; a GException while reading (40092 included) is swallowed and
//   the module then holds what was read before it.
// - Reading a file that does not exist gives an empty module, takes no lock and makes no lock file.
// - The file is read in the encoding it was written in (GPrefFileIO::ReadAsWritten): a byte-order
//   mark selects UTF-16 or UTF-8; without one the module's own encoding reads what it wrote, and
//   text not valid in it is read in the platform encoding.
// - WriteDict, only when dirty, loses no other process's update: under the exclusive lock it reads
//   the file afresh, replays this module's own changes since its last read or save onto it, and
//   saves that through GPrefFileIO (whole, never cut; a fresh read that was incomplete, or a
//   file too large to read, keeps the old file as "<name>.bak" first; the refusals of
//   GPrefFileModule's save hold here too). The module then holds what it wrote.
// - A failed read or write throws (40092 for the lock, the file layer's exception for the file);
//   after a failed write the module stays dirty with its changes, and the lock is released.
// - The destructor does not save. One thread at a time.
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefModule.h"

class GPrefSharedFileModule : public GPrefModule {
public:
    GPrefSharedFileModule(GPathName const& file, GEncoding const* encoding);
    ~GPrefSharedFileModule() override;

    void ReadDict() override;
    void WriteDict() override;

    GPathName const& GetPathName() const { return mFile; }
    void GetLockPathName(GPathName& lockFile) const;

private:
    GPathName mFile;
};
