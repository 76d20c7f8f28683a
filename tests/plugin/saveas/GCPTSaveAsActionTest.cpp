// The save-as action: which requests it takes, how an export ends (11, 12, 13), what it records,
// requests arriving during an export, and the unique output paths.
#include <QtCore/QCoreApplication>
#include <QtCore/QTranslator>

#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/GException.h"
#include "plugin/saveas/GCPTSaveAsAction.h"
#include "plugin/saveas/SaveAsFixture.h"
#include "plugin/tools/ZARidizoTools.h"

using namespace saveastest;
using namespace preftest;

namespace {

constexpr int kExport = GCPTSaveAsAction::cExportRequestSignal;
constexpr int kStop = GCPTSaveAsAction::cStopRequestSignal;
using Codes = std::vector<int>;
Codes const kSucceeded{GCPTSaveAsAction::cExportSucceeded};
Codes const kFailed{GCPTSaveAsAction::cExportFailed};
Codes const kStopped{GCPTSaveAsAction::cExportStopped};

class SaveAsAction : public SaveAsFixture {
protected:
    static GCPTSaveAsProperties Request(char const* name, bool package = false) {
        GCPTSaveAsProperties request(T(name));
        request.GetPluginSettings()->IncludeFilePackage(package);
        return request;
    }
    std::string Folder() const { return Native(ExportFolder()); }
};

}  // namespace

TEST_F(SaveAsAction, ItListensToBothSignalsForItsLifetimeAndIsNamedInTheCurrentLanguage) {
    auto* exportSignal = GSignal<GCPTSaveAsProperties>::GetSignal(kExport);
    auto* stopSignal = GSignal<GCPTSaveAsProperties>::GetSignal(kStop);
    int const exports = exportSignal->GetReceiverCount();
    int const stops = stopSignal->GetReceiverCount();
    {
        TestAction action;
        EXPECT_TRUE(action.IsActive());
        EXPECT_EQ(exports + 1, exportSignal->GetReceiverCount());
        EXPECT_EQ(stops + 1, stopSignal->GetReceiverCount());
        EXPECT_EQ("Export to Trovelor...", U8(action.GetName()));
        EXPECT_EQ("Export to Trovelor", U8(action.GetTitle()));
    }
    EXPECT_EQ(exports, exportSignal->GetReceiverCount());
    EXPECT_EQ(stops, stopSignal->GetReceiverCount());

    QTranslator german;
    ASSERT_TRUE(german.load(QString(TROVEL_PLUGIN_STRINGS_DIR) + "/Plugin_deDE.qm"));
    QCoreApplication::installTranslator(&german);
    TestAction action;
    QCoreApplication::removeTranslator(&german);
    EXPECT_EQ("Nach Trovelor exportieren...", U8(action.GetName()));
    EXPECT_EQ("Nach Trovelor exportieren", U8(action.GetTitle()));
}

TEST_F(SaveAsAction, OnlyTheActiveActionTakesAndExportsARequest) {
    TestAction document;
    TestAction book;
    book.SetActiveState(false);
    Outcomes documentOutcomes(document);
    Outcomes bookOutcomes(book);
    SendRequest(kExport, Request("Press"));
    EXPECT_EQ(kFailed, documentOutcomes.mCodes);
    EXPECT_EQ("Unable to retrieve PDF setting: Press", U8(document.GetLastError()));
    EXPECT_EQ("Press", U8(document.GetPackageName()));
    EXPECT_TRUE(bookOutcomes.mCodes.empty());
    EXPECT_EQ(nullptr, book.GetRequest());
    EXPECT_TRUE(book.GetPackageName().IsEmpty());
    EXPECT_FALSE(book.Execute()) << "an inactive action exports nothing";
}

