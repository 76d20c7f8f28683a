#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"

#include "core/bytes/GBuffer.h"
#include "printerprocessor/sharedmemory/GShMemID.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/strings/GStringPoolSupport.h"

int32_t GCCLTrovelCoreLayer::sInitialized = 0;

namespace {

// The outermost start failed: the nested starts report false until the count is back to 0.
bool sStartFailed = false;

const GStringPoolDataStruct kEnglishTexts[] = {
    {30050000, "Could not create the semaphore (common resources lock)"},
    {30050001, "Could not lock the semaphore"},
    {30050002, "Could not unlock the semaphore"},
    {30050003, "Named semaphore already exist but could not unlink"},
};

bool Start() noexcept {
    if (!GBasicFrameworkCoreLayer::Initialize())
        return false;
    try {
        GShMemID::Initialize();
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", kEnglishTexts,
                                              static_cast<int>(sizeof kEnglishTexts / sizeof kEnglishTexts[0]), false);
        return true;
    } catch (...) {
        GShMemID::Finalize();
        return false;
    }
}

}  // namespace

bool GCCLTrovelCoreLayer::Initialize() {
    if (sInitialized++ != 0)
        return !sStartFailed;
    sStartFailed = !Start();
    return !sStartFailed;
}

void GCCLTrovelCoreLayer::Finalize() {
    if (sInitialized <= 0) {
        sInitialized = 0;
        return;
    }
    if (--sInitialized != 0)
        return;
    sStartFailed = false;
    GShMemID::Finalize();
    // Matches the Initialize of the foundation, which was called whether or not it succeeded.
    GBasicFrameworkCoreLayer::Finalize();
}

int32_t GCCLTrovelCoreLayer::GetInitCount() { return sInitialized; }
