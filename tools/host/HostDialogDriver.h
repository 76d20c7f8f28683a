#pragma once
// Drives the plug-in's modal dialogs in place of a user: once started, the script's steps go,
// one per tick of a timer of the plug-in's event loops, to the Qt window then modal (whether or
// not the plug-in could take the host's modal state for it); a tick comes every paceMs. Steps:
//   choose TEXT      selects the entry TEXT in the window's first list of choices;
//   button TEXT      clicks the button of that text (or the standard button "OK", "Cancel");
//   check TEXT       clicks the check box or radio button of that text unless it is checked;
//   uncheck TEXT     clicks it when it is checked;
//   expand TITLE     clicks the disclosure button beside the label TITLE unless it is open;
//   type NAME TEXT   types TEXT, key by key, over the contents of the field named NAME (its
//                    object name), then leaves the field, as a user tabbing on would;
//   key Escape       presses Escape.
// Once the steps are used up a modal window is closed with Escape, so that a run never waits for
// a user. Each step is printed as it is taken, and every message box the first time it is seen
// (`message "TITLE": TEXT`, line breaks in TEXT written as \n).
#include <cstddef>
#include <ostream>

#include <QtCore/QPointer>
#include <QtCore/QTimer>

#include "host/HostScript.h"

class QWidget;

class HostDialogDriver {
public:
    HostDialogDriver(const HostScript& script, std::ostream& out, int paceMs = 10)
        : mScript(script), mOut(out), mPaceMs(paceMs) {}
    HostDialogDriver(const HostDialogDriver&) = delete;
    HostDialogDriver& operator=(const HostDialogDriver&) = delete;
    ~HostDialogDriver();

    // Starts the timer once the plug-in has made its Qt application; nothing before.
    void Start();

private:
    void TakeStep();
    void ReportMessage(QWidget& window);
    bool Take(const HostScript::Step& step, QWidget& window);

    const HostScript& mScript;
    std::ostream& mOut;
    int mPaceMs;
    std::size_t mNext = 0;
    bool mStepQueued = false;
    // Owned by the application, which the plug-in may delete first.
    QPointer<QTimer> mTimer;
    QPointer<QWidget> mReported;
};
