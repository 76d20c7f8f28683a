#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "foundation/services/locks/LockTestSupport.h"
#include "services/locks/GLockByFile.h"
#include "support/Elapsed.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"
#include "support/Watchdog.h"

namespace {

// Reads the number in the file, adds one and writes it back, slowly enough that two unguarded
// writers would lose counts.
void AddOne(std::string const& path) {
    const std::string text = ReadFile(path);
    const long value = text == "<missing>" || text.empty() ? 0 : std::stol(text);
    std::this_thread::yield();
    WriteFile(path, std::to_string(value + 1));
}

class GLockByFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartFoundation(); }
    void SetUp() override {
        mPath = mTemp / "Kelvora.uprefslock";
        mEnvironment.Unset("TROVEL_LOCK_WAIT_MS");
    }

    ScopedTempFolder mTemp;
    ScopedEnvironment mEnvironment;
    std::string mPath;
};

TEST_F(GLockByFileTest, TakesTheLockForItsScope) {
    {
        GLockByFile scoped(PathOf(mPath), GLockFile::kExclusive, false);
        EXPECT_TRUE(scoped.HasLock());
        EXPECT_EQ(LockHolder(mPath, GLockFile::kShared).GetAnswer(), LockHolder::kRefused);
        scoped.ReleaseLock();
        EXPECT_FALSE(scoped.HasLock());
        EXPECT_EQ(LockHolder(mPath, GLockFile::kExclusive).GetAnswer(), LockHolder::kLocked);
        scoped.ReleaseLock();
    }
    {
        GLockByFile scoped(PathOf(mPath), GLockFile::kExclusive, false);
        ASSERT_TRUE(scoped.HasLock());
    }
    EXPECT_EQ(LockHolder(mPath, GLockFile::kExclusive).GetAnswer(), LockHolder::kLocked);
}

TEST_F(GLockByFileTest, WithoutWaitingAConflictIsNoLockAndNoError) {
    LockHolder writer(mPath, GLockFile::kExclusive);
    ASSERT_TRUE(writer.Locked());
    const Clock::time_point start = Clock::now();
    GLockByFile scoped(PathOf(mPath), GLockFile::kShared, false);
    EXPECT_FALSE(scoped.HasLock());
    // A wait would last the 30 s limit; the bound leaves room for a loaded machine.
    EXPECT_LT(MillisecondsSince(start), 1500);
    scoped.ReleaseLock();
}

TEST_F(GLockByFileTest, TwoReadersInDifferentProcessesShare) {
    LockHolder one(mPath, GLockFile::kShared);
    LockHolder two(mPath, GLockFile::kShared);
    EXPECT_TRUE(one.Locked());
    EXPECT_TRUE(two.Locked());
    GLockByFile third(PathOf(mPath), GLockFile::kShared, false);
    EXPECT_TRUE(third.HasLock());
}

TEST_F(GLockByFileTest, AReaderWaitsForTheWriterAndGoesOnRightAfterIt) {
    Watchdog watchdog(std::chrono::seconds(20), "waiting for a writer");
    const Clock::time_point start = Clock::now();
    LockHolder writer(mPath, GLockFile::kExclusive, LockHolder::kGLockFile, 500);
    ASSERT_TRUE(writer.Locked());
    GLockByFile reader(PathOf(mPath), GLockFile::kShared, true);
    const long long gotAt = MillisecondsSince(start);
    EXPECT_TRUE(reader.HasLock());
    EXPECT_GE(gotAt, 500);
    // One retry step after the release, with room for a loaded machine.
    EXPECT_LT(gotAt, 500 + GLockByFile::kRetryMilliseconds + 4000);
}

struct LimitCase {
    char const* what;
    int set;                  // SetWaitLimit; -1 none
    char const* environment;  // TROVEL_LOCK_WAIT_MS; null unset
    int expected;
};

TEST_F(GLockByFileTest, TheWaitLimitComesFromTheSetterTheEnvironmentOrTheDefault) {
    const LimitCase cases[] = {
        {"default", -1, nullptr, GLockByFile::kDefaultWaitLimitMilliseconds},
        {"environment", -1, "2500", 2500},
        {"environment zero", -1, "0", 0},
        {"setter wins", 700, "2500", 700},
        {"negative text", -1, "-5", GLockByFile::kDefaultWaitLimitMilliseconds},
        {"not a number", -1, "soon", GLockByFile::kDefaultWaitLimitMilliseconds},
        {"trailing junk", -1, "100ms", GLockByFile::kDefaultWaitLimitMilliseconds},
        {"empty", -1, "", GLockByFile::kDefaultWaitLimitMilliseconds},
        {"overflow", -1, "99999999999999999999", GLockByFile::kDefaultWaitLimitMilliseconds},
    };
    for (LimitCase const& c : cases) {
        ScopedWaitLimit limit(c.set);
        if (c.environment)
            mEnvironment.Set("TROVEL_LOCK_WAIT_MS", c.environment);
        else
            mEnvironment.Unset("TROVEL_LOCK_WAIT_MS");
        EXPECT_EQ(GLockByFile::GetWaitLimit(), c.expected) << c.what;
    }
}

