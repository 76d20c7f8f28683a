#include "printerprocessor/layers/GPPPrinterProcessorLayer.h"

#include <gtest/gtest.h>

#include "core/text/GStringPool.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "printerprocessor/ipc/GPPIPCManager.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "support/ForkedChild.h"

TEST(GPPPrinterProcessorLayer, CallsNestAndExtraFinalizeDoesNothing) {
    ASSERT_EQ(GPPIPCManager::GetInstance(), nullptr);
    EXPECT_TRUE(GPPPrinterProcessorLayer::Initialize());
    GPPIPCManager* const manager = GPPIPCManager::GetInstance();
    ASSERT_NE(manager, nullptr);
    EXPECT_TRUE(GPPPrinterProcessorLayer::Initialize());
    EXPECT_EQ(GPPIPCManager::GetInstance(), manager);
    GPPPrinterProcessorLayer::Finalize();
    EXPECT_EQ(GPPIPCManager::GetInstance(), manager) << "still one user";
    GPPPrinterProcessorLayer::Finalize();
    EXPECT_EQ(GPPIPCManager::GetInstance(), nullptr);
    GPPPrinterProcessorLayer::Finalize();
    EXPECT_EQ(GPPPrinterProcessorLayer::GetInitializeCount(), 0);
    // A Finalize too many leaves nothing owed: the next pair starts and stops again.
    EXPECT_TRUE(GPPPrinterProcessorLayer::Initialize());
    EXPECT_NE(GPPIPCManager::GetInstance(), nullptr);
    GPPPrinterProcessorLayer::Finalize();
    EXPECT_EQ(GPPIPCManager::GetInstance(), nullptr);
}

TEST(GPPPrinterProcessorLayer, TextsAreRegisteredInEnglish) {
    ASSERT_TRUE(GPPPrinterProcessorLayer::Initialize());
    GString text;
    EXPECT_TRUE(GStringPool::GetString(30050006, text));
    EXPECT_EQ(GBuffer("Make Drop"), text.GetBuffer(GEncodingFallback::Get<GASCIIEncoding>()));
    GPPPrinterProcessorLayer::Finalize();
}

TEST(GPPPrinterProcessorLayer, FailedStartUndoesItselfAndTheNextStartWorks) {
    // In a child: the layers started for the tests are stopped there first, so that the start
    // below is a real one.
    const int result = ForkedChild::RunCheck([] {
        while (GCCLTrovelCoreLayer::GetInitCount() > 0)
            GCCLTrovelCoreLayer::Finalize();
        while (GBasicFrameworkCoreLayer::GetInitCount() > 0)
            GBasicFrameworkCoreLayer::Finalize();
        GBasicFrameworkCoreLayer::SetStepHook([](GBasicFrameworkCoreLayer::Step step) {
            return step != GBasicFrameworkCoreLayer::kStartStrings;
        });
        if (GPPPrinterProcessorLayer::Initialize())
            return 1;
        if (GPPPrinterProcessorLayer::GetInitializeCount() != 0 || GPPIPCManager::GetInstance() != nullptr)
            return 2;
        if (GCCLTrovelCoreLayer::GetInitCount() != 0 || GBasicFrameworkCoreLayer::GetInitCount() != 0)
            return 3;
        GPPPrinterProcessorLayer::Finalize();  // owed nothing: changes nothing
        if (GPPPrinterProcessorLayer::GetInitializeCount() != 0 || GBasicFrameworkCoreLayer::GetInitCount() != 0)
            return 4;
        GBasicFrameworkCoreLayer::SetStepHook(nullptr);
        if (!GPPPrinterProcessorLayer::Initialize() || GPPIPCManager::GetInstance() == nullptr)
            return 5;
        GPPPrinterProcessorLayer::Finalize();
        if (GPPIPCManager::GetInstance() != nullptr || GBasicFrameworkCoreLayer::GetInitCount() != 0)
            return 6;
        return 0;
    });
    EXPECT_EQ(result, 0);
}
