// The hand-off against peers that break the shared layouts or the locks: a process of ours that
// writes damage into a receiver's queue, holds a lock word for good, or keeps a queue's lock most
// of the time, and receivers killed outright. No notice is reported delivered unless it was read,
// none arrives after a false, every wait keeps its bound, and a killed receiver leaves nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include "core/values/GSessionInfo.h"
#include "mac/ipc/PUNIXIPMutexImp.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "printerprocessor/queues/GPPIPCMessageQueueMgr.h"
#include "printerprocessor/sharedmemory/GBinaryShMemUtils.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"
#include "support/ForkedChild.h"
#include "support/Watchdog.h"
#include "tools/printer-processor/StandInFixture.h"

using namespace standin;

namespace {

constexpr long long kFullWaitMs = 3300;
using Memory = GSharedMemoryBase<PUNIXSharedMemory>;

int CurrentSession() { return GSessionInfo::GetInstance()->GetCurrentSession(); }

void SetWord(Memory& memory, int offset, int value) {
    memory.SetCursor(offset);
    GBinaryShMemUtils::Write(memory, value);
}

// A peer process that writes into a receiver's queue, under the queue's lock as any writer
// would: what it writes is damage no reader may trust.
int DamageQueue(const StandIn& receiver, const std::vector<std::pair<int, int> >& words) {
    return ForkedChild::RunCheck([&] {
        GPPIPCMessageQueue queue(CurrentSession(), receiver.Pid(), receiver.Registration());
        GSharedMemoryLocker<Memory> lock(queue.GetMemory());
        for (const std::pair<int, int>& word : words)
            SetWord(queue.GetMemory(), word.first, word.second);
        return 0;
    });
}

// The names under this test's prefix that belong to the queue of pid and registration.
std::vector<std::string> QueueObjects(int pid, int registration) {
    const std::string queue = "P" + std::to_string(pid) + "MQ" + std::to_string(registration);
    std::vector<std::string> found;
    for (const std::string& name : ShmTestEnvironment::Leftovers(ShmTestEnvironment::Prefix()))
        if (name.size() >= queue.size() && name.compare(name.size() - queue.size(), queue.size(), queue) == 0)
            found.push_back(name);
    return found;
}

class CoreLayerScope {
public:
    CoreLayerScope() { GCCLTrovelCoreLayer::Initialize(); }
    ~CoreLayerScope() { GCCLTrovelCoreLayer::Finalize(); }
    CoreLayerScope(const CoreLayerScope&) = delete;
    CoreLayerScope& operator=(const CoreLayerScope&) = delete;
};

// The lock bound of this process for one test.
class LockTimeout {
public:
    explicit LockTimeout(int milliseconds) : mOld(PUNIXIPMutexImp::GetLockTimeout()) {
        PUNIXIPMutexImp::SetLockTimeout(milliseconds);
    }
    ~LockTimeout() { PUNIXIPMutexImp::SetLockTimeout(mOld); }
    LockTimeout(const LockTimeout&) = delete;
    LockTimeout& operator=(const LockTimeout&) = delete;

private:
    int mOld;
};

}  // namespace

// The queue's first record is damaged (its size runs past the used area) and the end word
// stands behind it. A record appended behind the damage would never be read; the send cuts the
// damage off first, and the notice arrives.
TEST(PrinterProcessorPeerFault, DamagedFirstRecordIsCutOffBeforeTheAppendAndTheNoticeArrives) {
    const Watchdog watchdog(std::chrono::seconds(60), "damaged first record");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(sandbox.Out() + "/damaged.txt", {"--read-after", "1000"}));
    // Record at 8: version 1, size 9999, sender, message 145, data length 9987; end word 60.
    ASSERT_EQ(0, DamageQueue(receiver, {{8, 1}, {12, 9999}, {16, 1}, {20, 145}, {24, 9987}, {4, 60}}));

    EXPECT_TRUE(Notify(Notice("behind damage", job)));
    EXPECT_EQ(Count(receiver.AwaitLines(1), "behind damage"), 1) << "reported delivered, so it was read";
    EXPECT_EQ(receiver.Terminate(), 0);
    EXPECT_EQ(Count(receiver.Lines(), "behind damage"), 1);
}