// A hung peer must not freeze this process: the wait ends with 40092 once the limit has passed.
TEST_F(GLockByFileTest, ABoundedWaitEndsWith40092InBoundedTime) {
    Watchdog watchdog(std::chrono::seconds(20), "a bounded lock wait");
    LockHolder hung(mPath, GLockFile::kExclusive);
    ASSERT_TRUE(hung.Locked());
    struct Case {
        bool setter;
        int milliseconds;
    };
    for (Case const& c : {Case{true, 400}, Case{false, 300}, Case{true, 0}}) {
        ScopedWaitLimit limit(c.setter ? c.milliseconds : -1);
        mEnvironment.Set("TROVEL_LOCK_WAIT_MS", std::to_string(c.setter ? 60000 : c.milliseconds));
        const Clock::time_point start = Clock::now();
        try {
            GLockByFile reader(PathOf(mPath), GLockFile::kShared, true);
            ADD_FAILURE() << "no exception after " << c.milliseconds << " ms";
        } catch (GException const& e) {
            EXPECT_EQ(e.GetExceptionID(), 40092);
        }
        const long long took = MillisecondsSince(start);
        EXPECT_GE(took, c.milliseconds);
        EXPECT_LT(took, c.milliseconds + 1500);
    }
}

// A wait for a lock that the calling thread holds itself through another object would never end.
TEST_F(GLockByFileTest, ANestedWaitOnALockOfTheSameThreadFailsAtOnce) {
    Watchdog watchdog(std::chrono::seconds(20), "a nested lock wait");
    ScopedWaitLimit limit(60000);
    struct Case {
        GLockFile::LockType outer;
        GLockFile::LockType inner;
    };
    for (Case const& c : {Case{GLockFile::kExclusive, GLockFile::kShared}, Case{GLockFile::kExclusive, GLockFile::kExclusive},
                          Case{GLockFile::kShared, GLockFile::kExclusive}}) {
        GLockByFile outer(PathOf(mPath), c.outer, true);
        ASSERT_TRUE(outer.HasLock());
        const Clock::time_point start = Clock::now();
        try {
            GLockByFile inner(PathOf(mPath), c.inner, true);
            ADD_FAILURE() << "no exception";
        } catch (GException const& e) {
            EXPECT_EQ(e.GetExceptionID(), 40092);
        }
        EXPECT_LT(MillisecondsSince(start), 1000);
        EXPECT_TRUE(outer.HasLock());
    }
    // Shared within shared is no conflict at all.
    GLockByFile outer(PathOf(mPath), GLockFile::kShared, true);
    GLockByFile inner(PathOf(mPath), GLockFile::kShared, true);
    EXPECT_TRUE(inner.HasLock());
}

// Another thread's lock is a real wait: that thread may let go.
TEST_F(GLockByFileTest, AThreadWaitsForAnotherThreadsLock) {
    Watchdog watchdog(std::chrono::seconds(20), "a lock held by another thread");
    ScopedWaitLimit limit(10000);
    auto outer = std::make_unique<GLockByFile>(PathOf(mPath), GLockFile::kExclusive, true);
    ASSERT_TRUE(outer->HasLock());
    std::atomic<bool> released{false};
    std::atomic<bool> got{false};
    std::atomic<bool> gotBeforeRelease{false};
    std::thread waiter([&] {
        GLockByFile inner(PathOf(mPath), GLockFile::kShared, true);
        gotBeforeRelease = !released.load();
        got = inner.HasLock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    released = true;
    outer.reset();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_FALSE(gotBeforeRelease);
}

TEST_F(GLockByFileTest, ConcurrentThreadsCountUnderTheExclusiveLock) {
    Watchdog watchdog(std::chrono::seconds(60), "threads counting under a lock");
    ScopedWaitLimit limit(30000);
    const std::string counter = mTemp / "counter";
    constexpr int kThreads = 4;
    constexpr int kRounds = 25;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                try {
                    GLockByFile lock(PathOf(mPath), GLockFile::kExclusive, true);
                    AddOne(counter);
                } catch (...) {
                    ++failures;
                }
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ReadFile(counter), std::to_string(kThreads * kRounds));
}

TEST_F(GLockByFileTest, ProcessesCountUnderTheExclusiveLock) {
    const std::string counter = mTemp / "counter";
    constexpr int kChildren = 4;
    constexpr int kRounds = 25;
    std::vector<pid_t> children;
    for (int c = 0; c < kChildren; ++c)
        children.push_back(ForkedChild::StartCheck([&] {
            GLockByFile::SetWaitLimit(30000);
            for (int i = 0; i < kRounds; ++i) {
                GLockByFile lock(PathOf(mPath), GLockFile::kExclusive, true);
                if (!lock.HasLock())
                    return 1;
                AddOne(counter);
            }
            return 0;
        }));
    for (pid_t child : children)
        EXPECT_EQ(ForkedChild::WaitFor(child, std::chrono::seconds(60)), 0);
    EXPECT_EQ(ReadFile(counter), std::to_string(kChildren * kRounds));
}

}  // namespace
