#pragma once
// GQUIMessageBox: the one way the toolkit shows a standard message box. The texts are always
// plain text (titles and messages often hold names from documents or the registry, which must
// never be read as markup), the parent is the Qt layer's widget wrapper, and the box does not
// quit the application when it closes.
//
// Callers may rely on:
// - With hooks, the host's modal-loop hooks wrap the box's loop, the stop hook also when it ends
//   by an exception, and the box is centred on the screen under the pointer.
// - The result is the standard button that closed the box (Escape gives the escape button, or
//   NoButton when there is none).
#include <QtWidgets/QMessageBox>

#include "core/text/GString.h"

class GQUIMessageBox {
public:
    GQUIMessageBox() = delete;

    // Makes the box: parent, plain-text title and text, icon, buttons and default button.
    static void Prepare(QMessageBox& box, GString const& title, GString const& text, QMessageBox::Icon icon,
                        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);
    // Runs a prepared box between the modal-loop hooks, centred; returns the button.
    static QMessageBox::StandardButton RunWithHooks(QMessageBox& box);

    static QMessageBox::StandardButton Show(GString const& title, GString const& text, QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton, bool hooks);
};
