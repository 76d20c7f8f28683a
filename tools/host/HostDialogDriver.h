#pragma once
// Drives the plug-in's modal dialogs in place of a user: once started, the script's steps go,
// one per tick of a timer of the plug-in's event loops, to the Qt window then modal (whether or
// not the plug-in could take the host's modal state for it). Steps: "choose TEXT" selects the entry TEXT in the window's first list of choices,
// "button TEXT" clicks the button of that text (or the standard button of that name: "OK",
// "Cancel"), "key Escape" presses Escape. Once the steps are used up a modal window is closed
// with Escape, so that a run never waits for a user. Each step is printed as it is taken.
#include <cstddef>
#include <ostream>

#include <QtCore/QPointer>
#include <QtCore/QTimer>

#include "host/HostScript.h"

class HostDialogDriver {
public:
    HostDialogDriver(const HostScript& script, std::ostream& out) : mScript(script), mOut(out) {}
    HostDialogDriver(const HostDialogDriver&) = delete;
    HostDialogDriver& operator=(const HostDialogDriver&) = delete;
    ~HostDialogDriver();

    // Starts the timer once the plug-in has made its Qt application; nothing before.
    void Start();

private:
    void TakeStep();

    const HostScript& mScript;
    std::ostream& mOut;
    std::size_t mNext = 0;
    // Owned by the application, which the plug-in may delete first.
    QPointer<QTimer> mTimer;
};
