// The book export action against the stand-in host: the whole book or the selected chapters in
// one PDF (read back with poppler's tools only), the font check over the chapters, chapters the
// user has open, the session's PDF preferences, and the book's package.
#include "plugin-host/export/GIDCSPExportBookAction.h"

#include <gtest/gtest.h>

#include "hostsdk/pdf/Poppler.h"
#include "plugin-host/export/ExportActionFixture.h"
#include "plugin/logging/ILogInterface.h"

using namespace exporttest;

namespace {

class BookExport : public ExportActionFixture {
protected:
    void SetUp() override {
        ExportActionFixture::SetUp();
        mAction = std::make_unique<GIDCSPExportBookAction>();
        mRequest = std::make_unique<GCPTSaveAsProperties>(T("Press"));
        // Crop marks for the export only: the session must not keep them.
        mRequest->GetPluginSettings()->SetMarkTrimAllow(true);
        mSession = mHost->SessionPdfSettings();
    }
    void TearDown() override {
        mRequest.reset();
        mAction.reset();
        ExportActionFixture::TearDown();
    }

    void OpenCatalogue(std::vector<int> const& selection = {}, std::vector<std::string> const& fonts = {}) {
        OpenBook("Catalogue.indb", {Document("Chapter1.indd", 2, fonts), Document("Chapter2.indd", 3, fonts)},
                 selection);
    }
    std::string Chapter(int n) const { return mSandbox.Root() + "/Chapter" + std::to_string(n) + ".indd.json"; }
    bool Export() {
        MarkReferences();
        bool const done = mAction->SaveAsPDF(*mRequest, Folder());
        ExpectNoReferenceLeft();
        EXPECT_TRUE(mHost->SessionPdfSettings() == mSession);
        return done;
    }
    std::string Logged(std::string const& name) const {
        for (std::string const& call : HostCallLog::Calls())
            if (call.rfind(name, 0) == 0)
                return call;
        return "";
    }
    std::string Error() const { return U8(mAction->GetLastError()); }

    std::unique_ptr<GIDCSPExportBookAction> mAction;
    std::unique_ptr<GCPTSaveAsProperties> mRequest;
    HostPdfSettings mSession;
};

// Every error logged while it lives.
class ErrorLog : public Kelvora::ILogInterface {
public:
    ErrorLog() : ILogInterface(true) {}
    void DoLog(Severity severity, QString const& message, QString const&) override {
        if (severity == kError)
            mErrors.push_back(message.toStdString());
    }
    std::vector<std::string> mErrors;
};

}  // namespace

TEST_F(BookExport, TheWholeBookGoesIntoOnePdfNamedAfterTheBookAndTheSessionIsLeftAsItWas) {
    OpenCatalogue();
    ASSERT_TRUE(Export()) << Error();
    std::string const pdf = Native(mAction->GetSaveAsPDF());
    EXPECT_EQ(mFolder + "/Catalogue.pdf", pdf);
    EXPECT_EQ(5, poppler::PageCount(pdf));
    EXPECT_EQ("IBookExportData::SetContents 0 contents, whole book 1", Logged("IBookExportData::SetContents"));
    // The crop marks reached the export: the media box is larger than the page.
    EXPECT_GT(poppler::Boxes(pdf, 1)["MediaBox"].Width(), 612);
    // The font check opened both chapters and closed them again.
    EXPECT_EQ(0u, mHost->Documents().DocumentCount());
}

TEST_F(BookExport, APartialSelectionExportsOnlyItsChaptersAndAFullOneTheWholeBook) {
    OpenCatalogue({1});
    ASSERT_TRUE(Export()) << Error();
    EXPECT_EQ(3, poppler::PageCount(Native(mAction->GetSaveAsPDF())));
    EXPECT_EQ("IBookExportData::SetContents 1 contents, whole book 0", Logged("IBookExportData::SetContents"));

    mHost->Documents().CloseAll();
    HostCallLog::Clear();
    OpenCatalogue({0, 1});
    ASSERT_TRUE(Export()) << Error();
    EXPECT_EQ(5, poppler::PageCount(Native(mAction->GetSaveAsPDF())));
    EXPECT_EQ("IBookExportData::SetContents 2 contents, whole book 1", Logged("IBookExportData::SetContents"));
}

