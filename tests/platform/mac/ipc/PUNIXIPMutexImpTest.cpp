#include "mac/ipc/PUNIXIPMutexImp.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/base/GException.h"
#include "mac/ipc/PIPCObjectName.h"
#include "support/Elapsed.h"
#include "support/ExceptionID.h"
#include "support/ForkedChild.h"
#include "support/Watchdog.h"

namespace {

std::string ObjectName(const char* id) { return reinterpret_cast<const char*>(PIPCObjectName::Make(GBuffer(id)).GetPtr()); }

bool NameExists(const char* id) {
    struct stat info {};
    return stat(("/dev/shm" + ObjectName(id)).c_str(), &info) == 0;
}

// A process that dies attached leaves the count too high, so the segment outlives everybody: the
// test removes it by hand.
void RemoveLeftover(const char* id) {
    EXPECT_TRUE(NameExists(id)) << id;
    shm_unlink(ObjectName(id).c_str());
}

// Restores the process-wide lock bound after a test that shortens it.
class ScopedLockTimeout {
public:
    explicit ScopedLockTimeout(int milliseconds) : mOld(PUNIXIPMutexImp::GetLockTimeout()) {
        PUNIXIPMutexImp::SetLockTimeout(milliseconds);
    }
    ~ScopedLockTimeout() { PUNIXIPMutexImp::SetLockTimeout(mOld); }

private:
    int mOld;
};

TEST(PUNIXIPMutexImpTest, IDLengthsAndCharacters) {
    struct Case {
        std::string id;
        int error;
    } const cases[] = {
        {std::string(29, 'a'), 0},      {std::string(30, 'a'), 40201}, {"", 40201},
        {"a/b", 40201},                 {"x", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.error, ThrownID([&] { PUNIXIPMutexImp mutex(GBuffer(c.id.c_str())); })) << c.id;
    }
}

TEST(PUNIXIPMutexImpTest, CountsAttachmentsAndLastOneUnlinks) {
    auto first = std::make_unique<PUNIXIPMutexImp>(GBuffer("Count"));
    EXPECT_EQ(1, first->GetReferenceCount());
    auto second = std::make_unique<PUNIXIPMutexImp>(GBuffer("Count"));
    EXPECT_EQ(2, second->GetReferenceCount());
    first.reset();
    EXPECT_EQ(1, second->GetReferenceCount());
    EXPECT_TRUE(NameExists("Count"));
    second.reset();
    EXPECT_FALSE(NameExists("Count"));
}

TEST(PUNIXIPMutexImpTest, ObjectsAre0600WhateverTheUmask) {
    for (mode_t mask : {mode_t(0), mode_t(0277), mode_t(022)}) {
        const mode_t old = umask(mask);
        {
            PUNIXIPMutexImp mutex(GBuffer("Mode"));
            struct stat info {};
            ASSERT_EQ(0, stat(("/dev/shm" + ObjectName("Mode")).c_str(), &info));
            EXPECT_EQ(0600u, info.st_mode & 0777u) << "umask " << mask;
        }
        umask(old);
    }
}

TEST(PUNIXIPMutexImpTest, LockUnlockAndTryToLock) {
    PUNIXIPMutexImp mutex(GBuffer("Plain"));
    mutex.Lock();
    EXPECT_EQ(getpid(), *mutex.GetLockWord());
    mutex.Unlock();
    EXPECT_EQ(0, *mutex.GetLockWord());
    EXPECT_TRUE(mutex.TryToLock(0));
    mutex.Unlock();
}

// Many processes attach at once: all end attached to one segment, and the last one out removes it.
TEST(PUNIXIPMutexImpTest, CreatorsRacingProcessesShareOneSegment) {
    Watchdog watchdog(std::chrono::seconds(60), "racing creators");
    constexpr int kChildren = 6;
    std::vector<std::unique_ptr<ForkedChild>> children;
    for (int i = 0; i < kChildren; ++i) {
        children.push_back(std::make_unique<ForkedChild>([](ForkedChild& self) {
            if (!self.AwaitGo())
                return 10;
            PUNIXIPMutexImp mutex(GBuffer("Race"));
            self.Signal();
            return self.AwaitGo() ? 0 : 11;
        }));
    }
    for (auto& child : children)
        child->Go();
    for (auto& child : children)
        ASSERT_TRUE(child->AwaitSignal());
    {
        PUNIXIPMutexImp mine(GBuffer("Race"));
        EXPECT_EQ(kChildren + 1, mine.GetReferenceCount());
        for (auto& child : children)
            child->Go();
        for (auto& child : children)
            EXPECT_EQ(0, child->Wait());
        EXPECT_EQ(1, mine.GetReferenceCount());
    }
    EXPECT_FALSE(NameExists("Race"));
}

// One process keeps attaching and leaving while another does the same: whoever holds an object
// always shares its segment with a second object made meanwhile (a name removed under a holder
// would give the second object a fresh segment with a free lock word).
TEST(PUNIXIPMutexImpTest, JoinerRacingTheLastCloseNeverLosesTheName) {
    Watchdog watchdog(std::chrono::seconds(60), "join and close race");
    auto body = [](ForkedChild& self) {
        if (!self.AwaitGo())
            return 10;
        for (int i = 0; i < 300; ++i) {
            PUNIXIPMutexImp holder(GBuffer("Churn"));
            if (!holder.TryToLock(2))
                return 12;
            PUNIXIPMutexImp second(GBuffer("Churn"));
            const bool same = *second.GetLockWord() == getpid();
            holder.Unlock();
            if (!same)
                return 13;
        }
        return 0;
    };
    ForkedChild a(body);
    ForkedChild b(body);
    a.Go();
    b.Go();
    EXPECT_EQ(0, a.Wait(50000));
    EXPECT_EQ(0, b.Wait(50000));
    EXPECT_FALSE(NameExists("Churn"));
}

TEST(PUNIXIPMutexImpTest, DeadOwnerIsTakenOverWithinAboutASecond) {
    Watchdog watchdog(std::chrono::seconds(30), "dead owner");
    PUNIXIPMutexImp mutex(GBuffer("Dead"));
    ForkedChild child([](ForkedChild&) {
        PUNIXIPMutexImp theirs(GBuffer("Dead"));
        theirs.Lock();
        _exit(0);  // dies holding the lock, without detaching
        return 0;
    });
    ASSERT_EQ(0, child.Wait());
    EXPECT_EQ(child.Pid(), *mutex.GetLockWord());
    const auto start = Clock::now();
    mutex.Lock();
    const long long elapsed = MillisecondsSince(start);
    EXPECT_EQ(getpid(), *mutex.GetLockWord());
    EXPECT_LE(elapsed, 1500);
    mutex.Unlock();
    RemoveLeftover("Dead");
}

TEST(PUNIXIPMutexImpTest, ZombieOwnerCountsAsDead) {
    Watchdog watchdog(std::chrono::seconds(30), "zombie owner");
    PUNIXIPMutexImp mutex(GBuffer("Zombie"));
    ForkedChild child([](ForkedChild&) {
        PUNIXIPMutexImp theirs(GBuffer("Zombie"));
        theirs.Lock();
        _exit(0);
        return 0;
    });
    ASSERT_TRUE(child.AwaitZombie());
    const auto start = Clock::now();
    EXPECT_TRUE(mutex.TryToLock(3));
    EXPECT_LE(MillisecondsSince(start), 1500);
    EXPECT_EQ(getpid(), *mutex.GetLockWord());
    mutex.Unlock();
    EXPECT_EQ(0, child.Wait());
    RemoveLeftover("Zombie");
}

// A stopped owner is alive: the locker gives up at its bound, and takes over once the owner is killed.
TEST(PUNIXIPMutexImpTest, StoppedOwnerMakesLockGiveUpWithinItsBound) {
    Watchdog watchdog(std::chrono::seconds(30), "stopped owner");
    ScopedLockTimeout timeout(400);
    PUNIXIPMutexImp mutex(GBuffer("Stopped"));
    ForkedChild child([](ForkedChild& self) {
        PUNIXIPMutexImp theirs(GBuffer("Stopped"));
        theirs.Lock();
        self.Signal();
        raise(SIGSTOP);
        return 0;
    });
    ASSERT_TRUE(child.AwaitSignal());
    auto start = Clock::now();
    EXPECT_EQ(40202, ThrownID([&] { mutex.Lock(); }));
    const long long gaveUp = MillisecondsSince(start);
    EXPECT_GE(gaveUp, 400);
    EXPECT_LE(gaveUp, 1500);
    child.Kill();
    EXPECT_EQ(-2, child.Wait());
    PUNIXIPMutexImp::SetLockTimeout(3000);
    start = Clock::now();
    mutex.Lock();
    EXPECT_LE(MillisecondsSince(start), 1500);
    mutex.Unlock();
    RemoveLeftover("Stopped");
}

// Any process could write a living PID (here init's) into a word: no lock may wait for ever.
TEST(PUNIXIPMutexImpTest, LivingStrangerInTheWordMakesLockGiveUp) {
    ScopedLockTimeout timeout(300);
    PUNIXIPMutexImp mutex(GBuffer("Stranger"));
    *mutex.GetLockWord() = 1;
    const auto start = Clock::now();
    EXPECT_FALSE(mutex.TryToLock(0));
    EXPECT_LE(MillisecondsSince(start), 50);
    EXPECT_EQ(40202, ThrownID([&] { mutex.Lock(); }));
    EXPECT_LE(MillisecondsSince(start), 1500);
    EXPECT_EQ(1, *mutex.GetLockWord());
    mutex.Unlock();
}

// A creator killed right after its exclusive create (0 bytes) or after ftruncate but before the
// header leaves a damaged object: the next opener replaces it instead of dying or waiting for ever.
TEST(PUNIXIPMutexImpTest, CreatorKilledHalfWayLeavesAnObjectThatIsReplaced) {
    Watchdog watchdog(std::chrono::seconds(30), "damaged mutex segment");
    for (off_t size : {off_t(0), off_t(80), off_t(12)}) {
        ForkedChild child([size](ForkedChild&) {
            const int fd = shm_open(ObjectName("Killed").c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
            if (fd < 0 || ftruncate(fd, size) != 0)
                return 20;
            kill(getpid(), SIGKILL);
            return 0;
        });
        ASSERT_EQ(-2, child.Wait());
        const auto start = Clock::now();
        {
            PUNIXIPMutexImp mutex(GBuffer("Killed"));
            EXPECT_LE(MillisecondsSince(start), 2500) << size;
            EXPECT_EQ(1, mutex.GetReferenceCount());
            mutex.Lock();
            mutex.Unlock();
        }
        EXPECT_FALSE(NameExists("Killed"));
    }
}

TEST(PUNIXIPMutexImpTest, ProcessKilledHoldingTheManagementLockIsTakenOver) {
    Watchdog watchdog(std::chrono::seconds(30), "management lock");
    PUNIXIPMutexImp mine(GBuffer("Mgmt"));
    ForkedChild child([](ForkedChild&) {
        PUNIXIPMutexImp theirs(GBuffer("Mgmt"));
        theirs.LockManagementLock();
        kill(getpid(), SIGKILL);
        return 0;
    });
    ASSERT_EQ(-2, child.Wait());
    EXPECT_EQ(2, mine.GetReferenceCount());
    const auto start = Clock::now();
    {
        PUNIXIPMutexImp joiner(GBuffer("Mgmt"));
        EXPECT_LE(MillisecondsSince(start), 1500);
        EXPECT_EQ(3, joiner.GetReferenceCount());
        EXPECT_EQ(0, *joiner.GetManagementWord());
    }
    EXPECT_EQ(2, mine.GetReferenceCount());
    RemoveLeftover("Mgmt");
}

// The last user died after bringing the count to 0 but before unlinking the name: the next
// joiner takes over the management lock, removes the dead object and makes a fresh one.
TEST(PUNIXIPMutexImpTest, LastUserKilledBeforeUnlinkingLeavesAnObjectThatIsReplaced) {
    Watchdog watchdog(std::chrono::seconds(30), "dropper killed");
    ForkedChild child([](ForkedChild&) {
        auto* mutex = new PUNIXIPMutexImp(GBuffer("Dropped"));
        mutex->LockManagementLock();
        const int fd = shm_open(ObjectName("Dropped").c_str(), O_RDWR, 0);
        int* words = static_cast<int*>(mmap(nullptr, 80, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        words[2] = 0;
        kill(getpid(), SIGKILL);
        return 0;
    });
    ASSERT_EQ(-2, child.Wait());
    ASSERT_TRUE(NameExists("Dropped"));
    const auto start = Clock::now();
    {
        PUNIXIPMutexImp mutex(GBuffer("Dropped"));
        EXPECT_LE(MillisecondsSince(start), 2500);
        EXPECT_EQ(1, mutex.GetReferenceCount());
        EXPECT_EQ(0, *mutex.GetManagementWord());
    }
    EXPECT_FALSE(NameExists("Dropped"));
}

TEST(PUNIXIPMutexImpTest, TryToLockZeroOnAWordOfALivingProcessDoesNotSleep) {
    int word = static_cast<int>(getppid());
    const auto start = Clock::now();
    EXPECT_FALSE(PUNIXIPMutexImp::TryToLock(&word, 0));
    EXPECT_LE(MillisecondsSince(start), 50);
    int free = 0;
    EXPECT_TRUE(PUNIXIPMutexImp::TryToLock(&free, 0));
    EXPECT_EQ(getpid(), free);
}

// Threads of one process exclude each other through the shared word as well (TSan checks the atomics).
TEST(PUNIXIPMutexImpTest, ThreadsCountUnderTheLock) {
    Watchdog watchdog(std::chrono::seconds(60), "threads on one word");
    PUNIXIPMutexImp mutex(GBuffer("Threads"));
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        // One mapping for all threads: a checker of data races follows atomics by address, so
        // a mapping per thread would hide the lock from it.
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                mutex.Lock();
                ++counter;
                mutex.Unlock();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(8000, counter);
}

}  // namespace
