// The start-up service and the action component inside a stand-in host of this process.
#include "plugin-host/actions/GIDCSPActionComponent.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "hostsdk/actions/HostActionStateList.h"
#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/host/StandInHost.h"
#include "hostsdk/trace/HostCallLog.h"
#include "plugin-host/actions/GIDCSPHostEntry.h"
#include "plugin-host/actions/GIDCSPStartupShutdown.h"
#include "plugin-host/actions/GIDCSPWindowSupport.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "ui/layer/GCSPUPluginUILayer.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
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

    ScopedTempFolder mFolder;
    ScopedEnvironment mEnvironment;
    StandInHost mHost;
};

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

}  // namespace
