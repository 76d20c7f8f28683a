#pragma once
// The one way the system talks to the user: message boxes, questions, file and folder choosers,
// password prompts. Until a user interface installs its own instance, a default one shows
// nothing and answers every question with a fixed result, so code without a user interface runs
// unattended. The first string of each operation is the window title.
//
// The instance is used from the main thread; only the handler's queue is for any thread.
#include "core/base/GNonCopyable.h"
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"

class GFileType;
class GPathName;

class GUserMessage : private GNonCopyable {
public:
    GUserMessage() = default;

    // The current instance; the default one is made when none is installed.
    static GUserMessage const* GetInstance();
    // Deletes the current instance and takes ownership of instance; null goes back to the default.
    static void SetInstance(GUserMessage const* instance);
    // True unless a user interface's instance is installed.
    static bool HasDefaultInstance();

    virtual int ShowMessage(GString const& title, GString const& message) const;
    virtual void ShowInfoMessage(GString const& title, GString const& message) const;
    virtual void ShowErrorMessage(GString const& title, GString const& message) const;
    virtual int ShowWarningMessage(GString const& title, GString const& message) const;
    virtual int ShowYesNoMessage(GString const& title, GString const& message) const;
    virtual int ShowFileChooserDialog(GString const& title, GFileType const* type, GPathName& chosen) const;
    virtual int ShowFileChooserDialog(GString const& title, GTable<GFileType const*> const& types,
                                      GPathName& chosen) const;
    virtual int ShowFileChooserDialog(GString const& title, GFileType const* type, GTable<GPathName>& chosen) const;
    virtual int ShowFileChooserDialog(GString const& title, GTable<GFileType const*> const& types,
                                      GTable<GPathName>& chosen) const;
    virtual int ShowOpenFolder(GString const& title, GPathName& chosen) const;
    virtual int ChooseSave(GString const& title, GString const& name, GFileType const* type, GPathName& chosen) const;
    virtual int ShowPreferenceMessage(GString const& title, GString const& message, bool& remember,
                                      bool rememberShown) const;
    virtual int ShowPasswordDialog(GString const& title, GString const& label, GBuffer& password) const;
    virtual int CreatePasswordDialog(GString const& title, GString const& label, GString& password) const;
    virtual ~GUserMessage() = default;
};
