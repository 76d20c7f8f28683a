// The hand-off when the receiver misbehaves: each case is bounded in time, and no notice is lost,
// duplicated or reported delivered when it was not.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <map>
#include <set>

#include "core/values/GSessionInfo.h"
#include "printerprocessor/ipc/GPPIPCManager.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "printerprocessor/queues/GPPIPCMessageQueueMgr.h"
#include "printerprocessor/sharedmemory/GBinaryShMemUtils.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"
#include "support/ForkedChild.h"
#include "support/Watchdog.h"
#include "tools/printer-processor/StandInFixture.h"

using namespace standin;

namespace {

// The IPC manager's whole wait for a receiver: 11 looks, 300 ms apart.
constexpr long long kFullWaitMs = 3300;

void SetWord(GPPIPCMessageQueueMgr::Table& table, int offset, int value) {
    table.SetCursor(offset);
    GBinaryShMemUtils::Write(table, value);
}

int CurrentSession() { return GSessionInfo::GetInstance()->GetCurrentSession(); }

}  // namespace

// Not read within the wait: false, and the notice is taken back, so the user who hands the job
// over by hand does not get it twice when the receiver reads later.
TEST(PrinterProcessorFault, ReceiverThatReadsTooLateGetsFalseAndNeverTheNotice) {
    const Watchdog watchdog(std::chrono::seconds(60), "late reader");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn late;
    ASSERT_TRUE(late.Start(sandbox.Out() + "/late.txt", {"--read-after", "5000"}));

    const auto start = Clock::now();
    EXPECT_FALSE(Notify(Notice("late", job))) << "not taken within the wait: not delivered";
    EXPECT_GE(MillisecondsSince(start), kFullWaitMs);

    // Read after its delay; then a notice that is taken proves it reads.
    EXPECT_TRUE(Notify(Notice("after", job)));
    const std::vector<Line> lines = late.AwaitLines(1, 10000);
    EXPECT_EQ(Count(lines, "late"), 0);
    EXPECT_EQ(Count(lines, "after"), 1);
    EXPECT_EQ(late.Terminate(), 0);
}

TEST(PrinterProcessorFault, ReceiverThatNeverReadsGetsFalseAndEndsOnSIGTERM) {
    const Watchdog watchdog(std::chrono::seconds(60), "non-reader");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn deaf;
    ASSERT_TRUE(deaf.Start(sandbox.Out() + "/deaf.txt", {"--no-read"}));
    const auto start = Clock::now();
    EXPECT_FALSE(Notify(Notice("deaf", job)));
    EXPECT_LT(MillisecondsSince(start), kFullWaitMs + 1500);
    deaf.Program().Signal(SIGTERM);
    EXPECT_EQ(deaf.Program().Wait(5000), 0);
    EXPECT_TRUE(deaf.Lines().empty());
}

TEST(PrinterProcessorFault, ReceiverKilledAfterTheAppendKeepsItsLineAndLaterSendsFailFast) {
    const Watchdog watchdog(std::chrono::seconds(60), "killed receiver");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    StandIn receiver;
    {
        LayerScope layer;
        ASSERT_TRUE(receiver.Start(sandbox.Out() + "/killed.txt"));
        ASSERT_TRUE(Notify(Notice("first", job)));
        ASSERT_EQ(receiver.AwaitLines(1).size(), 1u);
        receiver.Program().Signal(SIGKILL);
        EXPECT_EQ(receiver.Program().Wait(5000), 100 + SIGKILL);

        const auto start = Clock::now();
        EXPECT_FALSE(Notify(Notice("second", job)));
        EXPECT_LT(MillisecondsSince(start), 1500) << "a dead receiver costs no wait";
        const std::vector<Line> lines = receiver.Lines();
        ASSERT_EQ(lines.size(), 1u) << "the synced line survives the kill";
        EXPECT_EQ(lines[0][kUser], "first");
    }
    EXPECT_TRUE(RemoveLeftoversOfKilled(receiver.Pid(), receiver.Registration()).empty());
}

