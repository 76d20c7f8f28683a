#include "ui/windows/GQUIWindow.h"

#include "core/signals/GSimpleBoolState.h"

#include <QtCore/QEvent>
#include <QtCore/QEventLoop>
#include <QtCore/QPointer>
#include <QtCore/QFileInfo>
#include <QtCore/QSettings>
#include <QtGui/QCursor>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QSplitter>

#include <algorithm>
#include <typeinfo>

#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/layer/GQUILayer.h"
#include "ui/support/GQUIPathNameSupport.h"

QString const GQUIWindow::cGroupID = QStringLiteral("Geometry/");

namespace {

// Only a regular file (or none yet) is handed to QSettings: a folder or a device in its place
// is treated as a file without the key.
bool IsUsableSettingsFile(QString const& path) {
    QFileInfo const info(path);
    return !path.isEmpty() && (!info.exists() || info.isFile());
}

}  // namespace

GQUIWindow::GQUIWindow(GString const& title, bool modal, QWidget* parent)
    : QDialog(parent != nullptr ? parent : GQUILayer::GetWidgetWrapper()),
      mModal(modal),
      mSettingsFile(GQUIPathNameSupport::ConvertToUIQString(GQUILayer::GetPrefFileName())) {
    if (modal) {
        setWindowModality(Qt::ApplicationModal);
        setModal(true);
    } else if (GQUILayer::GetDefaultFloatingIsTool()) {
        setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Tool);
        if (parent != nullptr)
            setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    }
    setWindowTitle(GQStringSupport::ToQString(title));
    setSizeGripEnabled(true);
    connect(qApp, &QGuiApplication::screenAdded, this, &GQUIWindow::DesktopScreenCountChanged);
    connect(qApp, &QGuiApplication::screenRemoved, this, &GQUIWindow::DesktopScreenCountChanged);
}

GQUIWindow::~GQUIWindow() {
    // Deleted inside its own exec: the loop ends with it, as it does for a hidden window.
    if (mEventLoop != nullptr)
        mEventLoop->exit();
    if (mSaveLoadGeometry)
        SaveGeometryAndState();
    mSplitters.clear();
    CleanupEventLoop();
}

void* GQUIWindow::WindowID() { return reinterpret_cast<void*>(winId()); }

void GQUIWindow::EnsureEventLoop() {
    if (mLoopRunning)
        return;
    if (mModal)
        GQUILayer::HandleStartModalLoop(WindowID());
    else
        GQUILayer::HandleStartFloatingLoop(WindowID());
    mLoopRunning = true;
}

void GQUIWindow::CleanupEventLoop() {
    if (!mLoopRunning)
        return;
    mLoopRunning = false;
    if (mModal)
        GQUILayer::HandleStopModalLoop(WindowID());
    else
        GQUILayer::HandleStopFloatingLoop(WindowID());
}

// QDialog::exec, with the loop in our hands: Qt's exec keeps a pointer to its loop after an
// exception has taken the loop away, and the dialog's next hide or exec then uses the loop that is
// gone. An exception that leaves the loop here hides the window and clears the loop before it goes
// on; the stop hook follows in every case, also when the window was deleted inside its loop.
int GQUIWindow::exec() {
    if (mEventLoop != nullptr) {
        qWarning("GQUIWindow::exec: the window's loop is running already");
        return -1;
    }
    QPointer<GQUIWindow> const alive(this);
    EnsureEventLoop();
    struct Cleanup {
        QPointer<GQUIWindow> const& window;
        // A window deleted inside its loop has stopped the loop in its destructor.
        ~Cleanup() {
            if (window)
                window->CleanupEventLoop();
        }
    } const cleanup{alive};
    bool const deleteOnClose = testAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_DeleteOnClose, false);
    bool const wasShowModal = testAttribute(Qt::WA_ShowModal);
    setAttribute(Qt::WA_ShowModal, true);
    setResult(0);
    QWidget::show();
    QEventLoop loop;
    mEventLoop = &loop;
    try {
        loop.exec(QEventLoop::DialogExec);
    } catch (...) {
        if (alive) {
            mEventLoop = nullptr;
            setAttribute(Qt::WA_ShowModal, wasShowModal);
            hide();
        }
        throw;
    }
    if (!alive)
        return QDialog::Rejected;
    mEventLoop = nullptr;
    setAttribute(Qt::WA_ShowModal, wasShowModal);
    int const code = result();
    if (deleteOnClose)
        delete this;
    return code;
}

void GQUIWindow::setVisible(bool visible) {
    QDialog::setVisible(visible);
    if (!visible && mEventLoop != nullptr)
        mEventLoop->exit();
}

