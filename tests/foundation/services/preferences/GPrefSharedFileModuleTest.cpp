#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/base/GException.h"
#include "foundation/services/locks/LockTestSupport.h"
#include "services/locks/GLockByFile.h"
#include "services/preferences/GPrefSharedFileModule.h"
#include "support/Elapsed.h"
#include "support/ExceptionID.h"
#include "support/FileFixtures.h"
#include "support/ForkedChild.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/ScopedTempFolder.h"
#include "support/UnprivilegedChild.h"
#include "support/Watchdog.h"

using namespace preftest;

namespace {

int KeyCount(GPrefModule const& module, char const* group) {
    GTable<GBuffer> keys;
    module.GetGroupPreferences(B(group), keys);
    return keys.GetCount();
}

int GroupCount(GPrefModule const& module) {
    GTable<GBuffer> names;
    module.GetGroupNames(names);
    return names.GetCount();
}

std::string PrefsText(std::string const& body) { return "#BEGINPREFS\r" + body + "\r#ENDPREFS\r"; }

class PrefSharedFileModule : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        mPath = mTemp / "KelvoraPrinterProcessor.prefs";
        mLockPath = mPath + "lock";
    }
    static std::string Value(GPrefModule const& m, char const* group, char const* key) {
        return U8(m.Get(B(group), B(key)));
    }

    ScopedTempFolder mTemp;
    std::string mPath;
    std::string mLockPath;
};

TEST_F(PrefSharedFileModule, TheLockFileIsBesideTheFileWithLockAfterItsExtension) {
    struct Case {
        char const* file;
        char const* lock;
    };
    const Case cases[] = {
        {"KelvoraPrinterProcessor.prefs", "KelvoraPrinterProcessor.prefslock"},
        {"Kelvora.uprefs", "Kelvora.uprefslock"},
        {"a.b.c", "a.b.clock"},
        {"NoExtension", "NoExtension.lock"},
        {"trailing.", "trailing.lock"},
        {".hidden", ".hidden.lock"},
    };
    for (Case const& c : cases) {
        GPrefSharedFileModule module(P(mTemp / c.file), Unicode());
        GPathName lock;
        module.GetLockPathName(lock);
        EXPECT_EQ(U8(lock.GetNativePathString()), mTemp / c.lock) << c.file;
    }
}

TEST_F(PrefSharedFileModule, AMissingFileGivesAnEmptyModuleAndNoLockFile) {
    GPrefSharedFileModule module(P(mPath), Unicode());
    EXPECT_EQ(GroupCount(module), 0);
    EXPECT_FALSE(module.IsDirty());
    module.Refresh();
    module.FlushPrefs();  // clean: nothing to write, so no lock either
    EXPECT_FALSE(Exists(mPath));
    EXPECT_FALSE(Exists(mLockPath));
}

TEST_F(PrefSharedFileModule, ReadsByTheMarkOrThePlatformEncodingAndWritesInItsOwn) {
    const std::string text = PrefsText("\r\"Actors\"\r#BEGINDICT\r\"name\" \"caf\xC3\xA9 \xE2\x84\xA2\"\r#ENDDICT\r");
    struct Case {
        char const* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"UTF-16 with the mark", UTF16(text, true)},
        {"UTF-8 with the mark", "\xEF\xBB\xBF" + text},
        {"Mac Roman, no mark", Encoded(text, MacRoman())},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(mPath, c.bytes);
        // Mac Roman is not valid UTF-8: read in the platform encoding, written in the module's own.
        GPrefSharedFileModule module(P(mPath), UTF8());
        EXPECT_EQ(Value(module, "Actors", "name"), "caf\xC3\xA9 \xE2\x84\xA2");
        module.Set(B("Actors"), B("id"), T("7"));
        module.FlushPrefs();
        const std::string written = ReadFile(mPath);
        EXPECT_EQ(written.find("\xEF\xBB\xBF"), std::string::npos);
        EXPECT_NE(written.find("\"name\" \"caf\xC3\xA9 \xE2\x84\xA2\""), std::string::npos);
        EXPECT_NE(written.find("\"id\" \"7\""), std::string::npos);
    }
}

