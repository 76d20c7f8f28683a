#include "ui/messages/GQUIMessageBox.h"

#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/layer/GQUILayer.h"
#include "ui/layer/GQUIModalLoopScope.h"
#include "ui/support/GQUISupport.h"

void GQUIMessageBox::Prepare(QMessageBox& box, GString const& title, GString const& text, QMessageBox::Icon icon,
                             QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    box.setParent(GQUILayer::GetWidgetWrapper(), box.windowFlags() | Qt::Dialog);
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(GQStringSupport::ToQString(title));
    box.setText(GQStringSupport::ToQString(text));
    box.setIcon(icon);
    box.setStandardButtons(buttons);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
}

QMessageBox::StandardButton GQUIMessageBox::RunWithHooks(QMessageBox& box) {
    GQUIModalLoopScope const scope(reinterpret_cast<void*>(box.winId()));
    GQUISupport::MoveToMiddleOfScreen(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton GQUIMessageBox::Show(GString const& title, GString const& text, QMessageBox::Icon icon,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton, bool hooks) {
    QMessageBox box;
    Prepare(box, title, text, icon, buttons, defaultButton);
    if (hooks) {
        box.setAttribute(Qt::WA_QuitOnClose, false);
        return RunWithHooks(box);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
