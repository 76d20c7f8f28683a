#include "plugin-host/actions/GIDCSPStartupShutdown.h"

#include "hostsdk/actions/IActionManager.h"
#include "hostsdk/actions/IMenuManager.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/session/IApplication.h"
#include "hostsdk/session/ISession.h"
#include "plugin-host/actions/GIDCSPHostEntry.h"
#include "plugin-host/entry/GIDCSPIDs.h"

namespace {

struct ActionSetup {
    ActionID action;
    char const* area;
    char const* menu;
    PMReal position;
};

ActionSetup const kActions[] = {
    {GIDCSPIDs::kDocumentAction, "KBSCE File menu", "Main:&File", 1301.0},
    {GIDCSPIDs::kBookAction, "KBSCE Palette Menus: Book: ", "BookPanelPopup", 1101.0}};

}  // namespace

void GIDCSPStartupShutdown::Startup() { GIDCSPHostEntry::Run("Startup", &RegisterActions); }

void GIDCSPStartupShutdown::RegisterActions() {
    ISession* session = GetExecutionContextSession();
    if (session == nullptr)
        return;
    // Declared in the order of acquisition, so they are released in reverse.
    InterfacePtr<IApplication> application(session->QueryApplication());
    InterfacePtr<IActionManager> actions(application ? application->QueryActionManager() : nullptr);
    InterfacePtr<IMenuManager> menus(actions.get(), IMenuManager::kDefaultIID);
    if (!actions || !menus)
        return;
    for (ActionSetup const& setup : kActions) {
        if (actions->IsValidAction(setup.action))
            continue;
        actions->AddAction(GIDCSPIDs::kActionComponentClass, setup.action, PMString(), setup.area, 0, 1, 0, 1);
        menus->AddMenuItem(setup.action, setup.menu, setup.position, 0);
    }
}
