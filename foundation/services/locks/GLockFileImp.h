#pragma once
// GLockFileImp: what a platform gives GLockFile, one lock file per object. See GLockFile for the
// rules each implementation keeps.
#include "services/locks/GLockFile.h"

class GPathName;

class GLockFileImp {
public:
    GLockFileImp() = default;
    GLockFileImp(GLockFileImp const&) = default;
    GLockFileImp& operator=(GLockFileImp const&) = delete;
    virtual ~GLockFileImp() = default;

    virtual bool Lock(GLockFile::LockType type) = 0;
    virtual void UnLock() = 0;
    virtual bool IsLocked(GLockFile::LockType type) const = 0;
    virtual GPathName const& GetLockFileSpec() const = 0;
    // Whether the calling thread holds a conflicting lock on the same file through another
    // object; an implementation that cannot tell answers false.
    virtual bool IsBlockedByCallingThread(GLockFile::LockType) const { return false; }
};
