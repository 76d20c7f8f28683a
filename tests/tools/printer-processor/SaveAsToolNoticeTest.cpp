// The save-as tool's job notices reach the real stand-in program after an export: the PDF, then
// the package folder beside it; nothing for an export that recorded no file. For Trovelors
// registered with real packages, the action's own export and the package notice in the form the
// Trovelor's build number asks for.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "plugin/saveas/GCPTSaveAsTool.h"
#include "plugin/preferences/PluginPrefTestSupport.h"
#include "plugin/saveas/SaveAsTestAction.h"
#include "plugin/tools/ZARidizoTools.h"
#include "services/messages/GUserMessage.h"
#include "support/ShmTestEnvironment.h"
#include "support/TrovelorPackages.h"
#include "support/Watchdog.h"
#include "tools/printer-processor/StandInFixture.h"

using namespace standin;

namespace {

class CountingMessages : public GUserMessage {
public:
    explicit CountingMessages(int& errors) : mErrors(errors) {}
    void ShowErrorMessage(GString const&, GString const&) const override { ++mErrors; }

private:
    int& mErrors;
};

// The user-message instance for one test.
class MessagesScope {
public:
    MessagesScope() { GUserMessage::SetInstance(new CountingMessages(mErrors)); }
    ~MessagesScope() { GUserMessage::SetInstance(nullptr); }
    MessagesScope(MessagesScope const&) = delete;
    MessagesScope& operator=(MessagesScope const&) = delete;
    int Errors() const { return mErrors; }

private:
    int mErrors = 0;
};

Line Expected(int registration, std::string const& job) {
    return {std::to_string(getpid()), std::to_string(registration), "accepted", getpwuid(getuid())->pw_name,
            job,  "Press Ü", "10987", "1", ""};
}

// The sandbox's paths are plain ASCII: only their blanks are escaped in a URL.
std::string ToURLPath(std::string const& path) {
    std::string out;
    for (char c : path)
        out += c == ' ' ? std::string("%20") : std::string(1, c);
    return out;
}

// A Trovelor of that build number with a whole package, registered in the sandbox's registry.
void Register(std::string const& name, int build) {
    GPPTrovelorPackageWriter writer;
    writer.AddPrinterFile("Press.joboptions", packagetest::JobOptionsText(4096));
    packagetest::AddSettings(writer);
    GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(Text("GUID-" + name));
    std::string error;
    ASSERT_TRUE(writer.Write(package, error)) << error;
    ASSERT_TRUE(GPPTrovelorPackageWriter::Register(Text(name), package, build, Text("Press")));
}

struct BuildCase {
    int build;
    bool url;  // the package as a marked "file" URL, else its plain path
};

Line Head(Line const& line) { return Line(line.begin(), line.begin() + std::min<long>(kDetail, line.size())); }

}  // namespace

TEST(SaveAsToolNotice, APDFAndItsPackageAreHandedOverForEachExport) {
    const Watchdog watchdog(std::chrono::seconds(90), "save-as notices");
    Sandbox sandbox;
    {
        LayerScope layer;
        ASSERT_TRUE(layer.Started());
        MessagesScope messages;
        StandIn receiver;
        ASSERT_TRUE(receiver.Start(sandbox.Out() + "/notices.txt"));
        saveastest::PackageReadAction action(GPathName(Text(sandbox.Out() + "/Press")));
        GCPTSaveAsTool tool(action, nullptr);
        tool.SetPrinterName(Text("Press Ü"));
        tool.GetPluginSettings()->IncludeFilePackage(true);

        std::vector<std::string> jobs;
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(0, tool.ExportToPDF());
            jobs.push_back(saveastest::Native(action.GetSaveAsPDF()));
            jobs.push_back(saveastest::Native(action.GetPackagePath()));
        }
        EXPECT_EQ(sandbox.Out() + "/Press/Brochure.pdf", jobs[0]);
        EXPECT_EQ(sandbox.Out() + "/Press/Brochure Folder", jobs[1]);
        EXPECT_NE(jobs[0], jobs[2]);
        const std::vector<Line> lines = receiver.AwaitLines(4);
        ASSERT_EQ(4u, lines.size());
        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(Expected(receiver.Registration(), jobs[i]), Head(lines[i])) << i;
        EXPECT_EQ("folder", lines[1][kDetail]);
        EXPECT_EQ(0, messages.Errors());

        // An export that says it succeeded but recorded no PDF sends nothing, and says so.
        action.mSave = [](saveastest::TestAction&, GCPTSaveAsProperties const&, GPathName const&) { return true; };
        EXPECT_EQ(0, tool.ExportToPDF());
        EXPECT_EQ(1, messages.Errors());

        // The marked URL of a newer receiver's package notice arrives as it was written.
        const GString url = GCPTSaveAsTool::GetPackageNoticeText(GPathName(Text(jobs[1])), 637640);
        EXPECT_TRUE(ZARidizoTools::NotifyPrinterProcessor(Text("Press Ü"), GPathName(url)));
        const std::vector<Line> after = receiver.AwaitLines(5);
        ASSERT_EQ(5u, after.size());
        EXPECT_EQ(std::string("file://") + ToURLPath(jobs[1]) + "?isinddpkg=true", after[4][kJobPath]);
        EXPECT_EQ(receiver.Terminate(), 0);
    }
    EXPECT_TRUE(ShmTestEnvironment::Leftovers(ShmTestEnvironment::Prefix()).empty());
}

