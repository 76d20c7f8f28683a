#include "services/locks/GLockFile.h"

#include "core/base/GException.h"
#include "core/base/GExceptionLocation.h"
#include "services/filesystem/GFileSystem.h"
#include "services/locks/PMacLockFileImp.h"

GLockFile::GLockFile(GPathName const& lockFile) : mImp(std::make_unique<PMacLockFileImp>(lockFile)) {}

GLockFile::GLockFile(GLockFile const& other) : GLockFile(other.GetLockFileSpec()) {}

GLockFile::~GLockFile() = default;

bool GLockFile::Lock(LockType type) {
    return mImp->Lock(type);
}

void GLockFile::UnLock() {
    mImp->UnLock();
}

bool GLockFile::IsLocked(LockType type) const {
    if (type == kShared && mImp->IsLocked(kExclusive))
        return true;
    return mImp->IsLocked(type);
}

GPathName const& GLockFile::GetLockFileSpec() const {
    return mImp->GetLockFileSpec();
}

bool GLockFile::IsBlockedByCallingThread(LockType type) const {
    return mImp->IsBlockedByCallingThread(type);
}

void GLockFile::DeleteFile() {
    if (IsLocked(kShared))
        throw GSimpleException(kLockFileInUse);
    // Never throws; a lock file left behind does no harm.
    GFileSystem::TryToRemoveFile(GetLockFileSpec());
}

void GLockFile::ThrowCouldNotLock(GPathName const& lockFile) {
    const GString text = lockFile.GetNativePathString();
    GExceptionLocation where(text);
    throw GSimpleException(kCouldNotLock);
}
