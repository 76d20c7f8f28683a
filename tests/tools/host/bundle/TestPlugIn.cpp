// A small plug-in for the stand-in host's tests, built as the bundle TestHost.plugin. It uses the
// host the way the real plug-in does: a start-up service that adds two actions with menu items
// when the host does not know them yet (two start-up classes share it, so the second start-up
// must add nothing), and an action component that enables the document action with a front
// document and the book action with a current book that has chapters, gives them shortcuts,
// and runs them: nested modal states, the measurement unit and alerts. TROVEL_TEST_PLUGIN names
// misbehaviours for the host to catch: "leak" keeps a reference, "throw" throws from an action,
// "out-of-order" releases nested modal states in the wrong order, "keep-modal" keeps one. With
// TROVEL_TEST_PDF set, the document action then exports the front document (saved first when it
// is untitled) to that file, and the book action sets the session's PDF preferences (crop marks)
// and exports the whole current book there.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "hostsdk/actions/CActionComponent.h"
#include "hostsdk/actions/IActionManager.h"
#include "hostsdk/actions/IMenuManager.h"
#include "hostsdk/actions/IShortcutManager.h"
#include "hostsdk/actions/IStartupShutdownService.h"
#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/boss/InterfaceFactory.h"
#include "hostsdk/boss/PlugIn.h"
#include "hostsdk/commands/CmdUtils.h"
#include "hostsdk/commands/IBookExportData.h"
#include "hostsdk/commands/IPDFExportData.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/commands/ISysFileData.h"
#include "hostsdk/documents/IPageList.h"
#include "hostsdk/utils/IDocumentUtils.h"
#include "hostsdk/documents/IBookContentMgr.h"
#include "hostsdk/documents/IBookManager.h"
#include "hostsdk/session/IApplication.h"
#include "hostsdk/session/IMeasurementUnitPrefs.h"
#include "hostsdk/session/ISession.h"
#include "hostsdk/session/QueryPreferences.h"
#include "hostsdk/utils/CAlert.h"
#include "hostsdk/utils/IFrontDocumentUtils.h"
#include "hostsdk/utils/IModalDialogUtils.h"
#include "hostsdk/utils/IShortcutUtils.h"
#include "hostsdk/utils/UtilsBoss.h"

namespace {

constexpr PluginID kPlugIn = 0x7A0000;
constexpr ClassID kComponentClass = 0x7A0000;
constexpr ClassID kStartupClass = 0x7A0001;
constexpr ClassID kSecondStartupClass = 0x7A0002;
constexpr ImplementationID kComponentImpl = 0x7A0000;
constexpr ImplementationID kStartupImpl = 0x7A0003;
constexpr ActionID kDocumentAction = 0x7A0004;
constexpr ActionID kBookAction = 0x7A0006;

bool Misbehaves(const std::string& how) {
    const char* list = std::getenv("TROVEL_TEST_PLUGIN");
    return list != nullptr && ("," + std::string(list) + ",").find("," + how + ",") != std::string::npos;
}

struct ActionSetup {
    ActionID action;
    const char* area;
    const char* menu;
    PMReal position;
};

const ActionSetup kActions[] = {{kDocumentAction, "KBSCE File menu", "Main:&File", 1301.0},
                                {kBookAction, "KBSCE Palette Menus: Book: ", "BookPanelPopup", 1101.0}};

class TestStartup : public CPMUnknown<IStartupShutdownService> {
public:
    explicit TestStartup(IPMUnknown* boss) : CPMUnknown<IStartupShutdownService>(boss) {}

