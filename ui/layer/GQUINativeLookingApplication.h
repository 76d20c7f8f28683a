#pragma once
// GQUINativeLookingApplication<T>: an application class that gives every widget the platform's
// small control size when it is first polished, tab widgets, tab bars and menus the normal one.
// A widget that already has a size attribute keeps it. An exception out of an event handler is
// shown to the user and goes no further.
#include <QtCore/QEvent>
#include <QtWidgets/QMenu>
#include <QtWidgets/QTabBar>
#include <QtWidgets/QTabWidget>
#include <QtWidgets/QWidget>

#include "ui/layer/GQUISlotGuard.h"

template <class T>
class GQUINativeLookingApplication : public T {
public:
    GQUINativeLookingApplication(int& argc, char** argv) : T(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override {
        if (event->type() == QEvent::Polish && receiver->isWidgetType())
            SetSizeAttribute(static_cast<QWidget*>(receiver));
        // The last stop before Qt's event loop: no exception may pass through it.
        bool result = false;
        GQUISlotGuard::Run([&] { result = T::notify(receiver, event); });
        return result;
    }

private:
    static void SetSizeAttribute(QWidget* widget) {
        if (widget->testAttribute(Qt::WA_MacNormalSize) || widget->testAttribute(Qt::WA_MacSmallSize) ||
            widget->testAttribute(Qt::WA_MacMiniSize) || widget->testAttribute(Qt::WA_MacVariableSize))
            return;
        bool const normal = qobject_cast<QTabWidget*>(widget) != nullptr ||
                            qobject_cast<QTabBar*>(widget) != nullptr || qobject_cast<QMenu*>(widget) != nullptr;
        widget->setAttribute(normal ? Qt::WA_MacNormalSize : Qt::WA_MacSmallSize);
    }
};
