// The notifier without a receiver; with the real receiver program it is tested end to end in
// tests/tools/printer-processor.
#include "printerprocessor/jobs/GPPJobNotifier.h"

#include <gtest/gtest.h>

#include "printerprocessor/ipc/GPPIPCManager.h"
#include "printerprocessor/layers/GPPPrinterProcessorLayer.h"
#include "support/Elapsed.h"
#include "support/NativePathText.h"

namespace {

GPPJobInfo ValidNotice() { return GPPJobInfo(G("dave"), GPathName(G("/tmp/x.pdf")), G("P"), G("10987"), 1, GString()); }

}  // namespace

TEST(GPPJobNotifier, WithoutTheLayerNothingIsSentAndNothingThrows) {
    ASSERT_EQ(GPPIPCManager::GetInstance(), nullptr);
    const GPPJobInfo info = ValidNotice();
    EXPECT_FALSE(GPPJobNotifier(info).TrySendNotification());
    EXPECT_FALSE(GPPJobNotifier::TrySendTerminateNotification(false));
    EXPECT_FALSE(GPPJobNotifier::TrySendTerminateNotification(true));
}

TEST(GPPJobNotifier, NoListeningPrinterProcessorGivesFalseWithoutWaiting) {
    ASSERT_TRUE(GPPPrinterProcessorLayer::Initialize());
    // Printer-processor programs of other tests may run, each in its own shared-memory namespace:
    // none of them is registered in this one.
    const GPPJobInfo info = ValidNotice();
    const auto start = Clock::now();
    EXPECT_FALSE(GPPJobNotifier(info).TrySendNotification());
    EXPECT_FALSE(GPPJobNotifier::TrySendTerminateNotification(true));
    EXPECT_LT(MillisecondsSince(start), 1000);
    GPPPrinterProcessorLayer::Finalize();
}

TEST(GPPJobNotifier, InvalidNoticeIsRefused) {
    ASSERT_TRUE(GPPPrinterProcessorLayer::Initialize());
    const GPPJobInfo parsed(G("not a notice"));
    EXPECT_FALSE(parsed.IsValid());
    EXPECT_FALSE(GPPJobNotifier(parsed).TrySendNotification());
    GPPPrinterProcessorLayer::Finalize();
}