// Keeps a window and a boolean state in step: the state's observer, attached while it lives.
class GQUIWindow::VisibleStateLink : private GObserverT<> {
public:
    VisibleStateLink(GQUIWindow& window, GSimpleBoolState& state) : mWindow(window), mState(&state) {
        state.Attach(this);
    }
    ~VisibleStateLink() override {
        if (mState && HasSubject(mState))
            mState->Detach(this);
    }
    GSimpleBoolState* GetState() const { return HasSubject(mState) ? mState : nullptr; }

private:
    void Update(GSubjectT<>*) override {
        if (!mState->GetValue() && mWindow.isVisible())
            mWindow.hide();
        else if (mState->GetValue() && !mWindow.isVisible())
            mWindow.show();
    }

    GQUIWindow& mWindow;
    GSimpleBoolState* mState;
};

void GQUIWindow::SetVisibleState(GSimpleBoolState* state) {
    mVisibleStateLink = GAutoPtr<VisibleStateLink>(state ? new VisibleStateLink(*this, *state) : nullptr);
}

void GQUIWindow::UpdateVisibleState() {
    if (GSimpleBoolState* state = mVisibleStateLink.Get() ? mVisibleStateLink->GetState() : nullptr)
        state->SetValue(isVisible());
}

void GQUIWindow::show() {
    EnsureEventLoop();
    QWidget::show();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void GQUIWindow::SetWindowIdentifier(GString const& identifier) {
    mWindowIdentifier = GQStringSupport::ToQString(identifier);
}

void GQUIWindow::StartTrackState(QSplitter* splitter) { mSplitters.push_back(splitter); }

void GQUIWindow::StopTrackState(QSplitter* splitter) {
    auto const found = std::find(mSplitters.begin(), mSplitters.end(), splitter);
    if (found == mSplitters.end())
        return;
    QString const key = GetSettingsKey();
    if (mSaveLoadGeometry && key != cGroupID && IsUsableSettingsFile(mSettingsFile)) {
        QSettings settings(mSettingsFile, QSettings::IniFormat);
        settings.setValue(key + "/" + splitter->objectName(), splitter->saveState());
    }
    mSplitters.erase(found);
}

QString GQUIWindow::GetSettingsKey() const { return cGroupID + mClassName + mWindowIdentifier; }

void GQUIWindow::SaveGeometryAndState() {
    QString const key = GetSettingsKey();
    if (key == cGroupID || !IsUsableSettingsFile(mSettingsFile))
        return;
    QSettings settings(mSettingsFile, QSettings::IniFormat);
    settings.setValue(key, saveGeometry());
    for (auto splitter = mSplitters.rbegin(); splitter != mSplitters.rend(); ++splitter)
        settings.setValue(key + "/" + (*splitter)->objectName(), (*splitter)->saveState());
}

void GQUIWindow::LoadGeometryAndState() {
    QString const key = GetSettingsKey();
    if (key == cGroupID)
        return;
    if (!IsUsableSettingsFile(mSettingsFile)) {
        CenterOnScreenUnderCursor();
        return;
    }
    QSettings settings(mSettingsFile, QSettings::IniFormat);
    if (!settings.contains(key) || !restoreGeometry(settings.value(key).toByteArray()))
        CenterOnScreenUnderCursor();
    for (auto splitter = mSplitters.rbegin(); splitter != mSplitters.rend(); ++splitter)
        (*splitter)->restoreState(settings.value(key + "/" + (*splitter)->objectName()).toByteArray());
}

void GQUIWindow::CenterOnScreenUnderCursor() {
    QScreen const* under = QGuiApplication::screenAt(QCursor::pos());
    if (under == nullptr)
        under = QGuiApplication::primaryScreen();
    if (under == nullptr)
        return;
    QRect const screen = under->geometry();
    QRect const frame = frameGeometry();
    move(screen.left() + screen.width() / 2 - frame.width() / 2, screen.top() + screen.height() / 2 - frame.height() / 2);
}

void GQUIWindow::DesktopScreenCountChanged() {
    if (!mSaveLoadGeometry)
        return;
    SaveGeometryAndState();
    LoadGeometryAndState();
}

bool GQUIWindow::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Close:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->hide();
        break;
    default:
        break;
    }
    int code = -1;
    switch (event->type()) {
    case QEvent::WindowActivate: code = 0; break;
    case QEvent::FocusOut: code = 1; break;
    case QEvent::Show: code = 2; break;
    case QEvent::Hide: code = isVisible() ? -1 : 3; break;
    default: break;
    }
    if (code >= 0)
        GQUILayer::HandleWindowEventFloating(WindowID(), code);
    return QDialog::event(event);
}

void GQUIWindow::showEvent(QShowEvent* event) {
    mClassName = QString::fromLatin1(metaObject()->className());
    if (mClassName == QLatin1String("GQUIWindow"))
        mClassName = QString::fromLatin1(typeid(*this).name());
    if (mSaveLoadGeometry)
        LoadGeometryAndState();
    QDialog::showEvent(event);
    UpdateVisibleState();
}

void GQUIWindow::hideEvent(QHideEvent* event) {
    // Saved only with saving on: a window told not to keep its geometry must not overwrite what
    // another window of its class stored.
    if (mSaveLoadGeometry)
        SaveGeometryAndState();
    QDialog::hideEvent(event);
    UpdateVisibleState();
}
