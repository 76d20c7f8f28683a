#include "ui/messages/GQUIAlertWindow.h"

#include <QtGui/QPixmap>
#include <QtWidgets/QAbstractButton>

#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/messages/GQUIMessageBox.h"
#include "ui/support/GQUISupport.h"

namespace {

QMessageBox::Icon StandardIcon(int icon) {
    switch (icon) {
    case GQUIAlertWindow::kCritical: return QMessageBox::Critical;
    case GQUIAlertWindow::kWarning: return QMessageBox::Warning;
    case GQUIAlertWindow::kInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

void SetButtonText(QMessageBox& box, QMessageBox::StandardButton which, GString const& text) {
    if (!text.IsEmpty())
        box.button(which)->setText(GQStringSupport::ToQString(text));
}

int Run(QMessageBox& box, GString const& yesText, GString const& noText, GString const& yesToAllText,
        GString const& cancelText) {
    SetButtonText(box, QMessageBox::Yes, yesText);
    if (!noText.IsEmpty()) {
        SetButtonText(box, QMessageBox::No, noText);
        box.setEscapeButton(QMessageBox::No);
    }
    if (!yesToAllText.IsEmpty())
        SetButtonText(box, QMessageBox::YesToAll, yesToAllText);
    if (!cancelText.IsEmpty())
        SetButtonText(box, QMessageBox::Cancel, cancelText);
    switch (GQUIMessageBox::RunWithHooks(box)) {
    case QMessageBox::Yes: return 1;
    case QMessageBox::No: return 2;
    case QMessageBox::YesToAll: return 3;
    case QMessageBox::Cancel: return 4;
    default: return 0;
    }
}

QMessageBox::StandardButtons Buttons(GString const& noText, GString const& yesToAllText, GString const& cancelText) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes;
    if (!noText.IsEmpty())
        buttons |= QMessageBox::No;
    if (!yesToAllText.IsEmpty())
        buttons |= QMessageBox::YesToAll;
    if (!cancelText.IsEmpty())
        buttons |= QMessageBox::Cancel;
    return buttons;
}

}  // namespace

int GQUIAlertWindow::ShowDialog(GString const& title, GString const& text, IconType icon, GString const& yesText,
                                GString const& noText, GString const& yesToAllText, GString const& cancelText) {
    QMessageBox box;
    GQUIMessageBox::Prepare(box, title, text, StandardIcon(icon), Buttons(noText, yesToAllText, cancelText),
                            QMessageBox::Yes);
    if (icon == kCustom)
        box.setIconPixmap(QPixmap());
    return Run(box, yesText, noText, yesToAllText, cancelText);
}

int GQUIAlertWindow::ShowDialog(GString const& title, GString const& text, GString const& iconName,
                                GString const& yesText, GString const& noText, GString const& yesToAllText,
                                GString const& cancelText) {
    QMessageBox box;
    GQUIMessageBox::Prepare(box, title, text, QMessageBox::NoIcon, Buttons(noText, yesToAllText, cancelText),
                            QMessageBox::Yes);
    box.setIconPixmap(QPixmap(GQUISupport::CreateIconString(GQStringSupport::ToQString(iconName))));
    return Run(box, yesText, noText, yesToAllText, cancelText);
}
