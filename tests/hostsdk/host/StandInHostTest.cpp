#include "hostsdk/host/StandInHost.h"

#include <stdexcept>

#include "hostsdk/HostSdkTest.h"
#include "hostsdk/actions/CActionComponent.h"
#include "hostsdk/actions/IMenuManager.h"
#include "hostsdk/actions/ShortcutText.h"
#include "hostsdk/base/InterfacePtr.h"
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

using namespace hostsdktest;

class StandInHostTest : public HostSdkTest {};

HostDocumentRecord Document(const std::string& name, const std::string& path) {
    HostDocumentRecord document;
    document.name = name;
    document.saved = !path.empty();
    document.path = path;
    return document;
}

HostBookRecord Book(const std::string& name, const std::string& path, std::vector<std::string> chapters,
                    std::vector<int> selection) {
    HostBookRecord book;
    book.name = name;
    book.path = path;
    book.chapters = std::move(chapters);
    book.selection = std::move(selection);
    return book;
}

TEST_F(StandInHostTest, WithoutAHostTheEntryPointsGiveNothing) {
    EXPECT_EQ(StandInHost::Current(), nullptr);
    EXPECT_EQ(GetExecutionContextSession(), nullptr);
    EXPECT_EQ(UtilsBoss::QueryUtils<IModalDialogUtils>(), nullptr);
    EXPECT_EQ(QueryPreferences<IMeasurementUnitPrefs>(nullptr), nullptr);
    EXPECT_EQ(CAlert::ModalAlert("text", "OK", "", "", 1, 1), 0);
}

TEST_F(StandInHostTest, OneHostAtATimeAndEverythingGoesWithIt) {
    {
        StandInHost host;
        EXPECT_EQ(StandInHost::Current(), &host);
        EXPECT_THROW(StandInHost(), std::logic_error);
        ISession* session = GetExecutionContextSession();
        ASSERT_NE(session, nullptr);
        InterfacePtr<IApplication> application(session->QueryApplication());
        ASSERT_TRUE(application);
        InterfacePtr<IActionManager> actions(application->QueryActionManager());
        InterfacePtr<IMenuManager> menus(actions.get(), IMenuManager::kDefaultIID);
        ASSERT_TRUE(menus);
        EXPECT_EQ(actions->AddAction(0x100, 4, "", "Area", 0, 1, 0, 1), kSuccess);
        EXPECT_EQ(menus->AddMenuItem(4, "Main:&File", 1301.0), kSuccess);
        EXPECT_TRUE(actions->IsValidAction(4));
        EXPECT_EQ(host.Actions().Find(4)->menuItems.size(), 1u);
    }
    EXPECT_EQ(StandInHost::Current(), nullptr);
    ExpectAllReleased();
}

TEST_F(StandInHostTest, TheLastDocumentIsInFrontAndTheLastBookIsCurrent) {
    StandInHost host;
    InterfacePtr<IFrontDocumentUtils> front(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    ASSERT_TRUE(front);
    EXPECT_FALSE((InterfacePtr<IDocument>(front->QueryFrontDocument())));
    InterfacePtr<IBookManager> books(GetExecutionContextSession(), IBookManager::kDefaultIID);
    ASSERT_TRUE(books);
    EXPECT_EQ(books->GetBookCount(), 0);
    EXPECT_EQ(books->GetCurrentActiveBook(), nullptr);

    host.Documents().OpenDocument(Document("A.indd", "/x/A.indd"));
    host.Documents().OpenDocument(Document("Untitled-1", ""));
    host.Documents().OpenBook(Book("One.indb", "/x/One.indb", {"/x/a.json"}, {}));
    host.Documents().OpenBook(Book("Two.indb", "/x/Two.indb", {"/x/a.json", "/x/b.json"}, {1}));
    {
        InterfacePtr<IDocument> document(front->QueryFrontDocument());
        ASSERT_TRUE(document);
        EXPECT_EQ(document->GetName(), PMString("Untitled-1"));
        EXPECT_FALSE(document->IsSaved());
    }
    EXPECT_EQ(books->GetBookCount(), 2);
    IBook* book = books->GetCurrentActiveBook();
    ASSERT_NE(book, nullptr);
    EXPECT_EQ(book->GetFile().GetFileName(), PMString("Two.indb"));
    InterfacePtr<IBookContentMgr> contents(book, IBookContentMgr::kDefaultIID);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->GetContentCount(), 2);
}

TEST_F(StandInHostTest, TheUnitPreferenceIsTheUnitTheHostWasSetTo) {
    StandInHost host;
    IActiveContext* context = GetExecutionContextSession()->GetActiveContext();
    ASSERT_NE(context, nullptr);
    InterfacePtr<IMeasurementUnitPrefs> units(QueryPreferences<IMeasurementUnitPrefs>(context));
    ASSERT_TRUE(units);
    EXPECT_EQ(units->GetUnitClass(), StandInHost::kPointsUnit);
    host.SetMeasurementUnit(0x1206);
    EXPECT_EQ(units->GetUnitClass(), 0x1206u);
}

