#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>

#include "foundation/services/locks/LockTestSupport.h"
#include "mac/system/PUNIXSystemException.h"
#include "services/locks/PMacLockFileImp.h"
#include "support/ExceptionID.h"
#include "support/ExceptionTestText.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"
#include "support/UnprivilegedChild.h"

namespace {

constexpr GLockFile::LockType kShared = GLockFile::kShared;
constexpr GLockFile::LockType kExclusive = GLockFile::kExclusive;

// Asked through a description of our own, which needs no write access to the file.
bool WriteLockWouldConflict(std::string const& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct flock record {};
    record.l_type = F_WRLCK;
    record.l_whence = SEEK_SET;
    const bool asked = fd >= 0 && fcntl(fd, F_OFD_GETLK, &record) == 0;
    if (fd >= 0)
        close(fd);
    return asked && record.l_type != F_UNLCK;
}

class PMacLockFileImpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartFoundation();
        GException::Initialize();
    }
    void SetUp() override { mPath = mTemp / "Kelvora.uprefslock"; }

    ScopedTempFolder mTemp;
    std::string mPath;
};

TEST_F(PMacLockFileImpTest, LockMakesAMissingLockFileWithTheUsersUmask) {
    for (mode_t mask : {mode_t(022), mode_t(077)}) {
        ScopedUmask scoped(mask);
        unlink(mPath.c_str());
        PMacLockFileImp lock(PathOf(mPath));
        EXPECT_FALSE(Exists(mPath));  // nothing is made before the first Lock
        EXPECT_TRUE(lock.Lock(kShared));
        EXPECT_TRUE(lock.IsLocked(kShared));
        EXPECT_EQ(ReadFile(mPath), "");
        EXPECT_EQ(ModeOf(mPath), 0666 & ~static_cast<int>(mask));
        EXPECT_EQ(Text(lock.GetLockFileSpec().GetNativePathString()), mPath);
    }
}

TEST_F(PMacLockFileImpTest, LockingLeavesAnExistingFileAsItIs) {
    WriteFile(mPath, "left by an older version");
    PMacLockFileImp lock(PathOf(mPath));
    EXPECT_TRUE(lock.Lock(kExclusive));
    lock.UnLock();
    EXPECT_EQ(ReadFile(mPath), "left by an older version");
}

