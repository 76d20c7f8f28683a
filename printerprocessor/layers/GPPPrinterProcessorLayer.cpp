#include "printerprocessor/layers/GPPPrinterProcessorLayer.h"

#include "core/bytes/GBuffer.h"
#include "printerprocessor/ipc/GPPIPCManager.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/strings/GStringPoolSupport.h"

int GPPPrinterProcessorLayer::sInitialized = 0;

const GStringPoolDataStruct GPPPrinterProcessorLayer::sStringPoolData[5] = {
    {30050004, "Launch"}, {30050005, "Delete"}, {30050006, "Make Drop"}, {30050007, "Manual Reset"}, {30050008, "Reset"},
};

namespace {

void StopQuietly(void (*finalize)()) {
    try {
        finalize();
    } catch (...) {
        // A teardown goes on; the caller has nothing to do about a failed stop.
    }
}

// Each step's Initialize is matched by its Finalize even when it failed: the layers below count
// every call.
bool StartFramework() {
    try {
        if (GBasicFrameworkCoreLayer::Initialize())
            return true;
    } catch (...) {
    }
    StopQuietly(GBasicFrameworkCoreLayer::Finalize);
    return false;
}

bool StartCoreLayer() {
    try {
        if (GCCLTrovelCoreLayer::Initialize())
            return true;
    } catch (...) {
    }
    StopQuietly(GCCLTrovelCoreLayer::Finalize);
    return false;
}

// Without an instance the notifier has nothing to send with, so a start without one failed. A
// throwing Initialize has not counted the call; one that returned has, and is matched here.
bool StartIPCManager() {
    try {
        GPPIPCManager::Initialize();
    } catch (...) {
        return false;
    }
    if (GPPIPCManager::GetInstance() != nullptr)
        return true;
    StopQuietly(GPPIPCManager::Finalize);
    return false;
}

}  // namespace

bool GPPPrinterProcessorLayer::Start() {
    if (!StartFramework())
        return false;
    if (!StartCoreLayer()) {
        StopQuietly(GBasicFrameworkCoreLayer::Finalize);
        return false;
    }
    if (!StartIPCManager()) {
        StopQuietly(GCCLTrovelCoreLayer::Finalize);
        StopQuietly(GBasicFrameworkCoreLayer::Finalize);
        return false;
    }
    try {
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", sStringPoolData, 5, false);
    } catch (...) {
        // The texts are shown nowhere; the hand-off works without them.
    }
    return true;
}

void GPPPrinterProcessorLayer::Stop() {
    StopQuietly(GPPIPCManager::Finalize);
    StopQuietly(GCCLTrovelCoreLayer::Finalize);
    StopQuietly(GBasicFrameworkCoreLayer::Finalize);
}

bool GPPPrinterProcessorLayer::Initialize() {
    if (sInitialized > 0) {
        ++sInitialized;
        return true;
    }
    if (!Start())
        return false;
    sInitialized = 1;
    return true;
}

void GPPPrinterProcessorLayer::Finalize() {
    if (sInitialized <= 0) {
        sInitialized = 0;
        return;
    }
    if (--sInitialized == 0)
        Stop();
}
