// The export request and the real export over Trovelor packages made by the printer-processor
// side's writer and registered in the private user's registry: what a request reads from a
// package, and how the action's own export ends with one.
#include <unistd.h>

#include "plugin/saveas/GCPTSaveAsProperties.h"
#include "plugin/saveas/SaveAsFixture.h"
#include "printerprocessor/packages/GPPTrovelorPackage.h"
#include "services/preferences/GPreferences.h"
#include "support/TrovelorPackages.h"

using namespace saveastest;
using namespace preftest;

namespace {

std::string const kJobOptions = "<< /CompatibilityLevel 1.4 /PDFXSetBleedBoxToMediaBox true >>\n";

enum class Shape { kWhole, kDamagedSettings, kDamagedJobOptions, kNoPrinterFile };

class SaveAsPackage : public SaveAsFixture {
protected:
    // Registers name with a package of that shape (job options, then the settings of
    // AddSettings) and build number; the package's native path.
    static std::string Make(std::string const& name, Shape shape, int build) {
        GPPTrovelorPackageWriter writer;
        if (shape != Shape::kNoPrinterFile)
            writer.AddPrinterFile("Press.joboptions", kJobOptions);
        packagetest::AddSettings(writer);
        GPathName const package = GPPTrovelorPackageWriter::GetPackagePath(T("GUID-" + name));
        std::string error;
        EXPECT_TRUE(writer.Write(package, error)) << error;
        EXPECT_TRUE(GPPTrovelorPackageWriter::Register(T(name), package, build, T("Press")));
        std::string const path = Native(package);
        if (shape == Shape::kDamagedSettings)
            packagetest::DamageEntry(path, GPPTrovelorPackage::cProjectPrefsEntry);
        if (shape == Shape::kDamagedJobOptions)
            packagetest::DamageEntry(path, "PrinterFiles/Press.joboptions");
        return path;
    }

    static int GroupCount(GCPTSaveAsProperties const& request) {
        GTable<GBuffer> groups;
        request.GetProjectPreferences().GetGroupNames(groups);
        return int(groups.GetCount());
    }
};

struct RequestCase {
    char const* what;
    Shape shape;
    int build;
    bool jobOptions;
    bool settings;
};

}  // namespace

TEST_F(SaveAsPackage, ARequestTakesWhatItsPackageHoldsAndTheRegistrysBuildNumber) {
    RequestCase const cases[] = {
        {"whole", Shape::kWhole, 637640, true, true},
        // The build number comes from the registry whether or not the package could be read.
        {"damaged settings", Shape::kDamagedSettings, 665, true, false},
        {"damaged job options", Shape::kDamagedJobOptions, 637639, false, true},
        {"no printer file", Shape::kNoPrinterFile, 12, false, true},
    };
    for (RequestCase const& c : cases) {
        SCOPED_TRACE(c.what);
        std::string const name = std::string("Press ") + c.what;
        Make(name, c.shape, c.build);
        GCPTSaveAsProperties const request(T(name));
        EXPECT_EQ(name, U8(request.GetName()));
        EXPECT_EQ(c.build, request.GetBuildNumber());
        ASSERT_EQ(c.jobOptions, !request.GetJobOptions().IsEmpty());
        if (c.jobOptions) {
            EXPECT_EQ(kJobOptions, packagetest::ReadBytes(Native(request.GetJobOptions())));
        }
        if (c.settings) {
            EXPECT_EQ(2.5, request.GetPluginSettings()->GetMarkOffset());
        } else {
            EXPECT_EQ(0, GroupCount(request));
        }
        EXPECT_EQ(0, request.GetHasRange());
    }
}

TEST_F(SaveAsPackage, ACopyCarriesChangedSettingsWithoutReadingThePackageAgain) {
    std::string const package = Make("Press", Shape::kWhole, 700000);
    GCPTSaveAsProperties request(T("Press"));
    request.GetPluginSettings()->SetMarkOffset(7.0);
    request.GetPluginSettings()->IncludeFilePackage(true);
    // A copy that read the package again would come out empty.
    ASSERT_EQ(0, unlink(package.c_str()));
    GCPTSaveAsProperties const copy(request);
    EXPECT_EQ(7.0, copy.GetPluginSettings()->GetMarkOffset());
    EXPECT_TRUE(copy.GetPluginSettings()->IsFilePackageIncluded());
    EXPECT_EQ(700000, copy.GetBuildNumber());
    EXPECT_EQ(U8(request.GetJobOptions().GetNativePathString()), U8(copy.GetJobOptions().GetNativePathString()));
    EXPECT_EQ(kJobOptions, packagetest::ReadBytes(Native(copy.GetJobOptions())));
}

namespace {

enum class Step { kWrite, kStop, kFail, kThrow, kPackageFails };

struct ExportCase {
    char const* what;
    Shape shape;
    Step step;
    std::vector<int> outcomes;
    char const* error;  // "" when none
    bool stepRan;
};

}  // namespace

