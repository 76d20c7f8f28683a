#include "printerprocessor/queues/GPPIPCMessageQueue.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/mman.h>

#include <cerrno>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "printerprocessor/sharedmemory/GBinaryShMemUtils.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"
#include "support/ExceptionID.h"
#include "support/ForkedChild.h"
#include "support/ShmTestEnvironment.h"
#include "support/UnprivilegedChild.h"
#include "support/Watchdog.h"

namespace {

using Memory = GSharedMemoryBase<PUNIXSharedMemory>;
using Messages = GTable<GSmartPtr<GPPIPCMessage> >;
using Clock = std::chrono::steady_clock;

constexpr int kRegistration = 77;

GBuffer Bytes(int n, unsigned char fill = 'x') {
    GBuffer data;
    data.SetLength(n);
    if (n > 0)
        std::memset(data.GetWritePtr(), fill, static_cast<size_t>(n));
    return data;
}

// A second attachment to a queue's segment, to read and damage its raw words.
class RawQueue {
public:
    explicit RawQueue(int receiver = getpid())
        : mMemory(GBuffer(), GPPIPCMessageQueue::ConvertToMemoryID(receiver, kRegistration)) {}
    int Get(int offset) {
        int value = 0;
        mMemory.SetCursor(offset);
        GBinaryShMemUtils::Read(mMemory, value);
        return value;
    }
    void Set(int offset, int value) {
        mMemory.SetCursor(offset);
        GBinaryShMemUtils::Write(mMemory, value);
    }
    void SetBytes(int offset, const unsigned char* bytes, int n) {
        mMemory.SetCursor(offset);
        mMemory.Write(bytes, n);
    }
    Memory& GetMemory() { return mMemory; }

private:
    Memory mMemory;
};

class GPPIPCMessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        bool created = false;
        mQueue = std::make_unique<GPPIPCMessageQueue>(-1, getpid(), kRegistration, created);
        ASSERT_TRUE(created);
    }
    std::vector<std::string> Drain() {
        Messages messages;
        mQueue->ReadPendingMessages(messages);
        std::vector<std::string> texts;
        for (int i = 0; i < messages.GetCount(); ++i) {
            const GBuffer& data = messages[i]->GetData();
            texts.emplace_back(reinterpret_cast<const char*>(data.GetPtr()), static_cast<size_t>(data.GetLength()));
        }
        return texts;
    }
    std::unique_ptr<GPPIPCMessageQueue> mQueue;
};

TEST(GPPIPCMessageQueueNames, QueueIdentifier) {
    const GShMemID id = GPPIPCMessageQueue::ConvertToMemoryID(512, 77);
    EXPECT_EQ(GBuffer("P512MQ77"), id.GetBuffer());
    EXPECT_EQ(40162, ThrownID([] { GPPIPCMessageQueue::ConvertToMemoryID(-1, 2); }));
}

TEST_F(GPPIPCMessageQueueTest, NewQueueIsEmptyVersionOne) {
    RawQueue raw;
    EXPECT_EQ(1, raw.Get(0));
    EXPECT_EQ(8, raw.Get(4));
    EXPECT_TRUE(Drain().empty());
    GPPIPCMessageQueue opened(-1, getpid(), kRegistration);
    EXPECT_TRUE(opened.TryToAddRawMessage(145, GBuffer("via another attachment")));
    EXPECT_EQ(std::vector<std::string>{"via another attachment"}, Drain());
}

TEST_F(GPPIPCMessageQueueTest, SizesAtTheLimit) {
    struct Case {
        int n;
        bool fits;
    } const cases[] = {{0, true}, {1, true}, {32740, true}, {32741, false}, {40000, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.fits, GPPIPCMessageQueue::RawDataFitsEmptyQueue(Bytes(c.n))) << c.n;
        EXPECT_EQ(c.fits, mQueue->TryToAddRawMessage(145, Bytes(c.n))) << c.n;
        RawQueue raw;
        EXPECT_EQ(c.fits ? 8 + 20 + c.n : 8, raw.Get(4)) << c.n;
        const auto drained = Drain();
        ASSERT_EQ(c.fits ? 1u : 0u, drained.size());
        if (c.fits) {
            EXPECT_EQ(static_cast<size_t>(c.n), drained[0].size());
        }
    }
    // A full queue refuses the next message, which waits for the drain.
    EXPECT_TRUE(mQueue->TryToAddRawMessage(145, Bytes(32740)));
    EXPECT_FALSE(mQueue->TryToAddRawMessage(145, Bytes(0)));
    EXPECT_EQ(1u, Drain().size());
    EXPECT_TRUE(mQueue->TryToAddRawMessage(145, Bytes(0)));
}

