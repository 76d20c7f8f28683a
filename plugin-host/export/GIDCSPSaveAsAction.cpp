#include "plugin-host/export/GIDCSPSaveAsAction.h"

#include <cstdio>

#include "core/text/encodings/GUTF8Encoding.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/commands/CmdUtils.h"
#include "hostsdk/commands/IPDFExportData.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/commands/IPackageCommand.h"
#include "hostsdk/commands/IPackageReport.h"
#include "hostsdk/commands/ISysFileData.h"
#include "hostsdk/documents/IDocument.h"
#include "hostsdk/documents/IPageList.h"
#include "hostsdk/utils/IDocumentUtils.h"
#include "hostsdk/utils/IFrontDocumentUtils.h"
#include "hostsdk/utils/UtilsBoss.h"
#include "plugin-host/export/GIDCSConvertMethods.h"
#include "plugin-host/export/GIDCSPExportIDs.h"
#include "plugin-host/export/GIDCSPHelperMethods.h"
#include "services/paths/GNativePath.h"

using namespace GIDCSPExportIDs;

namespace {

// The pages to export: the request's range, or every page in document order. Empty when the
// range does not parse or names no page, or the document has none.
UIDList PagesToExport(IDocument& document, GCPTSaveAsProperties const& request) {
    UIDList pages(document.GetDocDataBase());
    InterfacePtr<IPageList> pageList(&document, IPageList::kDefaultIID);
    if (!pageList)
        return pages;
    if (request.GetHasRange() != 0) {
        PMString range;
        GIDCSConvertMethods::ConvertToPMString(request.GetRange(), range);
        if (pageList->PageRangeStringToUIDList(range, &pages) != kSuccess)
            pages.Clear();
        return pages;
    }
    std::int32_t const count = pageList->GetPageCount();
    for (std::int32_t i = 0; i < count; ++i)
        pages.Append(pageList->GetNthPageUID(i));
    return pages;
}

// Saves a document that was never saved or has changes; an untitled one gets its file.
InterfacePtr<IDocument> FrontDocument() {
    InterfacePtr<IFrontDocumentUtils> front(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    return InterfacePtr<IDocument>(front ? front->QueryFrontDocument() : nullptr);
}

bool SaveIfNeeded(IDocument* document) {
    if (document->IsSaved())
        return true;
    InterfacePtr<IDocumentUtils> utils(UtilsBoss::QueryUtils<IDocumentUtils>());
    return utils && utils->DoSave(document) == kSuccess;
}

}  // namespace


bool GIDCSPSaveAsAction::Fail(int errorId, GString const& detail) {
    GString text;
    GIDCSPHelperMethods::ToLocaleString(errorId, detail, text);
    SetLastError(text);
    return false;
}

GString GIDCSPSaveAsAction::BaseName(PMString const& name) {
    GString text;
    GIDCSConvertMethods::ConvertToGString(name, text);
    GPathName path;
    path.SetNativePathString(text);
    return path.GetLeafWithoutExtension();
}

bool GIDCSPSaveAsAction::Finished(ErrorCode result, GPathName const& pdf) {
    if (result != kSuccess) {
        RemoveLeftover(pdf);
        return Fail(kCommandFailed);
    }
    SetSaveAsPDF(pdf);
    return true;
}

bool GIDCSPSaveAsAction::MakePackage(IPackageOptions& package, GPathName const& folder, PMString const& name) {
    static GString const suffix(" Folder", GUTF8Encoding::GetInstance());
    GPathName destination;
    GetUniqueFolderPath(folder, BaseName(name) + suffix, destination);
    HeldName held(destination, folder);
    package.SetDestination(GIDCSConvertMethods::ConvertToIDFile(destination));
    SetPackageOptions(package);
    if (!held.Filled(package.Execute() == kSuccess))
        return Fail(kPackageFailed);
    SetPackagePath(destination);
    return true;
}

GIDCSPSaveAsAction::HeldName::~HeldName() {
    if (mFilled)
        return;
    RemoveLeftover(mPath);
    GPathName const branch = mPath.GetBranch();
    if (!(branch.GetNativePathString() == mFolder.GetNativePathString()))
        RemoveLeftover(branch);
}

void GIDCSPSaveAsAction::SetPackageOptions(IPackageOptions& package) {
    package.SetCopyFonts(true);
    package.SetCopyLinkedGraphics(true);
    package.SetUpdateGraphicLinks(true);
    package.SetIncludeHiddenLayers(false);
    package.SetIgnorePreflightErrors(false);
    package.SetCopyPDF(false);
    package.SetCreateReport(true);
    package.SetCopyIDML(false);
}

void GIDCSPSaveAsAction::RemoveLeftover(GPathName const& path) {
    std::remove(NativePathBytes(path).c_str());
}

bool GIDCSPSaveAsAction::SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) {
    InterfacePtr<ICommand> command(CmdUtils::CreateCommand(kPDFExportCommand));
    if (!command)
        return Fail(kCommandNotFound);
    InterfacePtr<IPDFExportPrefs> prefs(command.get(), IPDFExportPrefs::kDefaultIID);
    if (!prefs)
        return Fail(kNoPreferences);
    int errorId = 0;
    if (!GIDCSPHelperMethods::ToExportPrefs(request, prefs, errorId))
        return Fail(errorId);
    InterfacePtr<ISysFileData> file(command.get(), ISysFileData::kDefaultIID);
    if (!file)
        return Fail(kNoFileData);
    InterfacePtr<IDocument> document = FrontDocument();
    if (!document)
        return Fail(kNoDocument);
    if (!SaveIfNeeded(document.get()))
        return Fail(kCannotSave);

    PMString const name = document->GetName();
    GPathName pdf;
    GetUniquePDFFilePath(folder, BaseName(name), pdf);
    HeldName held(pdf, folder);
    file->Set(GIDCSConvertMethods::ConvertToIDFile(pdf));

    UIDList const pages = PagesToExport(*document.get(), request);
    if (pages.IsEmpty())
        return Fail(kPages);
    // The command cannot export without it; a host that lacks it has no PDF export to offer.
    InterfacePtr<IPDFExportData> data(command.get(), IPDFExportData::kDefaultIID);
    if (!data)
        return Fail(kCommandNotFound);
    data->SetPageUIDList(pages, prefs->GetSpreads() == 1);
    data->SetDocumentName(name);

    GString fonts;
    if (GIDCSPHelperMethods::GetMissingFontsInfo(document.get(), errorId, fonts) != 0)
        return Fail(errorId, fonts);
    return held.Filled(Finished(CmdUtils::ProcessCommand(command.get()), pdf));
}

bool GIDCSPSaveAsAction::CreatePackage(GPathName const& folder) {
    InterfacePtr<IPackageCommand> package(CreateObject<IPackageCommand>(kPackageClass));
    if (!package)
        return Fail(kPackageNotFound);
    InterfacePtr<IDocument> document = FrontDocument();
    if (!document)
        return Fail(kNoDocument);
    package->SetDocument(document.get());

    if (!MakePackage(*package.get(), folder, document->GetName()))
        return false;

    InterfacePtr<IPackageReport> report(CreateObject<IPackageReport>(kPackageReportClass));
    if (!report)
        return Fail(kReportNotFound);
    if (report->RunReport(package.get(), 0, 0, 1) != 1)
        return Fail(kReportFailed);
    return true;
}
