#include <filesystem>

#include "hostsdk/commands/HostExportTest.h"
#include "hostsdk/commands/IBookPackageCommand.h"
#include "hostsdk/commands/IPackageCommand.h"
#include "hostsdk/commands/IPackageReport.h"
#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/utils/IBookUtils.h"
#include "hostsdk/utils/IDocumentUtils.h"
#include "hostsdk/utils/IFrontDocumentUtils.h"

namespace {

using namespace hostsdktest;

std::string Read(const std::string& file) {
    std::ifstream input(file);
    return std::string(std::istreambuf_iterator<char>(input), {});
}

class HostPackageCommandTest : public HostExportTest {
protected:
    void SetUp() override {
        HostExportTest::SetUp();
        mDocument = Open(Write("brochure.json", R"({"name": "Brochure.indd",
            "fonts": [{"name": "DejaVu Sans"}, {"name": "Minion Pro", "missing": true}]})"));
        ASSERT_TRUE(mDocument);
    }
    void TearDown() override {
        mDocument.reset();
        EndHostAndExpectAllReleased();
    }

    // Sets the options as the plug-in does: on, on, on, off, off, off (PDF), on (report), off (IDML).
    template <class I>
    static void Options(I& package) {
        package.SetCopyFonts(true);
        package.SetCopyLinkedGraphics(true);
        package.SetUpdateGraphicLinks(true);
        package.SetIncludeHiddenLayers(false);
        package.SetIgnorePreflightErrors(false);
        package.SetCopyPDF(false);
        package.SetCreateReport(true);
        package.SetCopyIDML(false);
    }

    ErrorCode Package(const std::string& destination, bool16* reported = nullptr) {
        InterfacePtr<IPackageCommand> package(CreateObject<IPackageCommand>(0x13A09));
        if (!package)
            return kFailure;
        package->SetDocument(mDocument.get());
        package->SetDestination(IDFile(PMString(destination)));
        Options(*package.get());
        const ErrorCode made = package->Execute();
        if (reported != nullptr) {
            InterfacePtr<IPackageReport> report(CreateObject<IPackageReport>(0x13A0B, 0x13A0C));
            *reported = report ? report->RunReport(package.get(), 0, 0, 1) : 0;
        }
        return made;
    }

