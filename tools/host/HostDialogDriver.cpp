#include "host/HostDialogDriver.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QFocusEvent>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QAbstractSpinBox>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMessageBox>

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

// A check box or radio button is clicked only when its state is not the one asked for.
bool SetChecked(QWidget& window, const QString& text, bool checked) {
    QAbstractButton* button = FindButton(window, text);
    if (button == nullptr || !button->isCheckable() || !button->isEnabled())
        return false;
    if (button->isChecked() != checked)
        button->click();
    return true;
}

// The disclosure button is the text-less button that shares its parent with the title label.
bool Expand(QWidget& window, const QString& title) {
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text() != title || !label->isVisibleTo(&window) || label->parentWidget() == nullptr)
            continue;
        for (QAbstractButton* button : label->parentWidget()->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
            if (button->text().isEmpty() && button->isEnabled()) {
                button->click();
                return true;
            }
    }
    return false;
}

void SendKey(QWidget& target, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&target, &release);
}

void PressEscape(QWidget& window) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &press);
}

QString FieldText(QWidget& field) {
    if (auto* line = qobject_cast<QLineEdit*>(&field))
        return line->text();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(&field))
        return spin->text();
    return QString();
}

// Replaces the field's contents by the text typed key by key (the field's validator sees each
// key), then takes the focus away, which makes a spin box take the typed value.
bool Type(QWidget& window, const QString& name, const QString& text, QString& result) {
    QWidget* field = window.findChild<QWidget*>(name);
    if (field == nullptr || !field->isEnabled() || !field->isVisibleTo(&window))
        return false;
    auto* line = qobject_cast<QLineEdit*>(field);
    auto* spin = qobject_cast<QAbstractSpinBox*>(field);
    if (line == nullptr && spin == nullptr)
        return false;
    field->setFocus(Qt::OtherFocusReason);
    if (line != nullptr)
        line->selectAll();
    else
        spin->selectAll();
    SendKey(*field, Qt::Key_Delete, QString());
    for (const QChar c : text)
        SendKey(*field, c.toUpper().unicode(), QString(c));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &out);
    result = FieldText(*field);
    return true;
}

std::string Escaped(const QString& text) {
    std::string out;
    for (const char c : text.toStdString()) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

}  // namespace

HostDialogDriver::~HostDialogDriver() { delete mTimer.data(); }

void HostDialogDriver::Start() {
    if (mTimer || QCoreApplication::instance() == nullptr)
        return;
    mTimer = new QTimer(QCoreApplication::instance());
    QObject::connect(mTimer.data(), &QTimer::timeout, [this] { TakeStep(); });
    mTimer->start(mPaceMs);
}

void HostDialogDriver::ReportMessage(QWidget& window) {
    auto* box = qobject_cast<QMessageBox*>(&window);
    if (box == nullptr || mReported == box)
        return;
    mReported = box;
    mOut << "message \"" << Escaped(box->windowTitle()) << "\": " << Escaped(box->text()) << "\n";
}

void HostDialogDriver::TakeStep() {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr)
        return;
    if (mStepQueued)
        return;
    ReportMessage(*window);
    // The step runs from the event loop, not inside this tick: a modal window it opens (a message
    // after OK, say) runs its own loop, in which this timer must tick again to reach it.
    mStepQueued = true;
    QPointer<QWidget> target(window);
    QMetaObject::invokeMethod(
        mTimer.data(),
        [this, target] {
            mStepQueued = false;
            if (target.isNull())
                return;
            if (mNext >= mScript.Steps().size()) {
                mOut << "script: no steps left, Escape\n";
                PressEscape(*target);
                return;
            }
            Take(mScript.Steps()[mNext++], *target);
        },
        Qt::QueuedConnection);
}

bool HostDialogDriver::Take(const HostScript::Step& step, QWidget& window) {
    const QString value = QString::fromStdString(step.value);
    QString typed;
    bool done = false;
    QAbstractButton* button = nullptr;
    if (step.word == "choose") {
        done = Choose(window, value);
    } else if (step.word == "button") {
        button = FindButton(window, value);
        done = button != nullptr;
    } else if (step.word == "check" || step.word == "uncheck") {
        done = SetChecked(window, value, step.word == "check");
    } else if (step.word == "expand") {
        done = Expand(window, value);
    } else if (step.word == "type") {
        const int blank = value.indexOf(' ');
        done = blank > 0 && Type(window, value.left(blank), value.mid(blank + 1), typed);
    } else if (step.word == "key") {
        done = step.value == "Escape";
    }
    mOut << "script: line " << step.line << ": " << step.word << " " << step.value;
    if (!done)
        mOut << " (not possible)";
    else if (step.word == "type")
        mOut << " -> \"" << typed.toStdString() << "\"";
    mOut << "\n";
    // Printed before the click: the click may run the whole export.
    if (button != nullptr)
        button->click();
    else if (done && step.word == "key")
        PressEscape(window);
    return done;
}