// A peer damages the sender's own record while the sender waits: a reader stops there and never
// gets it, so the send reports false and the notice never arrives later.
TEST(PrinterProcessorPeerFault, DamageInFrontOfTheRecordDuringTheWaitGivesFalseAndNoLateNotice) {
    const Watchdog watchdog(std::chrono::seconds(60), "damage during the wait");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(sandbox.Out() + "/hidden.txt", {"--read-after", "2500"}));
    const int session = CurrentSession();
    ForkedChild peer([&](ForkedChild&) {
        // Once the notice is queued (end past the header), break the size of the first record.
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            GPPIPCMessageQueue queue(session, receiver.Pid(), receiver.Registration());
            GSharedMemoryLocker<Memory> lock(queue.GetMemory());
            int end = 0;
            queue.GetMemory().SetCursor(4);
            GBinaryShMemUtils::Read(queue.GetMemory(), end);
            if (end > GPPIPCMessageQueue::cQueueHeaderSize) {
                SetWord(queue.GetMemory(), 12, 1 << 20);
                return 0;
            }
            usleep(2000);
        }
        return 1;
    });

    EXPECT_FALSE(Notify(Notice("hidden", job)));
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_TRUE(Notify(Notice("after", job)));
    const std::vector<Line> lines = receiver.AwaitLines(1);
    EXPECT_EQ(Count(lines, "after"), 1);
    EXPECT_EQ(receiver.Terminate(), 0);
    EXPECT_EQ(Count(receiver.Lines(), "hidden"), 0);
}

// The registration table's lock word stands at a living process that never lets go. Three
// receivers are listening: the notification costs one lock bound in all, not one per receiver,
// and so do the start and the end of the hand-off layer.
TEST(PrinterProcessorPeerFault, TableLockStuckAtALivingProcessCostsOneBoundPerOperation) {
    const Watchdog watchdog(std::chrono::seconds(120), "stuck table lock");
    constexpr int kBoundMs = 1000;
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    StandIn receivers[3];
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(receivers[i].Start(sandbox.Out() + "/r" + std::to_string(i) + ".txt"));
    // The table's name is made of the identifiers the core layer fills: the holder needs them.
    const CoreLayerScope names;
    ForkedChild holder([](ForkedChild& self) {
        GPPIPCMessageQueueMgr table(false, 0);
        if (!self.AwaitGo(30000))
            return 1;
        int* word = table.GetTable().GetMutex().GetLockWord();
        int expected = 0;
        const int me = static_cast<int>(getpid());
        while (!__atomic_compare_exchange_n(word, &expected, me, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST))
            expected = 0;
        self.Signal();
        self.AwaitGo(60000);
        __atomic_store_n(word, 0, __ATOMIC_RELEASE);
        return 0;
    });
    {
        const LockTimeout bound(kBoundMs);
        LayerScope layer;
        ASSERT_TRUE(layer.Started());
        holder.Go();
        ASSERT_TRUE(holder.AwaitSignal());
        auto start = Clock::now();
        EXPECT_FALSE(Notify(Notice("stuck", job)));
        const long long notify = MillisecondsSince(start);
        EXPECT_GE(notify, kBoundMs - 50);
        EXPECT_LT(notify, 2 * kBoundMs) << "one bound for all three receivers";
        start = Clock::now();
        GPPPrinterProcessorLayer::Finalize();
        EXPECT_LT(MillisecondsSince(start), 2 * kBoundMs) << "the manager's end";
        start = Clock::now();
        EXPECT_TRUE(GPPPrinterProcessorLayer::Initialize());
        EXPECT_LT(MillisecondsSince(start), 2 * kBoundMs) << "the manager's start";
    }
    holder.Go();
    EXPECT_EQ(holder.Wait(), 0);
    LayerScope layer;
    EXPECT_TRUE(Notify(Notice("free again", job)));
    for (StandIn& receiver : receivers) {
        EXPECT_EQ(Count(receiver.AwaitLines(1), "free again"), 1);
        EXPECT_EQ(Count(receiver.Lines(), "stuck"), 0);
    }
    EXPECT_TRUE(GPPJobNotifier::TrySendTerminateNotification(false));
    for (StandIn& receiver : receivers)
        EXPECT_EQ(receiver.Program().Wait(10000), 0);
    // The end that could not have the table's lock left this process's entry in the table's PID
    // list rather than change it unlocked; it goes when a later user finds this process gone.
    shm_unlink(("/" + ShmTestEnvironment::Prefix() + "KvoShDGIPC_PP").c_str());
}