    InterfacePtr<IDocument> mDocument;
};

TEST_F(HostPackageCommandTest, APackageHoldsTheDocumentItsFontsAndTheReport) {
    ASSERT_TRUE(mDocument);
    const std::string folder = mFolder / "Brochure Folder";
    bool16 reported = 0;
    ASSERT_EQ(Package(folder, &reported), kSuccess);
    EXPECT_EQ(reported, 1);
    HostDocumentRecord copy;
    std::string error;
    ASSERT_TRUE(HostDocumentFile::ReadDocument(folder + "/Brochure.indd", copy, error)) << error;
    EXPECT_EQ(copy.fonts.size(), 2u);
    EXPECT_EQ(Read(folder + "/Fonts.txt"), "DejaVu Sans\nMinion Pro (missing)\n");
    const std::string report = Read(folder + "/Report.txt");
    EXPECT_NE(report.find("Document: Brochure.indd"), std::string::npos) << report;
    EXPECT_NE(report.find("Copy fonts: on\nCopy linked graphics: on\nUpdate graphic links: on\n"
                          "Include hidden layers: off\nIgnore preflight errors: off\nCreate report: on\n"
                          "Copy IDML: off\nCopy PDF: off\n"),
              std::string::npos)
        << report;
}

TEST_F(HostPackageCommandTest, APackageNotMadeWholeLeavesNoFolder) {
    ASSERT_TRUE(mDocument);
    const std::string folder = mFolder / "Brochure Folder";
    std::filesystem::create_directory(folder);
    std::ofstream(folder + "/mine.txt") << "mine";
    bool16 reported = 1;
    EXPECT_EQ(Package(folder, &reported), kFailure);
    EXPECT_EQ(reported, 0);
    EXPECT_EQ(Read(folder + "/mine.txt"), "mine");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    EXPECT_EQ(Package(mFolder / "absent/Brochure Folder"), kFailure);
    HostFaults::Arm("HostPackageFolder::Write", 2);
    EXPECT_EQ(Package(mFolder / "Other Folder"), kFailure);
    EXPECT_FALSE(std::filesystem::exists(mFolder / "Other Folder"));
    HostFaults::Reset();
    HostFaults::Arm("CreateObject", 0);
    EXPECT_EQ(Package(mFolder / "Other Folder"), kFailure);
    EXPECT_FALSE(std::filesystem::exists(mFolder / "Other Folder"));
}

// An empty folder at the destination is the caller's hold on the name: the package fills it, and
// a package not made whole removes it.
TEST_F(HostPackageCommandTest, AnEmptyFolderAtTheDestinationIsTakenOver) {
    ASSERT_TRUE(mDocument);
    const std::string folder = mFolder / "Brochure Folder";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(Package(folder), kSuccess);
    EXPECT_TRUE(std::filesystem::exists(folder + "/Brochure.indd"));
    const std::string other = mFolder / "Other Folder";
    std::filesystem::create_directory(other);
    HostFaults::Reset();
    HostFaults::Arm("HostPackageFolder::Write", 2);
    EXPECT_EQ(Package(other), kFailure);
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST_F(HostPackageCommandTest, ABookPackageHoldsTheBookAndItsChapters) {
    Write("one.json", R"({"name": "one.indd", "fonts": [{"name": "DejaVu Serif"}]})");
    Write("two.json", R"({"name": "two.indd", "fonts": [{"name": "DejaVu Serif"}, {"name": "Gill", "missing": true}]})");
    HostBookRecord book;
    std::string error;
    ASSERT_TRUE(HostDocumentFile::ReadBook(
        Write("Catalogue.indb", R"({"name": "Catalogue.indb", "chapters": ["one.json", "two.json"]})"), book, error));
    mHost->Documents().OpenBook(book);
    InterfacePtr<IBookUtils> utils(UtilsBoss::QueryUtils<IBookUtils>());
    InterfacePtr<IBookPackageCommand> package(CreateObject<IBookPackageCommand>(0x13A10, 0x13A11));
    ASSERT_TRUE(package);
    package->SetBook(utils->GetCurrentBook(nullptr));
    const std::string folder = mFolder / "Catalogue Folder";
    package->SetDestination(IDFile(PMString(folder)));
    Options(*package.get());
    ASSERT_EQ(package->Execute(), kSuccess);
    EXPECT_TRUE(std::filesystem::exists(folder + "/Catalogue.indb"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/one.json"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/two.json"));
    EXPECT_EQ(Read(folder + "/Fonts.txt"), "DejaVu Serif\nGill (missing)\n");
    EXPECT_NE(package->Execute(), kSuccess);
    EXPECT_EQ(HostCallLog::Violations(), 1);
}

TEST_F(HostPackageCommandTest, AnUntitledDocumentIsSavedIntoTheHostsFolder) {
    HostDocumentRecord record;
    record.name = "Untitled-1";
    mHost->Documents().OpenDocument(record);
    InterfacePtr<IFrontDocumentUtils> front(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    InterfacePtr<IDocument> untitled(front->QueryFrontDocument());
    InterfacePtr<IDocumentUtils> utils(UtilsBoss::QueryUtils<IDocumentUtils>());
    ASSERT_TRUE(untitled && utils);
    EXPECT_FALSE(untitled->IsSaved());
    EXPECT_NE(utils->DoSave(untitled.get()), kSuccess);
    EXPECT_FALSE(untitled->IsSaved());
    mHost->SetSaveFolder(mFolder.Path());
    HostFaults::Arm("IDocumentUtils::DoSave", 2);
    EXPECT_NE(utils->DoSave(untitled.get()), kSuccess);
    ASSERT_EQ(utils->DoSave(untitled.get()), kSuccess);
    EXPECT_TRUE(untitled->IsSaved());
    EXPECT_TRUE(std::filesystem::exists(mFolder / "Untitled-1.indd"));
    // A saved document saves to its own file; its unsaved changes are then saved.
    auto* brochure = dynamic_cast<HostDocument*>(mDocument.get());
    ASSERT_NE(brochure, nullptr);
    brochure->Record()->modified = true;
    ASSERT_EQ(utils->DoSave(mDocument.get()), kSuccess);
    EXPECT_FALSE(brochure->Record()->modified);
    HostDocumentRecord saved;
    std::string error;
    EXPECT_TRUE(HostDocumentFile::ReadDocument(mFolder / "brochure.json", saved, error)) << error;
    EXPECT_FALSE(saved.modified);
}

}  // namespace
