#include "ui/messages/GQUIPasswordForm.h"

#include <QtGui/QFontMetrics>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>

#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/windows/GQUIWindow.h"

QDialogButtonBox* GQUIPasswordForm::Build(GQUIWindow& window, GString const& text,
                                          std::initializer_list<std::pair<int, QLineEdit**>> rows) {
    auto* layout = new QVBoxLayout(&window);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(&window);
    icon->setPixmap(window.style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(40, 40));
    auto* label = new QLabel(&window);
    label->setTextFormat(Qt::PlainText);
    label->setText(GQStringSupport::ToQString(text));
    label->setWordWrap(true);
    top->addWidget(icon);
    top->addWidget(label, 1);
    layout->addLayout(top);
    auto* grid = new QGridLayout;
    int row = 0;
    for (auto const& entry : rows) {
        auto* field = new QLineEdit(&window);
        field->setEchoMode(QLineEdit::Password);
        grid->addWidget(new QLabel(GQStringSupport::StringIDToQString(entry.first), &window), row, 0);
        grid->addWidget(field, row, 1);
        *entry.second = field;
        ++row;
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
    layout->addWidget(buttons);
    return buttons;
}

QSize GQUIPasswordForm::WidenToTitle(QWidget const& window, QSize hint) {
    int const titleWidth = QFontMetrics(window.font()).horizontalAdvance(window.windowTitle()) + 80;
    if (titleWidth > hint.width())
        hint.setWidth(titleWidth);
    return hint;
}