// What another process holds against what this object asks for; classic record locks of other
// programs and our own open-file-description locks must conflict alike.
TEST_F(PMacLockFileImpTest, ALockHeldByAnotherProcessRefusesWhatConflictsWithIt) {
    struct Case {
        GLockFile::LockType held;
        LockHolder::Way way;
        GLockFile::LockType asked;
        bool granted;
    };
    const Case cases[] = {
        {kShared, LockHolder::kGLockFile, kShared, true},
        {kShared, LockHolder::kGLockFile, kExclusive, false},
        {kExclusive, LockHolder::kGLockFile, kShared, false},
        {kExclusive, LockHolder::kGLockFile, kExclusive, false},
        {kShared, LockHolder::kClassicRecordLock, kShared, true},
        {kShared, LockHolder::kClassicRecordLock, kExclusive, false},
        {kExclusive, LockHolder::kClassicRecordLock, kShared, false},
        {kExclusive, LockHolder::kClassicRecordLock, kExclusive, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(testing::Message() << "held " << c.held << " way " << c.way << " asked " << c.asked);
        LockHolder other(mPath, c.held, c.way);
        ASSERT_TRUE(other.Locked());
        PMacLockFileImp lock(PathOf(mPath));
        EXPECT_EQ(lock.Lock(c.asked), c.granted);
        EXPECT_EQ(lock.IsLocked(c.asked), c.granted);
        if (!c.granted) {
            EXPECT_TRUE(lock.IsLocked(GLockFile::kNoLock));
        }
        other.Release();
        // Once the other lets go, the lock is granted.
        lock.UnLock();
        EXPECT_TRUE(lock.Lock(c.asked));
    }
}

TEST_F(PMacLockFileImpTest, AHeldLockIsNeverTakenTwiceUpgradedOrDowngraded) {
    PMacLockFileImp lock(PathOf(mPath));
    ASSERT_TRUE(lock.Lock(kShared));
    EXPECT_FALSE(lock.Lock(kShared));
    EXPECT_FALSE(lock.Lock(kExclusive));
    EXPECT_TRUE(lock.IsLocked(kShared));
    // Still held: another process cannot write.
    LockHolder writer(mPath, kExclusive);
    EXPECT_EQ(writer.GetAnswer(), LockHolder::kRefused);
}

TEST_F(PMacLockFileImpTest, OtherTypesTakeNoLock) {
    PMacLockFileImp lock(PathOf(mPath));
    EXPECT_FALSE(lock.Lock(GLockFile::kNoLock));
    EXPECT_FALSE(lock.Lock(static_cast<GLockFile::LockType>(3)));
    EXPECT_TRUE(lock.IsLocked(GLockFile::kNoLock));
    EXPECT_FALSE(Exists(mPath));
}

TEST_F(PMacLockFileImpTest, UnLockLetsOtherProcessesInAndDoesNothingWithoutALock) {
    PMacLockFileImp lock(PathOf(mPath));
    lock.UnLock();
    EXPECT_TRUE(lock.IsLocked(GLockFile::kNoLock));
    ASSERT_TRUE(lock.Lock(kExclusive));
    EXPECT_EQ(LockHolder(mPath, kShared).GetAnswer(), LockHolder::kRefused);
    lock.UnLock();
    EXPECT_TRUE(lock.IsLocked(GLockFile::kNoLock));
    EXPECT_EQ(LockHolder(mPath, kExclusive).GetAnswer(), LockHolder::kLocked);
    lock.UnLock();
}

TEST_F(PMacLockFileImpTest, TheDestructorDropsTheLock) {
    {
        PMacLockFileImp lock(PathOf(mPath));
        ASSERT_TRUE(lock.Lock(kExclusive));
    }
    EXPECT_EQ(LockHolder(mPath, kExclusive).GetAnswer(), LockHolder::kLocked);
}

TEST_F(PMacLockFileImpTest, AForkedChildLettingGoOfItsCopyLeavesTheParentsLock) {
    auto lock = std::make_unique<PMacLockFileImp>(PathOf(mPath));
    ASSERT_TRUE(lock->Lock(kExclusive));
    // The child inherits the object with the open file it locks, unlocks and deletes it.
    EXPECT_EQ(ForkedChild::RunCheck([&] {
                  lock->UnLock();
                  lock.reset();
                  return 0;
              }),
              0);
    EXPECT_TRUE(lock->IsLocked(kExclusive));
    EXPECT_EQ(LockHolder(mPath, kShared).GetAnswer(), LockHolder::kRefused);
    lock.reset();
    EXPECT_EQ(LockHolder(mPath, kExclusive).GetAnswer(), LockHolder::kLocked);
}

// Open-file-description locks: they belong to the object, not to the process.
TEST_F(PMacLockFileImpTest, TwoObjectsOfOneProcessExcludeEachOther) {
    struct Case {
        GLockFile::LockType first;
        GLockFile::LockType second;
        bool granted;
    };
    for (Case const& c : {Case{kShared, kShared, true}, Case{kShared, kExclusive, false},
                          Case{kExclusive, kShared, false}, Case{kExclusive, kExclusive, false}}) {
        PMacLockFileImp one(PathOf(mPath));
        PMacLockFileImp two(PathOf(mPath));
        ASSERT_TRUE(one.Lock(c.first));
        EXPECT_EQ(two.Lock(c.second), c.granted) << c.first << " then " << c.second;
    }
}

TEST_F(PMacLockFileImpTest, ClosingAnotherDescriptorOfTheFileKeepsTheLock) {
    PMacLockFileImp lock(PathOf(mPath));
    ASSERT_TRUE(lock.Lock(kExclusive));
    const int fd = open(mPath.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        // Another object's descriptor, opened and closed by a failed attempt and a destructor.
        PMacLockFileImp other(PathOf(mPath));
        EXPECT_FALSE(other.Lock(kShared));
    }
    EXPECT_EQ(LockHolder(mPath, kShared).GetAnswer(), LockHolder::kRefused);
    EXPECT_EQ(LockHolder(mPath, kShared, LockHolder::kClassicRecordLock).GetAnswer(), LockHolder::kRefused);
}

TEST_F(PMacLockFileImpTest, ACopyTakesThePathButNoLock) {
    PMacLockFileImp lock(PathOf(mPath));
    ASSERT_TRUE(lock.Lock(kExclusive));
    PMacLockFileImp copy(lock);
    EXPECT_TRUE(copy.IsLocked(GLockFile::kNoLock));
    EXPECT_EQ(Text(copy.GetLockFileSpec().GetNativePathString()), mPath);
    copy.UnLock();  // nothing held, nothing done
    EXPECT_FALSE(copy.Lock(kShared));
    lock.UnLock();
    EXPECT_TRUE(copy.Lock(kShared));
}

// What is in the lock file's place when it is no plain file of ours: never followed, never waited
// on, never a silent success.
TEST_F(PMacLockFileImpTest, ALockFileThatIsNoRegularFileThrows40092) {
    const std::string target = mTemp / "target";
    struct Case {
        char const* what;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"link to a file", [&] { WriteFile(target, "precious"); symlink(target.c_str(), mPath.c_str()); }},
        {"dangling link", [&] { unlink(target.c_str()); symlink(target.c_str(), mPath.c_str()); }},
        {"folder", [&] { mkdir(mPath.c_str(), 0700); }},
        {"fifo", [&] { mkfifo(mPath.c_str(), 0600); }},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        unlink(mPath.c_str());
        rmdir(mPath.c_str());
        unlink(target.c_str());
        c.make();
        for (GLockFile::LockType type : {kShared, kExclusive}) {
            PMacLockFileImp lock(PathOf(mPath));
            EXPECT_EQ(ThrownID([&] { lock.Lock(type); }), 40092);
            EXPECT_TRUE(lock.IsLocked(GLockFile::kNoLock));
        }
    }
    // The dangling link's target was not made through it.
    EXPECT_FALSE(Exists(target));
}

