#include "services/locks/GLockByFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "core/base/GException.h"
#include "mac/system/PSystem.h"
#include "services/paths/GPathName.h"

namespace {

std::atomic<int> sWaitLimit{-1};

int WaitLimitFromEnvironment() {
    char const* text = std::getenv("TROVEL_LOCK_WAIT_MS");
    if (text == nullptr || *text < '0' || *text > '9')
        return -1;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value > 24L * 3600 * 1000)
        return -1;
    return static_cast<int>(value);
}

}  // namespace

GLockByFile::GLockByFile(GPathName const& lockFile, GLockFile::LockType type, bool wait) : mLock(lockFile) {
    mHeld = mLock.Lock(type);
    if (!mHeld && wait)
        WaitForLock(type);
}

GLockByFile::~GLockByFile() {
    try {
        ReleaseLock();
    } catch (...) {
        // The lock file's destructor closes the descriptor, which drops the lock anyway.
    }
}

void GLockByFile::ReleaseLock() {
    if (!mHeld)
        return;
    mLock.UnLock();
    mHeld = false;
}

void GLockByFile::SetWaitLimit(int milliseconds) {
    sWaitLimit.store(milliseconds < 0 ? -1 : milliseconds);
}

int GLockByFile::GetWaitLimit() {
    const int set = sWaitLimit.load();
    if (set >= 0)
        return set;
    const int fromEnvironment = WaitLimitFromEnvironment();
    return fromEnvironment >= 0 ? fromEnvironment : kDefaultWaitLimitMilliseconds;
}

void GLockByFile::WaitForLock(GLockFile::LockType type) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(GetWaitLimit());
    for (;;) {
        if (mLock.IsBlockedByCallingThread(type))
            GLockFile::ThrowCouldNotLock(mLock.GetLockFileSpec());
        // Rounded up, so the wait never ends before the limit.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            GLockFile::ThrowCouldNotLock(mLock.GetLockFileSpec());
        PSystem::MilliSleep(static_cast<int>(left < kRetryMilliseconds ? left : kRetryMilliseconds));
        mHeld = mLock.Lock(type);
        if (mHeld)
            return;
    }
}
