#pragma once
// GQUIWindow: the base of the toolkit's dialogs. It tells the host through the Qt layer's hooks
// when a Qt loop for the window starts and ends, parents itself to the layer's widget wrapper
// when given no parent, closes open pop-ups when it is resized, shown, hidden, closed,
// activated or deactivated, and keeps its geometry (and that of the splitters it tracks) in the
// UI settings file under "Geometry/<class><identifier>".
//
// Callers may rely on:
// - A start hook is always matched by one stop hook: after exec (also when it ends by an
//   exception, or the window was deleted inside it), or at destruction for a window shown with
//   show(). An exec that ends by an exception leaves the window hidden, not modal, and ready to
//   run again.
// - Geometry is read and written only while save/load geometry is on. A window without stored
//   geometry, or whose stored geometry cannot be restored, is centred on the screen under the
//   pointer. A settings file that is missing, corrupt, unreadable or a folder never stops the
//   window.
// - A bound visible state (SetVisibleState) follows the window's visibility, and the window
//   shows or hides itself when the state changes. The state may be deleted before the window.
// - Main thread only.
#include <QtCore/QString>
#include <QtWidgets/QDialog>

#include <vector>

#include "core/memory/GAutoPtr.h"
#include "core/text/GString.h"

class QEventLoop;
class QSplitter;
class GSimpleBoolState;

class GQUIWindow : public QDialog {
    Q_OBJECT
public:
    GQUIWindow(GString const& title, bool modal, QWidget* parent);
    ~GQUIWindow() override;

    int exec() override;
    void setVisible(bool visible) override;

    void SetSaveLoadGeometry(bool value) { mSaveLoadGeometry = value; }
    bool GetSaveLoadGeometry() const { return mSaveLoadGeometry; }
    void SetWindowIdentifier(GString const& identifier);
    void StartTrackState(QSplitter* splitter);
    void StopTrackState(QSplitter* splitter);
    // Binds the window's visibility to state (null unbinds); the window does not own it.
    void SetVisibleState(GSimpleBoolState* state);

    void SaveGeometryAndState();
    void LoadGeometryAndState();
    void EnsureEventLoop();
    void CleanupEventLoop();
    void DesktopScreenCountChanged();

    // The settings key of the window's geometry ("Geometry/" alone before the first show).
    QString GetSettingsKey() const;
    static QString const cGroupID;

public Q_SLOTS:
    void show();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    class VisibleStateLink;

    void CenterOnScreenUnderCursor();
    void UpdateVisibleState();
    void* WindowID();

    bool mModal;
    bool mLoopRunning = false;
    GAutoPtr<VisibleStateLink> mVisibleStateLink;
    QString mSettingsFile;
    QString mClassName;
    QString mWindowIdentifier;
    std::vector<QSplitter*> mSplitters;
    bool mSaveLoadGeometry = true;
    QEventLoop* mEventLoop = nullptr;  // the loop of a running exec
};