TEST_F(SaveAsAction, ARegisteredTrovelorWithoutJobOptionsFailsWithItsName) {
    RegisterTrovelor("Press Ü");
    TestAction action;
    Outcomes outcomes(action);
    SendRequest(kExport, Request("Press Ü"));
    EXPECT_EQ(kFailed, outcomes.mCodes);
    EXPECT_EQ("Unable to retrieve PDF setting: Press Ü", U8(action.GetLastError()));
    EXPECT_TRUE(action.mSaveFolders.empty());
}

TEST_F(SaveAsAction, AnEmptyTrovelorOnlyUpdatesTheCopy) {
    PackageReadAction action(ExportFolder());
    Outcomes outcomes(action);
    GCPTSaveAsProperties request = Request("", true);
    request.SetPageRange(T("2-4"));
    SendRequest(kExport, request);
    EXPECT_TRUE(outcomes.mCodes.empty());
    EXPECT_TRUE(action.mSaveFolders.empty());
    ASSERT_NE(nullptr, action.GetRequest());
    EXPECT_NE(&request, action.GetRequest());
    EXPECT_TRUE(action.GetRequest()->GetPluginSettings()->IsFilePackageIncluded());
    EXPECT_EQ("2-4", U8(action.GetRequest()->GetRange()));
    EXPECT_TRUE(action.Execute()) << "nothing to export";
}

TEST_F(SaveAsAction, AStopRequestAloneNotifiesNothingAndTheNextExportClearsIt) {
    PackageReadAction action(ExportFolder());
    Outcomes outcomes(action);
    SendRequest(kStop, Request("Press"));
    EXPECT_TRUE(outcomes.mCodes.empty());
    EXPECT_TRUE(action.IsStopProcessing());
    EXPECT_EQ("Press", U8(action.GetPackageName()));
    SendRequest(kExport, Request("Press"));
    EXPECT_EQ(kSucceeded, outcomes.mCodes);
    EXPECT_FALSE(action.IsStopProcessing());
}

TEST_F(SaveAsAction, ASuccessfulExportRecordsThePDFAndNoPackageUnlessAsked) {
    PackageReadAction action(ExportFolder());
    Outcomes outcomes(action);
    SendRequest(kExport, Request("Press"));
    EXPECT_EQ(kSucceeded, outcomes.mCodes);
    EXPECT_EQ(std::vector<std::string>{Folder()}, action.mSaveFolders);
    EXPECT_EQ(Folder() + "/Brochure.pdf", Native(action.GetSaveAsPDF()));
    EXPECT_TRUE(Exists(Folder() + "/Brochure.pdf"));
    EXPECT_TRUE(action.mPackageFolders.empty());
    EXPECT_TRUE(action.GetPackagePath().IsEmpty());
    EXPECT_TRUE(action.GetLastError().IsEmpty());
}

TEST_F(SaveAsAction, ASecondExportGoesToAUniqueFolderWithItsPackageBesideIt) {
    PackageReadAction action(ExportFolder());
    Outcomes outcomes(action);
    SendRequest(kExport, Request("Press", true));
    ASSERT_EQ(kSucceeded, outcomes.mCodes);
    EXPECT_EQ(Folder() + "/Brochure.pdf", Native(action.GetSaveAsPDF()));
    EXPECT_EQ(Folder() + "/Brochure Folder", Native(action.GetPackagePath()));

    SendRequest(kExport, Request("Press", true));
    ASSERT_EQ(Codes({11, 11}), outcomes.mCodes);
    GPathName const second = action.GetSaveAsPDF().GetBranch();
    EXPECT_EQ(Folder(), Native(second.GetBranch()));
    EXPECT_NE(Folder(), Native(second));
    EXPECT_EQ("Brochure.pdf", U8(action.GetSaveAsPDF().GetLeaf()));
    EXPECT_EQ(Native(second) + "/Brochure Folder", Native(action.GetPackagePath()));
    EXPECT_EQ(Native(second), action.mPackageFolders.back());
    EXPECT_TRUE(Exists(Folder() + "/Brochure.pdf")) << "a PDF is never overwritten";
}

