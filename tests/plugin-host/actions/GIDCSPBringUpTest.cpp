// The bring-up of the action component: a failure at any step leaves no layer running.
#include "plugin-host/actions/GIDCSPBringUp.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "plugin-host/actions/GIDCSPActionComponent.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "ui/layer/GCSPUPluginUILayer.h"
#include "services/filesystem/GFileSystem.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "support/FoundationStartup.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

namespace {

class GIDCSPBringUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
            mEnvironment.Set(name, mFolder.Path());
        mEnvironment.Set("TROVEL_SHM_PREFIX", "bringup" + std::to_string(getpid()));
        mEnvironment.Set("QT_QPA_PLATFORM", "offscreen");
    }

    // The cases bring the foundation up and down as the plug-in does in a fresh host; whatever
    // earlier cases of the process started is stopped meanwhile.
    FoundationStoppedScope mFoundationStopped;
    ScopedTempFolder mFolder;
    ScopedEnvironment mEnvironment;
};

TEST_F(GIDCSPBringUpTest, StopsStartedStepsInReverseAndLetsTheExceptionGo) {
    std::string order;
    GIDCSPBringUp bringUp;
    std::vector<GIDCSPBringUp::Step> const steps{
        {"a", [&] { order += "+a"; }, [&] { order += "-a"; }},
        {"b", [&] { order += "+b"; }, {}},
        {"c", [&] { order += "+c"; }, [&] { order += "-c"; }},
        {"d", [&] { throw std::runtime_error("d"); }, [&] { order += "-d"; }, true},
        {"e", [&] { order += "+e"; }, [&] { order += "-e"; }}};
    EXPECT_THROW(bringUp.Run(steps), std::runtime_error);
    EXPECT_EQ(order, "+a+b+c-d-c-a");
    EXPECT_EQ(bringUp.StartedCount(), 0u);
}

TEST_F(GIDCSPBringUpTest, AFailingStopDoesNotKeepTheOthersRunning) {
    std::string order;
    {
        GIDCSPBringUp bringUp;
        bringUp.Run({{"a", [] {}, [&] { order += "-a"; }},
                     {"b", [] {}, [&] { throw std::runtime_error("b"); }},
                     {"c", [] {}, [&] { order += "-c"; }}});
    }
    EXPECT_EQ(order, "-c-a");
}

TEST_F(GIDCSPBringUpTest, AFailureAtEveryStepOfTheComponentLeavesNoLayerRunning) {
    bool handlerSet = false;
    size_t const count = GIDCSPActionComponent::LayerSteps(handlerSet).size();
    for (size_t failing = 0; failing < count; ++failing) {
        SCOPED_TRACE(failing);
        std::vector<GIDCSPBringUp::Step> steps = GIDCSPActionComponent::LayerSteps(handlerSet);
        steps[failing].start = [] { throw std::runtime_error("injected"); };
        GIDCSPBringUp bringUp;
        EXPECT_THROW(bringUp.Run(steps), std::runtime_error);
        EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitCount(), 0u);
        EXPECT_EQ(GCCLTrovelCoreLayer::GetInitCount(), 0);
        EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 0);
    }
}

TEST_F(GIDCSPBringUpTest, AFoundationThatCannotStartIsStoppedAndReported) {
    GBasicFrameworkCoreLayer::SetStepHook([](GBasicFrameworkCoreLayer::Step step) { return step != GBasicFrameworkCoreLayer::kStartServices; });
    bool handlerSet = false;
    GIDCSPBringUp bringUp;
    EXPECT_THROW(bringUp.Run(GIDCSPActionComponent::LayerSteps(handlerSet)), std::runtime_error);
    GBasicFrameworkCoreLayer::SetStepHook(nullptr);
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitCount(), 0u);
    EXPECT_EQ(GCCLTrovelCoreLayer::GetInitCount(), 0);
        EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 0);
    EXPECT_FALSE(handlerSet);
}

TEST_F(GIDCSPBringUpTest, StartsAndStopsTwiceAndMakesTheOwnFolderOnce) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        bool handlerSet = false;
        {
            GIDCSPBringUp bringUp;
            bringUp.Run(GIDCSPActionComponent::LayerSteps(handlerSet));
            EXPECT_TRUE(handlerSet);
            EXPECT_GT(GBasicFrameworkCoreLayer::GetInitCount(), 0u);
            EXPECT_GT(GCCLTrovelCoreLayer::GetInitCount(), 0);
        EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 1);
            EXPECT_TRUE(GFileSystem::TryFolderExists(GFileSystem::GetSpecialPath(36)));
        }
        EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitCount(), 0u);
        EXPECT_EQ(GCCLTrovelCoreLayer::GetInitCount(), 0);
        EXPECT_EQ(GCSPUPluginUILayer::GetInitCount(), 0);
    }
}

TEST(GIDCSPActionComponentUnits, HostUnitIDsGiveUnitCodes) {
    struct Case {
        ClassID host;
        int code;
    } const cases[] = {{0x1200, 0}, {0x1201, 0}, {0x1202, 1}, {0x1203, 2}, {0x1204, 2},
                       {0x1205, 4}, {0x1206, 3}, {0x1207, 0}, {0, 0},      {0xFFFFFFFF, 0}};
    for (Case const& c : cases)
        EXPECT_EQ(GIDCSPActionComponent::UnitForHostUnitID(c.host), c.code) << std::hex << c.host;
}

}  // namespace
