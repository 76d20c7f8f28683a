#pragma once
// GCSPUUserMessage: the plug-in's user-message instance. It shows information, errors and
// warnings as plain-text Qt message boxes parented to the Qt layer's widget wrapper, without the
// host's modal-loop hooks; every other operation keeps the framework's default behaviour.
//
// Callers may rely on:
// - ShowWarningMessage returns 1 unless the box was closed with OK (Cancel, Escape), else 0.
// - Main thread only; each call runs a nested modal Qt loop.
#include "services/messages/GUserMessage.h"

class GCSPUUserMessage : public GUserMessage {
public:
    void ShowInfoMessage(GString const& title, GString const& message) const override;
    void ShowErrorMessage(GString const& title, GString const& message) const override;
    int ShowWarningMessage(GString const& title, GString const& message) const override;
};
