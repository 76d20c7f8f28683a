#include "hostsdk/host/StandInHost.h"

#include <atomic>
#include <stdexcept>

#include "hostsdk/actions/HostActionManager.h"
#include "hostsdk/actions/HostActionStateList.h"
#include "hostsdk/actions/HostMenuManager.h"
#include "hostsdk/actions/HostShortcutManager.h"
#include "hostsdk/actions/IActionComponent.h"
#include "hostsdk/actions/IStartupShutdownService.h"
#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/documents/HostBookManager.h"
#include "hostsdk/documents/IBookContentMgr.h"
#include "hostsdk/session/HostActiveContext.h"
#include "hostsdk/session/HostApplication.h"
#include "hostsdk/session/HostSession.h"
#include "hostsdk/session/HostUnitPrefs.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostInterfaceNames.h"
#include "hostsdk/trace/HostText.h"
#include "hostsdk/utils/HostFrontDocumentUtils.h"
#include "hostsdk/utils/HostModalDialogUtils.h"
#include "hostsdk/utils/HostShortcutUtils.h"
#include "hostsdk/commands/IBookExportData.h"
#include "hostsdk/commands/IBookPackageCommand.h"
#include "hostsdk/commands/ICommand.h"
#include "hostsdk/commands/IPDFExportData.h"
#include "hostsdk/commands/IPDFExportPrefs.h"
#include "hostsdk/commands/IPackageCommand.h"
#include "hostsdk/commands/IPackageReport.h"
#include "hostsdk/commands/ISysFileData.h"
#include "hostsdk/documents/IBookContent.h"
#include "hostsdk/documents/IDocumentFontUsage.h"
#include "hostsdk/documents/IPageList.h"
#include "hostsdk/utils/HostBookUtils.h"
#include "hostsdk/utils/HostDocumentUtils.h"
#include "hostsdk/utils/HostOpenDocumentUtils.h"

namespace {

constexpr ClassID kActionManagerBoss = 0x7F20;
constexpr ClassID kApplicationBoss = 0x7F21;
constexpr ClassID kSessionBoss = 0x7F22;
constexpr ClassID kUtilsBoss = 0x7F23;

std::atomic<StandInHost*> sCurrent{nullptr};

void RegisterInterfaceNames() {
    HostInterfaceNames::Register<IActionComponent>();
    HostInterfaceNames::Register<IActionManager>();
    HostInterfaceNames::Register<IActiveContext>();
    HostInterfaceNames::Register<IApplication>();
    HostInterfaceNames::Register<IBook>();
    HostInterfaceNames::Register<IBookContentMgr>();
    HostInterfaceNames::Register<IBookManager>();
    HostInterfaceNames::Register<IDocument>();
    HostInterfaceNames::Register<IFrontDocumentUtils>();
    HostInterfaceNames::Register<IMeasurementUnitPrefs>();
    HostInterfaceNames::Register<IMenuManager>();
    HostInterfaceNames::Register<IModalDialogUtils>();
    HostInterfaceNames::Register<ISession>();
    HostInterfaceNames::Register<IShortcutManager>();
    HostInterfaceNames::Register<IShortcutUtils>();
    HostInterfaceNames::Register<IStartupShutdownService>();
    HostInterfaceNames::Register<IBookContent>();
    HostInterfaceNames::Register<IBookExportData>();
    HostInterfaceNames::Register<IBookPackageCommand>();
    HostInterfaceNames::Register<IBookUtils>();
    HostInterfaceNames::Register<ICommand>();
    HostInterfaceNames::Register<IDocumentFontUsage>();
    HostInterfaceNames::Register<IDocumentUtils>();
    HostInterfaceNames::Register<IOpenDocumentUtils>();
    HostInterfaceNames::Register<IPDFExportData>();
    HostInterfaceNames::Register<IPDFExportPrefs>();
    HostInterfaceNames::Register<IPackageCommand>();
    HostInterfaceNames::Register<IPackageReport>();
    HostInterfaceNames::Register<IPageList>();
    HostInterfaceNames::Register<ISysFileData>();
}

}  // namespace

StandInHost::StandInHost() {
    StandInHost* none = nullptr;
    if (!sCurrent.compare_exchange_strong(none, this))
        throw std::logic_error("a stand-in host exists already");
    // A host that could not be built is not current: another may be made.
    try {
        RegisterInterfaceNames();
        mActionManager = HostBoss::Create(kActionManagerBoss);
        mActionManager->Add<HostActionManager>(mActions);
        mActionManager->Add<HostMenuManager>(mActions);
        mActionManager->Add<HostShortcutManager>(mActions);
        mApplication = HostBoss::Create(kApplicationBoss);
        mApplication->Add<HostApplication>(mActionManager);
        mSession = HostBoss::Create(kSessionBoss);
        mSessionInterface = mSession->Add<HostSession>(mApplication);
        mSession->Add<HostActiveContext>();
        mSession->Add<HostBookManager>(mDocuments);
        mSession->Add<HostUnitPrefs>(mUnit);
        mUtilities = HostBoss::Create(kUtilsBoss);
        mUtilities->Add<HostFrontDocumentUtils>(mDocuments);
        mUtilities->Add<HostModalDialogUtils>(mModalState);
        mUtilities->Add<HostShortcutUtils>();
        mUtilities->Add<HostDocumentUtils>(mDocuments, mSaveFolder);
        mUtilities->Add<HostOpenDocumentUtils>(mDocuments);
        mUtilities->Add<HostBookUtils>(mDocuments);
    } catch (...) {
        sCurrent = nullptr;
        throw;
    }
}

StandInHost::~StandInHost() {
    mDocuments.CloseAll();
    mUtilities->Release();
    mSession->Release();
    mApplication->Release();
    mActionManager->Release();
    sCurrent = nullptr;
}

StandInHost* StandInHost::Current() { return sCurrent.load(); }

ISession* StandInHost::Session() const { return mSessionInterface; }

const IPMUnknown* StandInHost::Utilities() const { return mUtilities; }

const IPMUnknown* StandInHost::Preferences() const { return mSession; }

void StandInHost::UpdateActionStates(IActionComponent& component, ClassID componentClass) {
    HostActionStateList list(mActions, mActions.ActionsOf(componentClass));
    ISession* session = Session();
    IActiveContext* context = session != nullptr ? session->GetActiveContext() : nullptr;
    HostCallLog::Record("UpdateActionStates", HostHex(componentClass));
    component.UpdateActionStates(context, &list, SysPoint{}, nullptr);
    list.Apply(mActions);
}

std::int16_t StandInHost::Alert(const PMString& message, const PMString* buttons, std::int16_t defaultButton,
                                std::int16_t icon) {
    std::string shown = "alert " + HostQuote(message) + " buttons";
    for (int i = 0; i < 3; ++i)
        if (!buttons[i].IsEmpty())
            shown += " " + HostQuote(buttons[i]);
    shown += " default " + std::to_string(defaultButton) + " icon " + std::to_string(icon);
    if (HostCallLog::Enter("CAlert::ModalAlert", HostQuote(message)))
        return 0;
    std::int16_t answer = defaultButton;
    if (answer < 1 || answer > 3 || buttons[answer - 1].IsEmpty()) {
        HostCallLog::Violation(shown + ": the default button is not one of its buttons");
        answer = 1;
    }
    HostCallLog::Notice(shown + ", answered " + std::to_string(answer));
    return answer;
}
