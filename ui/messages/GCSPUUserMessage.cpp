#include "ui/messages/GCSPUUserMessage.h"

#include "ui/messages/GQUIMessageBox.h"

void GCSPUUserMessage::ShowInfoMessage(GString const& title, GString const& message) const {
    GQUIMessageBox::Show(title, message, QMessageBox::Information, QMessageBox::Ok, QMessageBox::NoButton, false);
}

void GCSPUUserMessage::ShowErrorMessage(GString const& title, GString const& message) const {
    GQUIMessageBox::Show(title, message, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::NoButton, false);
}

int GCSPUUserMessage::ShowWarningMessage(GString const& title, GString const& message) const {
    return GQUIMessageBox::Show(title, message, QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::NoButton, false) != QMessageBox::Ok;
}
