// The document export action against the stand-in host: the PDF of the front document (all pages,
// a range, saved first when untitled), its name and place, the adjustments as the PDF shows them
// (read back with poppler's tools only), and the document's package.
#include "plugin-host/export/GIDCSPSaveAsAction.h"

#include <gtest/gtest.h>

#include "hostsdk/commands/IPackageCommand.h"
#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/documents/IDocument.h"
#include "hostsdk/pdf/Poppler.h"
#include "hostsdk/utils/IFrontDocumentUtils.h"
#include "hostsdk/utils/UtilsBoss.h"
#include "plugin-host/export/GIDCSConvertMethods.h"
#include "plugin-host/export/GIDCSPExportIDs.h"
#include "plugin-host/export/ExportActionFixture.h"

using namespace exporttest;

namespace {

class DocumentExport : public ExportActionFixture {
protected:
    void SetUp() override {
        ExportActionFixture::SetUp();
        mAction = std::make_unique<GIDCSPSaveAsAction>();
    }
    void TearDown() override {
        mAction.reset();
        ExportActionFixture::TearDown();
    }
    bool Export(GCPTSaveAsProperties const& request) {
        MarkReferences();
        bool const done = mAction->SaveAsPDF(request, Folder());
        ExpectNoReferenceLeft();
        return done;
    }
    std::string Pdf() const { return Native(mAction->GetSaveAsPDF()); }
    std::vector<std::string> PageTexts(std::string const& pdf) const {
        std::vector<std::string> texts;
        for (int page = 1; page <= poppler::PageCount(pdf); ++page) {
            std::string text = poppler::Text(pdf, page);
            texts.push_back(text.substr(0, text.find_first_of("\n\f")));
        }
        return texts;
    }
    static void ExpectBox(poppler::Box const& box, double x1, double y1, double x2, double y2) {
        EXPECT_NEAR(box.x1, x1, 0.01);
        EXPECT_NEAR(box.y1, y1, 0.01);
        EXPECT_NEAR(box.x2, x2, 0.01);
        EXPECT_NEAR(box.y2, y2, 0.01);
    }
    std::string Error() const { return U8(mAction->GetLastError()); }

    // Made once the foundation is up.
    std::unique_ptr<GIDCSPSaveAsAction> mAction;
};

}  // namespace

TEST_F(DocumentExport, ASavedDocumentGivesEveryPageInOrderAndTheAdjustmentsOffWriteOnlyTheMarkWeight) {
    OpenSaved(Document("Brochure.indd", 3));
    GCPTSaveAsProperties request(T("Press"));
    ASSERT_TRUE(Export(request)) << Error();
    EXPECT_EQ(mFolder + "/Brochure.pdf", Pdf());
    EXPECT_EQ(PageTexts(Pdf()), (std::vector<std::string>{"Page 1", "Page 2", "Page 3"}));
    std::vector<std::string> setters;
    for (std::string const& call : HostCallLog::Calls())
        if (call.rfind("IPDFExportPrefs::Set", 0) == 0)
            setters.push_back(call);
    EXPECT_EQ(setters, (std::vector<std::string>{"IPDFExportPrefs::SetMarksWeight 0.25"}));
    // The job options' bleed stands: 2 points above the page only.
    auto boxes = poppler::Boxes(Pdf(), 1);
    ExpectBox(boxes["TrimBox"], 0, 0, 612, 792);
    ExpectBox(boxes["BleedBox"], 0, 0, 612, 794);
    // The document was saved: it is not saved again.
    for (std::string const& call : HostCallLog::Calls())
        EXPECT_NE(call.rfind("IDocumentUtils::DoSave", 0), 0u);
}

TEST_F(DocumentExport, ARangeGivesItsPagesInItsOrder) {
    OpenSaved(Document("Brochure.indd", 5));
    GCPTSaveAsProperties request(T("Press"));
    request.SetPageRange(T("4-5, 2"));
    ASSERT_TRUE(Export(request)) << Error();
    EXPECT_EQ(PageTexts(Pdf()), (std::vector<std::string>{"Page 4", "Page 5", "Page 2"}));
}

TEST_F(DocumentExport, ABadRangeAnEmptyRangeAndNoPagesFailWithPages) {
    for (char const* range : std::vector<char const*>{"9", "x-y", "", nullptr}) {
        SCOPED_TRACE(range == nullptr ? "no pages" : range);
        mHost->Documents().CloseAll();
        OpenSaved(Document("Brochure.indd", range == nullptr ? 0 : 3));
        GCPTSaveAsProperties request(T("Press"));
        if (range != nullptr)
            request.SetPageRange(T(range));
        EXPECT_FALSE(Export(request));
        EXPECT_EQ("Plug-in Error: Pages", Error());
        EXPECT_TRUE(Listing(mFolder).empty());
    }
}

