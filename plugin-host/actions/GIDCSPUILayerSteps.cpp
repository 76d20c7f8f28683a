#include "plugin-host/actions/GIDCSPUILayerSteps.h"

#include "core/text/GString.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "hostsdk/utils/CAlert.h"
#include "plugin-host/actions/GIDCSPWindowSupport.h"
#include "services/messages/GUserMessage.h"
#include "ui/layer/GCSPUPluginUILayer.h"
#include "ui/layer/GQUILayer.h"

namespace GIDCSPUILayerSteps {

void Start() { GCSPUPluginUILayer::Initialize(); }

void Stop() { GCSPUPluginUILayer::Finalize(); }

void InstallLoopHooks() {
    GQUILayer::SetStartModalLoopHandler(GIDCSPWindowSupport::StartModalLoop);
    GQUILayer::SetStopModalLoopHandler(GIDCSPWindowSupport::StopModalLoop);
}

void InstallMainWindowHook() { GQUILayer::SetMainWindowHandler(GIDCSPWindowSupport::GetMainWindowHandle); }

void ShowError(std::string const& text) noexcept {
    try {
        GUserMessage const* messages = GCSPUPluginUILayer::GetInitCount() > 0 ? GUserMessage::GetInstance() : nullptr;
        if (messages != nullptr) {
            GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
            messages->ShowErrorMessage(GString("Trovel", utf8), GString(text.c_str(), utf8));
            return;
        }
        CAlert::ModalAlert(text.c_str(), "OK", "", "", 1, 2);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

}  // namespace GIDCSPUILayerSteps
