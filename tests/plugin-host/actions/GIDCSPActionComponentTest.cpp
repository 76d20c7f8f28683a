// The start-up service and the action component inside a stand-in host of this process.
#include "plugin-host/actions/GIDCSPActionComponent.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include <functional>
#include <stdexcept>

#include "hostsdk/actions/HostActionStateList.h"
#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/host/StandInHost.h"
#include "hostsdk/trace/HostCallLog.h"
#include "plugin-host/actions/GIDCSPHostEntry.h"
#include "plugin-host/actions/GIDCSPStartupShutdown.h"
#include "plugin-host/actions/GIDCSPWindowSupport.h"
#include "plugin-host/entry/GIDCSPIDs.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "ui/layer/GCSPUPluginUILayer.h"
#include "services/filesystem/GFileSystem.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPreferences.h"
#include "ui/layer/GQUILayer.h"
#include "ui/messages/ModalDriver.h"
#include "support/PrefTestText.h"
#include "support/FoundationStartup.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

namespace {

class GIDCSPActionComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
            mEnvironment.Set(name, mFolder.Path());
        mEnvironment.Set("TROVEL_SHM_PREFIX", "component" + std::to_string(getpid()));
        mEnvironment.Set("QT_QPA_PLATFORM", "offscreen");
        HostCallLog::Clear();
    }

    // Runs Startup of a start-up service `times` times.
    void StartUp(int times) {
        HostBoss* boss = HostBoss::Create(0x198C03);
        GIDCSPStartupShutdown* service = boss->Add<GIDCSPStartupShutdown>();
        for (int i = 0; i < times; ++i)
            service->Startup();
        boss->Release();
    }

    // The cases bring the foundation up and down as the plug-in does in a fresh host; whatever
    // earlier cases of the process started is stopped meanwhile.
    FoundationStoppedScope mFoundationStopped;
    ScopedTempFolder mFolder;
    ScopedEnvironment mEnvironment;
    StandInHost mHost;
};

// Throws from its event handler when it gets a user event.
class ThrowingObject : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User)
            throw std::runtime_error("an event handler failed");
        return QObject::event(event);
    }
};

// What the user and the host saw of an exception raised inside the export dialog's loop.
struct DialogFailure {
    QString dialogTitle;
    QString message;
    std::size_t depthInDialog = 0;
    bool activeInDialog = false;
    bool dialogClosedByTest = false;
};

