#include "host/HostDialogDriver.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>

namespace {

QAbstractButton* FindButton(QWidget& window, const QString& text) {
    for (QDialogButtonBox* box : window.findChildren<QDialogButtonBox*>()) {
        for (QAbstractButton* button : box->buttons()) {
            const auto standard = box->standardButton(button);
            if ((text == "OK" && standard == QDialogButtonBox::Ok) ||
                (text == "Cancel" && standard == QDialogButtonBox::Cancel))
                return button;
        }
    }
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (button->text().remove('&') == text)
            return button;
    return nullptr;
}

bool Choose(QWidget& window, const QString& text) {
    QComboBox* list = window.findChild<QComboBox*>();
    const int index = list != nullptr ? list->findText(text) : -1;
    if (index < 0)
        return false;
    list->setCurrentIndex(index);
    return true;
}

void PressEscape(QWidget& window) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &press);
}

}  // namespace

HostDialogDriver::~HostDialogDriver() { delete mTimer.data(); }

void HostDialogDriver::Start() {
    if (mTimer || QCoreApplication::instance() == nullptr)
        return;
    mTimer = new QTimer(QCoreApplication::instance());
    QObject::connect(mTimer.data(), &QTimer::timeout, [this] { TakeStep(); });
    mTimer->start(10);
}

void HostDialogDriver::TakeStep() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr)
        return;
    if (mNext >= mScript.Steps().size()) {
        mOut << "script: no steps left, Escape\n";
        PressEscape(*window);
        return;
    }
    const HostScript::Step& step = mScript.Steps()[mNext++];
    const QString value = QString::fromStdString(step.value);
    bool done = false;
    if (step.word == "choose")
        done = Choose(*window, value);
    else if (step.word == "button")
        done = FindButton(*window, value) != nullptr;
    else if (step.word == "key" && step.value == "Escape")
        done = true;
    mOut << "script: line " << step.line << ": " << step.word << " " << step.value << (done ? "" : " (not possible)")
         << "\n";
    if (done && step.word == "button")
        FindButton(*window, value)->click();
    else if (done && step.word == "key")
        PressEscape(*window);
}