// Without a mark the module's own encoding reads its file back: flush after flush, in the same
// process or a new one, the text stays as it was set.
TEST_F(PrefSharedFileModule, AModuleInUTF8ReadsBackWhatItWrote) {
    const std::string text = "caf\xC3\xA9 \xE2\x84\xA2 \xE6\x97\xA5";
    {
        GPrefSharedFileModule module(P(mPath), UTF8());
        module.Set(B("G"), B("k"), T(text));
        module.FlushPrefs();
    }
    for (int round = 0; round < 3; ++round) {
        const int result = ForkedChild::RunCheck([&] {
            GPrefSharedFileModule module(P(mPath), UTF8());
            module.Set(B("G"), B("round"), T(std::to_string(round)));
            module.FlushPrefs();
            return Value(module, "G", "k") == text ? 0 : 1;
        });
        EXPECT_EQ(result, 0) << round;
    }
    GPrefSharedFileModule reread(P(mPath), UTF8());
    EXPECT_EQ(Value(reread, "G", "k"), text);
    EXPECT_EQ(Value(reread, "G", "round"), "2");
    EXPECT_NE(ReadFile(mPath).find("\"k\" \"" + text + "\""), std::string::npos);
    EXPECT_FALSE(Exists(mPath + ".bak"));
}

// A zero byte is U+0000 in any 8-bit text: it does not make a UTF-8 file read as Mac Roman.
TEST_F(PrefSharedFileModule, AZeroByteKeepsAFileInTheModulesEncoding) {
    WriteFile(mPath, PrefsText("\r\"G\"\r#BEGINDICT\r\"k\" \"caf\xC3\xA9\"\r\"nul\" \"a" + std::string(1, '\0') +
                               "b\"\r#ENDDICT\r"));
    GPrefSharedFileModule module(P(mPath), UTF8());
    EXPECT_EQ(Value(module, "G", "k"), "caf\xC3\xA9");
    EXPECT_EQ(Value(module, "G", "nul"), std::string("a\0b", 3));
}

// The writer takes the exclusive lock, says so, and rewrites the file a while later: a read that
// starts meanwhile must wait and see the new file.
TEST_F(PrefSharedFileModule, AReadWaitsForTheWriterAndSeesWhatItWrote) {
    Watchdog watchdog(std::chrono::seconds(30), "a read waiting for a writer");
    WriteFile(mPath, PrefsText("\r\"G\"\r#BEGINDICT\r\"k\" \"old\"\r#ENDDICT\r"));
    int locked[2];
    ASSERT_EQ(pipe(locked), 0);
    const pid_t writer = ForkedChild::StartCheck([&] {
        close(locked[0]);
        GLockByFile lock(P(mLockPath), GLockFile::kExclusive, false);
        if (!lock.HasLock())
            return 1;
        if (write(locked[1], "y", 1) != 1)
            return 2;
        usleep(400 * 1000);
        WriteFile(mPath, PrefsText("\r\"G\"\r#BEGINDICT\r\"k\" \"new\"\r#ENDDICT\r"));
        return 0;
    });
    close(locked[1]);
    pollfd ready{locked[0], POLLIN, 0};
    char answer = 0;
    ASSERT_EQ(poll(&ready, 1, 10000), 1);
    ASSERT_EQ(read(locked[0], &answer, 1), 1);
    close(locked[0]);
    const Clock::time_point start = Clock::now();
    GPrefSharedFileModule module(P(mPath), Unicode());
    const long long took = MillisecondsSince(start);
    EXPECT_EQ(Value(module, "G", "k"), "new");
    EXPECT_GE(took, 200);
    EXPECT_LT(took, 400 + GLockByFile::kRetryMilliseconds + 1500);
    EXPECT_EQ(ForkedChild::WaitFor(writer), 0);
}

// With no wait allowed at all, a read while another process reads proves that readers share.
TEST_F(PrefSharedFileModule, TwoReadersInDifferentProcessesShare) {
    WriteFile(mPath, PrefsText("\r\"G\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r"));
    LockHolder reader(mLockPath, GLockFile::kShared);
    ASSERT_TRUE(reader.Locked());
    ScopedWaitLimit noWait(0);
    GPrefSharedFileModule module(P(mPath), Unicode());
    EXPECT_EQ(ThrownID([&] { module.Refresh(); }), 0);
    EXPECT_EQ(Value(module, "G", "k"), "v");
}

