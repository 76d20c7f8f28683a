#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "mac/system/PUNIXSystemException.h"
#include "services/files/GSafeFileSave.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/ScopedTempFolder.h"
#include "support/Watchdog.h"

using namespace preftest;

namespace {

class SafeFileSave : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        mPath = mTemp / "file.prefs";
    }
    int Entries() const {
        int n = 0;
        for (auto const& item : std::filesystem::directory_iterator(mTemp.Path()))
            n += item.exists() ? 1 : 0;
        return n;
    }

    ScopedTempFolder mTemp;
    std::string mPath;
};

}  // namespace

TEST_F(SafeFileSave, NewFileTakesTheUmaskAndMissingFolders) {
    ScopedUmask mask(027);
    std::string const path = mTemp / "a/b/new.prefs";
    GSafeFileSave::Save(P(path), B("hello"));
    EXPECT_EQ(ReadFile(path), "hello");
    EXPECT_EQ(ModeOf(path), 0640);
}

TEST_F(SafeFileSave, ReplacesWholeKeepsModeLeavesNoTemporaryFile) {
    WriteFile(mPath, std::string(10000, 'x'));
    ASSERT_EQ(::chmod(mPath.c_str(), 0604), 0);
    GSafeFileSave::Save(P(mPath), B("short"));
    EXPECT_EQ(ReadFile(mPath), "short");
    EXPECT_EQ(ModeOf(mPath), 0604);
    EXPECT_EQ(Entries(), 1);
    GSafeFileSave::Save(P(mPath), GBuffer());
    EXPECT_EQ(ReadFile(mPath), "");
}

TEST_F(SafeFileSave, FollowsLinksToTheirTargetAndKeepsTheLink) {
    ASSERT_EQ(::mkdir((mTemp / "real").c_str(), 0700), 0);
    WriteFile(mTemp / "real/target", "old");
    ASSERT_EQ(::symlink("real/target", mPath.c_str()), 0);
    ASSERT_EQ(::symlink("file.prefs", (mTemp / "second").c_str()), 0);
    GSafeFileSave::Save(P(mTemp / "second"), B("new"));
    EXPECT_EQ(ReadFile(mTemp / "real/target"), "new");
    struct stat st {};
    ASSERT_EQ(::lstat(mPath.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    // A link whose target is not there yet makes the target.
    ASSERT_EQ(::symlink("real/later", (mTemp / "dangling").c_str()), 0);
    GSafeFileSave::Save(P(mTemp / "dangling"), B("made"));
    EXPECT_EQ(ReadFile(mTemp / "real/later"), "made");
}

TEST_F(SafeFileSave, RefusesWhatIsNotAPlainFile) {
    struct Case {
        char const* name;
        std::string path;
        int error;
    } const cases[] = {
        {"folder", mTemp.Path(), EISDIR},
        {"link loop", mTemp / "loop", ELOOP},
        {"relative", "relative/file", EINVAL},
    };
    ASSERT_EQ(::symlink("loop", (mTemp / "loop").c_str()), 0);
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            GSafeFileSave::Save(P(c.path), B("x"));
            ADD_FAILURE() << "no failure reported";
        } catch (PUNIXSystemException const& e) {
            EXPECT_EQ(e.GetErrno(), c.error);
        }
    }
}

TEST_F(SafeFileSave, KeepBackupLinksTheOldContentsBeside) {
    EXPECT_TRUE(GSafeFileSave::KeepBackup(P(mPath)).IsEmpty());
    WriteFile(mPath, "original");
    GPathName backup = GSafeFileSave::KeepBackup(P(mPath));
    EXPECT_EQ(U8(backup.GetNativePathString()), mPath + ".bak");
    GSafeFileSave::Save(P(mPath), B("replaced"));
    EXPECT_EQ(ReadFile(mPath + ".bak"), "original");
    EXPECT_EQ(U8(GSafeFileSave::KeepBackup(P(mPath)).GetNativePathString()), mPath + ".bak1");
    EXPECT_EQ(ReadFile(mPath + ".bak1"), "replaced");
}

// A writer killed at any moment leaves the old file or the new one, never a cut one.
TEST_F(SafeFileSave, WriterKilledAtRandomMomentsLeavesOldOrNewFile) {
    Watchdog watchdog(std::chrono::seconds(240), "the kill loop");
    std::string const a(1 << 20, 'a');
    std::string const b((1 << 20) + 4096, 'b');
    // Kills fall within about two saves, however fast this build and machine save.
    GBuffer const sample = B(a);
    auto const before = std::chrono::steady_clock::now();
    GSafeFileSave::Save(P(mPath), sample);
    auto const saveTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - before);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delay(0, std::max(1000, static_cast<int>(2 * saveTime.count())));
    int sawA = 0;
    int sawB = 0;
    int cut = 0;
    // 200 kills, or as many as fit in 60 s where forking is slow (sanitizers, a loaded machine).
    auto const loopStart = std::chrono::steady_clock::now();
    int kills = 0;
    for (int kill = 0; kill < 200 && (kill < 20 || std::chrono::steady_clock::now() - loopStart < std::chrono::seconds(60));
         ++kill, ++kills) {
        int started[2];
        ASSERT_EQ(pipe(started), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            GBuffer const contentA = B(a);
            GBuffer const contentB = B(b);
            // The delay counts from the first save, not from the fork: on a busy machine a
            // child may not even reach its loop within the longest delay.
            (void)!write(started[1], "s", 1);
            for (;;) {
                GSafeFileSave::Save(P(mPath), contentB);
                GSafeFileSave::Save(P(mPath), contentA);
            }
        }
        close(started[1]);
        char byte = 0;
        ASSERT_EQ(read(started[0], &byte, 1), 1);
        close(started[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        std::string const now = ReadFile(mPath);
        ASSERT_TRUE(now == a || now == b) << "cut file of " << now.size() << " bytes after kill " << kill;
        (now == a ? sawA : sawB) += 1;
        // A kill inside a save leaves its temporary file (the next save removes it): proof that
        // the kills hit writes under way.
        cut += Entries() > 1 ? 1 : 0;
    }
    std::printf("kills %d: old %d, new %d, writes cut %d\n", kills, sawA, sawB, cut);
    EXPECT_GT(cut, kills / 10);
}
