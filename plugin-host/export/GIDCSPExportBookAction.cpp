#include "plugin-host/export/GIDCSPExportBookAction.h"

#include "core/text/encodings/GUTF8Encoding.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/commands/CmdUtils.h"
#include "hostsdk/commands/IBookExportData.h"
#include "hostsdk/commands/IBookPackageCommand.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/documents/IBook.h"
#include "hostsdk/documents/IBookContent.h"
#include "hostsdk/documents/IBookContentMgr.h"
#include "hostsdk/documents/IBookManager.h"
#include "hostsdk/documents/IDataBase.h"
#include "hostsdk/documents/IDocument.h"
#include "hostsdk/documents/UIDRef.h"
#include "hostsdk/session/ISession.h"
#include "hostsdk/utils/IDocumentUtils.h"
#include "hostsdk/utils/IFrontDocumentUtils.h"
#include "hostsdk/utils/IOpenDocumentUtils.h"
#include "hostsdk/utils/UtilsBoss.h"
#include "plugin-host/export/AcquireCurrentBook.h"
#include "plugin-host/export/GIDCSConvertMethods.h"
#include "plugin-host/export/GIDCSPExportIDs.h"
#include "plugin-host/export/GIDCSPHelperMethods.h"
#include "plugin/logging/ILogInterface.h"

using namespace GIDCSPExportIDs;