TEST_F(PrefSharedFileModule, ABoundedWaitGives40092AndKeepsTheChanges) {
    Watchdog watchdog(std::chrono::seconds(30), "bounded waits of a shared module");
    WriteFile(mPath, PrefsText("\r\"G\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r"));
    ScopedWaitLimit limit(300);
    auto hung = std::make_unique<LockHolder>(mLockPath, GLockFile::kExclusive);
    ASSERT_TRUE(hung->Locked());
    // The constructor swallows it: an empty module.
    GPrefSharedFileModule module(P(mPath), Unicode());
    EXPECT_EQ(GroupCount(module), 0);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(ThrownID([&] { module.Refresh(); }), 40092);
    EXPECT_LT(MillisecondsSince(start), 300 + 1500);
    module.Set(B("G"), B("mine"), T("1"));
    start = Clock::now();
    EXPECT_EQ(ThrownID([&] { module.FlushPrefs(); }), 40092);
    EXPECT_LT(MillisecondsSince(start), 300 + 1500);
    EXPECT_TRUE(module.IsDirty());
    hung.reset();
    module.FlushPrefs();
    EXPECT_FALSE(module.IsDirty());
    GPrefSharedFileModule reread(P(mPath), Unicode());
    EXPECT_EQ(Value(reread, "G", "k"), "v");
    EXPECT_EQ(Value(reread, "G", "mine"), "1");
}

// Every child keeps its module from the start, so each write starts from a stale read: only the
// fresh read under the exclusive lock keeps the others' keys.
TEST_F(PrefSharedFileModule, ChildrenAddingKeysInALoopLoseNone) {
    constexpr int kChildren = 4;
    constexpr int kRounds = 15;
    std::vector<pid_t> children;
    for (int c = 0; c < kChildren; ++c)
        children.push_back(ForkedChild::StartCheck([&, c] {
            GLockByFile::SetWaitLimit(30000);
            GPrefSharedFileModule module(P(mPath), Unicode());
            for (int r = 0; r < kRounds; ++r) {
                const std::string key = "child" + std::to_string(c) + "-" + std::to_string(r);
                module.Set(B("Shared"), B(key), T(key));
                module.Set(B("Child" + std::to_string(c)), B("round"), T(std::to_string(r)));
                module.FlushPrefs();
            }
            return 0;
        }));
    for (pid_t child : children)
        EXPECT_EQ(ForkedChild::WaitFor(child, std::chrono::seconds(60)), 0);
    GPrefSharedFileModule module(P(mPath), Unicode());
    EXPECT_EQ(KeyCount(module, "Shared"), kChildren * kRounds);
    for (int c = 0; c < kChildren; ++c) {
        const std::string group = "Child" + std::to_string(c);
        EXPECT_EQ(Value(module, group.c_str(), "round"), std::to_string(kRounds - 1));
        for (int r = 0; r < kRounds; ++r) {
            const std::string key = "child" + std::to_string(c) + "-" + std::to_string(r);
            EXPECT_EQ(Value(module, "Shared", key.c_str()), key);
        }
    }
    EXPECT_FALSE(Exists(mPath + ".bak"));
}

