#pragma once
// GCPTAbstractAction: the base of the plug-in's actions: whether the action takes requests, its
// menu text and its dialog title.
//
// Callers may rely on:
// - A new action is active; SetActiveState switches it.
// - The name ("Export to Trovelor...") and title ("Export to Trovelor") are translated in Qt's
//   context "QObject" when the action is made, in the language then installed.
#include "core/base/GNonCopyable.h"
#include "core/text/GString.h"

class GCPTAbstractAction : private GNonCopyable {
public:
    GCPTAbstractAction();
    virtual ~GCPTAbstractAction();

    virtual GString const& GetLastError() const = 0;
    virtual bool Execute() = 0;

    void SetActiveState(bool active) { mActive = active; }
    bool IsActive() const { return mActive; }
    GString const& GetName() const { return mName; }
    GString const& GetTitle() const { return mTitle; }

private:
    bool mActive = true;
    GString mName;
    GString mTitle;
};
