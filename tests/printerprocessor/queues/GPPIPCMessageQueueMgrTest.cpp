#include "printerprocessor/queues/GPPIPCMessageQueueMgr.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "printerprocessor/sharedmemory/GBinaryShMemUtils.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"
#include "support/ForkedChild.h"
#include "support/ShmTestEnvironment.h"
#include "support/Watchdog.h"

namespace {

using Table = GPPIPCMessageQueueMgr::Table;
using Entry = std::vector<int>;
using Clock = std::chrono::steady_clock;

int Word(Table& table, int offset) {
    int value = 0;
    table.SetCursor(offset);
    GBinaryShMemUtils::Read(table, value);
    return value;
}

void SetWord(Table& table, int offset, int value) {
    table.SetCursor(offset);
    GBinaryShMemUtils::Write(table, value);
}

std::vector<Entry> Entries(Table& table) {
    std::vector<Entry> entries;
    const int end = Word(table, 8);
    for (int at = 12; at < end; at += 12)
        entries.push_back({Word(table, at), Word(table, at + 4), Word(table, at + 8)});
    return entries;
}

// Writes entries straight into the table, for processes that are not this one.
void PutEntries(Table& table, const std::vector<Entry>& entries) {
    int at = Word(table, 8);
    for (const Entry& e : entries) {
        SetWord(table, at, e[0]);
        SetWord(table, at + 4, e[1]);
        SetWord(table, at + 8, e[2]);
        at += 12;
    }
    SetWord(table, 8, at);
}

// A process ID that no longer runs: a child that has ended and been reaped.
int DeadPID() {
    ForkedChild child([](ForkedChild&) { return 0; });
    child.Wait();
    return child.Pid();
}

void RemoveTableMutex() { shm_unlink(("/" + ShmTestEnvironment::Prefix() + "KvoShLGIPCTest_PP").c_str()); }

class GPPIPCMessageQueueMgrTest : public ::testing::Test {
protected:
    void SetUp() override { mMgr = std::make_unique<GPPIPCMessageQueueMgr>(false, 1); }
    Table& T() { return mMgr->GetTable(); }
    std::unique_ptr<GPPIPCMessageQueueMgr> mMgr;
};

TEST(GPPIPCMessageQueueMgrNames, IdentifiersAndFootprints) {
    EXPECT_EQ(GBuffer("GIPC_PP"), GPPIPCMessageQueueMgr::GetSpecialID(0));
    EXPECT_EQ(GBuffer("GIPCTest_PP"), GPPIPCMessageQueueMgr::GetSpecialID(1));
    EXPECT_EQ(GBuffer("GIPCTest_PP"), GPPIPCMessageQueueMgr::GetSpecialID(-7));
    EXPECT_EQ(GBuffer("GIPC_PP"), GPPIPCMessageQueueMgr::GetQueueFootPrint(false, 0));
}

TEST_F(GPPIPCMessageQueueMgrTest, NewTable) {
    EXPECT_EQ(1, Word(T(), 0));
    EXPECT_EQ(12, Word(T(), 8));
    EXPECT_FALSE(mMgr->IsRegistered(getpid()));
    GTable<GPair<int, GPair<int, int> > > all;
    mMgr->GetRegistered(all);
    EXPECT_EQ(0, all.GetCount());
    GPPIPCMessageQueueMgr second(false, 1);
    EXPECT_EQ(1, Word(second.GetTable(), 0));
}

TEST_F(GPPIPCMessageQueueMgrTest, RegisterAndLookups) {
    const int a = mMgr->Register(getpid());
    const int b = mMgr->Register(getpid());
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_NE(a, b);
    EXPECT_TRUE(mMgr->IsRegistered(getpid()));
    EXPECT_EQ((std::vector<Entry>{{getpid(), a, 0}, {getpid(), b, 0}}), Entries(T()));
    mMgr->SetFlag(getpid(), b, true);
    EXPECT_TRUE(mMgr->GetFlag(getpid(), b));
    EXPECT_FALSE(mMgr->GetFlag(getpid(), a));
    mMgr->SetFlag(getpid(), 12345, true);
    EXPECT_FALSE(mMgr->GetFlag(getpid(), 12345));
    EXPECT_EQ((std::vector<Entry>{{getpid(), a, 0}, {getpid(), b, 1}}), Entries(T()));
    int session = 99;
    GTable<int> ids;
    mMgr->GetRegistered(getpid(), session, ids);
    ASSERT_EQ(2, ids.GetCount());
    EXPECT_EQ(a, ids[0]);
    EXPECT_EQ(-1, session);
    GTable<GPair<int, GPair<int, int> > > all;
    mMgr->GetRegistered(all);
    ASSERT_EQ(2, all.GetCount());
    EXPECT_EQ(-1, all[1].first);
    EXPECT_EQ(b, all[1].second.second);
}

TEST_F(GPPIPCMessageQueueMgrTest, SeedGrowsByOnePerSearchAndIDsAreNewAndPositive) {
    std::set<int> seen;
    for (int i = 0; i < 50; ++i) {
        const int before = Word(T(), 4);
        const int id = mMgr->FindUnusedRegistrationID();
        EXPECT_EQ(before + 1, Word(T(), 4));
        EXPECT_GT(id, 0);
        ASSERT_GT(mMgr->Register(getpid()), 0);
    }
    for (const Entry& e : Entries(T()))
        EXPECT_TRUE(seen.insert(e[1]).second) << e[1];
}

TEST_F(GPPIPCMessageQueueMgrTest, FullTableRefusesTheNextAndStaysUnchanged) {
    for (int i = 0; i < 256; ++i)
        ASSERT_GT(mMgr->Register(getpid()), 0) << i;
    EXPECT_EQ(3084, Word(T(), 8));
    const auto before = Entries(T());
    EXPECT_EQ(0, mMgr->Register(getpid()));
    EXPECT_EQ(before, Entries(T()));
    mMgr.reset();
    GPPIPCMessageQueueMgr fresh(false, 1);
    EXPECT_EQ(12, Word(fresh.GetTable(), 8));
}

TEST_F(GPPIPCMessageQueueMgrTest, Removals) {
    const int other = getppid();
    struct Case {
        const char* what;
        std::vector<Entry> start;
        int pid;
        int id;  // 0: every entry of pid
        std::vector<Entry> left;
    } const cases[] = {
        {"middle of three", {{other, 1, 0}, {other, 2, 0}, {other, 3, 1}}, other, 2, {{other, 1, 0}, {other, 3, 1}}},
        {"last of three", {{other, 1, 0}, {other, 2, 0}, {other, 3, 0}}, other, 3, {{other, 1, 0}, {other, 2, 0}}},
        {"first of three", {{other, 1, 0}, {other, 2, 0}, {other, 3, 0}}, other, 1, {{other, 3, 0}, {other, 2, 0}}},
        {"absent", {{other, 1, 0}}, other, 9, {{other, 1, 0}}},
        {"process with three", {{other, 1, 0}, {5, 7, 0}, {other, 2, 0}, {other, 3, 0}}, other, 0, {{5, 7, 0}}},
        {"process with none", {{5, 7, 0}}, other, 0, {{5, 7, 0}}},
    };
    for (const Case& c : cases) {
        SetWord(T(), 8, 12);
        PutEntries(T(), c.start);
        if (c.id != 0)
            mMgr->Unregister(c.pid, c.id);
        else
            mMgr->Unregister(c.pid);
        EXPECT_EQ(c.left, Entries(T())) << c.what;
    }
    SetWord(T(), 8, 12);
}

TEST_F(GPPIPCMessageQueueMgrTest, DestroyingAManagerRemovesExactlyItsOwnEntries) {
    const int a = mMgr->Register(getpid());
    auto second = std::make_unique<GPPIPCMessageQueueMgr>(false, 1);
    const int d = second->Register(getpid());
    mMgr->Register(getpid());
    mMgr->Register(getpid());
    ASSERT_GT(a, 0);
    mMgr.reset();
    EXPECT_EQ((std::vector<Entry>{{getpid(), d, 0}}), Entries(second->GetTable()));
}

// Receivers that died without unregistering are swept by the next Register, so they never fill the table.
TEST_F(GPPIPCMessageQueueMgrTest, RegisterSweepsDeadReceivers) {
    Watchdog watchdog(std::chrono::seconds(30), "sweep");
    ForkedChild child([](ForkedChild&) {
        auto* mgr = new GPPIPCMessageQueueMgr(false, 1);  // never destroyed: the process dies
        for (int i = 0; i < 3; ++i)
            if (mgr->Register(getpid()) == 0)
                return 40;
        return 0;
    });
    ASSERT_EQ(0, child.Wait());
    EXPECT_EQ(3u, Entries(T()).size());
    const int dead = DeadPID();
    std::vector<Entry> filler;
    for (int i = 3; i < 256; ++i)
        filler.push_back({dead, 1000 + i, 0});
    PutEntries(T(), filler);
    EXPECT_EQ(3084, Word(T(), 8));
    const int id = mMgr->Register(getpid());
    ASSERT_GT(id, 0);
    EXPECT_EQ((std::vector<Entry>{{getpid(), id, 0}}), Entries(T()));
    RemoveTableMutex();
}

TEST_F(GPPIPCMessageQueueMgrTest, DamagedEndWordIsReadAsTheNearestPossibleOne) {
    struct Case {
        int stored;
        int read;
    } const cases[] = {{-100, 12}, {0, 12}, {13, 12}, {30, 24}, {5000, 3084}};
    for (const Case& c : cases) {
        SetWord(T(), 8, c.stored);
        EXPECT_FALSE(mMgr->IsRegistered(getpid() + 1000000)) << c.stored;
        const int id = mMgr->Register(getpid());
        ASSERT_GT(id, 0) << c.stored;  // the sweep clears the garbage entries (process 0)
        EXPECT_EQ(24, Word(T(), 8)) << c.stored;
        SetWord(T(), 8, 12);
        for (int at = 12; at < 3084; at += 4)
            SetWord(T(), at, 0);
    }
}

TEST_F(GPPIPCMessageQueueMgrTest, ProcessKilledHoldingTheTableLockIsTakenOver) {
    Watchdog watchdog(std::chrono::seconds(30), "table lock");
    ForkedChild child([](ForkedChild&) {
        auto* mgr = new GPPIPCMessageQueueMgr(false, 1);
        new GSharedMemoryLocker<Table>(mgr->GetTable());
        kill(getpid(), SIGKILL);
        return 0;
    });
    ASSERT_EQ(-2, child.Wait());
    const auto start = Clock::now();
    EXPECT_GT(mMgr->Register(getpid()), 0);
    EXPECT_LE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 1500);
    RemoveTableMutex();
}

