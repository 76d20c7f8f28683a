#include "ui/layer/GBQLayoutDebugger.h"

#include <QtCore/QEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QLayout>
#include <QtWidgets/QWidget>

GBQLayoutDebugger::GBQLayoutDebugger(QObject* parent) : QObject(parent) {}

bool GBQLayoutDebugger::eventFilter(QObject* watched, QEvent* event) {
    bool const result = QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Paint && watched->isWidgetType())
        PaintLayouts(*static_cast<QWidget*>(watched));
    return result;
}

void GBQLayoutDebugger::PaintLayouts(QWidget& widget) {
    QPainter painter(&widget);
    painter.setPen(Qt::red);
    PaintItem(painter, widget.layout());
    painter.setPen(Qt::blue);
    painter.drawRect(0, 0, widget.width() - 1, widget.height() - 1);
}

void GBQLayoutDebugger::PaintItem(QPainter& painter, QLayoutItem* item) {
    if (item == nullptr)
        return;
    if (QLayout* layout = item->layout()) {
        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            painter.save();
            QPen pen = painter.pen();
            pen.setStyle(Qt::DotLine);
            painter.setPen(pen);
            for (int row = 0; row < grid->rowCount(); ++row)
                for (int column = 0; column < grid->columnCount(); ++column)
                    painter.drawRect(grid->cellRect(row, column));
            painter.restore();
        }
        for (int i = 0; i < layout->count(); ++i)
            PaintItem(painter, layout->itemAt(i));
        painter.drawRect(layout->geometry());
        return;
    }
    QWidget* child = item->widget();
    if (child == nullptr || !child->isVisible())
        return;
    painter.save();
    painter.translate(child->pos());
    PaintItem(painter, child->layout());
    painter.setPen(Qt::blue);
    painter.drawRect(0, 0, child->width() - 1, child->height() - 1);
    painter.restore();
}