// A peer holds the receiver's queue lock most of the time, so every look of the sender's wait is
// slow. The wait ends at its bound on the clock, not after a number of looks.
TEST(PrinterProcessorPeerFault, WaitForTheReceiverEndsAtItsDeadlineWhenLooksAreSlow) {
    const Watchdog watchdog(std::chrono::seconds(60), "slow looks");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    LayerScope layer;
    StandIn receiver;
    ASSERT_TRUE(receiver.Start(sandbox.Out() + "/slow.txt", {"--no-read"}));
    const int session = CurrentSession();
    ForkedChild hog([&](ForkedChild& self) {
        GPPIPCMessageQueue queue(session, receiver.Pid(), receiver.Registration());
        self.Signal();
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < deadline && !self.AwaitGo(0)) {
            {
                GSharedMemoryLocker<Memory> lock(queue.GetMemory());
                usleep(20000);
            }
            usleep(1000);
        }
        return 0;
    });
    ASSERT_TRUE(hog.AwaitSignal());
    const auto start = Clock::now();
    EXPECT_FALSE(Notify(Notice("slow", job)));
    const long long waited = MillisecondsSince(start);
    hog.Go();
    EXPECT_EQ(hog.Wait(), 0);
    EXPECT_GE(waited, kFullWaitMs);
    EXPECT_LT(waited, kFullWaitMs + 1000) << "a wait that counts looks runs seconds past its bound";
    receiver.Program().Signal(SIGTERM);
    EXPECT_EQ(receiver.Program().Wait(5000), 0);
}

// A receiver killed outright cannot detach: the next sweep of the table (a new receiver's
// registration) drops its entry and unlinks its queue and the queue's mutex with it.
TEST(PrinterProcessorPeerFault, KilledReceiversQueueAndMutexGoWithItsTableEntry) {
    const Watchdog watchdog(std::chrono::seconds(60), "killed receiver's queue");
    Sandbox sandbox;
    const std::string job = sandbox.WriteJob("job.pdf", "x");
    StandIn killed;
    {
        LayerScope layer;
        ASSERT_TRUE(killed.Start(sandbox.Out() + "/killed.txt"));
        ASSERT_TRUE(Notify(Notice("before", job)));
        ASSERT_EQ(QueueObjects(killed.Pid(), killed.Registration()).size(), 2u);
        killed.Program().Signal(SIGKILL);
        ASSERT_EQ(killed.Program().Wait(5000), 100 + SIGKILL);

        StandIn next;
        ASSERT_TRUE(next.Start(sandbox.Out() + "/next.txt"));
        EXPECT_TRUE(QueueObjects(killed.Pid(), killed.Registration()).empty());
        {
            GPPIPCMessageQueueMgr table(false, 0);
            EXPECT_FALSE(table.IsRegistered(killed.Pid()));
        }
        EXPECT_TRUE(Notify(Notice("next", job)));
        EXPECT_EQ(Count(next.AwaitLines(1), "next"), 1);
        EXPECT_EQ(next.Terminate(), 0);
    }
    // Only the shared table's mutex may outlive the killed receiver's hold on it.
    EXPECT_TRUE(RemoveLeftoversOfKilled(killed.Pid(), 0).empty());
}
