#pragma once
// GIDCSPActionComponent: the plug-in's action component. Its constructor brings the framework up
// (foundation, the plug-in's folders and preference file, the inter-process core, the UI layer and
// its hooks) and its destructor takes it down again in reverse; in between it keeps the export
// actions' states and shortcuts current and runs the actions the user picks.
//
// Callers may rely on:
// - A constructor that throws leaves none of its layers running.
// - No exception leaves UpdateActionStates, DoAction or the destructor: an error is shown to the
//   user and the call returns.
// - Every host interface obtained is released before the call returns.
// - Both export actions exist and are inactive while the component is up; only the action being
//   run is active, for as long as its export dialog is open.
#include <memory>
#include <vector>

#include "hostsdk/actions/CActionComponent.h"
#include "plugin-host/actions/GIDCSPBringUp.h"
#include "plugin-host/export/GIDCSPExportBookAction.h"
#include "plugin-host/export/GIDCSPSaveAsAction.h"
#include "services/units/GUnitSupport.h"

class GCPTFeatureConfiguration;

class GIDCSPActionComponent : public CActionComponent {
public:
    explicit GIDCSPActionComponent(IPMUnknown* boss);
    ~GIDCSPActionComponent() override;

    void UpdateActionStates(IActiveContext* context, IActionStateList* list, SysPoint mousePoint,
                            IPMUnknown* widget) override;
    void DoAction(IActiveContext* context, ActionID action, SysPoint mousePoint, IPMUnknown* widget) override;

    // The steps of the bring-up, in order; `handlerSet` is the main-window handler flag.
    static std::vector<GIDCSPBringUp::Step> LayerSteps(bool& handlerSet);
    // The unit code for the host's measurement-unit class ID.
    static GUnitSupport::Unit UnitForHostUnitID(ClassID unit);

private:
    void DoDialog();
    void DoBookExport();
    void DoAbout();
    void EnsureMainWindowHandlerSet();
    void UpdateStates(IActionStateList* list);
    static void AddShortcut(ActionID const& action, PMString const& shortcut);
    static GUnitSupport::Unit GetDefaultUnitFromInDesign();
    static void RunExportDialog(GCPTSaveAsAction& action, GCPTFeatureConfiguration const& features);

    bool mMainWindowHandlerSet = false;
    GIDCSPBringUp mBringUp;
    std::unique_ptr<GIDCSPSaveAsAction> mDocumentAction;
    std::unique_ptr<GIDCSPExportBookAction> mBookAction;
};