// However the export ends, it loads the job options that the request extracted (the package is
// read once, when the request is made), and once the request is let go no folder of that read is
// left, nor a record of one.
TEST_F(SaveAsPackage, TheActionsOwnExportEndsByWhatThePackageGivesIt) {
    std::vector<int> const failed{GCPTSaveAsAction::cExportFailed};
    ExportCase const cases[] = {
        {"whole", Shape::kWhole, Step::kWrite, {GCPTSaveAsAction::cExportSucceeded}, "", true},
        // Only the job options are needed to export.
        {"damaged settings", Shape::kDamagedSettings, Step::kWrite, {GCPTSaveAsAction::cExportSucceeded}, "", true},
        {"stopped", Shape::kWhole, Step::kStop, {GCPTSaveAsAction::cExportStopped}, "", true},
        {"pdf fails", Shape::kWhole, Step::kFail, failed, "Plug-in Error: Unable to execute PDF Export command", true},
        {"pdf throws", Shape::kWhole, Step::kThrow, failed, "Plug-in Error: Unable to execute PDF Export command", true},
        {"package fails", Shape::kWhole, Step::kPackageFails, failed,
         "Plug-in Error: Unable to execute Create Package command", true},
        {"no printer file", Shape::kNoPrinterFile, Step::kWrite, failed,
         "Unable to retrieve PDF setting: Press no printer file", false},
        {"damaged job options", Shape::kDamagedJobOptions, Step::kWrite, failed,
         "Unable to retrieve PDF setting: Press damaged job options", false},
    };
    for (ExportCase const& c : cases) {
        SCOPED_TRACE(c.what);
        std::string const name = std::string("Press ") + c.what;
        Make(name, c.shape, 637640);
        TestAction action;
        Outcomes outcomes(action);
        std::string seenJobOptions;
        int foldersInStep = -1;
        action.mSave = [&](TestAction& self, GCPTSaveAsProperties const& request, GPathName const& folder) {
            seenJobOptions = packagetest::ReadBytes(Native(request.GetJobOptions()));
            foldersInStep = packagetest::PackageFolders();
            switch (c.step) {
            case Step::kStop:
                SendRequest(GCPTSaveAsAction::cStopRequestSignal, request);
                return false;
            case Step::kFail:
                return false;
            case Step::kThrow:
                throw 1;
            default:
                return self.WritePDF(folder);
            }
        };
        if (c.step == Step::kPackageFails)
            action.mPackage = [](TestAction&, GPathName const&) { return false; };
        {
            GCPTSaveAsProperties request(T(name));
            request.GetPluginSettings()->IncludeFilePackage(true);
            EXPECT_EQ(c.stepRan ? 1 : 0, packagetest::PackageFolders());
            SendRequest(GCPTSaveAsAction::cExportRequestSignal, request);
            // The sender's request still holds its job options; the action's copy has let go.
            EXPECT_EQ(c.stepRan, !request.GetJobOptions().IsEmpty());
            ASSERT_NE(nullptr, action.GetRequest());
            EXPECT_TRUE(action.GetRequest()->GetJobOptions().IsEmpty());
        }
        EXPECT_EQ(0, packagetest::PackageFolders()) << "left behind";
        GTable<GBuffer> recorded;
        GPreferences::GetPrefModule(GPreferences::kUserLevel)->GetGroupPreferences(GBuffer("SmartFileList"), recorded);
        EXPECT_LE(recorded.GetCount(), 1) << "only MaxCount";
        EXPECT_EQ(c.outcomes, outcomes.mCodes);
        EXPECT_EQ(c.stepRan ? 1u : 0u, action.mSaveFolders.size());
        if (c.stepRan) {
            EXPECT_EQ(kJobOptions, seenJobOptions);
            EXPECT_EQ(1, foldersInStep) << "the package was read again";
        }
        if (c.outcomes.front() == GCPTSaveAsAction::cExportFailed) {
            EXPECT_EQ(c.error, U8(action.GetLastError()));
            continue;
        }
        if (c.step == Step::kStop) {
            EXPECT_TRUE(action.mPackageFolders.empty());
            EXPECT_FALSE(action.IsStopProcessing());
            continue;
        }
        EXPECT_TRUE(action.GetLastError().IsEmpty());
        GPathName folder;
        ASSERT_TRUE(GCPTSaveAsAction::GetOutputFolder(T(name), folder));
        EXPECT_EQ(Native(folder) + "/Brochure.pdf", Native(action.GetSaveAsPDF()));
        EXPECT_EQ("%PDF-1.4\n", packagetest::ReadBytes(Native(action.GetSaveAsPDF())));
        EXPECT_EQ(Native(folder) + "/Brochure Folder", Native(action.GetPackagePath()));
    }
}

// A request made before its Trovelor's package was in place has no job options: the export says
// so rather than reading the package behind the request's back.
TEST_F(SaveAsPackage, AnExportUsesTheJobOptionsOfItsRequestOnly) {
    RegisterTrovelor("Press late");
    GCPTSaveAsProperties request(T("Press late"));
    ASSERT_TRUE(request.GetJobOptions().IsEmpty());
    Make("Press late", Shape::kWhole, 637640);
    TestAction action;
    Outcomes outcomes(action);
    SendRequest(GCPTSaveAsAction::cExportRequestSignal, request);
    EXPECT_EQ(std::vector<int>{GCPTSaveAsAction::cExportFailed}, outcomes.mCodes);
    EXPECT_EQ("Unable to retrieve PDF setting: Press late", U8(action.GetLastError()));
    EXPECT_EQ(0, packagetest::PackageFolders());
}
