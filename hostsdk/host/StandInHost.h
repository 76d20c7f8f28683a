#pragma once
// The stand-in host's own state, behind the SDK's global entry points (the execution context's
// session, the utilities, the preferences, alerts): the session, application, action manager and
// utility objects, the action table, the open documents and books, the modal-dialog states and
// the measurement-unit preference, the session's PDF export preferences and the folder where
// untitled documents are saved. One exists at a time; it is current from its construction to
// its destruction, and releases its objects, documents first, when it goes. Like the host's
// objects, it is used from one thread, the host's main thread.
#include <cstdint>

#include "hostsdk/actions/HostActionTable.h"
#include "hostsdk/base/PMString.h"
#include "hostsdk/documents/HostOpenDocuments.h"
#include "hostsdk/pdf/HostPdfSettings.h"
#include "hostsdk/utils/HostModalDialogState.h"

class HostBoss;
class IActionComponent;
class ISession;

class StandInHost {
public:
    // The unit class of points, the host's default unit.
    static constexpr ClassID kPointsUnit = 0x1201;

    // Throws std::logic_error when another host is current.
    StandInHost();
    StandInHost(const StandInHost&) = delete;
    StandInHost& operator=(const StandInHost&) = delete;
    ~StandInHost();

    // Null when no host exists.
    static StandInHost* Current();

    HostActionTable& Actions() { return mActions; }
    const HostActionTable& Actions() const { return mActions; }
    HostOpenDocuments& Documents() { return mDocuments; }
    const HostModalDialogState& ModalState() const { return mModalState; }
    void SetMeasurementUnit(ClassID unit) { mUnit = unit; }
    // The session's PDF export preferences: where new PDF commands start from, what the set-prefs
    // command changes and the book export uses.
    HostPdfSettings& SessionPdfSettings() { return mSessionPdf; }
    const HostPdfSettings& SessionPdfSettings() const { return mSessionPdf; }
    // Where an untitled document is saved (as its name plus ".indd"); empty: saving one fails.
    void SetSaveFolder(const std::string& folder) { mSaveFolder = folder; }

    // Not counted: the host holds its session until it goes.
    ISession* Session() const;
    const IPMUnknown* Utilities() const;
    const IPMUnknown* Preferences() const;

    // Hands `component` (of class `componentClass`) the list of its actions and keeps the states
    // and names it sets. Exceptions of the component pass on.
    void UpdateActionStates(IActionComponent& component, ClassID componentClass);
    // Shows an alert: logged as a notice and answered with the default button.
    std::int16_t Alert(const PMString& message, const PMString* buttons, std::int16_t defaultButton, std::int16_t icon);

private:
    HostActionTable mActions;
    HostOpenDocuments mDocuments;
    HostModalDialogState mModalState;
    ClassID mUnit = kPointsUnit;
    HostPdfSettings mSessionPdf;
    std::string mSaveFolder;
    HostBoss* mActionManager;
    HostBoss* mApplication;
    HostBoss* mSession;
    ISession* mSessionInterface;
    HostBoss* mUtilities;
};
