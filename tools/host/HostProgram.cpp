#include "host/HostProgram.h"

#include <exception>
#include <ostream>
#include <sstream>

#include "host/HostScript.h"
#include "host/PlugInBundle.h"
#include "hostsdk/actions/IActionComponent.h"
#include "hostsdk/actions/IStartupShutdownService.h"
#include "hostsdk/actions/ShortcutText.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/boss/BossClassRegistry.h"
#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/boss/HostMemory.h"
#include "hostsdk/boss/InterfaceFactoryRegistry.h"
#include "hostsdk/boss/PlugIn.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/host/StandInHost.h"
#include "hostsdk/session/ISession.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostFaults.h"
#include "hostsdk/trace/HostText.h"

namespace {

std::string ShortcutsOf(const HostAction& action) {
    if (action.shortcuts.empty())
        return "no shortcut";
    std::string text;
    for (const HostAction::Shortcut& shortcut : action.shortcuts)
        text += (text.empty() ? "shortcut " : ", ") + ShortcutText::Format(shortcut.key, shortcut.modifiers) +
                " in \"" + shortcut.context + "\"";
    return text;
}

std::string MenusOf(const HostAction& action) {
    std::string text;
    for (const HostAction::MenuItem& item : action.menuItems) {
        std::ostringstream position;
        position << item.position;
        text += ", menu \"" + item.menuPath + "\" at " + position.str();
    }
    return text;
}

}  // namespace

HostProgram::HostProgram(const HostOptions& options, std::ostream& out, std::ostream& errors)
    : mOptions(options), mOut(out), mErrors(errors) {}

void HostProgram::Fail(Exit exit, const std::string& message) {
    mErrors << "trovel-host: " << message << std::endl;
    if (exit > mExit)
        mExit = exit;
}

template <class Call>
bool HostProgram::Guarded(const std::string& what, Call call) {
    try {
        call();
        return true;
    } catch (const std::exception& exception) {
        Fail(kMisbehaved, "exception from " + what + ": " + exception.what());
    } catch (...) {
        Fail(kMisbehaved, "exception from " + what);
    }
    return false;
}

bool HostProgram::ReadInputs() {
    std::string error;
    for (const std::string& fault : mOptions.faults)
        if (!HostFaults::Arm(fault)) {
            Fail(kUsage, "--fail: not NAME or NAME#N: " + fault);
            return false;
        }
    for (const std::string& file : mOptions.documents) {
        mDocuments.emplace_back();
        if (!HostDocumentFile::ReadDocument(file, mDocuments.back(), error)) {
            Fail(kUnusable, error);
            return false;
        }
    }
    for (const std::string& file : mOptions.books) {
        mBooks.emplace_back();
        if (!HostDocumentFile::ReadBook(file, mBooks.back(), error)) {
            Fail(kUnusable, error);
            return false;
        }
    }
    if (!mOptions.script.empty() && !mScript.Read(mOptions.script, error)) {
        Fail(kUnusable, error);
        return false;
    }
    return true;
}

int HostProgram::Run() {
    if (!ReadInputs())
        return mExit;
    HostCallLog::SetEcho([this](const HostCallEntry& entry) {
        if (entry.kind == HostCallEntry::kNotice)
            mOut << "host: " << entry.text << "\n";
        else if (entry.kind == HostCallEntry::kViolation)
            mOut << "host: broken rule: " << entry.text << "\n";
        else if (mOptions.calls)
            mOut << "call: " << entry.text << "\n";
    });
    std::size_t modalStatesHeld = 0;
    bool loaded = false;
    {
        StandInHost host;
        host.SetMeasurementUnit(mOptions.unit);
        host.SetSaveFolder(mOptions.saveFolder);
        PlugInBundle bundle;
        std::string error;
        loaded = bundle.Load(mOptions.bundle, error);
        if (loaded)
            RunWithPlugIn(host, bundle);
        else
            Fail(kUnusable, error);
        modalStatesHeld = host.ModalState().Depth();
        mSessionPdfChanged = host.SessionPdfSettings() != HostPdfSettings();
    }
    HostCallLog::SetEcho(nullptr);
    if (loaded)
        Summarize(modalStatesHeld);
    return mExit;
}

void HostProgram::RunWithPlugIn(StandInHost& host, PlugInBundle& bundle) {
    PlugIn* plugIn = nullptr;
    if (!Guarded("GetPlugIn", [&] { plugIn = bundle.GetPlugIn(); }))
        return;
    if (plugIn == nullptr) {
        Fail(kUnusable, "GetPlugIn of " + bundle.LibraryPath() + " gave no plug-in");
        return;
    }
    if (!Register(*plugIn))
        return;
    mOut << "loaded plug-in \"" << plugIn->GetName() << "\" " << HostHex(plugIn->GetPluginID()) << "\n";
    if (!mOptions.script.empty())
        mOut << "script: " << mScript.Steps().size() << " steps\n";
    StartServices();
    mOut << "started: " << host.Actions().Actions().size() << " actions, " << host.Actions().MenuItemCount()
         << " menu items\n";
    CreateComponents();
    for (const HostDocumentRecord& document : mDocuments)
        host.Documents().OpenDocument(document);
    for (const HostBookRecord& book : mBooks)
        host.Documents().OpenBook(book);
    UpdateStates(host);
    PrintStates(host);
    for (ActionID action : mOptions.runs)
        RunAction(host, *plugIn, action);
    TakeDown(host);
    BossClassRegistry::Remove(*plugIn);
}