TEST(PrinterProcessorFault, ReceiverDeadHoldingItsQueueLockFreezesNobody) {
    const Watchdog watchdog(std::chrono::seconds(60), "dead lock owner");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    StandIn receiver;
    {
        LayerScope layer;
        ASSERT_TRUE(receiver.Start(sandbox.Out() + "/dead.txt", {"--die-holding-lock"}));
        std::string line;
        ASSERT_TRUE(receiver.Program().ReadLine(line));
        EXPECT_EQ(line, "locked");
        EXPECT_EQ(receiver.Program().Wait(5000), 100 + SIGKILL);

        const auto start = Clock::now();
        EXPECT_FALSE(Notify(Notice("dead", job)));
        EXPECT_LT(MillisecondsSince(start), 4000);
        EXPECT_TRUE(receiver.Lines().empty());

        // A peer that opens the dead receiver's queue takes the abandoned lock over at once.
        const auto takeover = Clock::now();
        {
            bool created = false;
            GPPIPCMessageQueue queue(CurrentSession(), receiver.Pid(), receiver.Registration(), created);
            EXPECT_TRUE(queue.TryToAddRawMessage(999, GBuffer("x")));
        }
        EXPECT_LT(MillisecondsSince(takeover), 2000);

        // The next receiver is served although the dead one's lock word still names it.
        StandIn next;
        ASSERT_TRUE(next.Start(sandbox.Out() + "/next.txt"));
        EXPECT_TRUE(Notify(Notice("next", job)));
        EXPECT_EQ(Count(next.AwaitLines(1), "next"), 1);
        EXPECT_EQ(next.Terminate(), 0);
    }
    EXPECT_TRUE(RemoveLeftoversOfKilled(receiver.Pid(), receiver.Registration()).empty());
}

TEST(PrinterProcessorFault, ReceiverStoppedHoldingItsQueueLockCostsABoundedWaitAndIsServedAfterwards) {
    const Watchdog watchdog(std::chrono::seconds(60), "stopped lock owner");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(sandbox.Out() + "/stopped.txt", {"--stop-holding-lock"}));
    std::string line;
    ASSERT_TRUE(receiver.Program().ReadLine(line));
    ASSERT_EQ(line, "locked");

    const auto start = Clock::now();
    const bool delivered = Notify(Notice("stopped", job));
    EXPECT_FALSE(delivered) << "a stopped receiver takes nothing";
    EXPECT_LT(MillisecondsSince(start), 3000 + kFullWaitMs + 1500);

    receiver.Program().Signal(SIGCONT);
    EXPECT_TRUE(Notify(Notice("after", job)));
    const std::vector<Line> lines = receiver.AwaitLines(1);
    EXPECT_LE(Count(lines, "stopped"), 1) << "never twice";
    EXPECT_EQ(Count(lines, "after"), 1);
    EXPECT_EQ(receiver.Terminate(), 0);
}

TEST(PrinterProcessorFault, ConcurrentSendersEachNoticeArrivesExactlyOnce) {
    const Watchdog watchdog(std::chrono::seconds(120), "concurrent senders");
    constexpr int kSenders = 4;
    constexpr int kNotices = 5;
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(sandbox.Out() + "/many.txt"));

    std::vector<pid_t> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.push_back(ForkedChild::StartCheck([s, &job] {
            LayerScope layer;
            if (!layer.Started())
                return 99;
            int failed = 0;
            for (int n = 0; n < kNotices; ++n)
                failed += !Notify(Notice("s" + std::to_string(s) + "n" + std::to_string(n), job));
            return failed;
        }));
    }
    for (pid_t sender : senders)
        EXPECT_EQ(ForkedChild::WaitFor(sender, std::chrono::seconds(90)), 0) << "every send reported delivered";

    const std::vector<Line> lines = receiver.AwaitLines(kSenders * kNotices);
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(kSenders * kNotices));
    std::map<std::string, int> lastBySender;
    for (int s = 0; s < kSenders; ++s)
        for (int n = 0; n < kNotices; ++n)
            EXPECT_EQ(Count(lines, "s" + std::to_string(s) + "n" + std::to_string(n)), 1) << s << "/" << n;
    // One sender's notices arrive in the order it sent them.
    for (const Line& line : lines) {
        const std::string& sender = line[kSender];
        const int n = std::stoi(line[kUser].substr(line[kUser].find('n') + 1));
        EXPECT_GT(n, lastBySender.count(sender) ? lastBySender[sender] : -1) << line[kUser];
        lastBySender[sender] = n;
    }
    LayerScope layer;
    EXPECT_EQ(receiver.Terminate(), 0);
}

