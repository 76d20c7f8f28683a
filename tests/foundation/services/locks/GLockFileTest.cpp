#include <gtest/gtest.h>

#include <string>

#include "foundation/services/locks/LockTestSupport.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"

namespace {

class GLockFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartFoundation(); }
    void SetUp() override { mPath = mTemp / "KelvoraPrinterProcessor.prefslock"; }

    ScopedTempFolder mTemp;
    std::string mPath;
};

TEST_F(GLockFileTest, AnExclusiveLockAlsoCountsAsShared) {
    struct Case {
        GLockFile::LockType held;
        bool none, shared, exclusive;
    };
    for (Case const& c : {Case{GLockFile::kShared, false, true, false}, Case{GLockFile::kExclusive, false, true, true}}) {
        GLockFile lock(PathOf(mPath));
        ASSERT_TRUE(lock.Lock(c.held));
        EXPECT_EQ(lock.IsLocked(GLockFile::kNoLock), c.none);
        EXPECT_EQ(lock.IsLocked(GLockFile::kShared), c.shared);
        EXPECT_EQ(lock.IsLocked(GLockFile::kExclusive), c.exclusive);
        lock.UnLock();
        EXPECT_TRUE(lock.IsLocked(GLockFile::kNoLock));
        EXPECT_FALSE(lock.IsLocked(GLockFile::kShared));
    }
}

TEST_F(GLockFileTest, DeleteFileRefusesWhileALockIsHeld) {
    for (GLockFile::LockType type : {GLockFile::kShared, GLockFile::kExclusive}) {
        GLockFile lock(PathOf(mPath));
        ASSERT_TRUE(lock.Lock(type));
        try {
            lock.DeleteFile();
            ADD_FAILURE() << "no exception";
        } catch (GException const& e) {
            EXPECT_EQ(e.GetExceptionID(), 40093);
        }
        EXPECT_TRUE(Exists(mPath));
        EXPECT_TRUE(lock.IsLocked(type));
        lock.UnLock();
        lock.DeleteFile();
        EXPECT_FALSE(Exists(mPath));
        // A missing file, or one that cannot be removed, is no failure.
        lock.DeleteFile();
    }
}

TEST_F(GLockFileTest, ACopyIsANewUnlockedLockOnTheSameFile) {
    GLockFile lock(PathOf(mPath));
    ASSERT_TRUE(lock.Lock(GLockFile::kExclusive));
    GLockFile copy(lock);
    EXPECT_FALSE(copy.IsLocked(GLockFile::kShared));
    EXPECT_EQ(copy.GetLockFileSpec(), lock.GetLockFileSpec());
    EXPECT_FALSE(copy.Lock(GLockFile::kShared));
    lock.UnLock();
    EXPECT_TRUE(copy.Lock(GLockFile::kShared));
}

TEST_F(GLockFileTest, TheCallingThreadKnowsWhenItBlocksItself) {
    GLockFile held(PathOf(mPath));
    GLockFile asking(PathOf(mPath));
    // Nothing opened yet: nothing known.
    EXPECT_FALSE(asking.IsBlockedByCallingThread(GLockFile::kExclusive));
    ASSERT_TRUE(held.Lock(GLockFile::kShared));
    ASSERT_FALSE(asking.Lock(GLockFile::kExclusive));
    EXPECT_TRUE(asking.IsBlockedByCallingThread(GLockFile::kExclusive));
    // Shared does not conflict with shared.
    EXPECT_FALSE(asking.IsBlockedByCallingThread(GLockFile::kShared));
    EXPECT_FALSE(held.IsBlockedByCallingThread(GLockFile::kExclusive));  // its own lock does not count
    held.UnLock();
    EXPECT_FALSE(asking.IsBlockedByCallingThread(GLockFile::kExclusive));
    ASSERT_TRUE(held.Lock(GLockFile::kExclusive));
    EXPECT_TRUE(asking.IsBlockedByCallingThread(GLockFile::kShared));
}

// A forked child inherits the table of held locks but not the threads: its own wait is a real one.
TEST_F(GLockFileTest, AForkedChildDoesNotTakeItsParentsLocksForItsOwn) {
    GLockFile held(PathOf(mPath));
    ASSERT_TRUE(held.Lock(GLockFile::kExclusive));
    const int result = ForkedChild::RunCheck([&] {
        GLockFile asking(PathOf(mPath));
        if (asking.Lock(GLockFile::kShared))
            return 1;
        return asking.IsBlockedByCallingThread(GLockFile::kShared) ? 2 : 0;
    });
    EXPECT_EQ(result, 0);
}

}  // namespace
