#pragma once
// Runs an action on the next modal window once it is up: the code under test blocks in exec.
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <functional>

// previous is tracked, not compared by address: a window made after it was deleted may take its
// address and is still a new one.
inline void WhenModal(std::function<void(QWidget*)> action, QPointer<QWidget> previous = nullptr) {
    QTimer::singleShot(10, [action, previous] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == previous.data() || !modal->isVisible()) {
            WhenModal(action, previous);
            return;
        }
        action(modal);
    });
}