namespace {

// The active book, not counted; null with `errorId` set when no book is open.
IBook* GetCurrentBook(int& errorId) {
    errorId = 0;
    InterfacePtr<IBookManager> books(GetExecutionContextSession(), IBookManager::kDefaultIID);
    IBook* book = books && books->GetBookCount() > 0 ? books->GetCurrentActiveBook() : nullptr;
    if (book == nullptr)
        errorId = kNoBook;
    return book;
}

// The database of the front document; null when none is open. Only compared, never followed.
IDataBase const* FrontDataBase() {
    InterfacePtr<IFrontDocumentUtils> front(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    InterfacePtr<IDocument> document(front ? front->QueryFrontDocument() : nullptr);
    return document ? document->GetDocDataBase() : nullptr;
}

// A chapter opened for the font check. Opening a chapter the user has open gives that document;
// only one this check opened itself (it comes to the front) is closed again when this goes.
class OpenedChapter {
public:
    explicit OpenedChapter(IDFile const& file) {
        InterfacePtr<IOpenDocumentUtils> open(UtilsBoss::QueryUtils<IOpenDocumentUtils>());
        IDataBase const* frontBefore = FrontDataBase();
        if (!open || open->OpenDocument(file, &mDocument, 0, 0, 0) != kSuccess) {
            mDocument = UIDRef();
            return;
        }
        mOpen = true;
        mOpened = mDocument.GetDataBase() != nullptr && mDocument.GetDataBase() != frontBefore &&
                  mDocument.GetDataBase() == FrontDataBase();
    }
    OpenedChapter(OpenedChapter const&) = delete;
    OpenedChapter& operator=(OpenedChapter const&) = delete;
    ~OpenedChapter() {
        if (!mOpened)
            return;
        InterfacePtr<IDocumentUtils> utils(UtilsBoss::QueryUtils<IDocumentUtils>());
        if (utils)
            utils->DoClose(mDocument, 0, 1, 1);
    }

    bool IsOpen() const { return mOpen; }
    InterfacePtr<IDocument> Document() const {
        if (mDocument.GetDataBase() == nullptr)
            return InterfacePtr<IDocument>();
        return InterfacePtr<IDocument>(
            InterfaceCast<IDocument>(mDocument.GetDataBase()->Instantiate(mDocument.GetUID(), IDocument::kDefaultIID)));
    }

private:
    UIDRef mDocument;
    bool mOpen = false;
    // This check opened it: it is closed again.
    bool mOpened = false;
};

// Checks one chapter; adds its missing fonts to `total` and its lines to `detail`. A chapter
// that cannot be checked sets `errorId`.
void CheckChapter(IBookContentMgr& contents, std::int32_t index, int& errorId, int& total, GString& detail) {
    UID const uid = contents.GetNthContent(index);
    if (uid == 0)
        return;
    InterfacePtr<IBookContent> content(
        InterfaceCast<IBookContent>(contents.GetDataBase()->Instantiate(uid, IBookContent::kDefaultIID)));
    if (!content) {
        errorId = kCannotOpen;
        return;
    }
    OpenedChapter chapter(content->GetContentFile());
    if (!chapter.IsOpen()) {
        errorId = kCannotOpen;
        return;
    }
    InterfacePtr<IDocument> document = chapter.Document();
    if (!document) {
        errorId = kInvalidDocument;
        return;
    }
    int ignored = 0;
    GString fonts;
    int const missing = GIDCSPHelperMethods::GetMissingFontsInfo(document.get(), ignored, fonts);
    if (missing <= 0)
        return;
    GString name;
    GIDCSConvertMethods::ConvertToGString(document->GetName(), name);
    GPathName path;
    path.SetNativePathString(name);
    detail += GString("\n");
    detail += path.GetLeaf();
    detail += GString(" : ");
    detail += fonts;
    total += missing;
}

// The number of missing fonts over the book's chapters, with `detail` listing them.
int CheckFonts(IBook* book, int& errorId, GString& detail) {
    InterfacePtr<IBookContentMgr> contents(book, IBookContentMgr::kDefaultIID);
    if (!contents || contents->GetDataBase() == nullptr)
        return 0;
    int total = 0;
    std::int32_t const count = contents->GetContentCount();
    for (std::int32_t i = 0; i < count && errorId == 0; ++i)
        CheckChapter(*contents.get(), i, errorId, total, detail);
    return total;
}

// The session's PDF export preferences as they were when this was made; they are set again when
// this goes unless Forget was called (the session was not changed).
class SessionPrefsRestorer {
public:
    SessionPrefsRestorer() : mCommand(CmdUtils::CreateCommand(kSetPDFExportPrefsCommand)) {}
    SessionPrefsRestorer(SessionPrefsRestorer const&) = delete;
    SessionPrefsRestorer& operator=(SessionPrefsRestorer const&) = delete;
    // The export's own result stands either way: its PDF is written or not whatever the session
    // keeps. A session that could not be put back is only logged.
    ~SessionPrefsRestorer() {
        if (!mCommand || !mChanged)
            return;
        if (CmdUtils::ProcessCommand(mCommand.get()) == kSuccess)
            return;
        try {
            log_error(QStringLiteral("The session's PDF export preferences could not be restored after the book "
                                     "export; they keep the Trovelor's settings."),
                      QStringLiteral("GIDCSPExportBookAction"));
        } catch (...) {
            // A destructor: nothing may leave it.
        }
    }
    // Without it the session cannot be put back, and is not changed.
    bool CanRestore() const { return static_cast<bool>(mCommand); }
    void SessionChanged() { mChanged = true; }

private:
    InterfacePtr<ICommand> mCommand;
    bool mChanged = false;
};

}  // namespace

bool GIDCSPExportBookAction::SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) {
    int errorId = 0;
    GString detail;
    IBook* book = GetCurrentBook(errorId);
    if (book == nullptr)
        return Fail(errorId);
    int const missing = CheckFonts(book, errorId, detail);
    if (missing != 0)
        return Fail(missing == 1 ? kOneFontMissing : kFontsMissing, detail);
    // A chapter that could not be checked may lack fonts the PDF would then miss.
    if (errorId != 0)
        return Fail(errorId);
    if (book->IsModified())
        book->Save(book->GetFile());

    // The book export takes the session's preferences: they are set for it and put back after.
    SessionPrefsRestorer restorer;
    InterfacePtr<ICommand> setPrefs(CmdUtils::CreateCommand(kSetPDFExportPrefsCommand));
    InterfacePtr<IPDFExportPrefs> prefs(setPrefs.get(), IPDFExportPrefs::kDefaultIID);
    if (!prefs || !restorer.CanRestore())
        return Fail(kNoPreferences);
    if (!GIDCSPHelperMethods::ToExportPrefs(request, prefs, errorId))
        return Fail(errorId);
    restorer.SessionChanged();
    if (CmdUtils::ProcessCommand(setPrefs.get()) != kSuccess)
        return Fail(kNoPreferences);

    GPathName pdf;
    GetUniquePDFFilePath(folder, BaseName(book->GetName()), pdf);
    HeldName held(pdf, folder);
    InterfacePtr<ICommand> command(CmdUtils::CreateCommand(kBookExportCommand));
    if (!command)
        return Fail(kCommandNotFound);
    InterfacePtr<IBookExportData> data(command.get(), IBookExportData::kDefaultIID);
    if (!data)
        return Fail(kCommandNotFound);
    ErrorCode result = kFailure;
    {
        AcquireCurrentBook current(nullptr);
        IBook* exported = current.GetBook() != nullptr ? current.GetBook() : book;
        data->SetBookFile(exported->GetFile());
        data->SetContents(current.GetSelectedContents(), current.IsWholeBook());
        IDFile const file = GIDCSConvertMethods::ConvertToIDFile(pdf);
        data->SetOutputFile(file, !file.GetString().IsEmpty());
        data->SetExportFormat(kPDFFormat);
        data->SetUIFlags(kNoHostUI);
        result = CmdUtils::ProcessCommand(command.get());
    }
    return held.Filled(Finished(result, pdf));
}

bool GIDCSPExportBookAction::CreatePackage(GPathName const& folder) {
    InterfacePtr<IBookPackageCommand> package(CreateObject<IBookPackageCommand>(kBookPackageClass));
    if (!package)
        return Fail(kPackageNotFound);
    int errorId = 0;
    IBook* book = GetCurrentBook(errorId);
    if (book == nullptr)
        return Fail(errorId);
    package->SetBook(book);
    return MakePackage(*package.get(), folder, book->GetFile().GetFileName());
}
