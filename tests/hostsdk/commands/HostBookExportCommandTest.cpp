#include "hostsdk/commands/HostExportTest.h"
#include "hostsdk/commands/IBookExportData.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/documents/IBookContent.h"
#include "hostsdk/documents/IBookContentMgr.h"
#include "hostsdk/documents/IBookManager.h"
#include "hostsdk/pdf/Poppler.h"
#include "hostsdk/session/ISession.h"
#include "hostsdk/utils/IBookUtils.h"
#include "hostsdk/utils/IDocumentUtils.h"

namespace {

using namespace hostsdktest;

class HostBookExportCommandTest : public HostExportTest {
protected:
    void SetUp() override {
        HostExportTest::SetUp();
        for (const char* chapter : {"one", "two", "three"})
            Write(std::string(chapter) + ".json", std::string(R"({"name": ")") + chapter +
                                                     R"(.indd", "pageSize": [200, 300], "pages": [{"text": ["Chapter )" +
                                                     chapter + R"( a"]}, {"text": ["Chapter )" + chapter + R"( b"]}]})");
        mBookFile = Write("Catalogue.json", R"({"name": "Catalogue.indb", "chapters": ["one.json", "two.json",
                                               "three.json"], "selection": [2, 0], "modified": true})");
        HostBookRecord book;
        std::string error;
        ASSERT_TRUE(HostDocumentFile::ReadBook(mBookFile, book, error)) << error;
        mHost->Documents().OpenBook(book);
    }
    void TearDown() override { EndHostAndExpectAllReleased(); }

    IBook* CurrentBook() {
        InterfacePtr<IBookUtils> utils(UtilsBoss::QueryUtils<IBookUtils>());
        return utils ? utils->GetCurrentBook(nullptr) : nullptr;
    }

    // Sets the session's preferences and exports the book as a plug-in does.
    ErrorCode ExportBook(bool wholeBook, ClassID format = IBookExportData::kPDFFormat) {
        InterfacePtr<ICommand> setPrefs(CmdUtils::CreateCommand(0x2507));
        InterfacePtr<IPDFExportPrefs> prefs(setPrefs.get(), IPDFExportPrefs::kDefaultIID);
        if (!prefs)
            return kFailure;
        prefs->SetCropMarks(true);
        if (CmdUtils::ProcessCommand(setPrefs.get()) != kSuccess)
            return kFailure;
        InterfacePtr<ICommand> command(CmdUtils::CreateCommand(0x1001B));
        InterfacePtr<IBookExportData> data(command.get(), IBookExportData::kDefaultIID);
        InterfacePtr<IBookUtils> utils(UtilsBoss::QueryUtils<IBookUtils>());
        IBook* book = CurrentBook();
        InterfacePtr<IBookContentMgr> contents(book, IBookContentMgr::kDefaultIID);
        if (!data || !contents)
            return kFailure;
        UIDList selected(contents->GetDataBase());
        utils->GetSelectedContents(book, &selected);
        data->SetBookFile(book->GetFile());
        data->SetContents(selected, wholeBook);
        data->SetOutputFile(IDFile(PMString(mPdf)), true);
        data->SetExportFormat(format);
        data->SetUIFlags(0xFF);
        return CmdUtils::ProcessCommand(command.get());
    }

    std::string mBookFile;
    std::string mPdf = mFolder / "Catalogue.pdf";
};

TEST_F(HostBookExportCommandTest, ExportsTheSelectedChaptersWithTheSessionsPreferences) {
    EXPECT_FALSE(mHost->SessionPdfSettings().cropMarks);
    ASSERT_EQ(ExportBook(false), kSuccess);
    EXPECT_TRUE(mHost->SessionPdfSettings().cropMarks);
    ASSERT_EQ(poppler::PageCount(mPdf), 4);
    EXPECT_NE(poppler::Text(mPdf, 1).find("Chapter one a"), std::string::npos);
    EXPECT_NE(poppler::Text(mPdf, 3).find("Chapter three a"), std::string::npos);
    // The crop marks' room: 6 points offset and 18 long on each side.
    auto boxes = poppler::Boxes(mPdf, 4);
    EXPECT_NEAR(boxes["MediaBox"].Width(), 248, 0.01);
    EXPECT_NEAR(boxes["TrimBox"].x1, 24, 0.01);
    ASSERT_EQ(ExportBook(true), kSuccess);
    EXPECT_EQ(poppler::PageCount(mPdf), 6);
    EXPECT_NE(poppler::Text(mPdf, 3).find("Chapter two a"), std::string::npos);
}

TEST_F(HostBookExportCommandTest, AChapterOpenInTheHostIsExportedAsItStands) {
    InterfacePtr<IDocument> open = Open(mFolder / "two.json");
    ASSERT_TRUE(open);
    // Changed on disk after it was opened: the open document counts.
    Write("two.json", R"({"name": "two.indd", "pages": [{"text": ["Changed"]}]})");
    ASSERT_EQ(ExportBook(true), kSuccess);
    EXPECT_EQ(poppler::PageCount(mPdf), 6);
    EXPECT_NE(poppler::Text(mPdf, 3).find("Chapter two a"), std::string::npos);
}

