#include "ui/messages/GQUIUserMessage.h"

#include "core/text/GStringPool.h"
#include "ui/messages/GQUIAlertWindow.h"
#include "ui/messages/GQUICreatePasswordDialog.h"
#include "ui/messages/GQUIMessageBox.h"
#include "ui/messages/GQUIPasswordWindow.h"
#include "ui/messages/GQUIPrefAlertDialog.h"
#include "ui/panels/GQUIOpenSavePanel.h"

int GQUIUserMessage::ShowMessage(GString const& title, GString const& message) const {
    return GUserMessage::GetInstance()->ShowWarningMessage(title, message);
}

void GQUIUserMessage::ShowInfoMessage(GString const& title, GString const& message) const {
    GQUIMessageBox::Show(title, message, QMessageBox::Information, QMessageBox::Ok, QMessageBox::NoButton, true);
}

void GQUIUserMessage::ShowErrorMessage(GString const& title, GString const& message) const {
    GQUIMessageBox::Show(title, message, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::NoButton, true);
}

int GQUIUserMessage::ShowWarningMessage(GString const& title, GString const& message) const {
    return GQUIMessageBox::Show(title, message, QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Ok, true) != QMessageBox::Ok;
}

int GQUIUserMessage::ShowYesNoMessage(GString const& title, GString const& message) const {
    return GQUIMessageBox::Show(title, message, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Yes, true) != QMessageBox::Yes;
}

int GQUIUserMessage::ShowFileChooserDialog(GString const& title, GFileType const* type, GPathName& chosen) const {
    return !GQUIOpenSavePanel::ChooseOpen(chosen, title, type, GPathName());
}

int GQUIUserMessage::ShowFileChooserDialog(GString const& title, GTable<GFileType const*> const& types,
                                           GPathName& chosen) const {
    return !GQUIOpenSavePanel::ChooseOpen(chosen, title, types, GPathName());
}

int GQUIUserMessage::ChooseSave(GString const& title, GString const& name, GFileType const* type,
                                GPathName& chosen) const {
    return GQUIOpenSavePanel::ChooseSave(chosen, title, name, type);
}

bool GQUIUserMessage::ShowYesNoMessage(GString const& title, GString const& message, GString const& iconName) const {
    return GQUIAlertWindow::ShowDialog(title, message, iconName, GStringPool::GetString(15),
                                       GStringPool::GetString(16), GString(), GString()) != 1;
}

int GQUIUserMessage::ShowPreferenceMessage(GString const& title, GString const& message, bool& dontShowAgain,
                                           bool withCancel) const {
    if (dontShowAgain)
        return 0;
    GTriState answer = GQUIPrefAlertDialogBase::kAsk;
    int const accepted = GQUIPrefAlertDialog::ShowDialog(title, message, GString(), GString(),
                                                         GStringPool::GetString(1100), withCancel, true, false, answer);
    if (answer == GQUIPrefAlertDialogBase::kAccepted)
        dontShowAgain = true;
    return accepted != 1;
}

int GQUIUserMessage::ShowPasswordDialog(GString const& title, GString const& label, GBuffer& password) const {
    return GQUIPasswordWindow::ShowDialog(title, label, password);
}

int GQUIUserMessage::CreatePasswordDialog(GString const& title, GString const& label, GString& password) const {
    return GQUICreatePasswordDialog::ShowDialog(title, label, password);
}
