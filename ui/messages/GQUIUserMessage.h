#pragma once
// GQUIUserMessage: the toolkit's user-message instance: information, error, warning and yes/no
// boxes, the remembered-answer message, password entry and the open and save panels, each
// between the host's modal-loop hooks; the boxes centred, their texts plain.
//
// Callers may rely on:
// - Warning and yes/no return 0 only for OK and Yes; ShowMessage asks the instance installed at
//   that moment for a warning.
// - The password operations return 1 when accepted (with matching entries for a new password).
// - The one-file choosers return 1 when nothing was chosen; ChooseSave returns 1 when a path was.
//   The several-file choosers and ShowOpenFolder keep the framework's defaults.
#include "services/messages/GUserMessage.h"

class GQUIUserMessage : public GUserMessage {
public:
    static GUserMessage const* GetInstance() { return GUserMessage::GetInstance(); }

    int ShowMessage(GString const& title, GString const& message) const override;
    void ShowInfoMessage(GString const& title, GString const& message) const override;
    void ShowErrorMessage(GString const& title, GString const& message) const override;
    int ShowWarningMessage(GString const& title, GString const& message) const override;
    int ShowYesNoMessage(GString const& title, GString const& message) const override;
    int ShowFileChooserDialog(GString const& title, GFileType const* type, GPathName& chosen) const override;
    int ShowFileChooserDialog(GString const& title, GTable<GFileType const*> const& types,
                              GPathName& chosen) const override;
    using GUserMessage::ShowFileChooserDialog;
    int ChooseSave(GString const& title, GString const& name, GFileType const* type, GPathName& chosen) const override;
    int ShowPreferenceMessage(GString const& title, GString const& message, bool& dontShowAgain,
                              bool withCancel) const override;
    int ShowPasswordDialog(GString const& title, GString const& label, GBuffer& password) const override;
    int CreatePasswordDialog(GString const& title, GString const& label, GString& password) const override;

    bool ShowYesNoMessage(GString const& title, GString const& message, GString const& iconName) const;
};
