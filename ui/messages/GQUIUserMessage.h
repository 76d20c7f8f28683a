#pragma once
// GQUIUserMessage: the toolkit's user-message instance: information, error, warning and yes/no
// boxes, the remembered-answer message and password entry, each centred, plain text, between the
// host's modal-loop hooks.
//
// Callers may rely on:
// - Warning and yes/no return 0 only for OK and Yes; ShowMessage asks the instance installed at
//   that moment for a warning.
// - The password operations return 1 when accepted (with matching entries for a new password).
#include "services/messages/GUserMessage.h"

class GQUIUserMessage : public GUserMessage {
public:
    static GUserMessage const* GetInstance() { return GUserMessage::GetInstance(); }

    int ShowMessage(GString const& title, GString const& message) const override;
    void ShowInfoMessage(GString const& title, GString const& message) const override;
    void ShowErrorMessage(GString const& title, GString const& message) const override;
    int ShowWarningMessage(GString const& title, GString const& message) const override;
    int ShowYesNoMessage(GString const& title, GString const& message) const override;
    int ShowPreferenceMessage(GString const& title, GString const& message, bool& dontShowAgain,
                              bool withCancel) const override;
    int ShowPasswordDialog(GString const& title, GString const& label, GBuffer& password) const override;
    int CreatePasswordDialog(GString const& title, GString const& label, GString& password) const override;

    bool ShowYesNoMessage(GString const& title, GString const& message, GString const& iconName) const;
};