TEST_F(DocumentExport, AnUntitledDocumentIsSavedFirstAndWhenItCannotBeNothingIsWritten) {
    mHost->Documents().OpenDocument(Document("Untitled-1", 1));
    GCPTSaveAsProperties request(T("Press"));
    ASSERT_TRUE(Export(request)) << Error();
    EXPECT_EQ(mFolder + "/Untitled-1.pdf", Pdf());
    EXPECT_TRUE(Exists(mSandbox.Root() + "/Untitled-1.indd"));

    mHost->Documents().CloseAll();
    mHost->SetSaveFolder("");
    mHost->Documents().OpenDocument(Document("Untitled-2", 1));
    EXPECT_FALSE(Export(request));
    EXPECT_EQ("Plug-in Error: Unable to save current document. Save the document and try again.", Error());
    EXPECT_FALSE(Exists(mFolder + "/Untitled-2.pdf"));
}

// The export asks the host whether the document has a file: one that has, with unsaved changes
// or not, is exported as the user sees it and left as it is, its file untouched; one that has
// not is saved first and exported from then on like any other.
TEST_F(DocumentExport, ADocumentWithAFileIsExportedAsShownWithItsChangesUnsavedAndAnUntitledOneIsSavedFirst) {
    struct Case {
        char const* name;
        bool saved;
        bool modified;
    };
    for (Case const& c : {Case{"Brochure.indd", true, false}, Case{"Brochure.indd", true, true},
                          Case{"Untitled-1", false, false}}) {
        SCOPED_TRACE(std::string(c.name) + (c.modified ? " modified" : ""));
        mHost->Documents().CloseAll();
        std::error_code ignored;
        std::filesystem::remove_all(mFolder, ignored);
        // Shown: three pages; a changed document's file still holds its one page of before.
        HostDocumentRecord record = Document(c.name, 3);
        std::string file;
        if (c.saved) {
            file = WriteDocument(c.modified ? Document(c.name, 1) : record);
            record.saved = true;
            record.path = file;
            record.modified = c.modified;
        }
        std::string const before = c.saved ? ReadAll(file) : "";
        HostDocument* open = mHost->Documents().OpenDocument(record);
        HostCallLog::Clear();
        ASSERT_TRUE(Export(GCPTSaveAsProperties(T("Press")))) << Error();
        EXPECT_EQ(PageTexts(Pdf()), (std::vector<std::string>{"Page 1", "Page 2", "Page 3"}));
        int asked = 0;
        int saves = 0;
        for (std::string const& call : HostCallLog::Calls()) {
            asked += call.rfind("IDocument::IsSaved", 0) == 0 ? 1 : 0;
            saves += call.rfind("IDocumentUtils::DoSave", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(1, asked);
        EXPECT_EQ(c.saved ? 0 : 1, saves);
        EXPECT_TRUE(open->Record()->saved);
        // Unsaved changes stay unsaved: the user decides when to save them.
        EXPECT_EQ(c.modified, open->Record()->modified);
        if (c.saved) {
            EXPECT_EQ(file, open->Record()->path);
            EXPECT_EQ(before, ReadAll(file));
        } else {
            EXPECT_EQ(mSandbox.Root() + "/Untitled-1.indd", open->Record()->path);
            HostDocumentRecord written;
            std::string error;
            ASSERT_TRUE(HostDocumentFile::ReadDocument(open->Record()->path, written, error)) << error;
            EXPECT_EQ(3u, written.pages.size());
            EXPECT_FALSE(written.modified);
        }
    }
}

TEST_F(DocumentExport, AnExistingPdfIsKeptAndTheNewOneGoesIntoAUniqueFolderWithItsPackageBeside) {
    OpenSaved(Document("Brochure.indd", 1));
    std::filesystem::create_directories(mFolder);
    WriteFile(mFolder + "/Brochure.pdf", "mine");
    GCPTSaveAsProperties request(T("Press"));
    ASSERT_TRUE(Export(request)) << Error();
    GPathName const pdf = mAction->GetSaveAsPDF();
    EXPECT_EQ("Brochure.pdf", U8(pdf.GetLeaf()));
    EXPECT_EQ(mFolder, Native(pdf.GetBranch().GetBranch()));
    EXPECT_EQ(1, poppler::PageCount(Pdf()));
    EXPECT_EQ("mine", ReadAll(mFolder + "/Brochure.pdf"));

    MarkReferences();
    ASSERT_TRUE(mAction->CreatePackage(pdf.GetBranch())) << Error();
    ExpectNoReferenceLeft();
    EXPECT_EQ(Native(pdf.GetBranch()) + "/Brochure Folder", Native(mAction->GetPackagePath()));
    EXPECT_TRUE(Exists(Native(mAction->GetPackagePath()) + "/Report.txt"));
    // A second package of the same name goes into a unique folder beside the first.
    GPathName const first = mAction->GetPackagePath();
    ASSERT_TRUE(mAction->CreatePackage(pdf.GetBranch())) << Error();
    EXPECT_EQ("Brochure Folder", U8(mAction->GetPackagePath().GetLeaf()));
    EXPECT_EQ(Native(pdf.GetBranch()), Native(mAction->GetPackagePath().GetBranch().GetBranch()));
    EXPECT_TRUE(Exists(Native(first)));
}

// Two exports of one document at the same time: the first has chosen its package folder and not
// made the package yet when the second makes its own. The second takes another folder, and the
// first's package command then fills the folder it chose.
TEST_F(DocumentExport, APackageFolderChosenIsHeldSoThatAnExportAtTheSameTimeTakesAnother) {
    OpenSaved(Document("Brochure.indd", 1));
    GPathName chosen;
    GCPTSaveAsAction::GetUniqueFolderPath(Folder(), T("Brochure Folder"), chosen);
    EXPECT_EQ(mFolder + "/Brochure Folder", Native(chosen));

    MarkReferences();
    ASSERT_TRUE(mAction->CreatePackage(Folder())) << Error();
    ExpectNoReferenceLeft();
    GPathName const second = mAction->GetPackagePath();
    EXPECT_NE(Native(chosen), Native(second));
    EXPECT_EQ(mFolder, Native(second.GetBranch().GetBranch()));
    EXPECT_TRUE(Exists(Native(second) + "/Report.txt"));

    InterfacePtr<IFrontDocumentUtils> front(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    ASSERT_TRUE(front);
    InterfacePtr<IDocument> document(front->QueryFrontDocument());
    InterfacePtr<IPackageCommand> first(CreateObject<IPackageCommand>(GIDCSPExportIDs::kPackageClass));
    ASSERT_TRUE(document && first);
    first->SetDocument(document.get());
    first->SetDestination(GIDCSConvertMethods::ConvertToIDFile(chosen));
    EXPECT_EQ(kSuccess, first->Execute());
    EXPECT_TRUE(Exists(Native(chosen) + "/Brochure.indd"));

    // A third whose package command fails gives up the folder it chose, and the unique folder
    // made for it.
    std::vector<std::string> const before = Listing(mFolder);
    HostFaults::Arm("IPackageCommand::Execute", 0);
    EXPECT_FALSE(mAction->CreatePackage(Folder()));
    EXPECT_EQ("Plug-in Error: Unable to execute Create Package command", Error());
    EXPECT_EQ(before, Listing(mFolder));
}

TEST_F(DocumentExport, GivenBleedAndSlugShapeTheBoxesAndNegativeValuesCountAsNone) {
    HostDocumentRecord document = Document("Boxes.indd", 1);
    document.pageWidth = 300;
    document.pageHeight = 400;
    document.slug = HostEdges{24, 24, 24, 24};
    OpenSaved(document);
    GCPTSaveAsProperties request(T("Press"));
    GGPCPluginCSSettings& settings = *request.GetPluginSettings();
    settings.SetBleedChoice(GGPCPluginCSSettings::kBleedUseGivenValue);
    settings.SetBleedTopValue(5);
    settings.SetBleedInsideValue(7);
    settings.SetBleedOutsideValue(6);
    settings.SetBleedBottomValue(8);
    settings.SetIncludeSlugArea(true);
    ASSERT_TRUE(Export(request)) << Error();
    auto boxes = poppler::Boxes(Pdf(), 1);
    ExpectBox(boxes["TrimBox"], 31, 32, 331, 432);
    ExpectBox(boxes["BleedBox"], 24, 24, 337, 437);
    ExpectBox(boxes["MediaBox"], 0, 0, 361, 461);

    settings.SetBleedTopValue(-5);
    settings.SetBleedInsideValue(-1e9);
    settings.SetIncludeSlugArea(false);
    settings.SetMarkOffset(-3);
    ASSERT_TRUE(Export(request)) << Error();
    for (std::string const& call : HostCallLog::Calls()) {
        EXPECT_EQ(call.find(" -"), std::string::npos) << call;
    }
    boxes = poppler::Boxes(Pdf(), 1);
    ExpectBox(boxes["TrimBox"], 0, 8, 300, 408);
    ExpectBox(boxes["BleedBox"], 0, 0, 306, 408);
}

TEST_F(DocumentExport, AnExportRequestWritesThePdfAndItsPackageBesideItInTheOutputFolder) {
    OpenSaved(Document("Brochure.indd", 2));
    GCPTSaveAsProperties request(T("Press"));
    request.GetPluginSettings()->IncludeFilePackage(true);
    MarkReferences();
    mAction->Receive(GCPTSaveAsAction::cExportRequestSignal, request);
    ExpectNoReferenceLeft();
    EXPECT_TRUE(mAction->GetLastError().IsEmpty()) << Error();
    GPathName folder;
    ASSERT_TRUE(GCPTSaveAsAction::GetOutputFolder(T("Press"), folder));
    EXPECT_EQ(Native(folder) + "/Brochure.pdf", Pdf());
    EXPECT_EQ(2, poppler::PageCount(Pdf()));
    EXPECT_EQ(Native(folder) + "/Brochure Folder", Native(mAction->GetPackagePath()));
    EXPECT_TRUE(Exists(Native(mAction->GetPackagePath()) + "/Report.txt"));
}
