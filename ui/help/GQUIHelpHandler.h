#pragma once
// GQUIHelpHandler: hover help. A window reserves a text edit as the help pane of a widget (the
// pane); registered widgets inside the pane show their help text there once the pointer has
// rested on them for the handler's delay (500 ms), and the text shown before comes back the same
// delay after the pointer left. The timing runs on the framework's idle signal (100) only.
//
// Callers may rely on:
// - The registry owns one handler per pane: registering a pane again, unregistering it and the
//   pane's deletion delete its handler; the handlers left are deleted at exit.
// - Widgets, panes and text edits may be deleted at any time: nothing is kept of them but guarded
//   pointers, and the texts of a deleted widget are never shown.
// - Help texts are shown as plain text.
// - When the pointer enters several nested widgets at once, the innermost one's text is shown.
// - Finalize stops the listener and every waiting handler: nothing is shown after it, and the
//   next Initialize starts from a clean slate.
// - Main thread only.
#include <QtCore/QPointer>

#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "core/values/GTimer.h"

class QTextEdit;
class QWidget;

class GQUIHelpHandler {
public:
    static constexpr int kDefaultDelay = 500;

    GQUIHelpHandler(QWidget const* pane, QTextEdit* edit, int delay);
    ~GQUIHelpHandler();
    GQUIHelpHandler(GQUIHelpHandler const&) = delete;
    GQUIHelpHandler& operator=(GQUIHelpHandler const&) = delete;

    static void Initialize();
    static void Finalize();

    static void RegisterHelpComponent(QWidget const* pane, QTextEdit* edit);
    static void UnregisterHelpComponent(QWidget const* pane);
    // A widget that has a text keeps it; nothing happens between Finalize and Initialize.
    static void RegisterHelp(QWidget* widget, int stringID);
    static void RegisterHelp(QWidget* widget, GString const& text);
    static void UnregisterHelp(QWidget* widget);

    static void SetDelayedHelp(QWidget const* widget, int stringID);
    static void SetDelayedHelp(QWidget const* widget, GString const& text);
    static void SetImmediateHelp(QWidget const* widget, int stringID);
    static void SetImmediateHelp(QWidget const* widget, GString const& text);
    // The pointer left the widget: its text is taken off the pane's stack.
    static void StopDelayedHelp(QWidget const* widget);
    // The widget itself when it is a registered pane, else its nearest ancestor that is one.
    static QWidget const* GetHelpfullPane(QWidget const* widget);
    // The time idler's work: every waiting handler whose delay has passed shows its text.
    static void Listen();
    // Every handler forgets the texts of widgets deleted meanwhile.
    static void ForgetDeletedWidgets();

    // Pushes the text and restarts the timer; the number of texts.
    int AddHelpText(QWidget const* widget, GString const& text);
    // Pops the newest text; the timer restarts while texts remain. The number left.
    int RemoveHelpText();
    void ActivateHandler();
    void DeactivateHandler();
    // Shows the newest text and leaves the waiting list once the delay has passed.
    void CheckAndActivate();

private:
    // Takes off the newest text of the widget (the newest text when it has none); the number left.
    int RemoveHelpText(QWidget const* widget);
    // The number of texts of deleted widgets taken off.
    int DropDeletedWidgets();
    // Waits again while texts remain, else goes idle.
    void WaitOrStop();
    void Show(GString const& text);
    void Clear();
    static GQUIHelpHandler* FindHandler(QWidget const* widget);
    static void DropDeletedPanes();

    QPointer<QWidget const> mPane;
    QPointer<QTextEdit> mEdit;
    GTable<GString> mTexts;
    GTable<QPointer<QWidget const>> mWidgets;
    GTimer mTimer;
    int mDelay;
};
