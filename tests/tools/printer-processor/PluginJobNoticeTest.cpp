// The plug-in's job notice reaches the real stand-in program: the user's logon name, the file,
// the Trovelor and the fixed port, copy count and printer id.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "plugin/tools/ZARidizoTools.h"
#include "support/ShmTestEnvironment.h"
#include "support/Watchdog.h"
#include "tools/printer-processor/StandInFixture.h"

using namespace standin;

TEST(PluginJobNotice, TheStandInReceivesTheTrovelorsNotice) {
    const Watchdog watchdog(std::chrono::seconds(60), "plug-in notice");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("Proof Ü #1.pdf", "%PDF-");
    {
        LayerScope layer;
        ASSERT_TRUE(layer.Started());
        EXPECT_FALSE(ZARidizoTools::NotifyPrinterProcessor(Text("Press Ü"), GPathName(Text(job))))
            << "nobody listens yet";
        StandIn receiver;
        ASSERT_TRUE(receiver.Start(sandbox.Out() + "/notices.txt"));
        EXPECT_TRUE(ZARidizoTools::NotifyPrinterProcessor(Text("Press Ü"), GPathName(Text(job))));
        const std::vector<Line> lines = receiver.AwaitLines(1);
        ASSERT_EQ(lines.size(), 1u);
        const Line expected = {std::to_string(getpid()), std::to_string(receiver.Registration()), "accepted",
                               getpwuid(getuid())->pw_name, job, "Press Ü", "10987", "1", ""};
        EXPECT_EQ(Line(lines[0].begin(), lines[0].begin() + static_cast<long>(expected.size())), expected);
        EXPECT_EQ(receiver.Terminate(), 0);
    }
    EXPECT_TRUE(ShmTestEnvironment::Leftovers(ShmTestEnvironment::Prefix()).empty());
}
