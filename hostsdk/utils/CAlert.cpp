#include "hostsdk/utils/CAlert.h"

#include "hostsdk/host/StandInHost.h"

std::int16_t CAlert::ModalAlert(const PMString& message, const PMString& button1, const PMString& button2,
                                const PMString& button3, std::int16_t defaultButton, std::int16_t icon) {
    StandInHost* host = StandInHost::Current();
    if (host == nullptr)
        return 0;
    const PMString buttons[3] = {button1, button2, button3};
    return host->Alert(message, buttons, defaultButton, icon);
}