TEST_F(GPPIPCMessageQueueTest, EmptyDataRecord) {
    ASSERT_TRUE(mQueue->TryToAddRawMessage(4242, 146, GBuffer()));
    RawQueue raw;
    EXPECT_EQ(28, raw.Get(4));
    EXPECT_EQ(1, raw.Get(8));
    EXPECT_EQ(12, raw.Get(12));
    EXPECT_EQ(4242, raw.Get(16));
    EXPECT_EQ(146, raw.Get(20));
    EXPECT_EQ(0, raw.Get(24));
    Messages messages;
    mQueue->ReadPendingMessages(messages);
    ASSERT_EQ(1, messages.GetCount());
    EXPECT_EQ(4242, messages[0]->GetSenderProcessID());
    EXPECT_EQ(146, messages[0]->GetMessageID());
    EXPECT_TRUE(messages[0]->GetData().IsEmpty());
}

TEST_F(GPPIPCMessageQueueTest, OnceAndContains) {
    EXPECT_TRUE(mQueue->TryToAddRawMessageOnce(145, GBuffer("job")));
    EXPECT_TRUE(mQueue->TryToAddRawMessageOnce(999, 145, GBuffer("job")));
    EXPECT_TRUE(mQueue->ContainsRawMessage(145, GBuffer("job")));
    EXPECT_FALSE(mQueue->ContainsRawMessage(146, GBuffer("job")));
    EXPECT_FALSE(mQueue->ContainsRawMessage(145, GBuffer("jo")));
    EXPECT_TRUE(mQueue->TryToAddRawMessageOnce(146, GBuffer("job")));
    EXPECT_EQ((std::vector<std::string>{"job", "job"}), Drain());
}

TEST_F(GPPIPCMessageQueueTest, RecordsOfOtherVersionsAreSkippedAndDrainedToo) {
    ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("a")));
    ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("b")));
    RawQueue raw;
    raw.Set(8, 2);
    EXPECT_EQ(std::vector<std::string>{"b"}, Drain());
    EXPECT_EQ(8, raw.Get(4));
    ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("c")));
    raw.Set(8, 7);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(8, raw.Get(4));
}

TEST_F(GPPIPCMessageQueueTest, VersionTwoIsNeitherOpenedNorWritten) {
    RawQueue raw;
    raw.Set(0, 2);
    EXPECT_EQ(40154, ThrownID([] { GPPIPCMessageQueue queue(-1, getpid(), kRegistration); }));
    bool created = false;
    EXPECT_EQ(40154, ThrownID([&] { GPPIPCMessageQueue queue(-1, getpid(), kRegistration, created); }));
    EXPECT_EQ(2, raw.Get(0));
    EXPECT_EQ(8, raw.Get(4));
}

