#pragma once
// GPrefFileModule: a preference module bound to a text file in the preference text format.
//
// Callers may rely on:
// - The constructor reads the file; a GException while reading is swallowed (the module then
//   holds what was read before it). A missing file gives an empty module.
// - WriteDict saves only when dirty, through GPrefFileIO: the file is replaced whole, never cut,
//   and keeps its mode; a file that is a link has its target replaced. A file the process may
//   not write (a read-only mode) is not replaced: EACCES. A name, key or value the file cannot
//   hold as it is gives 2462 naming it. A failed save throws and leaves the module dirty and
//   the old file as it was.
// - A read that failed or stopped early (a malformed block, a missing end, text invalid in the
//   encoding, a file over GPrefFileIO::kMaxFileBytes) is remembered: before its first overwrite
//   the old file is kept as "<name>.bak" (or the first free "<name>.bakN") beside it, once for
//   the same contents however often it is read.
// - The destructor does not save.
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefModule.h"

class GPrefFileModule : public GPrefModule {
public:
    GPrefFileModule(GPathName const& file, GEncoding const* encoding);
    ~GPrefFileModule() override;

    void ReadDict() override;
    void WriteDict() override;
    virtual void SaveAs(GPathName const& file);

    GPathName const& GetPathName() const { return mFile; }
    // Whether the last read was incomplete and its file is not yet kept aside.
    bool IsBackupPending() const { return mBackupPending; }

private:
    GPathName mFile;
    bool mBackupPending = false;
};
