#include "services/preferences/GPrefFileModule.h"

#include "core/base/GException.h"
#include "services/preferences/GPrefFileIO.h"

GPrefFileModule::GPrefFileModule(GPathName const& file, GEncoding const* encoding)
    : GPrefModule(encoding), mFile(file) {
    try {
        ReadDict();
    } catch (GException const&) {
    }
}

GPrefFileModule::~GPrefFileModule() = default;

void GPrefFileModule::ReadDict() {
    ClearForRead();
    mBackupPending = false;
    try {
        mBackupPending = !GPrefFileIO::Read(mFile, GetEncoding(), GetMutableGroups());
    } catch (...) {
        // Whatever was read is all the module has now: the file must not be overwritten by it.
        mBackupPending = true;
        throw;
    }
}

void GPrefFileModule::WriteDict() {
    if (!IsDirty())
        return;
    GPrefFileIO::Write(mFile, GetGroups(), GetEncoding(), mBackupPending);
    SetDirty(false);
    ClearOwnChanges();
}

void GPrefFileModule::SaveAs(GPathName const& file) {
    mFile = file;
    // The incomplete read was of the old file; the new one holds nothing to keep.
    mBackupPending = false;
    SetDirty(true);
    WriteDict();
}
