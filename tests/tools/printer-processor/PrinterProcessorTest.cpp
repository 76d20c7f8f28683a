// The job hand-off end to end: the real stand-in program in a private sandbox, notices sent by
// this process through the job notifier.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "printerprocessor/ipc/GPPIPCManager.h"
#include "support/ShmTestEnvironment.h"
#include "support/Watchdog.h"
#include "tools/printer-processor/StandInFixture.h"

using namespace standin;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The actor name as it stands in the UTF-16LE registry file.
std::string AsUTF16LE(const std::string& ascii) {
    std::string out;
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

GBuffer RawNotice(const std::string& jobPath) {
    const std::string text = "#BEGINDICT\r\"UserName\" \"carol\"\r\"JobPath\" \"" + jobPath +
                             "\"\r\"PrinterName\" \"P\"\r\"PortName\" \"1\"\r\"CopyCount\" \"1\"\r#ENDDICT\r";
    return GBuffer(reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
}

}  // namespace

TEST(PrinterProcessor, NoticeArrivesOnceWithItsFieldsAndTerminateEndsItCleanly) {
    const Watchdog watchdog(std::chrono::seconds(60), "end-to-end notice");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("Job 1.pdf", "%PDF-");
    {
        LayerScope layer;
        ASSERT_TRUE(layer.Started());
        StandIn receiver;
        ASSERT_TRUE(receiver.Start(sandbox.Out() + "/notices.txt"));

        const std::string registry = sandbox.Root() + "/config/Kelvora Prefs Folder/Printer Processor/KelvoraPrinterProcessor.prefs";
        const std::string actor = AsUTF16LE("PrinterProcessor " + std::to_string(receiver.Pid()));
        EXPECT_NE(ReadFile(registry).find(actor), std::string::npos) << "actor registered in the sandbox";

        const GPPJobInfo info(Text("alice \"A\" \\ x"), GPathName(Text(job)), Text("Proof"), Text("10987"), 1, GString());
        const auto start = Clock::now();
        EXPECT_TRUE(Notify(info));
        EXPECT_LT(MillisecondsSince(start), 2000) << "a polling receiver takes the notice within one wait step";

        const std::vector<Line> lines = receiver.AwaitLines(1);
        ASSERT_EQ(lines.size(), 1u);
        const Line expected = {std::to_string(getpid()), std::to_string(receiver.Registration()), "accepted",
                               "alice \"A\" \\ x", job, "Proof", "10987", "1", "", "5"};
        EXPECT_EQ(lines[0], expected);

        EXPECT_EQ(receiver.Terminate(), 0);
        EXPECT_EQ(receiver.Lines().size(), 1u) << "nothing duplicated";
        EXPECT_EQ(ReadFile(registry).find(actor), std::string::npos) << "actor removed at the end";
        EXPECT_FALSE(Notify(info)) << "nobody listens any more";
    }
    EXPECT_TRUE(ShmTestEnvironment::Leftovers(ShmTestEnvironment::Prefix()).empty());
}

TEST(PrinterProcessor, InvalidNoticeIsSentToNobody) {
    const Watchdog watchdog(std::chrono::seconds(60), "invalid notice");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(sandbox.Out() + "/notices.txt"));

    const GPPJobInfo noCopies(Text("bob"), GPathName(Text(job)), Text("P"), Text("1"), 0, GString());
    const GPPJobInfo noUser(GString(), GPathName(Text(job)), Text("P"), Text("1"), 1, GString());
    EXPECT_FALSE(Notify(noCopies));
    EXPECT_FALSE(Notify(noUser));
    EXPECT_TRUE(Notify(Notice("bob", job)));
    const std::vector<Line> lines = receiver.AwaitLines(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][kUser], "bob");
    EXPECT_EQ(receiver.Terminate(), 0);
    EXPECT_EQ(receiver.Lines().size(), 1u);
}

TEST(PrinterProcessor, JobPathsAreConfinedToTheOutputFolder) {
    const Watchdog watchdog(std::chrono::seconds(60), "confinement");
    Sandbox sandbox;
    const std::string out = sandbox.Out();
    sandbox.WriteJob("inside.pdf", "1234");
    mkdir((out + "/package").c_str(), 0700);
    ASSERT_EQ(symlink("/etc", (out + "/etc-link").c_str()), 0);
    ASSERT_EQ(symlink("/etc/hostname", (out + "/file-link").c_str()), 0);
    ASSERT_EQ(symlink(out.c_str(), (out + "/self-link").c_str()), 0);
    LayerScope layer;
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(out + "/notices.txt", {"--folder", out}));

    // A notice normalises its path; a hostile sender writes the text itself.
    struct Case {
        std::string path;
        bool raw;
        const char* verdict;
        const char* detail;
    } const cases[] = {
        {out + "/inside.pdf", false, "accepted", "4"},
        {out + "/package", false, "accepted", "folder"},
        {out + "/missing.pdf", false, "missing", "missing"},
        {"/etc/passwd", false, "refused", "outside folder"},
        {out + "/../out/inside.pdf", true, "refused", "dot component"},
        {out + "/./inside.pdf", true, "refused", "dot component"},
        {"out/inside.pdf", true, "refused", "not absolute"},
        {out + "/etc-link/passwd", false, "refused", "symbolic link"},
        {out + "/file-link", false, "refused", "symbolic link"},
        {out + "/self-link/inside.pdf", false, "refused", "symbolic link"},
        {out + "-sibling/x.pdf", false, "refused", "outside folder"},
        {out, false, "refused", "the folder itself"},
    };
    for (const Case& c : cases) {
        if (c.raw)
            EXPECT_TRUE(GPPIPCManager::GetInstance()->SendOnceRaw(receiver.Pid(), 145, RawNotice(c.path))) << c.path;
        else
            EXPECT_TRUE(Notify(Notice("carol", c.path))) << c.path;
    }
    const std::vector<Line> lines = receiver.AwaitLines(std::size(cases));
    ASSERT_EQ(lines.size(), std::size(cases));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), static_cast<std::size_t>(kFieldCount));
        EXPECT_EQ(lines[i][kVerdict], cases[i].verdict) << cases[i].path;
        EXPECT_EQ(lines[i][kDetail], cases[i].detail) << cases[i].path;
    }
    EXPECT_EQ(receiver.Terminate(), 0);
}

TEST(PrinterProcessor, BadArgumentsEndWithUsage) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"--output"}, {"--output", "x", "--read-after", "soon"}, {"--bogus"},
          {"--output", "x", "--no-read", "--read-after", "5"}}) {
        SpawnedProgram program;
        ASSERT_TRUE(program.Start(TROVEL_PRINTER_PROCESSOR, arguments));
        EXPECT_EQ(program.Wait(10000), 2);
    }
}