// One damaged record (or end word) must not hang the walk, deliver old messages again or make
// every later drain fail: what came before it is delivered and the queue starts empty again.
TEST_F(GPPIPCMessageQueueTest, DamagedRecordsStopTheWalkAndEmptyTheQueue) {
    Watchdog watchdog(std::chrono::seconds(30), "damaged queue walk");
    struct Case {
        const char* what;
        int offset;  // relative to the second record, or absolute when below 0 (then -offset - 1)
        int value;
    } const cases[] = {
        {"size -8", 4, -8},          {"size -20", 4, -20},      {"size 0", 4, 0},
        {"size 11", 4, 11},          {"size past the end", 4, 5000},
        {"data length too big", 16, 100},  {"data length negative", 16, -1},
        {"end word negative", -5, -1}, {"end word past the queue", -5, 40000},
        {"end word inside a header", -5, 8 + 21 + 8},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("first")));
        const int second = 8 + 20 + 5;
        ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("second")));
        ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("third")));
        RawQueue raw;
        raw.Set(c.offset >= 0 ? second + c.offset : -c.offset - 1, c.value);
        const auto drained = Drain();
        const bool endDamaged = c.offset < 0 && c.value != 8 + 21 + 8;
        EXPECT_EQ(endDamaged ? 0u : 1u, drained.size()) << c.what;
        if (!endDamaged && !drained.empty()) {
            EXPECT_EQ("first", drained[0]) << c.what;
        }
        EXPECT_EQ(8, raw.Get(4)) << c.what;
        ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("after"))) << c.what;
        EXPECT_EQ(std::vector<std::string>{"after"}, Drain()) << c.what;
    }
}

TEST_F(GPPIPCMessageQueueTest, RandomBytesOverHeaderAndRecordsNeverHang) {
    Watchdog watchdog(std::chrono::seconds(60), "random queue damage");
    std::mt19937 random(1234);
    RawQueue raw;
    for (int round = 0; round < 300; ++round) {
        for (int i = 0; i < 5; ++i)
            mQueue->TryToAddRawMessage(145, Bytes(static_cast<int>(random() % 64), 'r'));
        const int words = 1 + static_cast<int>(random() % 6);
        for (int w = 0; w < words; ++w) {
            const int offset = 4 * static_cast<int>(random() % 60);
            raw.Set(offset == 0 ? 4 : offset, static_cast<int>(random()) % 70000 - 35000 + (random() % 2 ? 0 : 1 << 30));
        }
        mQueue->ContainsRawMessage(145, GBuffer("x"));
        mQueue->TryToAddRawMessageOnce(146, GBuffer("y"));
        Drain();
        EXPECT_EQ(8, raw.Get(4));
        ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("ok")));
        ASSERT_EQ(std::vector<std::string>{"ok"}, Drain()) << round;
    }
}

// A sender killed after writing its record but before the end word: the record never appears.
TEST_F(GPPIPCMessageQueueTest, SenderKilledBeforeTheEndWordLeavesNoPartialRecord) {
    Watchdog watchdog(std::chrono::seconds(30), "killed sender");
    ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("whole")));
    const int receiver = getpid();
    ForkedChild child([receiver](ForkedChild&) {
        RawQueue raw(receiver);
        GSharedMemoryLocker<Memory> lock(raw.GetMemory());
        const int end = raw.Get(4);
        const int record[5] = {1, 12 + 4, getpid(), 145, 4};
        raw.SetBytes(end, reinterpret_cast<const unsigned char*>(record), sizeof record);
        raw.SetBytes(end + 20, reinterpret_cast<const unsigned char*>("half"), 4);
        kill(getpid(), SIGKILL);
        return 0;
    });
    ASSERT_EQ(-2, child.Wait());
    const auto start = Clock::now();
    EXPECT_EQ(std::vector<std::string>{"whole"}, Drain());
    EXPECT_LE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 1500);
    ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("next")));
    EXPECT_EQ(std::vector<std::string>{"next"}, Drain());
    shm_unlink(("/" + ShmTestEnvironment::Prefix() + "KvoShLP" + std::to_string(getpid()) + "MQ77").c_str());
}

TEST_F(GPPIPCMessageQueueTest, LockHeldByAStoppedProcessMakesSendReportFalse) {
    Watchdog watchdog(std::chrono::seconds(30), "stopped lock holder");
    const int old = PUNIXIPMutexImp::GetLockTimeout();
    PUNIXIPMutexImp::SetLockTimeout(300);
    const int receiver = getpid();
    ForkedChild child([receiver](ForkedChild& self) {
        RawQueue raw(receiver);
        GSharedMemoryLocker<Memory> lock(raw.GetMemory());
        self.Signal();
        raise(SIGSTOP);
        return 0;
    });
    ASSERT_TRUE(child.AwaitSignal());
    // An empty queue is seen without the lock: a poll never waits out a stuck holder.
    PUNIXIPMutexImp::SetLockTimeout(600000);
    EXPECT_TRUE(Drain().empty());
    PUNIXIPMutexImp::SetLockTimeout(300);
    EXPECT_FALSE(mQueue->TryToAddRawMessage(145, GBuffer("blocked")));
    EXPECT_TRUE(Drain().empty());
    child.Kill();
    child.Wait();
    PUNIXIPMutexImp::SetLockTimeout(old);
    EXPECT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("free")));
    EXPECT_EQ(std::vector<std::string>{"free"}, Drain());
    shm_unlink(("/" + ShmTestEnvironment::Prefix() + "KvoShLP" + std::to_string(getpid()) + "MQ77").c_str());
}