bool HostProgram::Register(PlugIn& plugIn) {
    std::string error;
    if (!InterfaceFactoryRegistry::RegisterAnnounced(error) || !BossClassRegistry::Add(plugIn, error)) {
        Fail(kUnusable, "plug-in \"" + plugIn.GetName() + "\": " + error);
        return false;
    }
    return true;
}

HostBoss* HostProgram::Create(ClassID bossClass, const std::string& what) {
    std::string error;
    HostBoss* boss = nullptr;
    if (!Guarded(what, [&] { boss = BossClassRegistry::CreateBoss(bossClass, error); }))
        return nullptr;
    if (boss == nullptr)
        Fail(kMisbehaved, what + ": " + error);
    return boss;
}

void HostProgram::StartServices() {
    for (ClassID bossClass : BossClassRegistry::ClassesWith(IStartupShutdownService::kDefaultIID)) {
        const std::string what = "start-up service " + HostHex(bossClass);
        HostBoss* boss = Create(bossClass, what);
        if (boss == nullptr)
            continue;
        mServices.push_back(boss);
        InterfacePtr<IStartupShutdownService> service(boss, IStartupShutdownService::kDefaultIID);
        HostCallLog::Record("Startup", HostHex(bossClass));
        if (service)
            Guarded(what + " Startup", [&] { service->Startup(); });
    }
}

void HostProgram::CreateComponents() {
    for (ClassID bossClass : BossClassRegistry::ClassesWith(IActionComponent::kDefaultIID)) {
        const std::string what = "action component " + HostHex(bossClass);
        HostBoss* boss = Create(bossClass, what);
        if (boss == nullptr)
            continue;
        mComponents.push_back({bossClass, boss});
        mOut << "created " << what << "\n";
    }
}

void HostProgram::UpdateStates(StandInHost& host) {
    for (const Component& component : mComponents) {
        InterfacePtr<IActionComponent> actions(component.boss, IActionComponent::kDefaultIID);
        if (actions)
            Guarded("UpdateActionStates", [&] { host.UpdateActionStates(*actions.get(), component.bossClass); });
    }
}

void HostProgram::PrintStates(const StandInHost& host) {
    for (const HostAction& action : host.Actions().Actions()) {
        const std::string& name = action.shownName.empty() ? action.name : action.shownName;
        mOut << "action " << HostHex(action.id) << " \"" << name << "\" " << (action.enabled ? "enabled" : "disabled")
             << ", " << ShortcutsOf(action) << MenusOf(action) << "\n";
    }
}

void HostProgram::RunAction(StandInHost& host, const PlugIn& plugIn, ActionID action) {
    // An action the action manager does not know may be the plug-in's About action, whose ID is the
    // plug-in's own and which its first action component runs.
    const HostAction* known = host.Actions().Find(action);
    const Component* runner = nullptr;
    for (const Component& component : mComponents)
        if (known != nullptr ? component.bossClass == known->component : action == plugIn.GetPluginID()) {
            runner = &component;
            break;
        }
    if (runner == nullptr && known != nullptr) {
        Fail(kMisbehaved, "action " + HostHex(action) + ": its component " + HostHex(known->component) +
                              " was not created");
        return;
    }
    if (runner == nullptr) {
        Fail(kUnusable, "action " + HostHex(action) + " is unknown");
        return;
    }
    mDriver.Start();
    if (known != nullptr) {
        UpdateStates(host);
        if (!host.Actions().Find(action)->enabled) {
            mOut << "run " << HostHex(action) << ": disabled, not run\n";
            return;
        }
    }
    mOut << "run " << HostHex(action) << "\n";
    InterfacePtr<IActionComponent> actions(runner->boss, IActionComponent::kDefaultIID);
    if (!actions)
        return;
    HostCallLog::Record("DoAction", HostHex(action));
    ISession* session = GetExecutionContextSession();
    IActiveContext* context = session != nullptr ? session->GetActiveContext() : nullptr;
    Guarded("DoAction " + HostHex(action), [&] { actions->DoAction(context, action, SysPoint{}, nullptr); });
}

void HostProgram::TakeDown(StandInHost& host) {
    host.Documents().CloseAll();
    while (!mComponents.empty()) {
        HostBoss* boss = mComponents.back().boss;
        mComponents.pop_back();
        HostCallLog::Record("destroy action component", HostHex(boss->GetClass()));
        Guarded("the action component's destructor", [&] { boss->Release(); });
    }
    while (!mServices.empty()) {
        HostBoss* boss = mServices.back();
        mServices.pop_back();
        {
            InterfacePtr<IStartupShutdownService> service(boss, IStartupShutdownService::kDefaultIID);
            HostCallLog::Record("Shutdown", HostHex(boss->GetClass()));
            if (service)
                Guarded("Shutdown", [&] { service->Shutdown(); });
        }
        Guarded("the start-up service's destructor", [&] { boss->Release(); });
    }
}

void HostProgram::Summarize(std::size_t modalStatesHeld) {
    const std::int64_t references = HostBoss::OutstandingReferences();
    const std::int64_t objects = HostMemory::Outstanding();
    const int violations = HostCallLog::Violations();
    mOut << "references left: " << references << "\n"
         << "objects left: " << objects << "\n"
         << "modal states held: " << modalStatesHeld << "\n"
         << "broken rules: " << violations << "\n"
         << "session PDF preferences: " << (mSessionPdfChanged ? "changed" : "unchanged") << "\n";
    mOut.flush();
    if (references != 0 || objects != 0 || modalStatesHeld != 0 || violations != 0)
        Fail(kMisbehaved, "the plug-in left the host unclean");
}
