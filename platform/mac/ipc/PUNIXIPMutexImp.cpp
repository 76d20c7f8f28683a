#include "mac/ipc/PUNIXIPMutexImp.h"

#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "core/base/GException.h"
#include "mac/ipc/PIPCObjectName.h"
#include "mac/ipc/PIPCProcessCheck.h"
#include "mac/ipc/PShmCalls.h"

namespace {

std::atomic<int> gLockTimeout{3000};
// How long a creator may take between its exclusive create and its magic store before its object
// counts as damaged; a living creator needs microseconds.
constexpr long long kCreatorGrace = 1000;
// Waits that end in short sleeps start by watching the word, then yield a few times: an owner
// holds the lock for a moment only, and a waiter that sleeps at once loses the lock to one that
// keeps taking it.
constexpr int kSpins = 128;
constexpr int kYields = 64;
constexpr int kPausesPerSpin = 64;

bool CompareAndSwap(int expected, int value, int* word) {
    return __atomic_compare_exchange_n(word, &expected, value, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

int Load(int const* word) { return __atomic_load_n(word, __ATOMIC_ACQUIRE); }

void Store(int* word, int value) { __atomic_store_n(word, value, __ATOMIC_RELEASE); }

void Pause(int& rounds) {
    if (rounds++ < kYields)
        sched_yield();
    else
        PShmCalls::PauseMillisecond();
}

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// The wait of a lock: first watching the word until it is free (a few microseconds), then yields,
// then millisecond sleeps.
void WaitForWord(int const* word, int& rounds) {
    if (rounds < kSpins) {
        ++rounds;
        for (int i = 0; i < kPausesPerSpin && __atomic_load_n(word, __ATOMIC_RELAXED) != 0; ++i)
            CpuRelax();
        return;
    }
    int pauses = rounds++ - kSpins;
    Pause(pauses);
}

bool HasInvalidByte(GBuffer const& id) {
    for (int i = 0; i < id.GetLength(); ++i) {
        if (id.GetPtr()[i] == 0 || id.GetPtr()[i] == '/')
            return true;
    }
    return false;
}

// The owner of a word when it is set and its process is gone, else 0.
int DeadOwner(int* word) {
    const int owner = Load(word);
    return owner != 0 && !PIPCProcessCheck::IsRunning(owner) ? owner : 0;
}

}  // namespace

PUNIXIPMutexImp::PUNIXIPMutexImp(GBuffer const& id) {
    if (id.IsEmpty() || id.GetLength() >= 30 || HasInvalidByte(id))
        throw GSimpleException(40201);
    name = PIPCObjectName::Make(id);
    const long long deadline = PShmCalls::NowMilliseconds() + gLockTimeout + 2 * kCreatorGrace;
    for (;;) {
        if (PShmCalls::NowMilliseconds() > deadline) {
            Release();
            throw GSimpleException(40200);
        }
        bool created = false;
        if (!Create(created))
            continue;
        Map();
        if (created) {
            int* words = map;
            __atomic_store_n(&words[cManagementWord], 0, __ATOMIC_RELAXED);
            __atomic_store_n(&words[cLockWord], 0, __ATOMIC_RELAXED);
            __atomic_store_n(&words[cCountWord], 1, __ATOMIC_RELAXED);
            __atomic_store_n(&words[cVersionWord], cVersion, __ATOMIC_RELAXED);
            // The magic last: a joiner that sees it sees the words before it.
            Store(&words[cMagicWord], cMagic);
            return;
        }
        if (Join())
            return;
    }
}

PUNIXIPMutexImp::~PUNIXIPMutexImp() { Cleanup(false); }

bool PUNIXIPMutexImp::Create(bool& created) {
    char const* text = PIPCObjectName::CString(name);
    fd = PShmCalls::OpenExisting(text);
    if (fd < 0) {
        if (errno != ENOENT)
            throw GSimpleException(40200);
        fd = PShmCalls::CreateExclusive(text);
        if (fd < 0) {
            if (errno == EEXIST)
                return false;  // another creator won; open what it made
            throw GSimpleException(40200);
        }
        if (ftruncate(fd, cSegmentSize) != 0) {
            PShmCalls::UnlinkIfSame(text, fd);
            PShmCalls::Close(fd);
            throw GSimpleException(40170);
        }
        created = true;
        return true;
    }
    // A creator between its create and ftruncate: give it the grace, then call it dead.
    const long long start = PShmCalls::NowMilliseconds();
    int rounds = 0;
    for (;;) {
        const long long size = PShmCalls::SizeOf(fd);
        if (size == cSegmentSize)
            return true;
        if (size > cSegmentSize || PShmCalls::NowMilliseconds() - start > kCreatorGrace) {
            PShmCalls::UnlinkIfSame(text, fd);
            PShmCalls::Close(fd);
            return false;
        }
        Pause(rounds);
    }
}

void PUNIXIPMutexImp::Map() {
    map = static_cast<int*>(PShmCalls::Map(fd, cSegmentSize));
    if (map == nullptr) {
        Release();
        throw GSimpleException(40167);
    }
}

bool PUNIXIPMutexImp::Join() {
    char const* text = PIPCObjectName::CString(name);
    const long long start = PShmCalls::NowMilliseconds();
    int rounds = 0;
    while (Load(WordAt(cMagicWord)) != cMagic) {
        if (PShmCalls::NowMilliseconds() - start > kCreatorGrace) {
            PShmCalls::UnlinkIfSame(text, fd);
            Release();
            return false;
        }
        Pause(rounds);
    }
    if (Load(WordAt(cVersionWord)) != cVersion) {
        Release();
        throw GSimpleException(40154);
    }
    if (!LockWithin(WordAt(cManagementWord), gLockTimeout)) {
        Release();
        throw GSimpleException(40200);
    }
    const int count = Load(WordAt(cCountWord));
    if (count > 0) {
        Store(WordAt(cCountWord), count + 1);
        Unlock(WordAt(cManagementWord));
        return true;
    }
    // 0: the last user unlinks the name before it lets go of the management lock, so the name
    // normally leads elsewhere by now. If it still leads here, that user died half-way (or the
    // count is damaged): the object is unlinked, still under its management lock, so no other
    // joiner can remove a fresh object made meanwhile.
    PShmCalls::UnlinkIfSame(text, fd);
    Unlock(WordAt(cManagementWord));
    Release();
    PShmCalls::PauseMillisecond();
    return false;
}

void PUNIXIPMutexImp::Cleanup(bool alreadyHeld) {
    if (map != nullptr && Load(WordAt(cMagicWord)) == cMagic && Load(WordAt(cVersionWord)) == cVersion) {
        // Without the management lock the count stays too high: the segment lives on, harmlessly.
        if (alreadyHeld || LockWithin(WordAt(cManagementWord), gLockTimeout)) {
            const int count = Load(WordAt(cCountWord));
            if (count >= 2) {
                Store(WordAt(cCountWord), count - 1);
            } else {
                Store(WordAt(cCountWord), 0);
                PShmCalls::UnlinkIfSame(PIPCObjectName::CString(name), fd);
            }
            Unlock(WordAt(cManagementWord));
        }
    }
    Release();
}

void PUNIXIPMutexImp::Release() {
    PShmCalls::Unmap(map, cSegmentSize);
    map = nullptr;
    PShmCalls::Close(fd);
}

int* PUNIXIPMutexImp::WordAt(Word word) const { return map + word; }

void PUNIXIPMutexImp::Lock() { Lock(WordAt(cLockWord)); }

void PUNIXIPMutexImp::Lock(int* word) {
    if (!LockWithin(word, gLockTimeout))
        throw GSimpleException(40202);
}

bool PUNIXIPMutexImp::TryToLock(int seconds) { return TryToLock(WordAt(cLockWord), seconds); }

bool PUNIXIPMutexImp::TryToLock(int* word, int seconds) {
    const int pid = PIPCProcessCheck::GetCurrentProcessID();
    if (CompareAndSwap(0, pid, word))
        return true;
    const int dead = DeadOwner(word);
    if (dead != 0 && CompareAndSwap(dead, pid, word))
        return true;
    if (seconds <= 0)
        return false;
    return LockWithin(word, seconds * 1000);
}

bool PUNIXIPMutexImp::TakeIfFree(int* word) { return CompareAndSwap(0, PIPCProcessCheck::GetCurrentProcessID(), word); }

bool PUNIXIPMutexImp::LockWithin(int* word, int milliseconds) {
    const int pid = PIPCProcessCheck::GetCurrentProcessID();
    if (CompareAndSwap(0, pid, word))
        return true;
    const long long start = PShmCalls::NowMicroseconds();
    const long long limit = static_cast<long long>(milliseconds) * 1000;
    long long lastSecond = 0;
    bool looked = false;
    int rounds = 0;
    for (;;) {
        const long long elapsed = PShmCalls::NowMicroseconds() - start;
        // The owner is looked at once the word has been watched a while (or the time is up), and
        // again each time the whole second changes: a dead owner's lock is had at once.
        int expected = 0;
        if (!looked ? rounds >= kSpins || elapsed >= limit : elapsed / 1000000 != lastSecond) {
            looked = true;
            lastSecond = elapsed / 1000000;
            expected = DeadOwner(word);
        }
        if (CompareAndSwap(expected, pid, word) || (expected != 0 && CompareAndSwap(0, pid, word)))
            return true;
        if (elapsed >= limit && looked)
            return false;
        WaitForWord(word, rounds);
    }
}

void PUNIXIPMutexImp::Unlock() { Unlock(WordAt(cLockWord)); }

void PUNIXIPMutexImp::Unlock(int* word) { Store(word, 0); }

void PUNIXIPMutexImp::LockManagementLock() { Lock(WordAt(cManagementWord)); }

void PUNIXIPMutexImp::UnlockManagementLock() { Unlock(WordAt(cManagementWord)); }

void PUNIXIPMutexImp::RemoveName() {
    if (fd >= 0)
        PShmCalls::UnlinkIfSame(PIPCObjectName::CString(name), fd);
}

void PUNIXIPMutexImp::SetLockTimeout(int milliseconds) { gLockTimeout = milliseconds < 0 ? 0 : milliseconds; }

int PUNIXIPMutexImp::GetLockTimeout() { return gLockTimeout; }

int* PUNIXIPMutexImp::GetLockWord() const { return WordAt(cLockWord); }

int* PUNIXIPMutexImp::GetManagementWord() const { return WordAt(cManagementWord); }

int* PUNIXIPMutexImp::GetSleeperWord() const { return WordAt(cSleeperWord); }

int PUNIXIPMutexImp::GetReferenceCount() const { return Load(WordAt(cCountWord)); }