TEST_F(SaveAsAction, AFailedStepAlwaysSaysWhyAndNeverWithAnEarlierReason) {
    struct Case {
        char const* what;
        TestAction::SaveStep save;
        TestAction::PackageStep package;
        std::string error;
    };
    auto const failWith = [](char const* text) {
        return [text](TestAction& a, GCPTSaveAsProperties const&, GPathName const&) {
            a.SetLastError(T(text));
            return false;
        };
    };
    auto const failSilently = [](TestAction&, GCPTSaveAsProperties const&, GPathName const&) { return false; };
    std::vector<Case> const cases{
        {"own reason", failWith("Plug-in Error: No current document"), nullptr, "Plug-in Error: No current document"},
        {"PDF step without reason", failSilently, nullptr, "Plug-in Error: Unable to execute PDF Export command"},
        {"package step without reason", nullptr, [](TestAction&, GPathName const&) { return false; },
         "Plug-in Error: Unable to execute Create Package command"},
        {"framework exception",
         [](TestAction&, GCPTSaveAsProperties const&, GPathName const&) -> bool { throw GSimpleException(40068); },
         nullptr, "Plug-in Error: " + U8(GSimpleException(40068).GetDescription())},
        {"other exception",
         [](TestAction&, GCPTSaveAsProperties const&, GPathName const&) -> bool {
             throw std::runtime_error("disk gone");
         },
         nullptr, "Plug-in Error: disk gone"},
    };
    PackageReadAction action(ExportFolder());
    Outcomes outcomes(action);
    for (Case const& c : cases) {
        action.mSave = c.save;
        action.mPackage = c.package;
        outcomes.mCodes.clear();
        ASSERT_NO_THROW(SendRequest(kExport, Request("Press", true))) << c.what;
        EXPECT_EQ(kFailed, outcomes.mCodes) << c.what;
        EXPECT_EQ(c.error, U8(action.GetLastError())) << c.what;
    }
}

TEST_F(SaveAsAction, AnExportThatRecordsNothingLeavesNoEarlierPathBehind) {
    PackageReadAction action(ExportFolder());
    Outcomes outcomes(action);
    SendRequest(kExport, Request("Press", true));
    ASSERT_FALSE(action.GetSaveAsPDF().IsEmpty());
    ASSERT_FALSE(action.GetPackagePath().IsEmpty());
    action.mSave = [](TestAction&, GCPTSaveAsProperties const&, GPathName const&) { return true; };
    action.mPackage = [](TestAction&, GPathName const&) { return true; };
    SendRequest(kExport, Request("Press", true));
    EXPECT_EQ(Codes({11, 11}), outcomes.mCodes);
    EXPECT_TRUE(action.GetSaveAsPDF().IsEmpty());
    EXPECT_TRUE(action.GetPackagePath().IsEmpty());
    EXPECT_EQ(Folder(), action.mPackageFolders.back()) << "without a PDF the package goes to the output folder";
}

TEST_F(SaveAsAction, AStopDuringTheExportKeepsTheRequestInUseAndEndsAsStopped) {
    PackageReadAction action(ExportFolder());
    Outcomes outcomes(action);
    std::string seenName;
    int seenRange = -1;
    action.mSave = [&](TestAction& a, GCPTSaveAsProperties const& request, GPathName const&) {
        SendRequest(kStop, Request("Other"));
        // The request in use is the one this export began with, whole.
        seenName = U8(request.GetName());
        seenRange = request.GetHasRange();
        EXPECT_EQ(&request, a.GetRequest());
        return false;
    };
    GCPTSaveAsProperties request = Request("Press");
    request.SetPageRange(T("1"));
    SendRequest(kExport, request);
    EXPECT_EQ(kStopped, outcomes.mCodes);
    EXPECT_EQ("Press", seenName);
    EXPECT_EQ(1, seenRange);
    EXPECT_EQ("Press", U8(action.GetPackageName()));
    EXPECT_FALSE(action.IsStopProcessing());

    // A stop that comes while an export still succeeds does not hide the success.
    action.mSave = [](TestAction& a, GCPTSaveAsProperties const&, GPathName const& folder) {
        SendRequest(kStop, Request("Press"));
        return a.WritePDF(folder);
    };
    outcomes.mCodes.clear();
    SendRequest(kExport, Request("Press"));
    EXPECT_EQ(kSucceeded, outcomes.mCodes);
}

