#include "plugin/tools/GCPTZARidizoToolsLayer.h"

#include <memory>

#include "core/bytes/GBuffer.h"
#include "plugin/locale/GCPTApplicationLocale.h"
#include "plugin/preferences/GCPTSmartPathName.h"
#include "printerprocessor/layers/GPPPrinterProcessorLayer.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/strings/GStringPoolSupport.h"

int GCPTZARidizoToolsLayer::sInitCount = 0;
bool GCPTZARidizoToolsLayer::sPrinterProcessorStarted = false;

GStringPoolDataStruct const GCPTZARidizoToolsLayer::sStringPoolData[kStringCount] = {
    {30060000, "Can't acquire plug-in"},
    {30060001, "No current document"},
    {30060002, "Export as Ambrelled PDF error"},
    {30060003, "Unable to automatically launch Trovelor. Launch the Trovelor manually and try again."},
    {30060004, "Unable to retrieve PDF setting: %1"},
    {30060005, "Plug-in Error: %1"},
    {30060006, "PDF Export command not found"},
    {30060007, "Unable to execute PDF Export command"},
    {30060008, "Unable to retrieve PDF Export preferences"},
    {30060009,
     "Unable to read job options. Reselect the job options setting under the Printer tab and recreate the "
     "Trovelor again."},
    {30060010, "Unable to retrieve system file data"},
    {30060011, "Font is Missing! Correct the following font and try again:"},
    {30060012, "Fonts are Missing! Correct the following fonts and try again:"},
    {30060013, "Can't retrieve all fonts used in the document."},
    {30060014, "Export to Trovelor error"},
    {30060015, "Create Package command not found"},
    {30060016, "Unable to execute Create Package command"},
    {30060017, "Create Package Report command not found"},
    {30060018, "Unable to execute Create Package Report command"},
    {30060019, "Unable to save current document. Save the document and try again."},
    {30060020, "Invalid document."},
    {30060021, "Unable to open document."},
    {30060022, "Book is either empty or invalid."},
    {30060023, "No current book."},
};

namespace {

// Owned by the layer; null while it is down.
std::unique_ptr<GCPTApplicationLocale> mApplicationLocale;

}  // namespace

GCPTApplicationLocale* GCPTZARidizoToolsLayer::GetApplicationLocale() { return mApplicationLocale.get(); }

void GCPTZARidizoToolsLayer::Initialize() {
    if (sInitCount++ != 0)
        return;
    GBasicFrameworkCoreLayer::Initialize();
    sPrinterProcessorStarted = GPPPrinterProcessorLayer::Initialize();
    GCPTSmartPathName::Initialize();
    mApplicationLocale = std::make_unique<GCPTApplicationLocale>();
    GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", sStringPoolData, kStringCount, false);
}

void GCPTZARidizoToolsLayer::Finalize() {
    if (--sInitCount != 0)
        return;
    mApplicationLocale.reset();
    GCPTSmartPathName::Finalize();
    // A start that failed has been undone already; its Finalize would take another user's count.
    if (sPrinterProcessorStarted)
        GPPPrinterProcessorLayer::Finalize();
    sPrinterProcessorStarted = false;
    GBasicFrameworkCoreLayer::Finalize();
}