TEST_F(StandInHostTest, ShortcutTextsParseThroughTheUtilities) {
    StandInHost host;
    InterfacePtr<IShortcutUtils> utils(UtilsBoss::QueryUtils<IShortcutUtils>());
    ASSERT_TRUE(utils);
    VirtualKey key = 0;
    std::int16_t modifiers = 0;
    bool16 functionKey = 1;
    EXPECT_EQ(utils->ParseShortcutString("Opt+Shift+E", &key, &modifiers, &functionKey), kSuccess);
    EXPECT_EQ(key, static_cast<VirtualKey>('E'));
    EXPECT_EQ(modifiers, ShortcutText::kOption | ShortcutText::kShift);
    EXPECT_EQ(functionKey, 0);
    EXPECT_EQ(utils->ParseShortcutString("Opt+", &key, &modifiers, &functionKey), kFailure);
}

TEST_F(StandInHostTest, InjectedFailuresMakeHostCallsFail) {
    StandInHost host;
    HostFaults::Arm("ISession::QueryApplication", 1);
    HostFaults::Arm("GetExecutionContextSession", 2);
    HostFaults::Arm("IModalDialogUtils", 0);
    EXPECT_EQ(InterfacePtr<IApplication>(GetExecutionContextSession()->QueryApplication()).get(), nullptr);
    EXPECT_EQ(GetExecutionContextSession(), nullptr);
    EXPECT_NE(InterfacePtr<IApplication>(GetExecutionContextSession()->QueryApplication()).get(), nullptr);
    EXPECT_EQ(UtilsBoss::QueryUtils<IModalDialogUtils>(), nullptr);
    const std::vector<std::string> calls = HostCallLog::Calls();
    EXPECT_EQ(calls[1], "ISession::QueryApplication -> injected failure");
    EXPECT_EQ(calls[2], "GetExecutionContextSession -> injected failure");
}

TEST_F(StandInHostTest, AFailedReleaseLeavesTheModalStateHeld) {
    StandInHost host;
    InterfacePtr<IModalDialogUtils> modal(UtilsBoss::QueryUtils<IModalDialogUtils>());
    ASSERT_TRUE(modal);
    void* token = modal->AcquireModalDialogState();
    HostFaults::Arm("IModalDialogUtils::ReleaseModalDialogState", 1);
    modal->ReleaseModalDialogState(token);
    EXPECT_EQ(host.ModalState().Depth(), 1u);
    modal->ReleaseModalDialogState(token);
    EXPECT_EQ(host.ModalState().Depth(), 0u);
    EXPECT_EQ(HostCallLog::Violations(), 0);
}

TEST_F(StandInHostTest, AlertsAreAnsweredWithTheirDefaultButton) {
    StandInHost host;
    EXPECT_EQ(CAlert::ModalAlert("Replace?", "Replace", "Cancel", "", 2, 2), 2);
    EXPECT_EQ(HostCallLog::Entries().back().text,
              "alert \"Replace?\" buttons \"Replace\" \"Cancel\" default 2 icon 2, answered 2");
    // A default that names no button is a broken rule; the first button answers.
    EXPECT_EQ(CAlert::ModalAlert("Done", "OK", "", "", 3, 1), 1);
    EXPECT_EQ(HostCallLog::Violations(), 1);
    HostFaults::Arm("CAlert::ModalAlert", 0);
    EXPECT_EQ(CAlert::ModalAlert("Done", "OK", "", "", 1, 1), 0);
}

// Enables its actions and names them "Seen".
class CountingComponent : public CActionComponent {
public:
    explicit CountingComponent(IPMUnknown* boss) : CActionComponent(boss) {}
    void UpdateActionStates(IActiveContext* context, IActionStateList* list, SysPoint, IPMUnknown*) override {
        contextSeen = context != nullptr;
        for (std::int32_t i = 0; i < list->Length(); ++i) {
            list->SetNthActionState(i, IActionStateList::kEnabled);
            list->SetNthActionName(i, "Seen");
        }
    }
    bool contextSeen = false;
};

TEST_F(StandInHostTest, UpdatingStatesHandsTheComponentItsActionsAndKeepsWhatItSet) {
    StandInHost host;
    HostAction action;
    action.id = 4;
    action.component = 0x100;
    ASSERT_EQ(host.Actions().Add(action), kSuccess);
    action.id = 6;
    action.component = 0x200;
    ASSERT_EQ(host.Actions().Add(action), kSuccess);
    HostBoss* boss = HostBoss::Create(0x100);
    CountingComponent* component = boss->Add<CountingComponent>();
    host.UpdateActionStates(*component, 0x100);
    EXPECT_TRUE(component->contextSeen);
    EXPECT_TRUE(host.Actions().Find(4)->enabled);
    EXPECT_EQ(host.Actions().Find(4)->shownName, "Seen");
    EXPECT_FALSE(host.Actions().Find(6)->enabled);
    // A list whose length cannot be read is empty: the component changes nothing.
    host.Actions().Find(4)->enabled = false;
    HostFaults::Arm("IActionStateList::Length", 0);
    host.UpdateActionStates(*component, 0x100);
    EXPECT_FALSE(host.Actions().Find(4)->enabled);
    boss->Release();
}

}  // namespace
