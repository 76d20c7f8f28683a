// Every failure of the document and book exports, each raised by the host failure behind it: the
// exact text the user reads, no host reference kept, no PDF left, the user's open documents and
// the session's PDF preferences as they were.
#include <gtest/gtest.h>

#include "plugin-host/export/ExportActionFixture.h"
#include "plugin-host/export/GIDCSPExportBookAction.h"

using namespace exporttest;

namespace {

enum class Subject { Document, UntitledDocument, Book };
enum class Step { PDF, Package };

struct Failure {
    Subject subject;
    Step step;
    std::string fault;  // "" for none
    std::vector<std::string> fonts;  // of every document; "!" marks a missing one
    std::string message;
};

std::string const E = "Plug-in Error: ";
std::string const cNotFound = E + "PDF Export command not found";
std::string const cFailed = E + "Unable to execute PDF Export command";
std::string const cNoPrefs = E + "Unable to retrieve PDF Export preferences";
std::string const cJobOptions = E +
    "Unable to read job options. Reselect the job options setting under the Printer tab and recreate the "
    "Trovelor again.";
std::string const cOneFont = E + "Font is Missing! Correct the following font and try again:";
std::string const cFonts = E + "Fonts are Missing! Correct the following fonts and try again:";
std::string const cNoBook = E + "Book is either empty or invalid.";

std::vector<Failure> const cFailures = {
    // The document's PDF.
    {Subject::Document, Step::PDF, "CmdUtils::CreateCommand", {}, cNotFound},
    {Subject::Document, Step::PDF, "IPDFExportPrefs", {}, cNoPrefs},
    {Subject::Document, Step::PDF, "IPDFExportPrefs::ReadJobOptions", {}, cJobOptions},
    {Subject::Document, Step::PDF, "ISysFileData", {}, E + "Unable to retrieve system file data"},
    {Subject::Document, Step::PDF, "IFrontDocumentUtils::QueryFrontDocument", {}, E + "No current document"},
    {Subject::UntitledDocument, Step::PDF, "IDocumentUtils::DoSave", {},
     E + "Unable to save current document. Save the document and try again."},
    {Subject::Document, Step::PDF, "IPageList", {}, E + "Pages"},
    {Subject::Document, Step::PDF, "IPDFExportData", {}, cNotFound},
    {Subject::Document, Step::PDF, "", {"Minion", "!Futura Bold"}, cOneFont + "\n    1. Futura Bold\n"},
    {Subject::Document, Step::PDF, "", {"!Minion", "!Futura Bold"}, cFonts + "\n    1. Minion\n    2. Futura Bold\n"},
    {Subject::Document, Step::PDF, "CmdUtils::ProcessCommand", {}, cFailed},
    {Subject::Document, Step::PDF, "HostPdfWriter::DrawPage#2", {}, cFailed},
    // The document's package.
    {Subject::Document, Step::Package, "CreateObject#1", {}, E + "Create Package command not found"},
    {Subject::Document, Step::Package, "IFrontDocumentUtils::QueryFrontDocument", {}, E + "No current document"},
    {Subject::Document, Step::Package, "IPackageCommand::Execute", {}, E + "Unable to execute Create Package command"},
    {Subject::Document, Step::Package, "CreateObject#2", {}, E + "Create Package Report command not found"},
    {Subject::Document, Step::Package, "IPackageReport::RunReport", {},
     E + "Unable to execute Create Package Report command"},
    // The book's PDF.
    {Subject::Book, Step::PDF, "IBookManager", {}, cNoBook},
    {Subject::Book, Step::PDF, "IOpenDocumentUtils::OpenDocument#2", {}, E + "Unable to open document."},
    {Subject::Book, Step::PDF, "IDataBase::Instantiate#4", {}, E + "Invalid document."},
    {Subject::Book, Step::PDF, "", {"!Minion"}, cFonts + "\nChapter1.indd : \n    1. Minion\n"
                                                         "\nChapter2.indd : \n    1. Minion\n"},
    {Subject::Book, Step::PDF, "CmdUtils::CreateCommand#1", {}, cNoPrefs},
    {Subject::Book, Step::PDF, "CmdUtils::CreateCommand#2", {}, cNoPrefs},
    {Subject::Book, Step::PDF, "IPDFExportPrefs", {}, cNoPrefs},
    {Subject::Book, Step::PDF, "IPDFExportPrefs::ReadJobOptions", {}, cJobOptions},
    {Subject::Book, Step::PDF, "CmdUtils::ProcessCommand#1", {}, cNoPrefs},
    {Subject::Book, Step::PDF, "CmdUtils::CreateCommand#3", {}, cNotFound},
    {Subject::Book, Step::PDF, "IBookExportData", {}, cNotFound},
    {Subject::Book, Step::PDF, "CmdUtils::ProcessCommand#2", {}, cFailed},
    {Subject::Book, Step::PDF, "HostPdfWriter::DrawPage#3", {}, cFailed},
    // The book's package.
    {Subject::Book, Step::Package, "CreateObject", {}, E + "Create Package command not found"},
    {Subject::Book, Step::Package, "IBookManager", {}, cNoBook},
    {Subject::Book, Step::Package, "IBookPackageCommand::Execute", {}, E + "Unable to execute Create Package command"},
};

class ExportFailures : public ExportActionFixture {
protected:
    void Check(Failure const& failure) {
        std::unique_ptr<GIDCSPSaveAsAction> action;
        std::string userOpen;
        if (failure.subject == Subject::Book) {
            action = std::make_unique<GIDCSPExportBookAction>();
            OpenBook("Catalogue.indb", {Document("Chapter1.indd", 2, failure.fonts),
                                        Document("Chapter2.indd", 2, failure.fonts)});
            // The user has the second chapter open.
            userOpen = mSandbox.Root() + "/Chapter2.indd.json";
            std::string error;
            ASSERT_NE(nullptr, mHost->Documents().OpenDocumentFile(userOpen, error)) << error;
        } else {
            action = std::make_unique<GIDCSPSaveAsAction>();
            HostDocumentRecord const document = Document("Brochure.indd", 3, failure.fonts);
            if (failure.subject == Subject::UntitledDocument)
                mHost->Documents().OpenDocument(document);
            else
                OpenSaved(document);
        }
        GCPTSaveAsProperties request(T("Press"));
        request.GetPluginSettings()->SetMarkTrimAllow(true);
        HostPdfSettings const session = mHost->SessionPdfSettings();
        std::size_t const documents = mHost->Documents().DocumentCount();
        HostCallLog::Clear();
        if (!failure.fault.empty()) {
            ASSERT_TRUE(HostFaults::Arm(failure.fault));
        }
        MarkReferences();
        bool const done = failure.step == Step::PDF ? action->SaveAsPDF(request, Folder())
                                                    : action->CreatePackage(Folder());
        HostFaults::Reset();
        EXPECT_FALSE(done);
        EXPECT_EQ(failure.message, U8(action->GetLastError()));
        ExpectNoReferenceLeft();
        EXPECT_TRUE(mHost->SessionPdfSettings() == session);
        EXPECT_EQ(documents, mHost->Documents().DocumentCount());
        if (!userOpen.empty()) {
            EXPECT_TRUE(mHost->Documents().IsOpen(userOpen));
        }
        EXPECT_EQ(0, HostCallLog::Violations());
        // Nor a name held for the PDF or the package.
        for (std::string const& name : Listing(mFolder)) {
            std::string const path = mFolder + "/" + name;
            EXPECT_EQ(std::string::npos, name.find(".pdf")) << name;
            EXPECT_FALSE(std::filesystem::is_directory(path) && std::filesystem::is_empty(path)) << name;
        }
        if (failure.step == Step::PDF) {
            EXPECT_TRUE(action->GetSaveAsPDF().IsEmpty());
        }
    }
};

}  // namespace

TEST_F(ExportFailures, EachHostFailureIsRenderedAndLeavesNothingBehind) {
    for (Failure const& failure : cFailures) {
        SCOPED_TRACE(failure.fault + " / " + failure.message);
        Check(failure);
        mHost->Documents().CloseAll();
        std::error_code ignored;
        std::filesystem::remove_all(mFolder, ignored);
    }
}