// Runs the document action; inside its dialog `raise` makes an exception come up in the loop.
// The message shown for it is read and closed, then the dialog (when still open) is cancelled.
DialogFailure RunDocumentActionThatFails(StandInHost& host, GIDCSPActionComponent& component,
                                         std::function<void()> const& raise) {
    DialogFailure seen;
    bool checked = false;
    WhenModal([&](QWidget* dialog) {
        seen.dialogTitle = dialog->windowTitle();
        seen.depthInDialog = host.ModalState().Depth();
        // The message box comes next; then the dialog again, unless the exception ended it.
        WhenModal(
            [&](QWidget* box) {
                if (auto* message = qobject_cast<QMessageBox*>(box))
                    seen.message = message->text();
                QPointer<QWidget> const shown(box);
                QTimer::singleShot(0, [&, shown] {
                    if (shown)
                        static_cast<QDialog*>(shown.data())->done(QMessageBox::Ok);
                    // What is modal now can only be the export dialog, still open.
                    QTimer::singleShot(50, [&] {
                        if (QWidget* still = QApplication::activeModalWidget()) {
                            seen.dialogClosedByTest = true;
                            static_cast<QDialog*>(still)->reject();
                        }
                        checked = true;
                    });
                });
            },
            dialog);
        raise();
    });
    component.DoAction(nullptr, GIDCSPIDs::kDocumentAction, SysPoint{}, nullptr);
    // When the exception ended the dialog, the last look is still to come; it must not outlive
    // this call.
    QElapsedTimer waited;
    waited.start();
    while (!checked && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(checked);
    return seen;
}

TEST_F(GIDCSPActionComponentTest, ASecondStartupAddsNothing) {
    StartUp(2);
    ASSERT_EQ(mHost.Actions().Actions().size(), 2u);
    EXPECT_EQ(mHost.Actions().MenuItemCount(), 2u);
    EXPECT_FALSE(mHost.Actions().Has(0x198C00));
    EXPECT_EQ(HostCallLog::Violations(), 0);
}

TEST_F(GIDCSPActionComponentTest, StartupAsksBeforeItAddsEachAction) {
    StartUp(1);
    std::vector<std::string> calls;
    for (const std::string& call : HostCallLog::Calls())
        if (call.find("IActionManager::") != std::string::npos || call.find("IMenuManager::") != std::string::npos)
            calls.push_back(call.substr(0, call.find(' ')));
    EXPECT_EQ(calls, (std::vector<std::string>{"IActionManager::IsValidAction", "IActionManager::AddAction",
                                               "IMenuManager::AddMenuItem", "IActionManager::IsValidAction",
                                               "IActionManager::AddAction", "IMenuManager::AddMenuItem"}));
}

TEST_F(GIDCSPActionComponentTest, AnExceptionAtAHostEntryIsShownAndStops) {
    GIDCSPHostEntry::Run("The action", [] { throw std::runtime_error("disk full"); });
    GIDCSPHostEntry::Run("The action", [] { throw 7; });
    std::vector<std::string> alerts;
    for (const std::string& call : HostCallLog::Calls())
        if (call.rfind("CAlert::ModalAlert", 0) == 0)
            alerts.push_back(call);
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_NE(alerts[0].find("The action failed: disk full"), std::string::npos) << alerts[0];
    EXPECT_NE(alerts[1].find("The action failed"), std::string::npos) << alerts[1];
}

TEST_F(GIDCSPActionComponentTest, UnknownIDsAndEmptyListsAreLeftAlone) {
    StartUp(1);
    HostAction other;
    other.id = 0x198C05;
    other.component = 0x198C00;
    mHost.Actions().Add(other);
    HostBoss* boss = HostBoss::Create(0x198C00);
    GIDCSPActionComponent* component = boss->Add<GIDCSPActionComponent>();
    {
        HostActionStateList list(mHost.Actions(), {0x198C05});
        component->UpdateActionStates(nullptr, &list, SysPoint{}, nullptr);
        list.Apply(mHost.Actions());
        EXPECT_EQ(mHost.Actions().Find(0x198C05)->shownName, "");
        EXPECT_TRUE(mHost.Actions().Find(0x198C04)->shortcuts.empty());
    }
    {
        HostCallLog::Clear();
        HostActionStateList empty(mHost.Actions(), {});
        component->UpdateActionStates(nullptr, &empty, SysPoint{}, nullptr);
        for (const std::string& call : HostCallLog::Calls())
            EXPECT_EQ(call.find("GetNthAction"), std::string::npos) << call;
    }
    component->UpdateActionStates(nullptr, nullptr, SysPoint{}, nullptr);
    boss->Release();
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitCount(), 0u);
    EXPECT_EQ(GCCLTrovelCoreLayer::GetInitCount(), 0);
        EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 0);
    EXPECT_EQ(HostCallLog::Violations(), 0);
}

TEST_F(GIDCSPActionComponentTest, TwoComponentsOneAfterTheOtherInOneProcess) {
    for (int round = 0; round < 2; ++round) {
        HostBoss* boss = HostBoss::Create(0x198C00);
        boss->Add<GIDCSPActionComponent>();
        EXPECT_GT(GCCLTrovelCoreLayer::GetInitCount(), 0);
        EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 1);
        boss->Release();
        EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitCount(), 0u);
        EXPECT_EQ(GCCLTrovelCoreLayer::GetInitCount(), 0);
        EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 0);
    }
}

TEST_F(GIDCSPActionComponentTest, ModalLoopHooksHoldOneHostStatePerLoopAndReleaseTheNewestFirst) {
    GIDCSPWindowSupport::StopModalLoop(nullptr);
    EXPECT_FALSE(GIDCSPWindowSupport::HoldsModalState());
    GIDCSPWindowSupport::StartModalLoop(nullptr);
    GIDCSPWindowSupport::StartModalLoop(nullptr);
    EXPECT_EQ(mHost.ModalState().Depth(), 2u);
    GIDCSPWindowSupport::StopModalLoop(nullptr);
    EXPECT_EQ(mHost.ModalState().Depth(), 1u);
    GIDCSPWindowSupport::StopModalLoop(nullptr);
    EXPECT_FALSE(GIDCSPWindowSupport::HoldsModalState());
    EXPECT_EQ(mHost.ModalState().Depth(), 0u);
    EXPECT_EQ(HostCallLog::Violations(), 0);
    EXPECT_EQ(GIDCSPWindowSupport::GetMainWindowHandle(), nullptr);
}