// A table whose lock a stopped process keeps: every operation fails within the bound, and a
// manager with many registrations gives up its clean-up once instead of once per entry.
TEST_F(GPPIPCMessageQueueMgrTest, StuckTableLockCostsOneBound) {
    Watchdog watchdog(std::chrono::seconds(30), "stuck table lock");
    for (int i = 0; i < 20; ++i)
        ASSERT_GT(mMgr->Register(getpid()), 0);
    const int old = PUNIXIPMutexImp::GetLockTimeout();
    PUNIXIPMutexImp::SetLockTimeout(200);
    ForkedChild child([](ForkedChild& self) {
        GPPIPCMessageQueueMgr mine(false, 1);
        GSharedMemoryLocker<Table> lock(mine.GetTable());
        self.Signal();
        raise(SIGSTOP);
        return 0;
    });
    ASSERT_TRUE(child.AwaitSignal());
    EXPECT_EQ(0, mMgr->Register(getpid()));
    EXPECT_FALSE(mMgr->IsRegistered(getpid()));
    const auto start = Clock::now();
    mMgr.reset();
    EXPECT_LE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 1000);
    child.Kill();
    child.Wait();
    PUNIXIPMutexImp::SetLockTimeout(old);
    // Our entries stay (this process runs); the next manager sees them and removes them by process.
    {
        GPPIPCMessageQueueMgr next(false, 1);
        EXPECT_TRUE(next.IsRegistered(getpid()));
        next.Unregister(getpid());
        EXPECT_FALSE(next.IsRegistered(getpid()));
    }
    // The abandoned attachment stands in the segment's list while this process lives.
    RemoveTableMutex();
    EXPECT_EQ(0, shm_unlink(("/" + ShmTestEnvironment::Prefix() + "KvoShDGIPCTest_PP").c_str()));
}

TEST_F(GPPIPCMessageQueueMgrTest, VersionTwoTableIsRefused) {
    SetWord(T(), 0, 2);
    EXPECT_THROW(GPPIPCMessageQueueMgr(false, 1), GException);
    SetWord(T(), 0, 1);
}

}  // namespace