TEST(SaveAsPackageNotice, TheTrovelorsBuildNumberDecidesHowThePackageIsAnnounced) {
    const Watchdog watchdog(std::chrono::seconds(90), "save-as package notices");
    BuildCase const cases[] = {{637639, false}, {637640, true}, {700000, true}, {666, true}, {665, false}};
    Sandbox sandbox;
    // Folders an earlier test of this process found belong to its sandbox, not this one.
    plugintest::ForgetSpecialPaths();
    {
        LayerScope layer;
        ASSERT_TRUE(layer.Started());
        MessagesScope messages;
        // The action exports into the user's output folder: the receiver takes jobs from there.
        GPathName output;
        ASSERT_TRUE(ZARidizoTools::GetOutputPDFPath(output));
        StandIn receiver;
        ASSERT_TRUE(receiver.Start(sandbox.Out() + "/notices.txt", {"--folder", saveastest::Native(output)}));
        saveastest::TestAction action;
        saveastest::Outcomes outcomes(action);
        GCPTSaveAsTool tool(action, nullptr);

        std::vector<std::string> expected;  // job path of each notice, in order
        for (BuildCase const& c : cases) {
            SCOPED_TRACE(c.build);
            std::string const name = "Press" + std::to_string(c.build);
            Register(name, c.build);
            tool.SetPrinterName(Text(name));
            ASSERT_EQ(c.build, tool.GetRequest()->GetBuildNumber());
            tool.GetPluginSettings()->IncludeFilePackage(true);
            ASSERT_EQ(0, tool.ExportToPDF());
            std::string const package = saveastest::Native(action.GetPackagePath());
            ASSERT_FALSE(package.empty());
            expected.push_back(saveastest::Native(action.GetSaveAsPDF()));
            expected.push_back(c.url ? "file://" + ToURLPath(package) + "?isinddpkg=true" : package);
        }
        EXPECT_EQ(std::vector<int>(std::size(cases), GCPTSaveAsAction::cExportSucceeded), outcomes.mCodes);
        const std::vector<Line> lines = receiver.AwaitLines(expected.size());
        ASSERT_EQ(expected.size(), lines.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(expected[i], lines[i][kJobPath]) << i;
            EXPECT_EQ("Press" + std::to_string(cases[i / 2].build), lines[i][kPrinter]) << i;
            // The stand-in checks plain paths only; a URL is not one.
            if (i % 2 == 0 || !cases[i / 2].url) {
                EXPECT_EQ("accepted", lines[i][kVerdict]) << i;
            }
        }
        EXPECT_EQ(0, messages.Errors());
        EXPECT_EQ(receiver.Terminate(), 0);
    }
    plugintest::ForgetSpecialPaths();
    EXPECT_TRUE(ShmTestEnvironment::Leftovers(ShmTestEnvironment::Prefix()).empty());
}
