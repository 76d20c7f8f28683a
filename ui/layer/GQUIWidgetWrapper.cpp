#include "ui/layer/GQUIWidgetWrapper.h"

#include <QtCore/QEvent>
#include <QtGui/QCloseEvent>

GQUIWidgetWrapper::GQUIWidgetWrapper() : QWidget(nullptr, Qt::WindowFlags()) {}

GQUIWidgetWrapper::~GQUIWidgetWrapper() = default;

bool GQUIWidgetWrapper::eventFilter(QObject* watched, QEvent* event) {
    bool const result = QWidget::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    // The wrapper is owned by the layer's static holder: scheduling its own deletion here would
    // leave that holder with a dangling pointer. It only stops watching the closing child.
    if (widget != nullptr && (mClosing || event->type() == QEvent::Destroy) &&
        widget->testAttribute(Qt::WA_DeleteOnClose))
        widget->removeEventFilter(this);
    return result;
}

void GQUIWidgetWrapper::childEvent(QChildEvent* event) {
    if (event->type() == QEvent::ChildAdded && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
    QWidget::childEvent(event);
}

void GQUIWidgetWrapper::closeEvent(QCloseEvent* event) {
    mClosing = true;
    QWidget::closeEvent(event);
}