TEST_F(SaveAsAction, AnExportRequestDuringAnExportIsNotRunInsideIt) {
    PackageReadAction action(ExportFolder());
    Outcomes outcomes(action);
    action.mSave = [](TestAction& a, GCPTSaveAsProperties const&, GPathName const& folder) {
        SendRequest(kExport, Request("Other"));
        return a.WritePDF(folder);
    };
    SendRequest(kExport, Request("Press"));
    EXPECT_EQ(kSucceeded, outcomes.mCodes);
    EXPECT_EQ(1u, action.mSaveFolders.size());
    EXPECT_EQ("Press", U8(action.GetRequest()->GetName()));
}

TEST_F(SaveAsAction, TheOutputFolderIsTheUsersWithTheTrovelorAsOneSafeName) {
    GPathName user;
    ASSERT_TRUE(ZARidizoTools::GetOutputPDFPath(user));
    for (char const* name : {"Press Ü", "../../etc", "a/b"}) {
        GPathName folder;
        ASSERT_TRUE(GCPTSaveAsAction::GetOutputFolder(T(name), folder)) << name;
        EXPECT_EQ(Native(user), Native(folder.GetBranch())) << name;
        EXPECT_EQ(U8(ZARidizoTools::GetSafeFolderName(T(name))), U8(folder.GetLeaf())) << name;
    }

    // An output folder that is not ours (here a link) fails the export before anything is made.
    std::string const native = Native(user);
    ASSERT_EQ(0, rmdir(native.c_str()));
    ASSERT_EQ(0, symlink(mSandbox.Root().c_str(), native.c_str()));
    TestAction action;
    Outcomes outcomes(action);
    SendRequest(kExport, Request("Press"));
    EXPECT_EQ(kFailed, outcomes.mCodes);
    EXPECT_EQ("Plug-in Error: Unable to retrieve system file data", U8(action.GetLastError()));
    EXPECT_TRUE(action.mSaveFolders.empty());
}

