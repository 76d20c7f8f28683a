#include "plugin-host/actions/GIDCSPUILayerSteps.h"

#include "hostsdk/utils/CAlert.h"

// The plug-in's UI layer (GCSPUPluginUILayer::Initialize/Finalize, GQUILayer's hook setters)
// joins here when it is built; until then the layer steps have nothing to start.
namespace GIDCSPUILayerSteps {

void Start() {}

void Stop() {}

void InstallLoopHooks() {}

void InstallMainWindowHook() {}

void ShowError(std::string const& text) noexcept {
    try {
        CAlert::ModalAlert(text.c_str(), "OK", "", "", 1, 2);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

}  // namespace GIDCSPUILayerSteps