TEST_F(BookExport, ChaptersTheUserHasOpenStayOpen) {
    OpenCatalogue();
    std::string error;
    ASSERT_NE(nullptr, mHost->Documents().OpenDocumentFile(Chapter(2), error)) << error;
    ASSERT_TRUE(Export()) << Error();
    EXPECT_TRUE(mHost->Documents().IsOpen(Chapter(2)));
    EXPECT_FALSE(mHost->Documents().IsOpen(Chapter(1)));
    EXPECT_EQ(1u, mHost->Documents().DocumentCount());
    EXPECT_EQ(0, HostCallLog::Violations());
}

TEST_F(BookExport, MissingFontsAreListedByChapterInBookOrderAndNothingIsExported) {
    OpenBook("Catalogue.indb",
             {Document("Chapter1.indd", 1, {"Minion"}), Document("Chapter2.indd", 1, {"!Futura Bold"})});
    EXPECT_FALSE(Export());
    EXPECT_EQ("Plug-in Error: Font is Missing! Correct the following font and try again:"
              "\nChapter2.indd : \n    1. Futura Bold\n",
              Error());
    EXPECT_TRUE(Listing(mFolder).empty());
    EXPECT_EQ("", Logged("CmdUtils::CreateCommand"));

    mHost->Documents().CloseAll();
    OpenBook("Catalogue.indb",
             {Document("Chapter1.indd", 1, {"!Minion"}), Document("Chapter2.indd", 1, {"!Futura Bold", "!Gill"})});
    EXPECT_FALSE(Export());
    EXPECT_EQ("Plug-in Error: Fonts are Missing! Correct the following fonts and try again:"
              "\nChapter1.indd : \n    1. Minion\n"
              "\nChapter2.indd : \n    1. Futura Bold\n    2. Gill\n",
              Error());
    EXPECT_EQ(0u, mHost->Documents().DocumentCount());
}

TEST_F(BookExport, TheBookPackageIsNamedAfterTheBookFile) {
    OpenCatalogue();
    GPathName const folder = Folder();
    std::filesystem::create_directories(mFolder + "/Catalogue Folder");
    MarkReferences();
    ASSERT_TRUE(mAction->CreatePackage(folder)) << Error();
    ExpectNoReferenceLeft();
    GPathName const package = mAction->GetPackagePath();
    EXPECT_EQ("Catalogue Folder", U8(package.GetLeaf()));
    EXPECT_EQ(mFolder, Native(package.GetBranch().GetBranch()));
    EXPECT_TRUE(Exists(Native(package)));
}

// Commands run by a book export: the preferences set, the book export, the session put back.
TEST_F(BookExport, ASessionThatCannotBePutBackIsLoggedAndTheExportKeepsItsResult) {
    struct Case {
        std::vector<int> failing;  // of CmdUtils::ProcessCommand, by call number
        bool exported;
        bool restored;
    };
    for (Case const& c : std::vector<Case>{{{}, true, true}, {{3}, true, false}, {{2, 3}, false, false}}) {
        SCOPED_TRACE(testing::PrintToString(c.failing));
        mHost->Documents().CloseAll();
        mHost->SessionPdfSettings() = mSession;
        std::error_code ignored;
        std::filesystem::remove_all(mFolder, ignored);
        OpenCatalogue();
        // A fresh action: the path it records is only cleared by a whole export run.
        mAction = std::make_unique<GIDCSPExportBookAction>();
        ErrorLog log;
        HostFaults::Reset();
        for (int call : c.failing)
            HostFaults::Arm("CmdUtils::ProcessCommand", call);
        MarkReferences();
        bool const done = mAction->SaveAsPDF(*mRequest, Folder());
        HostFaults::Reset();
        ExpectNoReferenceLeft();
        EXPECT_EQ(c.exported, done) << Error();
        EXPECT_EQ(c.exported ? "" : "Plug-in Error: Unable to execute PDF Export command", Error());
        EXPECT_EQ(c.exported, !mAction->GetSaveAsPDF().IsEmpty());
        EXPECT_EQ(c.exported, Exists(mFolder + "/Catalogue.pdf"));
        EXPECT_EQ(c.restored, mHost->SessionPdfSettings() == mSession);
        if (c.restored) {
            EXPECT_TRUE(log.mErrors.empty());
        } else {
            ASSERT_EQ(1u, log.mErrors.size());
            EXPECT_NE(std::string::npos, log.mErrors[0].find("could not be restored")) << log.mErrors[0];
        }
        EXPECT_EQ(0, HostCallLog::Violations());
    }
}
