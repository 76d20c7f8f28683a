#pragma once
// Lock-file helpers for the lock and shared-preference tests: a child process that takes a lock and
// holds it until the test lets it go (bounded on both sides), and a path from UTF-8.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include "core/base/GException.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "services/locks/GLockByFile.h"
#include "services/locks/GLockFile.h"
#include "services/paths/GPathName.h"
#include "support/ForkedChild.h"

inline GPathName PathOf(std::string const& utf8) {
    return GPathName(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
}

// Forgets the wait limit a test set.
class ScopedWaitLimit {
public:
    explicit ScopedWaitLimit(int milliseconds) { GLockByFile::SetWaitLimit(milliseconds); }
    ~ScopedWaitLimit() { GLockByFile::SetWaitLimit(-1); }
};

class LockHolder {
public:
    // kClassicRecordLock: a process-owned fcntl lock (F_SETLK), as another program would take.
    enum Way { kGLockFile, kClassicRecordLock };
    enum Answer { kNoAnswer, kLocked, kRefused, kThrew };

    // holdFor: the child lets the lock go by itself after that many milliseconds (at most 30 s).
    LockHolder(std::string const& path, GLockFile::LockType type, Way way = kGLockFile, int holdFor = 30000) {
        int ready[2];
        int release[2];
        if (pipe2(ready, O_CLOEXEC) != 0)
            return;
        if (pipe2(release, O_CLOEXEC) != 0) {
            close(ready[0]);
            close(ready[1]);
            return;
        }
        mPid = ForkedChild::StartCheck([&] {
            close(ready[0]);
            close(release[1]);
            Hold(path, type, way, holdFor, ready[1], release[0]);
            return 0;
        });
        close(ready[1]);
        close(release[0]);
        mRelease = release[1];
        pollfd wait{ready[0], POLLIN, 0};
        char answer = 0;
        if (poll(&wait, 1, 10000) == 1 && read(ready[0], &answer, 1) == 1)
            mAnswer = answer == 'y' ? kLocked : answer == 'n' ? kRefused : kThrew;
        close(ready[0]);
    }
    LockHolder(LockHolder const&) = delete;
    LockHolder& operator=(LockHolder const&) = delete;
    ~LockHolder() { Release(); }

    bool Locked() const { return mAnswer == kLocked; }
    Answer GetAnswer() const { return mAnswer; }

    // Lets the lock go and waits until the child has ended.
    void Release() {
        if (mRelease != -1)
            close(mRelease);
        mRelease = -1;
        if (mPid > 0)
            ForkedChild::WaitFor(mPid, std::chrono::seconds(10));
        mPid = -1;
    }

private:
    static void Hold(std::string const& path, GLockFile::LockType type, Way way, int holdFor, int ready, int release) {
        char answer = 'e';
        int fd = -1;
        GLockFile* lock = nullptr;
        if (way == kClassicRecordLock) {
            fd = open(path.c_str(), (type == GLockFile::kExclusive ? O_RDWR : O_RDONLY) | O_CREAT, 0644);
            struct flock record {};
            record.l_type = type == GLockFile::kExclusive ? F_WRLCK : F_RDLCK;
            record.l_whence = SEEK_SET;
            answer = fd >= 0 && fcntl(fd, F_SETLK, &record) == 0 ? 'y' : 'n';
        } else {
            try {
                lock = new GLockFile(PathOf(path));
                answer = lock->Lock(type) ? 'y' : 'n';
            } catch (GException const&) {
                answer = 'e';
            }
        }
        if (write(ready, &answer, 1) != 1)
            _exit(3);
        pollfd wait{release, POLLIN, 0};
        poll(&wait, 1, holdFor < 30000 ? holdFor : 30000);
        delete lock;
        if (fd >= 0)
            close(fd);
    }

    pid_t mPid = -1;
    int mRelease = -1;
    Answer mAnswer = kNoAnswer;
};
