#pragma once
// GQUIAlertWindow: a message box with up to four buttons (yes, no, yes to all, cancel) whose
// texts the caller chooses, and a standard or custom icon; centred, between the modal-loop hooks.
//
// Callers may rely on:
// - Yes is always there and is the default; the others only with a text. No is the escape
//   button when present.
// - Results: 1 yes, 2 no, 3 yes to all, 4 cancel, 0 any other way of closing.
#include "core/text/GString.h"

class GQUIAlertWindow {
public:
    GQUIAlertWindow() = delete;

    enum IconType { kCritical = 1, kWarning = 2, kInformation = 3, kCustom = 4 };

    static int ShowDialog(GString const& title, GString const& text, IconType icon, GString const& yesText,
                          GString const& noText, GString const& yesToAllText, GString const& cancelText);
    // A relative icon name is taken in the resources' artwork folder.
    static int ShowDialog(GString const& title, GString const& text, GString const& iconName, GString const& yesText,
                          GString const& noText, GString const& yesToAllText, GString const& cancelText);
};
