#pragma once
// GLockByFile: a lock on a lock file for the length of one scope, such as one read or one write
// of a shared preference file. Asked to wait, it tries again every 150 ms, but not for ever: a
// peer that hangs while holding the lock must not freeze this process. When the wait limit has
// passed it throws GSimpleException 40092; so it does at once when the lock it waits for is held
// by the calling thread itself through another object, since that wait could never end.
//
// The wait limit, process-wide: SetWaitLimit when called, else the environment variable
// TROVEL_LOCK_WAIT_MS (a decimal count of milliseconds), else 30 seconds.
//
// Callers may rely on: exceptions from the lock file (40092) pass through the constructor;
// ReleaseLock and the destructor let the lock go, and the destructor never throws.
#include "services/locks/GLockFile.h"

class GPathName;

class GLockByFile {
public:
    static constexpr int kRetryMilliseconds = 150;
    static constexpr int kDefaultWaitLimitMilliseconds = 30000;

    GLockByFile(GPathName const& lockFile, GLockFile::LockType type, bool wait);
    GLockByFile(GLockByFile const&) = delete;
    GLockByFile& operator=(GLockByFile const&) = delete;
    ~GLockByFile();

    bool HasLock() const { return mHeld; }
    void ReleaseLock();

    // A negative value forgets the one set before (the environment or the default rules again).
    static void SetWaitLimit(int milliseconds);
    static int GetWaitLimit();

private:
    void WaitForLock(GLockFile::LockType type);

    bool mHeld = false;
    GLockFile mLock;
};