    void Startup() override {
        ISession* session = GetExecutionContextSession();
        if (session == nullptr)
            return;
        InterfacePtr<IApplication> application(session->QueryApplication());
        if (!application)
            return;
        InterfacePtr<IActionManager> actions(application->QueryActionManager());
        InterfacePtr<IMenuManager> menus(actions.get(), IMenuManager::kDefaultIID);
        if (!actions || !menus)
            return;
        for (const ActionSetup& setup : kActions) {
            if (actions->IsValidAction(setup.action))
                continue;
            actions->AddAction(kComponentClass, setup.action, PMString(), setup.area, 0, 1, 0, 1);
            menus->AddMenuItem(setup.action, setup.menu, setup.position, 0);
        }
    }
    void Shutdown() override {}
};

void AddShortcut(ActionID action, const char* text) {
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
    if (utils->ParseShortcutString(text, &key, &modifiers, &functionKey) == kSuccess)
        shortcuts->AddShortcut(action, "DefaultContext", key, modifiers);
}

bool HasFrontDocument() {
    InterfacePtr<IFrontDocumentUtils> utils(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    InterfacePtr<IDocument> front(utils ? utils->QueryFrontDocument() : nullptr);
    return static_cast<bool>(front);
}

std::int32_t CurrentBookChapters() {
    ISession* session = GetExecutionContextSession();
    InterfacePtr<IBookManager> books(session, IBookManager::kDefaultIID);
    if (!books || books->GetBookCount() <= 0 || books->GetCurrentActiveBook() == nullptr)
        return 0;
    InterfacePtr<IBookContentMgr> contents(books->GetCurrentActiveBook(), IBookContentMgr::kDefaultIID);
    return contents ? contents->GetContentCount() : 0;
}

class TestComponent : public CActionComponent {
public:
    explicit TestComponent(IPMUnknown* boss) : CActionComponent(boss) {}

    void UpdateActionStates(IActiveContext*, IActionStateList* list, SysPoint, IPMUnknown*) override {
        for (std::int32_t i = 0; i < list->Length(); ++i) {
            const ActionID action = list->GetNthAction(i);
            if (action == kDocumentAction) {
                list->SetNthActionState(i, HasFrontDocument() ? IActionStateList::kEnabled : IActionStateList::kDisabled);
                list->SetNthActionName(i, "Export Document...");
                AddShortcut(action, "Opt+Shift+E");
            } else if (action == kBookAction) {
                list->SetNthActionState(i, CurrentBookChapters() > 0 ? IActionStateList::kEnabled : IActionStateList::kDisabled);
                list->SetNthActionName(i, "Export Book...");
                AddShortcut(action, "Opt+Shift+B");
            }
        }
    }

    void DoAction(IActiveContext* context, ActionID action, SysPoint, IPMUnknown*) override {
        if (Misbehaves("throw"))
            throw std::runtime_error("the test plug-in throws");
        if (Misbehaves("leak"))
            GetExecutionContextSession()->AddRef();
        if (action == kPlugIn)
            CAlert::ModalAlert("TestHost version 24", "OK", "", "", 1, 1);
        else if (action == kDocumentAction)
            RunDialogs(context);
        else if (action == kBookAction)
            CAlert::ModalAlert(("Book of " + std::to_string(CurrentBookChapters()) + " chapters").c_str(), "OK", "", "", 1, 1);
        const char* pdf = std::getenv("TROVEL_TEST_PDF");
        if (pdf == nullptr)
            return;
        const ErrorCode result = action == kBookAction ? ExportBook(pdf) : ExportFrontDocument(pdf);
        CAlert::ModalAlert(result == kSuccess ? "Exported" : "Not exported", "OK", "", "", 1, 1);
    }

private:
    static ErrorCode ExportFrontDocument(const char* pdf) {
        InterfacePtr<IFrontDocumentUtils> front(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
        InterfacePtr<IDocument> document(front ? front->QueryFrontDocument() : nullptr);
        InterfacePtr<IDocumentUtils> documents(UtilsBoss::QueryUtils<IDocumentUtils>());
        if (!document || !documents || (!document->IsSaved() && documents->DoSave(document.get()) != kSuccess))
            return kFailure;
        InterfacePtr<ICommand> command(CmdUtils::CreateCommand(0x2505));
        InterfacePtr<ISysFileData> file(command.get(), ISysFileData::kDefaultIID);
        InterfacePtr<IPDFExportData> data(command.get(), IPDFExportData::kDefaultIID);
        InterfacePtr<IPageList> pageList(document.get(), IPageList::kDefaultIID);
        if (!file || !data || !pageList)
            return kFailure;
        file->Set(IDFile(PMString(pdf)));
        UIDList pages(document->GetDocDataBase());
        for (std::int32_t i = 0; i < pageList->GetPageCount(); ++i)
            pages.Append(pageList->GetNthPageUID(i));
        data->SetPageUIDList(pages, false);
        return CmdUtils::ProcessCommand(command.get());
    }

    static ErrorCode ExportBook(const char* pdf) {
        InterfacePtr<ICommand> setPrefs(CmdUtils::CreateCommand(0x2507));
        InterfacePtr<IPDFExportPrefs> prefs(setPrefs.get(), IPDFExportPrefs::kDefaultIID);
        if (!prefs)
            return kFailure;
        prefs->SetCropMarks(true);
        InterfacePtr<IBookManager> books(GetExecutionContextSession(), IBookManager::kDefaultIID);
        IBook* book = books ? books->GetCurrentActiveBook() : nullptr;
        InterfacePtr<ICommand> command(CmdUtils::CreateCommand(0x1001B));
        InterfacePtr<IBookExportData> data(command.get(), IBookExportData::kDefaultIID);
        if (CmdUtils::ProcessCommand(setPrefs.get()) != kSuccess || book == nullptr || !data)
            return kFailure;
        data->SetBookFile(book->GetFile());
        data->SetContents(UIDList(), true);
        data->SetOutputFile(IDFile(PMString(pdf)), true);
        data->SetExportFormat(IBookExportData::kPDFFormat);
        data->SetUIFlags(0xFF);
        return CmdUtils::ProcessCommand(command.get());
    }

    // Two nested modal loops, as a dialog that opens a message box; the inner one shows the unit.
    static void RunDialogs(IActiveContext* context) {
        InterfacePtr<IModalDialogUtils> modal(UtilsBoss::QueryUtils<IModalDialogUtils>());
        if (!modal)
            return;
        void* outer = modal->AcquireModalDialogState();
        void* inner = modal->AcquireModalDialogState();
        InterfacePtr<IMeasurementUnitPrefs> units(QueryPreferences<IMeasurementUnitPrefs>(context));
        const ClassID unit = units ? units->GetUnitClass() : 0;
        char text[32];
        std::snprintf(text, sizeof text, "Unit 0x%X", static_cast<unsigned>(unit));
        CAlert::ModalAlert(text, "OK", "Cancel", "", 1, 2);
        if (Misbehaves("keep-modal"))
            return;
        if (Misbehaves("out-of-order"))
            std::swap(outer, inner);
        if (inner != nullptr)
            modal->ReleaseModalDialogState(inner);
        if (outer != nullptr)
            modal->ReleaseModalDialogState(outer);
    }
};

InterfaceFactory<TestComponent> sComponentFactory(kComponentImpl);
InterfaceFactory<TestStartup> sStartupFactory(kStartupImpl);

PlugIn sPlugIn(kPlugIn, "TestHost",
               {{kComponentClass, IActionComponent::kDefaultIID, kComponentImpl},
                {kStartupClass, IStartupShutdownService::kDefaultIID, kStartupImpl},
                {kSecondStartupClass, IStartupShutdownService::kDefaultIID, kStartupImpl}});

}  // namespace

extern "C" __attribute__((visibility("default"))) PlugIn* GetPlugIn() { return &sPlugIn; }
