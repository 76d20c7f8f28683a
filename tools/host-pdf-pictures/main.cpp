// Writes the PDFs behind the stand-in host's review pictures: a page of a sample document with
// bleed, slug and every printer's mark, and a spread of the same document, both exported through
// the host's PDF export command. Usage: trovel-host-pdf-pictures FOLDER (writes marked-page.pdf
// and marked-spread.pdf there).
#include <iostream>
#include <string>

#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/commands/CmdUtils.h"
#include "hostsdk/commands/IPDFExportData.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/commands/ISysFileData.h"
#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/documents/IPageList.h"
#include "hostsdk/host/StandInHost.h"

namespace {

HostDocumentRecord Sample() {
    HostDocumentRecord document;
    document.name = "Brochure.indd";
    document.pageWidth = 420;
    document.pageHeight = 595;
    document.bleed = {9, 9, 9, 9};
    document.slug = {36, 36, 18, 18};
    document.pages.clear();
    const char* const titles[] = {"Brochure", "Inside left", "Inside right"};
    for (const char* title : titles) {
        HostPageRecord page;
        page.text = {title, "Exported by the stand-in host", "with bleed, slug and printer's marks"};
        page.hasRectangle = true;
        page.rectangle[0] = 36;
        page.rectangle[1] = 140;
        page.rectangle[2] = 348;
        page.rectangle[3] = 220;
        document.pages.push_back(page);
    }
    document.fonts.push_back({"DejaVu Serif", false});
    return document;
}

bool Export(HostDocument* document, const char* range, bool spreads, const std::string& pdf) {
    InterfacePtr<ICommand> command(CmdUtils::CreateCommand(0x2505));
    InterfacePtr<IPDFExportPrefs> prefs(command.get(), IPDFExportPrefs::kDefaultIID);
    InterfacePtr<ISysFileData> file(command.get(), ISysFileData::kDefaultIID);
    InterfacePtr<IPDFExportData> data(command.get(), IPDFExportData::kDefaultIID);
    InterfacePtr<IPageList> pageList(document, IPageList::kDefaultIID);
    if (!prefs || !file || !data || !pageList)
        return false;
    prefs->SetUseDocumentBleed(true);
    prefs->SetIncludeSlug(true);
    prefs->SetSpreads(spreads);
    prefs->SetCropMarks(true);
    prefs->SetBleedMarks(true);
    prefs->SetRegistrationMarks(true);
    prefs->SetColorBars(true);
    prefs->SetPageInformation(true);
    prefs->SetMarksOffset(12);
    prefs->SetMarksWeight(0.5);
    file->Set(IDFile(PMString(pdf)));
    UIDList pages(document->GetDocDataBase());
    if (pageList->PageRangeStringToUIDList(range, &pages) != kSuccess)
        return false;
    data->SetPageUIDList(pages, prefs->GetSpreads() == 1);
    data->SetDocumentName(document->GetName());
    return CmdUtils::ProcessCommand(command.get()) == kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: trovel-host-pdf-pictures FOLDER\n";
        return 1;
    }
    const std::string folder = argv[1];
    StandInHost host;
    HostDocument* document = host.Documents().OpenDocument(Sample());
    if (!Export(document, "1", false, folder + "/marked-page.pdf") ||
        !Export(document, "2-3", true, folder + "/marked-spread.pdf")) {
        std::cerr << "trovel-host-pdf-pictures: the export failed\n";
        return 2;
    }
    return 0;
}