// Notices are private to their user: another user can neither read the segment nor join the
// queue, and is told so by an exception rather than a crash or a silent success.
TEST_F(GPPIPCMessageQueueTest, OtherUsersCanNeitherReadNorJoinAQueue) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to run a check as another user";
    ASSERT_TRUE(mQueue->TryToAddRawMessage(145, GBuffer("private")));
    const int receiver = getpid();
    const std::string segment = "/" + ShmTestEnvironment::Prefix() + "KvoShDP" + std::to_string(receiver) + "MQ77";
    const int result = UnprivilegedChild::Run([&] {
        if (shm_open(segment.c_str(), O_RDONLY, 0) >= 0 || errno != EACCES)
            return 1;
        try {
            GPPIPCMessageQueue queue(-1, receiver, kRegistration);
            return 2;
        } catch (const GException&) {
        }
        try {
            bool created = false;
            GPPIPCMessageQueue queue(-1, receiver, kRegistration, created);
            return 3;
        } catch (const GException&) {
        }
        return 0;
    });
    EXPECT_EQ(0, result);
    EXPECT_EQ(std::vector<std::string>{"private"}, Drain());
}

// A sender waiting for its record is woken by the drain that takes it, however long it meant to
// wait (the watchdog ends a wait that nothing woke).
TEST_F(GPPIPCMessageQueueTest, TheDrainWakesTheSenderWaitingForItsRecord) {
    Watchdog watchdog(std::chrono::seconds(30), "sender woken by the drain");
    const int receiver = getpid();
    ForkedChild child([receiver](ForkedChild& self) {
        GPPIPCMessageQueue queue(-1, receiver, kRegistration);
        const GBuffer data("wake me");
        const GPPIPCMessageQueue::Placement placed = queue.Place(getpid(), 145, data, false);
        self.Signal();
        queue.WaitWhileQueued(placed, 600000);
        return queue.Look(placed, 145, data) == GPPIPCMessageQueue::cTaken ? 0 : 1;
    });
    ASSERT_TRUE(child.AwaitSignal());
    EXPECT_EQ(std::vector<std::string>{"wake me"}, Drain());
    EXPECT_EQ(0, child.Wait());
    // The sleeper it counted itself as is gone with it: later drains skip the wake.
    EXPECT_EQ(0, *mQueue->GetMemory().GetMutex().GetSleeperWord());
}

// Another process sends; the receiver drains everything in order, between and after the sends.
TEST_F(GPPIPCMessageQueueTest, MessagesFromAnotherProcessArriveInOrder) {
    Watchdog watchdog(std::chrono::seconds(60), "cross-process messages");
    const int receiver = getpid();
    ForkedChild child([receiver](ForkedChild&) {
        bool created = false;
        GPPIPCMessageQueue queue(-1, receiver, kRegistration, created);
        for (int i = 0; i < 2000; ++i) {
            const std::string text = std::to_string(i);
            const auto deadline = Clock::now() + std::chrono::seconds(10);
            while (!queue.TryToAddRawMessage(145, GBuffer(text.c_str()))) {
                if (Clock::now() > deadline)
                    return 30;
            }
        }
        return 0;
    });
    std::vector<std::string> received;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (received.size() < 2000 && Clock::now() < deadline) {
        for (auto& text : Drain())
            received.push_back(text);
    }
    EXPECT_EQ(0, child.Wait());
    ASSERT_EQ(2000u, received.size());
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(std::to_string(i), received[i]);
}

}  // namespace
