#include "printerprocessor/sharedmemory/GSharedMemoryBase.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "core/base/GException.h"
#include "mac/ipc/PUNIXSharedMemory.h"
#include "printerprocessor/sharedmemory/GBinaryShMemUtils.h"
#include "printerprocessor/sharedmemory/GBufferShMemUtils.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"
#include "support/ExceptionID.h"
#include "support/ForkedChild.h"
#include "support/ShmTestEnvironment.h"
#include "support/Watchdog.h"

namespace {

using Memory = GSharedMemoryBase<PUNIXSharedMemory>;
using Clock = std::chrono::steady_clock;

std::unique_ptr<Memory> Make(const char* id, int size) {
    bool created = false;
    return std::make_unique<Memory>(GBuffer(), GBuffer(id), size, created);
}

TEST(GSharedMemoryBaseTest, NamesCarryThePrefixesAndNothingIsLeft) {
    {
        auto memory = Make("Names", 16);
        const auto objects = ShmTestEnvironment::Leftovers(ShmTestEnvironment::Prefix());
        EXPECT_EQ(2u, objects.size());
        for (const auto& name : objects) {
            const std::string rest = name.substr(ShmTestEnvironment::Prefix().size());
            EXPECT_TRUE(rest == "KvoShDNames" || rest == "KvoShLNames") << rest;
        }
        EXPECT_TRUE(Memory::Exists(GBuffer(), GBuffer("Names")));
    }
    EXPECT_TRUE(ShmTestEnvironment::Leftovers(ShmTestEnvironment::Prefix()).empty());
    EXPECT_FALSE(Memory::Exists(GBuffer(), GBuffer("Names")));
}

TEST(GSharedMemoryBaseTest, ReadAndWriteAreClippedToTheDataArea) {
    auto memory = Make("Clip", 10);
    unsigned char bytes[16] = {};
    struct Case {
        int cursor;
        int count;
        int moved;
    } const cases[] = {{0, 10, 10}, {4, 10, 6}, {9, 1, 1}, {10, 1, 0}, {11, 1, 0}, {-1, 4, 0}, {0, 0, 0}, {0, -3, 0}};
    for (const Case& c : cases) {
        memory->SetCursor(c.cursor);
        EXPECT_EQ(c.moved, memory->Write(bytes, c.count)) << c.cursor << " " << c.count;
        EXPECT_EQ(c.cursor + c.moved, memory->GetCursor());
        memory->SetCursor(c.cursor);
        EXPECT_EQ(c.moved, memory->Read(bytes, c.count)) << c.cursor << " " << c.count;
        GBuffer buffer("old");
        memory->SetCursor(c.cursor);
        EXPECT_EQ(c.moved, memory->Read(buffer, c.count));
        EXPECT_EQ(c.moved, buffer.GetLength());
    }
}

TEST(GSharedMemoryBaseTest, IntTransfersRefuseShortRoomAndKeepTheCursor) {
    auto memory = Make("Ints", 10);
    struct Case {
        int cursor;
        int readError;
        int writeError;
    } const cases[] = {{0, 0, 0}, {6, 0, 0}, {7, 40161, 40160}, {10, 40161, 40160}, {-4, 40161, 40160}};
    for (const Case& c : cases) {
        int value = 77;
        memory->SetCursor(c.cursor);
        EXPECT_EQ(c.writeError, ThrownID([&] { GBinaryShMemUtils::Write(*memory, value); })) << c.cursor;
        EXPECT_EQ(c.writeError ? c.cursor : c.cursor + 4, memory->GetCursor());
        memory->SetCursor(c.cursor);
        int read = 0;
        EXPECT_EQ(c.readError, ThrownID([&] { GBinaryShMemUtils::Read(*memory, read); })) << c.cursor;
        EXPECT_EQ(c.readError ? 0 : 77, read);
    }
}

TEST(GSharedMemoryBaseTest, BufferTransfersCheckStoredLengths) {
    auto memory = Make("Buffers", 32);
    memory->SetCursor(0);
    GBufferShMemUtils::Write(*memory, GBuffer("hello"));
    EXPECT_EQ(9, memory->GetCursor());
    memory->SetCursor(0);
    GBuffer read;
    GBufferShMemUtils::Read(*memory, read);
    EXPECT_EQ(GBuffer("hello"), read);
    memory->SetCursor(0);
    GBufferShMemUtils::Write(*memory, GBuffer());
    memory->SetCursor(0);
    GBufferShMemUtils::Read(*memory, read);
    EXPECT_TRUE(read.IsEmpty());

    // A stored length that is negative or runs past the end is refused before any allocation.
    for (int stored : {-1, -2147483647 - 1, 29, 2147483647}) {
        memory->SetCursor(0);
        GBinaryShMemUtils::Write(*memory, stored);
        memory->SetCursor(0);
        EXPECT_EQ(40161, ThrownID([&] { GBufferShMemUtils::Read(*memory, read); })) << stored;
        EXPECT_EQ(0, memory->GetCursor());
    }
    memory->SetCursor(4);
    EXPECT_EQ(40160, ThrownID([&] { GBufferShMemUtils::Write(*memory, GBuffer("twenty-five bytes of text")); }));
    EXPECT_EQ(4, memory->GetCursor());
}

TEST(GSharedMemoryBaseTest, LockerIsRecursiveAndReleasesOnEveryExit) {
    auto memory = Make("Nest", 4);
    int* word = memory->GetMutex().GetLockWord();
    {
        GSharedMemoryLocker<Memory> outer(*memory);
        EXPECT_EQ(getpid(), *word);
        {
            GSharedMemoryLocker<Memory> inner(*memory);
            EXPECT_EQ(2, memory->GetLockCount());
        }
        EXPECT_EQ(getpid(), *word);
    }
    EXPECT_EQ(0, *word);
    try {
        GSharedMemoryLocker<Memory> lock(*memory);
        throw GSimpleException(2450);
    } catch (const GException&) {
    }
    EXPECT_EQ(0, *word);
    EXPECT_EQ(0, memory->GetLockCount());
}

// Processes add to one counter under the lock: every increment survives.
TEST(GSharedMemoryBaseTest, ProcessesIncrementACounterWithoutLosingOne) {
    Watchdog watchdog(std::chrono::seconds(60), "counting processes");
    auto memory = Make("Counter", 4);
    constexpr int kChildren = 4;
    constexpr int kRounds = 500;
    std::vector<std::unique_ptr<ForkedChild>> children;
    for (int i = 0; i < kChildren; ++i) {
        children.push_back(std::make_unique<ForkedChild>([](ForkedChild&) {
            Memory mine(GBuffer(), GBuffer("Counter"));
            for (int r = 0; r < kRounds; ++r) {
                GSharedMemoryLocker<Memory> lock(mine);
                int value = 0;
                mine.SetCursor(0);
                GBinaryShMemUtils::Read(mine, value);
                mine.SetCursor(0);
                GBinaryShMemUtils::Write(mine, value + 1);
            }
            return 0;
        }));
    }
    for (auto& child : children)
        EXPECT_EQ(0, child->Wait(50000));
    int total = 0;
    memory->SetCursor(0);
    GBinaryShMemUtils::Read(*memory, total);
    EXPECT_EQ(kChildren * kRounds, total);
}

TEST(GSharedMemoryBaseTest, LockHeldByAStoppedProcessThrowsWithinTheBound) {
    Watchdog watchdog(std::chrono::seconds(30), "stopped holder");
    const int old = PUNIXIPMutexImp::GetLockTimeout();
    PUNIXIPMutexImp::SetLockTimeout(300);
    auto memory = Make("Stop", 4);
    ForkedChild child([](ForkedChild& self) {
        Memory mine(GBuffer(), GBuffer("Stop"));
        GSharedMemoryLocker<Memory> lock(mine);
        self.Signal();
        raise(SIGSTOP);
        return 0;
    });
    ASSERT_TRUE(child.AwaitSignal());
    const auto start = Clock::now();
    EXPECT_EQ(40202, ThrownID([&] { GSharedMemoryLocker<Memory> lock(*memory); }));
    EXPECT_LE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 1500);
    EXPECT_EQ(0, memory->GetLockCount());
    child.Kill();
    child.Wait();
    PUNIXIPMutexImp::SetLockTimeout(old);
    // The killed child stays in the lists; the next attach removes it.
    memory.reset();
    bool created = false;
    {
        Memory again(GBuffer(), GBuffer("Stop"), 4, created);
        EXPECT_TRUE(created);
    }
    // The mutex counts attachments, not processes: the killed child's count keeps it.
    EXPECT_EQ(0, shm_unlink(("/" + ShmTestEnvironment::Prefix() + "KvoShLStop").c_str()));
}

}  // namespace
