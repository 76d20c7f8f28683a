#include "plugin-host/actions/GIDCSPActionComponent.h"

#include <stdexcept>

#include "core/text/encodings/GUnicodeEncoding.h"
#include "hostsdk/actions/IActionManager.h"
#include "hostsdk/actions/IActionStateList.h"
#include "hostsdk/actions/IShortcutManager.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/documents/IBookContentMgr.h"
#include "hostsdk/documents/IBookManager.h"
#include "hostsdk/session/IApplication.h"
#include "hostsdk/session/IMeasurementUnitPrefs.h"
#include "hostsdk/session/ISession.h"
#include "hostsdk/session/QueryPreferences.h"
#include "hostsdk/utils/CAlert.h"
#include "hostsdk/utils/IFrontDocumentUtils.h"
#include "hostsdk/utils/IShortcutUtils.h"
#include "hostsdk/utils/UtilsBoss.h"
#include "plugin/saveas/GCPTFeatureConfiguration.h"
#include "plugin/saveas/GCPTSaveAsTool.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "plugin-host/actions/GIDCSPHostEntry.h"
#include "plugin-host/actions/GIDCSPUILayerSteps.h"
#include "plugin-host/entry/GIDCSPIDs.h"
#include "plugin-host/export/GIDCSConvertMethods.h"
#include "services/filesystem/GFileSystem.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefFileModule.h"
#include "services/preferences/GPreferences.h"
#include "ui/export/GCSPUSaveAsAmbrelledPDFDialog.h"

namespace {

constexpr int kStringsPath = 22;
constexpr int kMakerPrefsPath = 35;
constexpr int kOwnFolderPath = 36;
constexpr char kOwnFolder[] = "Trovel_DO2024_InDesign";
constexpr char cPluginPreferenceFile[] = "TrovelPlugins.pref";

void StartFoundation() {
    if (!GBasicFrameworkCoreLayer::Initialize())
        throw std::runtime_error("the foundation could not be started");
}

void StartTrovelCore() {
    if (!GCCLTrovelCoreLayer::Initialize())
        throw std::runtime_error("the inter-process core could not be started");
}

void RegisterStringsFolder() {
    GPathName path;
    GFileSystem::GetDllPath(path);
    path = path.GetBranch().GetBranch() / GPathName("Resources/Strings");
    GFileSystem::AddSpecialPath(kStringsPath, path);
}

void RegisterOwnFolder() {
    GPathName const folder = GFileSystem::GetSpecialPath(kMakerPrefsPath) / GPathName(kOwnFolder);
    // Another host process of the user may make it between the look and the creation; it counts.
    if (!GFileSystem::TryFolderExists(folder) && !GFileSystem::CreateFolder(folder) &&
        !GFileSystem::TryFolderExists(folder))
        throw std::runtime_error("the plug-in's folder could not be created");
    GFileSystem::AddSpecialPath(kOwnFolderPath, folder);
}

void InstallPreferenceFile() {
    GPathName const file = GFileSystem::GetSpecialPath(kOwnFolderPath) / GPathName(cPluginPreferenceFile);
    // The store owns the module from here; it writes and deletes it when the foundation stops.
    GPreferences::SetPrefModule(-3, new GPrefFileModule(file, GUnicodeEncoding::GetInstance()), true);
}

}  // namespace

std::vector<GIDCSPBringUp::Step> GIDCSPActionComponent::LayerSteps(bool& handlerSet) {
    return {
        {"foundation", &StartFoundation, &GBasicFrameworkCoreLayer::Finalize, true},
        {"strings folder", &RegisterStringsFolder, {}},
        {"own folder", &RegisterOwnFolder, {}},
        {"preference file", &InstallPreferenceFile, {}},
        {"inter-process core", &StartTrovelCore, &GCCLTrovelCoreLayer::Finalize, true},
        {"UI layer", &GIDCSPUILayerSteps::Start, &GIDCSPUILayerSteps::Stop, true},
        {"modal-loop hooks", &GIDCSPUILayerSteps::InstallLoopHooks, {}},
        {"main-window hook",
         [&handlerSet] {
             if (handlerSet)
                 return;
             GIDCSPUILayerSteps::InstallMainWindowHook();
             handlerSet = true;
         },
         {}},
    };
}

