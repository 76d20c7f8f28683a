#pragma once
// What the export tests share: a stand-in host, a private folder for sample files and PDFs, and
// the host calls a plug-in makes to export a document's pages to PDF.
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "hostsdk/HostSdkTest.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/commands/CmdUtils.h"
#include "hostsdk/commands/IPDFExportData.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/commands/ISysFileData.h"
#include "hostsdk/documents/IDataBase.h"
#include "hostsdk/documents/IDocument.h"
#include "hostsdk/documents/IPageList.h"
#include "hostsdk/host/StandInHost.h"
#include "hostsdk/utils/IOpenDocumentUtils.h"
#include "hostsdk/utils/UtilsBoss.h"
#include "support/ScopedTempFolder.h"

namespace hostsdktest {

class HostExportTest : public HostSdkTest {
protected:
    using Configure = std::function<void(IPDFExportPrefs&)>;

    void SetUp() override {
        HostSdkTest::SetUp();
        mHost = std::make_unique<StandInHost>();
    }

    std::string Write(const std::string& leaf, const std::string& text) {
        std::ofstream(mFolder / leaf) << text;
        return mFolder / leaf;
    }

    // Opens a sample file through the host's utility; null when it does not open.
    InterfacePtr<IDocument> Open(const std::string& file) {
        InterfacePtr<IOpenDocumentUtils> open(UtilsBoss::QueryUtils<IOpenDocumentUtils>());
        UIDRef opened;
        if (!open || open->OpenDocument(IDFile(PMString(file)), &opened, 0, 0, 0) != kSuccess)
            return InterfacePtr<IDocument>();
        return InterfacePtr<IDocument>(
            InterfaceCast<IDocument>(opened.GetDataBase()->Instantiate(opened.GetUID(), IDocument::kDefaultIID)));
    }

    // Exports the pages that `range` names (every page when it is null) as a plug-in does.
    ErrorCode Export(IDocument* document, const char* range, const std::string& pdf, const Configure& configure = {}) {
        InterfacePtr<ICommand> command(CmdUtils::CreateCommand(0x2505));
        InterfacePtr<IPDFExportPrefs> prefs(command.get(), IPDFExportPrefs::kDefaultIID);
        InterfacePtr<ISysFileData> file(command.get(), ISysFileData::kDefaultIID);
        InterfacePtr<IPDFExportData> data(command.get(), IPDFExportData::kDefaultIID);
        InterfacePtr<IPageList> pageList(document, IPageList::kDefaultIID);
        if (!command || !prefs || !file || !data || !pageList)
            return kFailure;
        if (configure)
            configure(*prefs.get());
        file->Set(IDFile(PMString(pdf)));
        UIDList pages(document->GetDocDataBase());
        if (range != nullptr) {
            if (pageList->PageRangeStringToUIDList(range, &pages) != kSuccess)
                return kFailure;
        } else {
            for (std::int32_t i = 0; i < pageList->GetPageCount(); ++i)
                pages.Append(pageList->GetNthPageUID(i));
        }
        data->SetPageUIDList(pages, prefs->GetSpreads() == 1);
        data->SetDocumentName(document->GetName());
        return CmdUtils::ProcessCommand(command.get());
    }

    // The names in the folder, sorted.
    std::vector<std::string> Listing() const;
    // Ends the host; every reference, object and boss must be gone then.
    void EndHostAndExpectAllReleased() {
        mHost.reset();
        ExpectAllReleased();
    }

    ScopedTempFolder mFolder;
    std::unique_ptr<StandInHost> mHost;
};

}  // namespace hostsdktest