TEST_F(SaveAsAction, UniquePathsNeverNameSomethingThatStandsThereAndStayInTheirFolder) {
    struct Case {
        char const* what;
        bool pdf;
        std::string name;
        std::function<void(std::string const&)> occupy;  // given the plain result
        std::string leaf;
    };
    auto const file = [](std::string const& p) { std::ofstream(p) << "old"; };
    auto const dir = [](std::string const& p) { mkdir(p.c_str(), 0700); };
    auto const dangling = [](std::string const& p) { ASSERT_EQ(0, symlink("/nonexistent/target", p.c_str())); };
    std::vector<Case> const cases{
        {"fresh PDF", true, "Brochure", nullptr, "Brochure.pdf"},
        {"existing PDF", true, "Brochure", file, "Brochure.pdf"},
        {"folder named like the PDF", true, "Brochure", dir, "Brochure.pdf"},
        {"dangling link named like the PDF", true, "Brochure", dangling, "Brochure.pdf"},
        {"name leaving the folder", true, "../../escape", nullptr, ".._.._escape.pdf"},
        {"fresh package", false, "Brochure Folder", nullptr, "Brochure Folder"},
        {"existing package", false, "Brochure Folder", dir, "Brochure Folder"},
        {"file named like the package", false, "Brochure Folder", file, "Brochure Folder"},
        {"link named like the package", false, "Brochure Folder", dangling, "Brochure Folder"},
        {"package name with separators", false, "x/../y", nullptr, "x_.._y"},
    };
    int n = 0;
    for (Case const& c : cases) {
        // Each in a folder of its own, made by the call (two levels are missing).
        std::string const folder = Folder() + "/" + std::to_string(++n) + "/b";
        GPathName const base(T(folder));
        std::string const plain = folder + "/" + c.leaf;
        if (c.occupy) {
            mkdir((Folder()).c_str(), 0700);
            mkdir((Folder() + "/" + std::to_string(n)).c_str(), 0700);
            mkdir(folder.c_str(), 0700);
        }
        if (c.occupy)
            c.occupy(plain);
        GPathName result;
        if (c.pdf)
            GCPTSaveAsAction::GetUniquePDFFilePath(base, T(c.name), result);
        else
            GCPTSaveAsAction::GetUniqueFolderPath(base, T(c.name), result);
        EXPECT_TRUE(Exists(folder)) << c.what;
        EXPECT_EQ(c.leaf, U8(result.GetLeaf())) << c.what;
        if (!c.occupy) {
            EXPECT_EQ(plain, Native(result)) << c.what;
            continue;
        }
        GPathName const unique = result.GetBranch();
        EXPECT_EQ(folder, Native(unique.GetBranch())) << c.what;
        EXPECT_TRUE(Exists(Native(unique))) << c.what;
        EXPECT_FALSE(Exists(Native(result))) << c.what;
        EXPECT_TRUE(Exists(plain)) << c.what << ": what stood there is left alone";
    }
}

// Two exports of one name at the same time: the first holds the name from the moment it is
// chosen, so the second cannot choose it too and later replace the first's PDF or find its package
// folder taken.
TEST_F(SaveAsAction, AChosenNameIsHeldUntilTheExportFillsIt) {
    struct Case {
        char const* what;
        void (*choose)(GPathName const&, GString const&, GPathName&);
        char const* name;
        std::string leaf;
        mode_t type;
    };
    Case const cases[] = {
        {"PDF", GCPTSaveAsAction::GetUniquePDFFilePath, "Brochure", "Brochure.pdf", S_IFREG},
        {"package folder", GCPTSaveAsAction::GetUniqueFolderPath, "Brochure Folder", "Brochure Folder", S_IFDIR},
    };
    for (Case const& c : cases) {
        GPathName first;
        GPathName second;
        c.choose(ExportFolder(), T(c.name), first);
        c.choose(ExportFolder(), T(c.name), second);
        EXPECT_EQ(Folder() + "/" + c.leaf, Native(first)) << c.what;
        EXPECT_NE(Native(first), Native(second)) << c.what;
        EXPECT_EQ(c.leaf, U8(second.GetLeaf())) << c.what;
        struct stat info {};
        ASSERT_EQ(0, lstat(Native(first).c_str(), &info)) << c.what;
        EXPECT_EQ(c.type, info.st_mode & S_IFMT) << c.what;
        if (c.type == S_IFREG) {
            EXPECT_EQ(0, info.st_size) << c.what;
        }
    }
    EXPECT_EQ(0, rmdir((Folder() + "/Brochure Folder").c_str())) << "the held folder is empty";
}

TEST_F(SaveAsAction, RecordedPathsKeepTheirCase) {
    TestAction action;
    action.SetSaveAsPDF(GPathName("/out/Doc.pdf"));
    action.SetSaveAsPDF(GPathName("/out/doc.pdf"));
    EXPECT_EQ("/out/doc.pdf", Native(action.GetSaveAsPDF()));
    action.SetPackagePath(GPathName("/out/Doc Folder"));
    action.SetPackagePath(GPathName("/out/DOC Folder"));
    EXPECT_EQ("/out/DOC Folder", Native(action.GetPackagePath()));
}