TEST(PrinterProcessorFault, TwoReceiversBothGetEveryNoticeInOrder) {
    const Watchdog watchdog(std::chrono::seconds(60), "two receivers");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn a;
    StandIn b;
    ASSERT_TRUE(a.Start(sandbox.Out() + "/a.txt"));
    ASSERT_TRUE(b.Start(sandbox.Out() + "/b.txt"));
    for (int n = 0; n < 4; ++n)
        EXPECT_TRUE(Notify(Notice("n" + std::to_string(n), job)));
    for (StandIn* receiver : {&a, &b}) {
        const std::vector<Line> lines = receiver->AwaitLines(4);
        ASSERT_EQ(lines.size(), 4u);
        for (int n = 0; n < 4; ++n)
            EXPECT_EQ(lines[n][kUser], "n" + std::to_string(n));
    }
    EXPECT_TRUE(GPPJobNotifier::TrySendTerminateNotification(false));
    EXPECT_EQ(a.Program().Wait(5000), 0);
    EXPECT_EQ(b.Program().Wait(5000), 0);
}

TEST(PrinterProcessorFault, ReceiverRegisteredTwiceGetsTheNoticeInBothQueues) {
    const Watchdog watchdog(std::chrono::seconds(60), "registered twice");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn twice;
    ASSERT_TRUE(twice.Start(sandbox.Out() + "/twice.txt", {"--register-twice"}));
    EXPECT_TRUE(Notify(Notice("both", job)));
    const std::vector<Line> lines = twice.AwaitLines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0][kRegistration], lines[1][kRegistration]);
    EXPECT_EQ(Count(lines, "both"), 2);
    EXPECT_EQ(twice.Terminate(), 0);
}

TEST(PrinterProcessorFault, FullQueueGivesFalseAtOnceAndLosesNothingOnceThereIsRoom) {
    const Watchdog watchdog(std::chrono::seconds(60), "full queue");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(sandbox.Out() + "/full.txt", {"--read-after", "3000"}));
    {
        // Fill the receiver's queue with messages nobody handles.
        GPPIPCMessageQueue queue(CurrentSession(), receiver.Pid(), receiver.Registration());
        GBuffer filler;
        filler.SetLength(1000);
        int added = 0;
        while (queue.TryToAddRawMessage(999, filler))
            ++added;
        ASSERT_GT(added, 10);
    }
    const auto start = Clock::now();
    EXPECT_FALSE(Notify(Notice("full", job))) << "no room: not delivered";
    EXPECT_LT(MillisecondsSince(start), 1500) << "nothing to wait for";

    // Once it has read (and so emptied) its queue, the next notice goes through.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    bool delivered = false;
    while (!delivered && Clock::now() < deadline)
        delivered = Notify(Notice("roomy", job));
    EXPECT_TRUE(delivered);
    const std::vector<Line> lines = receiver.AwaitLines(1);
    EXPECT_EQ(Count(lines, "roomy"), 1);
    EXPECT_EQ(Count(lines, "full"), 0) << "a send reported false is never delivered";
    EXPECT_EQ(receiver.Terminate(), 0);
}

TEST(PrinterProcessorFault, StaleRegistrationsFillingTheTableDoNotKeepANewReceiverOut) {
    const Watchdog watchdog(std::chrono::seconds(60), "stale registrations");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    pid_t gone = 0;
    {
        ForkedChild child([](ForkedChild&) { return 0; });
        ASSERT_EQ(child.Wait(), 0);
        gone = child.Pid();
    }
    {
        // Every slot taken by a process that no longer runs, written as a crashed peer left them.
        GPPIPCMessageQueueMgr registrations(false, 0);
        GPPIPCMessageQueueMgr::Table& table = registrations.GetTable();
        GSharedMemoryLocker<GPPIPCMessageQueueMgr::Table> lock(table);
        int at = GPPIPCMessageQueueMgr::cListStartIndex;
        for (int i = 0; i < GPPIPCMessageQueueMgr::cMaxEntries; ++i, at += GPPIPCMessageQueueMgr::cEntrySize) {
            SetWord(table, at, static_cast<int>(gone));
            SetWord(table, at + 4, 5000 + i);
            SetWord(table, at + 8, 1);
        }
        SetWord(table, 8, at);
    }
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(sandbox.Out() + "/fresh.txt"));
    EXPECT_TRUE(Notify(Notice("fresh", job)));
    EXPECT_EQ(Count(receiver.AwaitLines(1), "fresh"), 1);
    EXPECT_EQ(receiver.Terminate(), 0);
}