TEST_F(HostBookExportCommandTest, FailuresLeaveNoPdf) {
    EXPECT_EQ(ExportBook(false, 0x1234), kFailure);
    Write("three.json", "not JSON");
    EXPECT_EQ(ExportBook(false), kFailure);
    HostFaults::Arm("HostPdfWriter::DrawPage", 2);
    EXPECT_EQ(ExportBook(true), kFailure);
    EXPECT_EQ(poppler::PageCount(mPdf), -1);
    InterfacePtr<ICommand> command(CmdUtils::CreateCommand(0x1001B));
    InterfacePtr<IBookExportData> data(command.get(), IBookExportData::kDefaultIID);
    data->SetBookFile(IDFile(PMString(mFolder / "other.json")));
    data->SetOutputFile(IDFile(PMString(mPdf)), true);
    data->SetExportFormat(IBookExportData::kPDFFormat);
    EXPECT_EQ(CmdUtils::ProcessCommand(command.get()), kFailure);
    EXPECT_EQ(poppler::PageCount(mPdf), -1);
}

TEST_F(HostBookExportCommandTest, TheBookUtilitiesReportContentsAndSelection) {
    IBook* book = CurrentBook();
    ASSERT_NE(book, nullptr);
    InterfacePtr<IBookUtils> utils(UtilsBoss::QueryUtils<IBookUtils>());
    InterfacePtr<IBookContentMgr> contents(book, IBookContentMgr::kDefaultIID);
    UIDList selected(contents->GetDataBase());
    EXPECT_EQ(utils->GetSelectedContents(book, &selected), 2);
    EXPECT_EQ(utils->GetContentCount(book), 3);
    // Selected in book order, whatever the order of the selection.
    EXPECT_EQ(selected.At(0), contents->GetNthContent(0));
    EXPECT_EQ(selected.At(1), contents->GetNthContent(2));
    InterfacePtr<IBookContent> third(
        InterfaceCast<IBookContent>(contents->GetDataBase()->Instantiate(selected.At(1), IBookContent::kDefaultIID)));
    ASSERT_TRUE(third);
    EXPECT_EQ(third->GetContentFile().GetFileName(), PMString("three.json"));
    EXPECT_EQ(contents->GetNthContent(3), 0u);
    EXPECT_EQ(HostCallLog::Violations(), 1);
}

TEST_F(HostBookExportCommandTest, TheCurrentBookChangesAndAModifiedBookSaves) {
    HostBookRecord other;
    other.name = "Other.indb";
    other.path = mFolder / "Other.json";
    mHost->Documents().OpenBook(other);
    InterfacePtr<IBookManager> books(GetExecutionContextSession(), IBookManager::kDefaultIID);
    ASSERT_TRUE(books);
    EXPECT_EQ(books->GetCurrentActiveBook()->GetName(), PMString("Other.indb"));
    IBook* catalogue = books->FindBook(IDFile(PMString(mBookFile)));
    ASSERT_NE(catalogue, nullptr);
    books->SetCurrentActiveBook(catalogue);
    EXPECT_EQ(books->GetCurrentActiveBook(), catalogue);
    EXPECT_EQ(books->FindBook(IDFile(PMString(mFolder / "absent.json"))), nullptr);
    EXPECT_TRUE(catalogue->IsModified());
    ASSERT_EQ(catalogue->Save(catalogue->GetFile()), kSuccess);
    EXPECT_FALSE(catalogue->IsModified());
    HostBookRecord saved;
    std::string error;
    ASSERT_TRUE(HostDocumentFile::ReadBook(mBookFile, saved, error)) << error;
    EXPECT_FALSE(saved.modified);
    EXPECT_EQ(saved.chapters.size(), 3u);
    EXPECT_NE(catalogue->Save(IDFile(PMString(mFolder / "absent/b.json"))), kSuccess);
}

TEST_F(HostBookExportCommandTest, OpeningAChapterThatWasOpenGivesTheUsersDocument) {
    InterfacePtr<IDocument> users = Open(mFolder / "one.json");
    ASSERT_TRUE(users);
    HostCallLog::Clear();
    InterfacePtr<IOpenDocumentUtils> open(UtilsBoss::QueryUtils<IOpenDocumentUtils>());
    InterfacePtr<IDocumentUtils> documents(UtilsBoss::QueryUtils<IDocumentUtils>());
    UIDRef opened;
    ASSERT_EQ(open->OpenDocument(IDFile(PMString(mFolder / "one.json")), &opened, 0, 0, 0), kSuccess);
    EXPECT_EQ(opened.GetDataBase(), users->GetDocDataBase());
    UIDRef fresh;
    ASSERT_EQ(open->OpenDocument(IDFile(PMString(mFolder / "two.json")), &fresh, 0, 0, 0), kSuccess);
    EXPECT_EQ(mHost->Documents().DocumentCount(), 2u);
    EXPECT_EQ(documents->DoClose(fresh, 0, 1, 1), kSuccess);
    EXPECT_EQ(documents->DoClose(opened, 0, 1, 1), kSuccess);
    // Closing the chapter closed the user's document too: the log tells which was open before.
    EXPECT_FALSE(mHost->Documents().IsOpen(mFolder / "one.json"));
    bool wasOpen = false;
    for (const HostCallEntry& entry : HostCallLog::Entries())
        wasOpen = wasOpen || entry.text == "document \"one.indd\" was open already";
    EXPECT_TRUE(wasOpen);
    EXPECT_NE(documents->DoClose(fresh, 0, 1, 1), kSuccess);
    EXPECT_EQ(HostCallLog::Violations(), 1);
    EXPECT_NE(open->OpenDocument(IDFile(PMString(mFolder / "absent.json")), &fresh, 0, 0, 0), kSuccess);
}

}  // namespace