// An exception from a slot or an event handler while the export dialog runs is shown through the
// plug-in's user message; the dialog goes on and ends normally, the host gets back every modal
// state and sees no exception.
TEST_F(GIDCSPActionComponentTest, AnExceptionInsideTheDialogsLoopIsShownAndTheHostStaysBalanced) {
    HostDocumentRecord document;
    document.name = "Brochure.indd";
    mHost.Documents().OpenDocument(document);
    HostBoss* boss = HostBoss::Create(0x198C00);
    GIDCSPActionComponent* component = boss->Add<GIDCSPActionComponent>();
    ThrowingObject thrower;
    struct Case {
        char const* name;
        std::function<void()> raise;
        char const* text;
    } const cases[] = {
        {"a slot", [] { QTimer::singleShot(0, [] { throw std::runtime_error("a slot failed"); }); }, "a slot failed"},
        {"an event handler", [&thrower] { QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User)); },
         "an event handler failed"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        HostCallLog::Clear();
        DialogFailure const seen = RunDocumentActionThatFails(mHost, *component, c.raise);
        EXPECT_EQ(seen.dialogTitle, QString("Export to Trovelor"));
        EXPECT_EQ(seen.depthInDialog, 1u);
        EXPECT_TRUE(seen.message.contains(c.text)) << seen.message.toStdString();
        EXPECT_TRUE(seen.dialogClosedByTest);
        EXPECT_EQ(mHost.ModalState().Depth(), 0u);
        EXPECT_FALSE(GIDCSPWindowSupport::HoldsModalState());
        EXPECT_EQ(HostCallLog::Violations(), 0);
        // The host showed no alert: the error went to the user message, not to the entry's catch.
        for (std::string const& call : HostCallLog::Calls())
            EXPECT_NE(call.rfind("CAlert::ModalAlert", 0), 0u) << call;
    }
    boss->Release();
    EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 0);
}

