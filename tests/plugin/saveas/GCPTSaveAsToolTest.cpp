// The save-as tool: its request, what it sends, how it shows failures, and the package notice's
// text for old and new receivers. Notices reaching a real receiver: tests/tools.
#include "plugin/saveas/GCPTFeatureConfiguration.h"
#include "plugin/saveas/GCPTSaveAsTool.h"
#include "plugin/saveas/SaveAsFixture.h"

using namespace saveastest;
using namespace preftest;

namespace {

std::pair<std::string, std::string> const kNotLaunched{
    "Export to Trovelor error", "Unable to automatically launch Trovelor. Launch the Trovelor manually and try again."};

class SaveAsTool : public SaveAsFixture {};

}  // namespace

TEST_F(SaveAsTool, ItObservesItsActionForItsLifetime) {
    TestAction action;
    GCPTFeatureConfiguration const features;
    {
        GCPTSaveAsTool const tool(action, &features);
        ASSERT_EQ(1, action.GetObserverCount());
        EXPECT_EQ(&tool, action.GetObserverAt(0));
        EXPECT_EQ(0, action.GetPriorityAt(0));
        EXPECT_EQ(&features, tool.GetFeatureConfiguration());
    }
    EXPECT_EQ(0, action.GetObserverCount());
}

TEST_F(SaveAsTool, WithoutAChosenTrovelorThereIsNothingToSend) {
    TestAction action;
    Outcomes outcomes(action);
    GCPTSaveAsTool tool(action, nullptr);
    EXPECT_TRUE(tool.GetPrinterName().IsEmpty());
    EXPECT_EQ(nullptr, tool.GetPluginSettings());
    tool.SetPageRange(T("1-2"));
    EXPECT_EQ(nullptr, tool.GetRequest());
    EXPECT_EQ(-1, tool.ExportToPDF());
    EXPECT_EQ(nullptr, action.GetRequest());
    EXPECT_TRUE(outcomes.mCodes.empty());
    EXPECT_TRUE(mErrors.empty());
}

TEST_F(SaveAsTool, EachChoiceMakesAFreshRequestThatTheActionReceives) {
    TestAction action;
    GCPTSaveAsTool tool(action, nullptr);
    tool.SetPrinterName(T("Press"));
    tool.GetPluginSettings()->SetUserSettingEnable(true);
    tool.SetPageRange(T("3-"));
    EXPECT_EQ(1, tool.GetRequest()->GetHasRange());

    tool.SetPrinterName(T("Proof Ü"));
    EXPECT_EQ("Proof Ü", U8(tool.GetPrinterName()));
    EXPECT_EQ(0, tool.GetRequest()->GetHasRange());
    EXPECT_FALSE(tool.GetPluginSettings()->IsUserSettingEnabled());
    tool.GetPluginSettings()->SetMarkBleedAllow(true);
    tool.SetPageRange(T("2, 4-5"));

    EXPECT_EQ(0, tool.ExportToPDF());
    GCPTSaveAsProperties const* copy = action.GetRequest();
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ("Proof Ü", U8(copy->GetName()));
    EXPECT_EQ(1, copy->GetHasRange());
    EXPECT_EQ("2, 4-5", U8(copy->GetRange()));
    EXPECT_TRUE(copy->GetPluginSettings()->IsMarkBleedAllowed());
    // The Trovelor is not registered: no job options, and the tool shows why.
    EXPECT_EQ(Shown({{"Export to Trovelor error", "Unable to retrieve PDF setting: Proof Ü"}}), mErrors);
}

TEST_F(SaveAsTool, ItReactsOnlyToItsOwnActionAndNotToAStop) {
    TestAction action;
    TestAction other;
    GCPTSaveAsTool tool(action, nullptr);
    tool.SetPrinterName(T("Press"));
    other.Attach(&tool, 0);
    other.SetLastError(T("not mine"));
    other.Notify(GCPTSaveAsAction::cExportFailed);
    other.Notify(GCPTSaveAsAction::cExportSucceeded);
    action.Notify(GCPTSaveAsAction::cExportStopped);
    action.Notify(42);
    EXPECT_TRUE(mErrors.empty());
    action.SetLastError(T("Plug-in Error: Invalid document."));
    action.Notify(GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(Shown({{"Export to Trovelor error", "Plug-in Error: Invalid document."}}), mErrors);
}

TEST_F(SaveAsTool, AnUndeliveredNoticeIsShownOnceAndTheSecondIsNotTried) {
    PackageReadAction action(ExportFolder());
    GCPTSaveAsTool tool(action, nullptr);
    tool.SetPrinterName(T("Press"));
    tool.GetPluginSettings()->IncludeFilePackage(true);
    EXPECT_EQ(0, tool.ExportToPDF());  // nobody listens
    EXPECT_FALSE(action.GetPackagePath().IsEmpty());
    EXPECT_EQ(Shown({kNotLaunched}), mErrors);
}

TEST_F(SaveAsTool, ASuccessWithoutARecordedFileIsNotAnnouncedAsAJob) {
    PackageReadAction action(ExportFolder());
    action.mSave = [](TestAction&, GCPTSaveAsProperties const&, GPathName const&) { return true; };
    GCPTSaveAsTool tool(action, nullptr);
    tool.SetPrinterName(T("Press"));
    tool.ExportToPDF();
    EXPECT_EQ(Shown({kNotLaunched}), mErrors);
}

TEST_F(SaveAsTool, NewerReceiversGetThePackageAsAMarkedFileURL) {
    struct Case {
        int build;
        bool url;
    };
    for (Case const& c : {Case{0, false}, Case{665, false}, Case{666, true}, Case{667, false}, Case{637639, false},
                          Case{637640, true}, Case{700000, true}}) {
        std::string const text = U8(GCPTSaveAsTool::GetPackageNoticeText(P("/tmp/a b Folder"), c.build));
        EXPECT_EQ(c.url ? "file:///tmp/a%20b%20Folder?isinddpkg=true" : "/tmp/a b Folder", text) << c.build;
    }
    // Characters of the URL's own syntax and beyond ASCII stay inside the path.
    GString const url = GCPTSaveAsTool::GetPackageNoticeText(P("/tmp/50% ?#Ü&x=y Folder"), 637640);
    EXPECT_EQ("file:///tmp/50%25%20%3F%23%C3%9C&x=y%20Folder?isinddpkg=true", U8(url));
    // Sent as a path, the text arrives as it is.
    EXPECT_EQ(U8(url), U8(GPathName(url).GetNativePathString()));
}
