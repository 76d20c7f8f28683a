#include "ui/frames/GQUIExpandCollapseButton.h"

#include <QtGui/QPainter>
#include <QtWidgets/QStyleOption>

GQUIExpandCollapseButton::GQUIExpandCollapseButton(bool expanded, QWidget* parent)
    : QToolButton(parent), mExpanded(expanded) {
    setStyleSheet("QToolButton { border: none }");
}

GQUIExpandCollapseButton::~GQUIExpandCollapseButton() = default;

void GQUIExpandCollapseButton::SetExpanded(bool expanded) {
    mExpanded = expanded;
    update();
}

void GQUIExpandCollapseButton::ToggleState() {
    mExpanded = !mExpanded;
    update();
}

void GQUIExpandCollapseButton::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);
    QPainter painter(this);
    QStyleOption option(1, QStyleOption::SO_Default);
    option.initFrom(this);
    DrawIndicator(&option, &painter);
}

QPainterPath GQUIExpandCollapseButton::IndicatorPath(QRect const& rect, bool expanded) {
    int const x = rect.left();
    int const m = rect.top() + (rect.bottom() - rect.top() + 1) / 2;
    QPainterPath path;
    if (expanded) {
        path.moveTo(x + 4, m - 4);
        path.lineTo(x + 12, m - 4);
        path.lineTo(x + 8, m + 4);
        path.lineTo(x + 4, m - 4);
    } else {
        path.moveTo(x + 4, m + 4);
        path.lineTo(x + 12, m);
        path.lineTo(x + 4, m - 4);
        path.lineTo(x + 4, m + 4);
    }
    return path;
}

void GQUIExpandCollapseButton::DrawIndicator(QStyleOption const* option, QPainter* painter) const {
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->fillPath(IndicatorPath(option->rect, mExpanded), QBrush(Qt::darkGray, Qt::SolidPattern));
}