GIDCSPActionComponent::GIDCSPActionComponent(IPMUnknown* boss) : CActionComponent(boss) {
    mBringUp.Run(LayerSteps(mMainWindowHandlerSet));
    // A throw from here on still stops the layers: the bring-up stops them when it goes.
    mDocumentAction = std::make_unique<GIDCSPSaveAsAction>();
    mDocumentAction->SetActiveState(false);
    mBookAction = std::make_unique<GIDCSPExportBookAction>();
    mBookAction->SetActiveState(false);
}

GIDCSPActionComponent::~GIDCSPActionComponent() {
    // The actions go while the layers they use are still up.
    mDocumentAction.reset();
    mBookAction.reset();
    mBringUp.Stop();
}

void GIDCSPActionComponent::UpdateActionStates(IActiveContext*, IActionStateList* list, SysPoint, IPMUnknown*) {
    GIDCSPHostEntry::Run("Updating the export actions", [this, list] { UpdateStates(list); });
}

namespace {

bool HasFrontDocument() {
    InterfacePtr<IFrontDocumentUtils> utils(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    InterfacePtr<IDocument> front(utils ? utils->QueryFrontDocument() : nullptr);
    return static_cast<bool>(front);
}

bool ActiveBookHasContent() {
    ISession* session = GetExecutionContextSession();
    InterfacePtr<IBookManager> books(session, IBookManager::kDefaultIID);
    if (!books || books->GetBookCount() <= 0 || books->GetCurrentActiveBook() == nullptr)
        return false;
    InterfacePtr<IBookContentMgr> contents(books->GetCurrentActiveBook(), IBookContentMgr::kDefaultIID);
    return contents && contents->GetContentCount() > 0;
}

}  // namespace

void GIDCSPActionComponent::UpdateStates(IActionStateList* list) {
    if (list == nullptr)
        return;
    for (std::int32_t i = 0; i < list->Length(); ++i) {
        ActionID const action = list->GetNthAction(i);
        bool enabled = false;
        char const* shortcut = nullptr;
        GCPTAbstractAction const* named = nullptr;
        if (action == GIDCSPIDs::kDocumentAction) {
            enabled = HasFrontDocument();
            shortcut = "Opt+Shift+E";
            named = mDocumentAction.get();
        } else if (action == GIDCSPIDs::kBookAction) {
            enabled = ActiveBookHasContent();
            shortcut = "Opt+Shift+B";
            named = mBookAction.get();
        } else {
            continue;
        }
        list->SetNthActionState(i, enabled ? IActionStateList::kEnabled : IActionStateList::kDisabled);
        PMString name;
        GIDCSConvertMethods::ConvertToPMString(named->GetName(), name);
        list->SetNthActionName(i, name);
        AddShortcut(action, shortcut);
    }
}

void GIDCSPActionComponent::AddShortcut(ActionID const& action, PMString const& shortcut) {
    ISession* session = GetExecutionContextSession();
    if (session == nullptr)
        return;
    InterfacePtr<IApplication> application(session->QueryApplication());
    InterfacePtr<IActionManager> actions(application ? application->QueryActionManager() : nullptr);
    InterfacePtr<IShortcutManager> shortcuts(actions.get(), IShortcutManager::kDefaultIID);
    InterfacePtr<IShortcutUtils> utils(UtilsBoss::QueryUtils<IShortcutUtils>());
    if (!shortcuts || !utils)
        return;
    VirtualKey key = 0;
    std::int16_t modifiers = 0;
    bool16 functionKey = 0;
    // A text the host cannot read gives no shortcut rather than a key of 0.
    if (utils->ParseShortcutString(shortcut, &key, &modifiers, &functionKey) != kSuccess)
        return;
    shortcuts->AddShortcut(action, "DefaultContext", key, modifiers);
}

void GIDCSPActionComponent::DoAction(IActiveContext*, ActionID action, SysPoint, IPMUnknown*) {
    GIDCSPHostEntry::Run("The action", [this, action] {
        if (action == GIDCSPIDs::kBookAction) {
            EnsureMainWindowHandlerSet();
            DoBookExport();
        } else if (action == GIDCSPIDs::kDocumentAction) {
            EnsureMainWindowHandlerSet();
            DoDialog();
        } else if (action == GIDCSPIDs::kAboutAction) {
            DoAbout();
        }
    });
}

void GIDCSPActionComponent::EnsureMainWindowHandlerSet() {
    if (mMainWindowHandlerSet)
        return;
    GIDCSPUILayerSteps::InstallMainWindowHook();
    mMainWindowHandlerSet = true;
}

void GIDCSPActionComponent::DoDialog() {
    using Feature = GCPTFeatureConfiguration::Feature;
    GCPTFeatureConfiguration features;
    for (Feature feature : {Feature::cFeatureIncludeSlugArea, Feature::cFeaturePrintSpreads, Feature::cFeatureBleedMarks,
                            Feature::cFeatureTrimMarkWeight, Feature::cFeatureIncludeFilePackage})
        features.SetFeatureAvailable(feature, true);
    RunExportDialog(*mDocumentAction, features);
}

void GIDCSPActionComponent::DoBookExport() {
    using Feature = GCPTFeatureConfiguration::Feature;
    GCPTFeatureConfiguration features;
    for (Feature feature : {Feature::cFeatureIncludeSlugArea, Feature::cFeaturePrintSpreads, Feature::cFeatureBleedMarks,
                            Feature::cFeatureTrimMarkWeight})
        features.SetFeatureAvailable(feature, true);
    // A book is always exported whole.
    features.SetFeatureAvailable(Feature::cFeaturePageRange, false);
    features.SetFeatureAvailable(Feature::cFeatureIncludeFilePackage, true);
    RunExportDialog(*mBookAction, features);
}

// The export runs inside the dialog's modal loop, when the dialog sends the request; only the
// active action takes it, so the action is active exactly while its dialog is open.
void GIDCSPActionComponent::RunExportDialog(GCPTSaveAsAction& action, GCPTFeatureConfiguration const& features) {
    action.SetActiveState(true);
    struct Deactivate {
        GCPTAbstractAction& action;
        ~Deactivate() { action.SetActiveState(false); }
    } const deactivate{action};
    GUnitSupport::SetDefaultUnitCode(GetDefaultUnitFromInDesign());
    GCPTSaveAsTool tool(action, &features);
    GCSPUSaveAsAmbrelledPDFDialog dialog(action.GetTitle(), tool);
    dialog.exec();
}

void GIDCSPActionComponent::DoAbout() { CAlert::ModalAlert("Trovel Export, version 24", "OK", "", "", 1, 1); }

GUnitSupport::Unit GIDCSPActionComponent::UnitForHostUnitID(ClassID unit) {
    static GUnitSupport::Unit const kUnits[] = {GUnitSupport::Unit(0), GUnitSupport::Unit(1), GUnitSupport::Unit(2),
                                                GUnitSupport::Unit(2), GUnitSupport::Unit(4)};
    ClassID const index = unit - 0x1201;
    if (index < 5)
        return kUnits[index];
    if (unit == 0x1206)
        return GUnitSupport::Unit(3);
    return GUnitSupport::Unit(0);
}

GUnitSupport::Unit GIDCSPActionComponent::GetDefaultUnitFromInDesign() {
    ISession* session = GetExecutionContextSession();
    if (session == nullptr)
        return UnitForHostUnitID(0);
    InterfacePtr<IMeasurementUnitPrefs> units(QueryPreferences<IMeasurementUnitPrefs>(session->GetActiveContext()));
    return UnitForHostUnitID(units ? units->GetUnitClass() : 0);
}
