#include "services/preferences/GPrefSharedFileModule.h"

#include "core/base/GException.h"
#include "services/filesystem/GFileSystem.h"
#include "services/locks/GLockByFile.h"
#include "services/preferences/GPrefFileIO.h"

GPrefSharedFileModule::GPrefSharedFileModule(GPathName const& file, GEncoding const* encoding)
    : GPrefModule(encoding), mFile(file) {
    try {
        ReadDict();
    } catch (GException const&) {
    }
}

GPrefSharedFileModule::~GPrefSharedFileModule() = default;

void GPrefSharedFileModule::GetLockPathName(GPathName& lockFile) const {
    lockFile = mFile;
    lockFile.ReplaceExtension(mFile.GetExtension() + GString("lock"));
}

void GPrefSharedFileModule::ReadDict() {
    ClearForRead();
    if (!GFileSystem::TryFileExists(mFile))
        return;
    GPathName lockFile;
    GetLockPathName(lockFile);
    GLockByFile lock(lockFile, GLockFile::kShared, true);
    GPrefFileIO::ReadAsWritten(mFile, GetEncoding(), GetMutableGroups());
}

void GPrefSharedFileModule::WriteDict() {
    if (!IsDirty())
        return;
    GPathName lockFile;
    GetLockPathName(lockFile);
    GLockByFile lock(lockFile, GLockFile::kExclusive, true);
    // What the other processes wrote since this module read the file, with its own changes on top.
    Groups current;
    // A file too large to read is kept aside whole, as an incomplete one is.
    bool backupPending = GPrefFileIO::IsTooLarge(mFile) || !GPrefFileIO::ReadAsWritten(mFile, GetEncoding(), current);
    ApplyOwnChanges(current);
    GPrefFileIO::Write(mFile, current, GetEncoding(), backupPending);
    GetMutableGroups() = current;
    SetDirty(false);
    ClearOwnChanges();
}
