#pragma once
// The host's alerts.
#include <cstdint>

#include "hostsdk/base/PMString.h"

class CAlert {
public:
    // Shows `message` with up to three buttons (an empty text is no button) and waits for the
    // user; returns the number (from 1) of the button pressed. `icon` 0 shows none.
    static std::int16_t ModalAlert(const PMString& message, const PMString& button1, const PMString& button2,
                                   const PMString& button3, std::int16_t defaultButton, std::int16_t icon);
};