TEST_F(PrefSharedFileModule, ConcurrentModulesInThreadsLoseNoKey) {
    Watchdog watchdog(std::chrono::seconds(60), "threads sharing a preference file");
    ScopedWaitLimit limit(30000);
    constexpr int kThreads = 3;
    constexpr int kRounds = 10;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            try {
                GPrefSharedFileModule module(P(mPath), Unicode());
                for (int r = 0; r < kRounds; ++r) {
                    module.Set(B("Shared"), B("t" + std::to_string(t) + "-" + std::to_string(r)), T("x"));
                    module.FlushPrefs();
                }
            } catch (...) {
                ++failures;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    GPrefSharedFileModule module(P(mPath), Unicode());
    EXPECT_EQ(KeyCount(module, "Shared"), kThreads * kRounds);
}

// Own changes are replayed in order onto what the others wrote: removals included, and the
// module holds the merged result afterwards.
TEST_F(PrefSharedFileModule, AWriteReplaysItsOwnChangesOntoTheOthers) {
    WriteFile(mPath, PrefsText("\r\"G\"\r#BEGINDICT\r\"a\" \"1\"\r\"b\" \"2\"\r#ENDDICT\r"
                               "\r\"Old\"\r#BEGINDICT\r\"x\" \"y\"\r#ENDDICT\r"));
    GPrefSharedFileModule mine(P(mPath), Unicode());
    {
        GPrefSharedFileModule other(P(mPath), Unicode());
        other.Set(B("G"), B("c"), T("3"));
        other.Set(B("G"), B("b"), T("theirs"));
        other.Set(B("Theirs"), B("k"), T("v"));
        other.FlushPrefs();
    }
    mine.Remove(B("G"), B("a"));
    mine.Set(B("G"), B("d"), T("4"));
    mine.RemoveGroup(B("Old"));
    mine.Set(B("G"), B("d"), T("5"));
    mine.FlushPrefs();
    for (GPrefModule const* module : {static_cast<GPrefModule const*>(&mine),
                                      static_cast<GPrefModule const*>(new GPrefSharedFileModule(P(mPath), Unicode()))}) {
        EXPECT_FALSE(module->Has(B("G"), B("a")));
        EXPECT_EQ(Value(*module, "G", "b"), "theirs");
        EXPECT_EQ(Value(*module, "G", "c"), "3");
        EXPECT_EQ(Value(*module, "G", "d"), "5");
        EXPECT_EQ(Value(*module, "Theirs", "k"), "v");
        EXPECT_EQ(KeyCount(*module, "Old"), 0);
        if (module != &mine)
            delete module;
    }
    // A clean module writes nothing: another process's later change stays.
    WriteFile(mPath, PrefsText("\r\"G\"\r#BEGINDICT\r\"z\" \"26\"\r#ENDDICT\r"));
    mine.FlushPrefs();
    EXPECT_NE(ReadFile(mPath).find("\"z\" \"26\""), std::string::npos);
}

TEST_F(PrefSharedFileModule, AnIncompleteFileIsKeptAsideBeforeTheWrite) {
    const std::string broken = PrefsText("\r\"Good\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r"
                                         "\r\"Broken\"\r#BEGINDICT\r\"a\" \"1\"\r\r\"b\" \"2\"\r#ENDDICT\r");
    WriteFile(mPath, broken);
    GPrefSharedFileModule module(P(mPath), Unicode());
    EXPECT_EQ(Value(module, "Good", "k"), "v");
    module.Set(B("New"), B("k"), T("v"));
    module.FlushPrefs();
    EXPECT_EQ(ReadFile(mPath + ".bak"), broken);
    GPrefSharedFileModule reread(P(mPath), Unicode());
    EXPECT_EQ(Value(reread, "Good", "k"), "v");
    EXPECT_EQ(Value(reread, "New", "k"), "v");
    // The file now reads whole: no second backup.
    reread.Set(B("New"), B("k"), T("w"));
    reread.FlushPrefs();
    EXPECT_FALSE(Exists(mPath + ".bak1"));
}

TEST_F(PrefSharedFileModule, ALockFileThatCannotBeMadeGives40092) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    chmod(mTemp.Path().c_str(), 0755);
    WriteFile(mPath, PrefsText("\r\"G\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r"));
    chmod(mPath.c_str(), 0644);
    const int result = UnprivilegedChild::Run([&] {
        GPrefSharedFileModule module(P(mPath), Unicode());
        if (GroupCount(module) != 0)
            return 1;
        if (ThrownID([&] { module.Refresh(); }) != 40092)
            return 2;
        module.Set(B("G"), B("k"), T("w"));
        if (ThrownID([&] { module.FlushPrefs(); }) != 40092 || !module.IsDirty())
            return 3;
        return Exists(mLockPath) ? 4 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_NE(ReadFile(mPath).find("\"k\" \"v\""), std::string::npos);
}

// The lock file may be written, the folder not: the save fails, the module stays dirty and the
// lock is let go.
TEST_F(PrefSharedFileModule, AFailedSaveKeepsTheChangesAndReleasesTheLock) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    chmod(mTemp.Path().c_str(), 0755);
    const std::string original = PrefsText("\r\"G\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r");
    WriteFile(mPath, original);
    chmod(mPath.c_str(), 0644);
    WriteFile(mLockPath, "");
    chmod(mLockPath.c_str(), 0666);
    const int result = UnprivilegedChild::Run([&] {
        GPrefSharedFileModule module(P(mPath), Unicode());
        if (Value(module, "G", "k") != "v")
            return 1;
        module.Set(B("G"), B("k"), T("w"));
        bool threw = false;
        try {
            module.FlushPrefs();
        } catch (GException const&) {
            threw = true;
        }
        if (!threw || !module.IsDirty() || Value(module, "G", "k") != "w")
            return 2;
        GLockFile other(P(mLockPath));
        return other.Lock(GLockFile::kExclusive) ? 0 : 3;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFile(mPath), original);
}

}  // namespace
