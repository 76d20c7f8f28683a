#pragma once
// GQUIPasswordForm: the layout the password windows share: an information icon beside the
// (plain) text, a grid of labelled password fields, and OK and Cancel. The window gets a fixed
// size and the focus goes to the first field.
#include <QtCore/QSize>

#include <initializer_list>
#include <utility>

#include "core/text/GString.h"

class QDialogButtonBox;
class QLineEdit;
class QWidget;
class GQUIWindow;

class GQUIPasswordForm {
public:
    GQUIPasswordForm() = delete;

    // Each row: the string-pool id of its label and the field to create there.
    static QDialogButtonBox* Build(GQUIWindow& window, GString const& text,
                                   std::initializer_list<std::pair<int, QLineEdit**>> rows);
    // The size hint widened to the title's width in the window's font plus 80.
    static QSize WidenToTitle(QWidget const& window, QSize hint);
};