// A host whose own QApplication lets an event handler's exception through Qt's loop: the
// exception leaves the dialog's exec. The action still ends at the host's entry: the error is
// shown through the user message, every modal state is given back, the action is inactive again
// and a second run of the dialog works.
TEST_F(GIDCSPActionComponentTest, AnExceptionThatLeavesTheDialogsExecIsShownAndTheHostStaysBalanced) {
    static int argc = 1;
    static char name[] = "host";
    static char* argv[] = {name, nullptr};
    QApplication hostApplication(argc, argv);
    HostDocumentRecord document;
    document.name = "Brochure.indd";
    mHost.Documents().OpenDocument(document);
    HostBoss* boss = HostBoss::Create(0x198C00);
    GIDCSPActionComponent* component = boss->Add<GIDCSPActionComponent>();
    DialogFailure const seen = RunDocumentActionThatFails(
        mHost, *component, [] { QTimer::singleShot(0, [] { throw std::runtime_error("the host's loop let it go"); }); });
    EXPECT_EQ(seen.depthInDialog, 1u);
    EXPECT_TRUE(seen.message.contains("the host's loop let it go")) << seen.message.toStdString();
    EXPECT_FALSE(seen.dialogClosedByTest);  // the exception ended the dialog
    EXPECT_EQ(mHost.ModalState().Depth(), 0u);
    EXPECT_FALSE(GIDCSPWindowSupport::HoldsModalState());
    EXPECT_EQ(HostCallLog::Violations(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // The next run of the dialog starts and ends as usual.
    std::size_t depth = 0;
    WhenModal([&](QWidget* dialog) {
        depth = mHost.ModalState().Depth();
        static_cast<QDialog*>(dialog)->reject();
    });
    component->DoAction(nullptr, GIDCSPIDs::kDocumentAction, SysPoint{}, nullptr);
    EXPECT_EQ(depth, 1u);
    EXPECT_EQ(mHost.ModalState().Depth(), 0u);
    EXPECT_EQ(HostCallLog::Violations(), 0);
    boss->Release();
    EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 0);
}

// What of the bring-up is in place, one letter per step in the order the steps run: F the
// foundation, S the strings folder (special path 22), O the own folder (36), P the preference
// module (-3), I the inter-process core, U the UI layer, M the modal-loop hooks (a loop started
// and stopped takes a state from the host and gives it back), H the main-window hook (the
// wrapper that parents dialogs).
std::string BroughtUp(StandInHost const& host) {
    std::string up;
    bool const foundation = GBasicFrameworkCoreLayer::GetInitCount() > 0;
    auto const endsWith = [](int id, std::string const& leaf) {
        try {
            std::string const path = preftest::U8(GFileSystem::GetSpecialPath(id).GetCrossPlatformString());
            return path.size() >= leaf.size() && path.compare(path.size() - leaf.size(), leaf.size(), leaf) == 0;
        } catch (...) {
            return false;
        }
    };
    if (foundation)
        up += 'F';
    if (foundation && endsWith(22, "Resources/Strings"))
        up += 'S';
    if (foundation && endsWith(36, "Trovel_DO2024_InDesign"))
        up += 'O';
    if (foundation && GPreferences::GetPrefModule(-3) != nullptr)
        up += 'P';
    if (GCCLTrovelCoreLayer::GetInitCount() > 0)
        up += 'I';
    if (GCSPUPluginUILayer::GetInitCount() > 0)
        up += 'U';
    std::size_t const depth = host.ModalState().Depth();
    GQUILayer::HandleStartModalLoop(nullptr);
    bool const hooked = host.ModalState().Depth() == depth + 1;
    GQUILayer::HandleStopModalLoop(nullptr);
    if (hooked)
        up += 'M';
    if (GQUILayer::GetWidgetWrapper() != nullptr)
        up += 'H';
    return up;
}

// The layers come up one after the other in the fixed order, each step adding exactly its own
// part, and go down in reverse: the UI layer (with its hooks) first, the foundation last.
TEST_F(GIDCSPActionComponentTest, TheLayersComeUpInTheirOrderAndGoDownInReverse) {
    bool handlerSet = false;
    std::vector<GIDCSPBringUp::Step> steps = GIDCSPActionComponent::LayerSteps(handlerSet);
    std::vector<std::string> names;
    for (GIDCSPBringUp::Step const& step : steps)
        names.push_back(step.name);
    EXPECT_EQ(names, (std::vector<std::string>{"foundation", "strings folder", "own folder", "preference file",
                                               "inter-process core", "UI layer", "modal-loop hooks",
                                               "main-window hook"}));

    std::vector<std::string> seen{"before: " + BroughtUp(mHost)};
    for (GIDCSPBringUp::Step& step : steps) {
        step.start = [&seen, this, name = step.name, start = step.start] {
            start();
            seen.push_back("+" + name + ": " + BroughtUp(mHost));
        };
        if (step.stop)
            step.stop = [&seen, this, name = step.name, stop = step.stop] {
                stop();
                seen.push_back("-" + name + ": " + BroughtUp(mHost));
            };
    }
    {
        GIDCSPBringUp bringUp;
        bringUp.Run(steps);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"before: ",
                                              "+foundation: F",
                                              "+strings folder: FS",
                                              "+own folder: FSO",
                                              "+preference file: FSOP",
                                              "+inter-process core: FSOPI",
                                              "+UI layer: FSOPIU",
                                              "+modal-loop hooks: FSOPIUM",
                                              "+main-window hook: FSOPIUMH",
                                              "-UI layer: FSOPI",
                                              "-inter-process core: FSOP",
                                              "-foundation: "}));
    EXPECT_EQ(mHost.ModalState().Depth(), 0u);
    EXPECT_EQ(HostCallLog::Violations(), 0);

    // The component runs these steps: all is up while it lives and down after it.
    HostBoss* boss = HostBoss::Create(0x198C00);
    boss->Add<GIDCSPActionComponent>();
    EXPECT_EQ(BroughtUp(mHost), "FSOPIUMH");
    boss->Release();
    EXPECT_EQ(BroughtUp(mHost), "");
}

}  // namespace
