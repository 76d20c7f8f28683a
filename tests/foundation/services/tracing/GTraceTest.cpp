#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/memory/GAutoPtr.h"
#include "core/streams/GMemoryInStream.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/text/GStringPoolData.h"
#include "core/values/GDateTime.h"
#include "services/filesystem/GFileSystem.h"
#include "services/paths/GPathName.h"
#include "services/tracing/GTrace.h"
#include "services/tracing/GTraceBlock.h"
#include "support/ForkedChild.h"
#include "support/FoundationStartup.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"
#include "support/UnprivilegedChild.h"
#include "support/Watchdog.h"

namespace {

GCodeLocation const kWhere{"/src/foundation/Caller.cpp", "Run", 42};

// The preference text of a trace preference file with the given groups ("Defaults" included).
std::string Prefs(std::map<std::string, std::map<std::string, std::string>> const& groups) {
    std::string text = "#BEGINPREFS\r";
    for (auto const& [group, keys] : groups) {
        text += "\r\"" + group + "\"\r#BEGINDICT\r";
        for (auto const& [key, value] : keys)
            text += "\"" + key + "\" \"" + value + "\"\r";
        text += "#ENDDICT\r";
    }
    return text + "\r#ENDPREFS\r";
}

std::string ReadAll(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(std::string const& path, std::string const& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(std::string const& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

std::string Str(GBuffer const& bytes) {
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

// A sandbox: TMPDIR, HOME and XDG_CONFIG_HOME in a fresh folder, the debug folder in it, and the
// running code named "TraceTest" (special path -6), so the files are TraceTest.tpr and .tra.
class GTraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        mEnv.Set("TMPDIR", mTemp.Path());
        mEnv.Set("HOME", mTemp / "home");
        mEnv.Set("XDG_CONFIG_HOME", mTemp / "home/.config");
        mDebug = mTemp / "KelvoraDebug";
        ASSERT_EQ(mkdir(mDebug.c_str(), 0700), 0);
        GFileSystem::AddSpecialPath(-6, GPathName((mTemp / "Bundle.plugin/Contents/MacOS/TraceTest.so").c_str()));
    }

    void TearDown() override {
        GTrace::SetInstance(nullptr);
        GStringPoolData::SetTraceHook(nullptr);
        GFileSystem::RemoveSpecialPath(-6);
    }

    std::string Debug(std::string const& leaf) const { return mDebug + "/" + leaf; }
    std::string TraceFile() const { return Debug("TraceTest.tra"); }
    // Time off, so that entries can be compared whole.
    void WritePrefs(std::map<std::string, std::map<std::string, std::string>> groups = {}) {
        groups["Defaults"].emplace("LogTime", "0");
        WriteAll(Debug("TraceTest.tpr"), Prefs(groups));
    }

    ScopedTempFolder mTemp;
    ScopedEnvironment mEnv;
    std::string mDebug;
};

TEST_F(GTraceTest, WithoutPreferenceFileNothingIsWritten) {
    GTrace trace;
    EXPECT_FALSE(trace.IsEnabled());
    trace.Trace<char const*>(GBuffer("Cat"), kWhere, "message");
    trace.TraceAssert("assertion", kWhere);
    EXPECT_EQ(trace.GetStream(), nullptr);
    EXPECT_FALSE(Exists(TraceFile()));
}

// Every entry begins with a line feed; the file is the user's, 0600.
TEST_F(GTraceTest, PreferenceFileTurnsTracingOnAndEntriesAreWhole) {
    WritePrefs();
    {
        GTrace trace;
        ASSERT_TRUE(trace.IsEnabled());
        trace.Trace<char const*>(GBuffer("Cat"), kWhere, "first");
        trace.Trace<GBuffer>(GBuffer("Cat"), GCodeLocation{"NoFolder.cpp", nullptr, 7}, GBuffer("second"));
        trace.TraceAssert("it failed", kWhere);
    }
    EXPECT_EQ(ReadAll(TraceFile()),
              "\n *** Cat Caller.cpp:42@Run first"
              "\n *** Cat NoFolder.cpp:7 second"
              "\n *** AssertAS Caller.cpp:42@Run it failed");
    struct stat status;
    ASSERT_EQ(stat(TraceFile().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(status.st_uid, geteuid());
}

// The time, when logged, is the clock's hours, minutes and seconds.
TEST_F(GTraceTest, TimeIsWrittenWhenAsked) {
    GDateTime::Initialize();
    WriteAll(Debug("TraceTest.tpr"), Prefs({{"Defaults", {{"LogLocation", "0"}}}}));
    {
        GTrace trace;
        trace.Trace<char const*>(GBuffer("Cat"), kWhere, "timed");
    }
    const std::string text = ReadAll(TraceFile());
    ASSERT_EQ(text.size(), std::string("\n *** Cat hh:mm:ss timed").size()) << text;
    EXPECT_EQ(text.substr(0, 10), "\n *** Cat ");
    EXPECT_EQ(text[12], ':');
    EXPECT_EQ(text[15], ':');
    EXPECT_EQ(text.substr(18), " timed");
}

TEST_F(GTraceTest, CategoryFlagsFollowKindAndGroups) {
    WritePrefs({{"Defaults", {{"AssertOnLog", "true"}}},
                {"QuietDE", {}},
                {"LoudDE", {{"Log", "1"}, {"Assert", "TRUE"}}},
                {"Muted", {{"Log", "FALSE"}}},
                {"Vague", {{"Log", "yes"}, {"Assert", ""}}},
                {"SilentAS", {{"Log", "0"}, {"Assert", "0"}}}});
    GTrace trace;
    struct Case {
        char const* category;
        bool log;
        bool alert;
    } const cases[] = {
        {"Other", true, true},       // ordinary defaults, alert raised by "AssertOnLog"
        {"OtherDE", false, false},   // detail without a group
        {"OtherAS", true, true},     // assertion without a group
        {"QuietDE", false, false},   // a group without keys keeps its kind's defaults
        {"LoudDE", true, true},
        {"Muted", false, true},
        {"Vague", true, true},       // "yes" and "" leave the defaults
        {"SilentAS", false, false},
        {"D", true, true},           // too short to have a kind
        {"de", true, true},          // kinds are upper case
    };
    for (Case const& c : cases) {
        EXPECT_EQ(trace.GetNeedsLogging(GBuffer(c.category)), c.log) << c.category;
        EXPECT_EQ(trace.GetAlertOnLog(GBuffer(c.category)), c.alert) << c.category;
    }
    EXPECT_EQ(GTrace::GetCatType(GBuffer("XAS")), GTrace::kAssertion);
    EXPECT_EQ(GTrace::GetCatType(GBuffer("DE")), GTrace::kDetail);
    EXPECT_EQ(GTrace::GetCatType(GBuffer("")), GTrace::kOrdinary);

    trace.Trace<char const*>(GBuffer("OtherDE"), kWhere, "dropped");
    trace.Trace<char const*>(GBuffer("Muted"), kWhere, "dropped");
    trace.Trace<char const*>(GBuffer("LoudDE"), kWhere, "kept");
    trace.ShowAssert("no alert", kWhere);
    EXPECT_EQ(ReadAll(TraceFile()), "\n *** LoudDE Caller.cpp:42@Run kept");
}

// A preference file in UTF-16 with its mark; the prefix becomes bytes of the platform's Mac Roman.
TEST_F(GTraceTest, Utf16PreferenceFileAndPlatformPrefix) {
    const std::u16string text = u"#BEGINPREFS\r\r\"Defaults\"\r#BEGINDICT\r\"Prefix\" \"\u00bb\"\r"
                                u"\"LogTime\" \"0\"\r\"LogLocation\" \"0\"\r#ENDDICT\r\r#ENDPREFS\r";
    std::string bytes = "\xff\xfe";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xff);
        bytes += static_cast<char>(unit >> 8);
    }
    WriteAll(Debug("TraceTest.tpr"), bytes);
    {
        GTrace trace;
        trace.Trace<char const*>(GBuffer("Cat"), kWhere, "m");
    }
    EXPECT_EQ(ReadAll(TraceFile()), "\n\xc8" "Cat m");
}

TEST_F(GTraceTest, BlocksIndentAndCloseOnTheirInstance) {
    WritePrefs({{"Defaults", {{"Prefix", ">"}, {"Indent", ".."}, {"LogLocation", "FALSE"}}}});
    GTrace::SetInstance(new GTrace);
    {
        GTraceBlock outer(GBuffer("Cat"), GBuffer("Outer"), kWhere);
        GTraceBlock inner(GBuffer("Cat"), GBuffer("Inner"), kWhere);
        GTrace::GetInstance()->Trace<char const*>(GBuffer("Cat"), kWhere, "inside");
    }
    GTrace::GetInstance()->Trace<char const*>(GBuffer("Cat"), kWhere, "after");
    {
        // A block whose instance is replaced closes nothing on the new one.
        GTraceBlock orphan(GBuffer("Cat"), GBuffer("Orphan"), kWhere);
        GTrace::SetInstance(nullptr);
    }
    EXPECT_EQ(ReadAll(TraceFile()),
              "\n>Cat Beginning: Outer"
              "\n..>Cat Beginning: Inner"
              "\n....>Cat inside"
              "\n..>Cat Ending: Inner"
              "\n>Cat Ending: Outer"
              "\n>Cat after"
              "\n>Cat Beginning: Orphan");
    GTraceBlock without(GBuffer("Cat"), GBuffer("None"), kWhere);
}

TEST_F(GTraceTest, AlwaysUseNewFileLeavesTheOldFile) {
    WritePrefs({{"Defaults", {{"AlwaysUseNewFile", "TRUE"}}}});
    WriteAll(TraceFile(), "old run");
    {
        GTrace trace;
        trace.Trace<char const*>(GBuffer("Cat"), kWhere, "new run");
    }
    EXPECT_EQ(ReadAll(TraceFile()), "old run");
    EXPECT_EQ(ReadAll(Debug("TraceTest (0).tra")), "\n *** Cat Caller.cpp:42@Run new run");
}

// Without the flag an existing file of the user is emptied and reused.
TEST_F(GTraceTest, ExistingFileIsReusedFromTheStart) {
    WritePrefs();
    WriteAll(TraceFile(), "a much longer old run than the new one");
    {
        GTrace trace;
        trace.Trace<char const*>(GBuffer("Cat"), kWhere, "new");
    }
    EXPECT_EQ(ReadAll(TraceFile()), "\n *** Cat Caller.cpp:42@Run new");
}

// Another process holding the trace file (a second host tracing) sends this one to " (0)".
TEST_F(GTraceTest, FileInUseByAnotherProcessGivesNumberedFile) {
    WritePrefs();
    WriteAll(TraceFile(), "");
    const std::string path = TraceFile();
    ForkedChild holder([&path](ForkedChild& self) {
        const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (fd < 0 || fcntl(fd, F_OFD_SETLK, &lock) != 0)
            return 1;
        self.Signal();
        return self.AwaitGo() ? 0 : 2;
    });
    ASSERT_TRUE(holder.AwaitSignal());
    {
        GTrace trace;
        trace.Trace<char const*>(GBuffer("Cat"), kWhere, "beside");
    }
    holder.Go();
    EXPECT_EQ(holder.Wait(), 0);
    EXPECT_EQ(ReadAll(TraceFile()), "");
    EXPECT_EQ(ReadAll(Debug("TraceTest (0).tra")), "\n *** Cat Caller.cpp:42@Run beside");
}

// What another user could plant at the trace file's name is never written through: tracing
// turns off, the caller goes on, and the planted target keeps its bytes.
TEST_F(GTraceTest, PlantedLinksAreRefusedAndTracingTurnsOff) {
    const std::string victim = mTemp / "victim";
    struct Case {
        char const* name;
        std::function<void(std::string const&)> plant;
    } const cases[] = {
        {"symbolic link to a file", [&](std::string const& at) { ASSERT_EQ(symlink(victim.c_str(), at.c_str()), 0); }},
        {"dangling symbolic link",
         [&](std::string const& at) { ASSERT_EQ(symlink((mTemp / "made-by-link").c_str(), at.c_str()), 0); }},
        {"hard link", [&](std::string const& at) { ASSERT_EQ(link(victim.c_str(), at.c_str()), 0); }},
        {"folder", [&](std::string const& at) { ASSERT_EQ(mkdir(at.c_str(), 0700), 0); }},
    };
    WritePrefs();
    for (Case const& c : cases) {
        WriteAll(victim, "precious");
        c.plant(TraceFile());
        {
            GTrace trace;
            EXPECT_NO_THROW(trace.Trace<char const*>(GBuffer("Cat"), kWhere, "secret")) << c.name;
            EXPECT_FALSE(trace.IsEnabled()) << c.name;
            EXPECT_EQ(trace.GetStream(), nullptr) << c.name;
            EXPECT_NO_THROW(trace.Trace<char const*>(GBuffer("Cat"), kWhere, "again")) << c.name;
        }
        EXPECT_EQ(ReadAll(victim), "precious") << c.name;
        EXPECT_FALSE(Exists(mTemp / "made-by-link")) << c.name;
        EXPECT_FALSE(Exists(Debug("TraceTest (1).tra"))) << c.name;
        std::filesystem::remove(TraceFile());
    }
}

TEST_F(GTraceTest, FileOfAnotherUserIsRefused) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to give the trace file to another user";
    WritePrefs();
    WriteAll(TraceFile(), "theirs");
    ASSERT_EQ(chown(TraceFile().c_str(), 65534, 65534), 0);
    {
        GTrace trace;
        EXPECT_NO_THROW(trace.Trace<char const*>(GBuffer("Cat"), kWhere, "secret"));
        EXPECT_FALSE(trace.IsEnabled());
    }
    EXPECT_EQ(ReadAll(TraceFile()), "theirs");
}

TEST_F(GTraceTest, DebugFolderRemovedAfterStartTurnsTracingOff) {
    WritePrefs();
    GTrace trace;
    ASSERT_TRUE(trace.IsEnabled());
    std::filesystem::remove_all(mDebug);
    EXPECT_NO_THROW(trace.Trace<char const*>(GBuffer("Cat"), kWhere, "lost"));
    EXPECT_FALSE(trace.IsEnabled());
    EXPECT_FALSE(Exists(mDebug));
}

TEST_F(GTraceTest, DebugFolderNotWritableTurnsTracingOff) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to run the check as another user";
    WritePrefs();
    ASSERT_EQ(chmod(mTemp.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(mDebug.c_str(), 0755), 0);
    ASSERT_EQ(chmod(Debug("TraceTest.tpr").c_str(), 0644), 0);
    const std::string traceFile = TraceFile();
    const int result = UnprivilegedChild::Run([&traceFile] {
        GTrace trace;
        if (!trace.IsEnabled())
            return 1;
        try {
            trace.Trace<char const*>(GBuffer("Cat"), kWhere, "nowhere");
        } catch (...) {
            return 2;
        }
        if (trace.IsEnabled())
            return 3;
        return Exists(traceFile) ? 4 : 0;
    });
    ASSERT_NE(result, 255) << "could not drop to an unprivileged user";
    EXPECT_EQ(result, 0);
}

// A stream that fails to take an entry turns tracing off instead of throwing into the caller.
TEST_F(GTraceTest, WriteFailureTurnsTracingOff) {
    struct FullStream : GOutStream {
        int Write(GBuffer const& data) override { return data.GetLength() / 2; }
    };
    GTrace trace(GAutoPtr<GOutStream, GDeletePtr>(new FullStream));
    ASSERT_TRUE(trace.IsEnabled());
    EXPECT_NO_THROW(trace.Trace<char const*>(GBuffer("Cat"), kWhere, "half"));
    EXPECT_FALSE(trace.IsEnabled());
    EXPECT_NO_THROW(trace.Trace<char const*>(GBuffer("Cat"), kWhere, "more"));
}

// A stream that traces while it writes: its own entry is dropped, the outer one is written.
TEST_F(GTraceTest, EntryMadeWhileWritingIsDropped) {
    struct TracingStream : GOutStream {
        GBuffer bytes;
        int Write(GBuffer const& data) override {
            GTrace::GetInstance()->Trace<char const*>(GBuffer("Cat"), kWhere, "inner");
            bytes += data;
            return data.GetLength();
        }
    };
    auto* stream = new TracingStream;
    GTrace::SetInstance(new GTrace(GAutoPtr<GOutStream, GDeletePtr>(stream)));
    GTrace::GetInstance()->Trace<char const*>(GBuffer("Cat"), GCodeLocation{"a.cpp", nullptr, 1}, "outer");
    EXPECT_EQ(Str(stream->bytes).find("inner"), std::string::npos);
    EXPECT_NE(Str(stream->bytes).find("outer"), std::string::npos);
    GTrace::SetInstance(nullptr);
}

TEST_F(GTraceTest, StreamDataFollowsOnlyALoggedEntry) {
    WritePrefs({{"Detail", {{"Log", "0"}}}});
    GBuffer out;
    GTrace trace(GAutoPtr<GOutStream, GDeletePtr>(new GMemoryOutStream(out)));
    GBuffer data("0123456789");
    GMemoryInStream in(data);
    GBuffer skipped;
    in.Read(skipped, 2);

    trace.Trace<char const*>(GBuffer("Cat"), GCodeLocation{"a.cpp", nullptr, 1}, "data:");
    trace.TraceStreamData(&in, 4);
    trace.Trace<char const*>(GBuffer("Detail"), kWhere, "hidden");
    trace.TraceStreamData(&in, 4);
    EXPECT_EQ(Str(out), "\n *** Cat a.cpp:1 data:2345");
    GBuffer next;
    in.Read(next, 1);
    EXPECT_EQ(Str(next), "2");
}

// Skipped string-file tables reach the trace through the string pools' hook.
TEST_F(GTraceTest, StringPoolReportsReachTheTrace) {
    GBuffer out;
    GTrace::SetInstance(new GTrace(GAutoPtr<GOutStream, GDeletePtr>(new GMemoryOutStream(out))));
    GStringPoolDataStruct const rows[] = {{90001, "text"}};
    GStringPoolData::AddStringPoolData(GBuffer("xxXX"), "NoSuchEncoding", rows, 1, false);
    EXPECT_NE(Str(out).find("StringPool"), std::string::npos) << Str(out);
    GTrace::SetInstance(nullptr);
    EXPECT_NO_THROW(GStringPoolData::AddStringPoolData(GBuffer("xxXX"), "NoSuchEncoding", rows, 1, false));
}

// Eight threads tracing at once: every line whole, none lost, none interleaved.
TEST_F(GTraceTest, ConcurrentThreadsWriteWholeLines) {
    WritePrefs({{"Defaults", {{"LogLocation", "0"}}}});
    Watchdog watchdog(std::chrono::seconds(60), "eight threads tracing");
    constexpr int kThreads = 8;
    constexpr int kEntries = 300;
    {
        GTrace::SetInstance(new GTrace);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t] {
                const std::string text = "thread " + std::to_string(t) + " " + std::string(200, static_cast<char>('a' + t));
                for (int i = 0; i < kEntries; ++i) {
                    GTraceBlock block(GBuffer("Cat"), GBuffer("B"), kWhere);
                    GTrace::TraceToInstance(GBuffer("Cat"), kWhere, GBuffer(text.c_str()));
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        GTrace::SetInstance(nullptr);
    }
    std::istringstream lines(ReadAll(TraceFile()));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "");  // every entry starts with its line feed
    std::map<std::string, int> counts;
    while (std::getline(lines, line)) {
        // Strip the block indents, which depend on the other threads' blocks.
        const size_t start = line.find_first_not_of(' ');
        counts[start == std::string::npos ? line : line.substr(start)]++;
    }
    EXPECT_EQ(counts.size(), static_cast<size_t>(kThreads + 2));
    EXPECT_EQ(counts["*** Cat Beginning: B"], kThreads * kEntries);
    EXPECT_EQ(counts["*** Cat Ending: B"], kThreads * kEntries);
    for (int t = 0; t < kThreads; ++t) {
        const std::string text = "*** Cat thread " + std::to_string(t) + " " + std::string(200, static_cast<char>('a' + t));
        EXPECT_EQ(counts[text], kEntries) << t;
    }
}

}  // namespace