TEST_F(PMacLockFileImpTest, TheFailureNamesTheLockFile) {
    mkdir(mPath.c_str(), 0700);
    PMacLockFileImp lock(PathOf(mPath));
    try {
        lock.Lock(kShared);
        FAIL() << "no exception";
    } catch (GException const& e) {
        EXPECT_EQ(e.GetExceptionID(), 40092);
        EXPECT_NE(Text(e.GetFullDescription()).find(mPath), std::string::npos) << Text(e.GetFullDescription());
    }
}

TEST_F(PMacLockFileImpTest, ARelativePathThrows40092) {
    PMacLockFileImp lock(PathOf("relative.prefslock"));
    EXPECT_EQ(ThrownID([&] { lock.Lock(kShared); }), 40092);
    EXPECT_FALSE(Exists("relative.prefslock"));
}

TEST_F(PMacLockFileImpTest, ALockFileInAFolderThatCannotBeWrittenThrows40092) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    const std::string folder = mTemp / "locked";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    chmod(mTemp.Path().c_str(), 0755);
    const std::string path = folder + "/Kelvora.uprefslock";
    const int result = UnprivilegedChild::Run([&] {
        PMacLockFileImp lock(PathOf(path));
        for (GLockFile::LockType type : {kShared, kExclusive})
            if (ThrownID([&] { lock.Lock(type); }) != 40092)
                return 1;
        return Exists(path) ? 2 : 0;
    });
    EXPECT_EQ(result, 0);
}

// A reader that may read the lock file but not write it still reads under a shared lock; only a
// writer needs to open it for writing.
TEST_F(PMacLockFileImpTest, AReadOnlyLockFileGivesSharedLocksOnly) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    chmod(mTemp.Path().c_str(), 0755);
    WriteFile(mPath, "");
    chmod(mPath.c_str(), 0644);
    const int result = UnprivilegedChild::Run([&] {
        PMacLockFileImp lock(PathOf(mPath));
        if (!lock.Lock(kShared))
            return 1;
        // The shared lock is real: a writer would be refused.
        if (!WriteLockWouldConflict(mPath))
            return 2;
        lock.UnLock();
        return ThrownID([&] { lock.Lock(kExclusive); }) == 40092 ? 0 : 3;
    });
    EXPECT_EQ(result, 0);
}

// A lock taken on a file that lost its name meanwhile guards nothing; the next try locks the file
// that has the name now.
TEST_F(PMacLockFileImpTest, AFileReplacedUnderItsNameIsLockedAfresh) {
    PMacLockFileImp lock(PathOf(mPath));
    ASSERT_TRUE(lock.Lock(kShared));
    lock.UnLock();
    // Replaced while this object still has the old one open.
    const std::string other = mTemp / "other";
    WriteFile(other, "");
    ASSERT_EQ(rename(other.c_str(), mPath.c_str()), 0);
    ASSERT_TRUE(lock.Lock(kExclusive));
    EXPECT_EQ(LockHolder(mPath, kShared, LockHolder::kClassicRecordLock).GetAnswer(), LockHolder::kRefused);
}

}  // namespace
