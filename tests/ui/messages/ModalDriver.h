#pragma once
// Runs an action on the next modal window once it is up: the code under test blocks in exec.
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <functional>

inline void WhenModal(std::function<void(QWidget*)> action, QWidget* previous = nullptr) {
    QTimer::singleShot(10, [action, previous] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == previous || !modal->isVisible()) {
            WhenModal(action, previous);
            return;
        }
        action(modal);
    });
}
