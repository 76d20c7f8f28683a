// The host's entry into the plug-in: the plug-in object and the factory records of its two
// implementation classes, built when the library is loaded; no layer starts here.
#include "hostsdk/actions/IActionComponent.h"
#include "hostsdk/actions/IStartupShutdownService.h"
#include "hostsdk/boss/InterfaceFactory.h"
#include "hostsdk/boss/PlugIn.h"
#include "plugin-host/actions/GIDCSPActionComponent.h"
#include "plugin-host/actions/GIDCSPStartupShutdown.h"
#include "plugin-host/entry/GIDCSPIDs.h"

namespace {

InterfaceFactory<GIDCSPActionComponent> sActionComponentFactory(GIDCSPIDs::kActionComponentImpl);
InterfaceFactory<GIDCSPStartupShutdown> sStartupShutdownFactory(GIDCSPIDs::kStartupShutdownImpl);

PlugIn sPlugIn(GIDCSPIDs::kPlugIn, "TrovelExport",
               {{GIDCSPIDs::kActionComponentClass, IActionComponent::kDefaultIID, GIDCSPIDs::kActionComponentImpl},
                {GIDCSPIDs::kStartupShutdownClass, IStartupShutdownService::kDefaultIID,
                 GIDCSPIDs::kStartupShutdownImpl}});

}  // namespace

// Keeps the factory records referenced, so that no linker drops them.
void DontDeadStrip(bool never) {
    if (never) {
        (void)sActionComponentFactory.Record();
        (void)sStartupShutdownFactory.Record();
    }
}

extern "C" __attribute__((visibility("default"))) PlugIn* GetPlugIn() { return &sPlugIn; }
