#include "mac/ipc/PUNIXSharedMemory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "core/base/GException.h"
#include "mac/ipc/PIPCObjectName.h"
#include "support/ExceptionID.h"
#include "support/ForkedChild.h"
#include "support/Watchdog.h"

namespace {

constexpr int kHeader = PUNIXSharedMemory::cHeaderSize;

std::string ObjectName(const char* id) { return reinterpret_cast<const char*>(PIPCObjectName::Make(GBuffer(id)).GetPtr()); }

bool NameExists(const char* id) {
    struct stat info {};
    return stat(("/dev/shm" + ObjectName(id)).c_str(), &info) == 0;
}

// Writes raw header words of a named object, as a damaged or hostile peer would.
void PokeHeader(const char* id, int word, int value) {
    const int fd = shm_open(ObjectName(id).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    void* map = mmap(nullptr, kHeader, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ASSERT_NE(MAP_FAILED, map);
    static_cast<int*>(map)[word] = value;
    munmap(map, kHeader);
    close(fd);
}

// A child that attaches (creating when needed) and dies without detaching.
void AttachAndDie(const char* id, int dataSize) {
    ForkedChild child([id, dataSize](ForkedChild&) {
        bool created = false;
        new PUNIXSharedMemory(GBuffer(), GBuffer(id), dataSize, created);  // never detached
        kill(getpid(), SIGKILL);
        return 0;
    });
    ASSERT_EQ(-2, child.Wait());
}

TEST(PUNIXSharedMemoryTest, IDLengthLimits) {
    struct Case {
        std::string id;
        int error;
    } const cases[] = {{std::string(28, 'a'), 0}, {std::string(29, 'a'), 40162}, {"", 40162}, {"a/b", 40162}};
    for (const Case& c : cases) {
        bool created = false;
        EXPECT_EQ(c.error, ThrownID([&] { PUNIXSharedMemory memory(GBuffer(), GBuffer(c.id.c_str()), 16, created); })) << c.id;
    }
}

TEST(PUNIXSharedMemoryTest, CreateOpenReadWriteAndPIDList) {
    bool created = false;
    auto first = std::make_unique<PUNIXSharedMemory>(GBuffer(), GBuffer("Seg"), 100, created);
    EXPECT_TRUE(created);
    EXPECT_EQ(100, first->GetLength());
    const unsigned char bytes[] = {1, 2, 3, 4};
    first->Write(96, bytes, 4);
    {
        PUNIXSharedMemory second(GBuffer(), GBuffer("Seg"));
        EXPECT_EQ(2, second.GetPIDCount());
        unsigned char read[4] = {};
        second.Read(96, read, 4);
        EXPECT_EQ(0, std::memcmp(bytes, read, 4));
        PUNIXSharedMemory third(GBuffer(), GBuffer("Seg"), 100, created);
        EXPECT_FALSE(created);
        EXPECT_EQ(3, third.GetPIDCount());
    }
    EXPECT_EQ(1, first->GetPIDCount());
    first.reset();
    EXPECT_FALSE(NameExists("Seg"));
}

TEST(PUNIXSharedMemoryTest, ReadAndWriteStayInsideTheDataArea) {
    bool created = false;
    PUNIXSharedMemory memory(GBuffer(), GBuffer("Bounds"), 8, created);
    unsigned char bytes[16] = {};
    struct Case {
        int offset;
        int count;
        bool fits;
    } const cases[] = {{0, 8, true}, {4, 4, true}, {8, 0, true}, {5, 4, false}, {-1, 2, false}, {8, 1, false}, {0, 9, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.fits ? 0 : 40163, ThrownID([&] { memory.Read(c.offset, bytes, c.count); })) << c.offset << " " << c.count;
        EXPECT_EQ(c.fits ? 0 : 40164, ThrownID([&] { memory.Write(c.offset, bytes, c.count); })) << c.offset << " " << c.count;
    }
}

TEST(PUNIXSharedMemoryTest, AnotherSizeIsRefusedAndLeftUntouched) {
    bool created = false;
    PUNIXSharedMemory memory(GBuffer(), GBuffer("Size"), 64, created);
    const unsigned char mark = 0x5A;
    memory.Write(63, &mark, 1);
    EXPECT_EQ(40168, ThrownID([&] { PUNIXSharedMemory other(GBuffer(), GBuffer("Size"), 65, created); }));
    unsigned char read = 0;
    memory.Read(63, &read, 1);
    EXPECT_EQ(mark, read);
    EXPECT_EQ(1, memory.GetPIDCount());
}

TEST(PUNIXSharedMemoryTest, SegmentOfDeadProcessesIsRemovedAndMadeAfresh) {
    Watchdog watchdog(std::chrono::seconds(30), "dead attachers");
    AttachAndDie("Orphan", 32);
    EXPECT_TRUE(NameExists("Orphan"));
    EXPECT_FALSE(PUNIXSharedMemory::Exists(GBuffer(), GBuffer("Orphan")));
    EXPECT_TRUE(NameExists("Orphan")) << "Exists only reads";
    EXPECT_EQ(40165, ThrownID([] { PUNIXSharedMemory memory(GBuffer(), GBuffer("Orphan")); }));
    EXPECT_FALSE(NameExists("Orphan"));
    AttachAndDie("Orphan", 32);
    bool created = false;
    PUNIXSharedMemory fresh(GBuffer(), GBuffer("Orphan"), 32, created);
    EXPECT_TRUE(created);
    EXPECT_EQ(1, fresh.GetPIDCount());
    EXPECT_TRUE(PUNIXSharedMemory::Exists(GBuffer(), GBuffer("Orphan")));
}

// Damaged objects: a creator killed before ftruncate (0 bytes), a header that disagrees with the
// size, impossible PID-list counts. The creating constructor replaces them; nothing maps past an
// end or walks outside the header.
TEST(PUNIXSharedMemoryTest, DamagedObjectsAreReplaced) {
    struct Case {
        const char* what;
        int word;  // -1: no header at all
        int value;
    } const cases[] = {
        {"empty object", -1, 0},     {"total size too big", 0, 1 << 20}, {"total size too small", 0, 12},
        {"negative count", 2, -8},   {"count past the list", 2, 4100},   {"count not a multiple of 4", 2, 6},
    };
    for (const Case& c : cases) {
        if (c.word < 0) {
            const int fd = shm_open(ObjectName("Damaged").c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
            ASSERT_GE(fd, 0);
            close(fd);
        } else {
            bool created = false;
            {
                PUNIXSharedMemory keep(GBuffer(), GBuffer("Damaged"), 16, created);
                // Keep the name: stand a second, living entry in the list by hand.
                keep.MarkAcquired();
                PokeHeader("Damaged", c.word, c.value);
                EXPECT_FALSE(PUNIXSharedMemory::Exists(GBuffer(), GBuffer("Damaged"))) << c.what;
                bool again = false;
                PUNIXSharedMemory fresh(GBuffer(), GBuffer("Damaged"), 16, again);
                EXPECT_TRUE(again) << c.what;
                EXPECT_EQ(1, fresh.GetPIDCount()) << c.what;
            }
            EXPECT_FALSE(NameExists("Damaged")) << c.what;
            continue;
        }
        EXPECT_EQ(40165, ThrownID([] { PUNIXSharedMemory memory(GBuffer(), GBuffer("Damaged")); })) << c.what;
        const int fd = shm_open(ObjectName("Damaged").c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        close(fd);
        bool created = false;
        {
            PUNIXSharedMemory fresh(GBuffer(), GBuffer("Damaged"), 16, created);
            EXPECT_TRUE(created) << c.what;
        }
        EXPECT_FALSE(NameExists("Damaged")) << c.what;
    }
}

TEST(PUNIXSharedMemoryTest, PIDListFullIsRefused) {
    bool created = false;
    PUNIXSharedMemory memory(GBuffer(), GBuffer("Full"), 4, created);
    for (int i = 1; i < 1024; ++i)
        memory.MarkAcquired();
    EXPECT_EQ(1024, memory.GetPIDCount());
    EXPECT_EQ(40171, ThrownID([] { PUNIXSharedMemory another(GBuffer(), GBuffer("Full")); }));
    EXPECT_EQ(1024, memory.GetPIDCount());
    // The extra entries are this process's own: the name stays until removed by hand.
    shm_unlink(ObjectName("Full").c_str());
}

TEST(PUNIXSharedMemoryTest, VersionOtherThanOneIsRefused) {
    bool created = false;
    PUNIXSharedMemory memory(GBuffer(), GBuffer("Version"), 4, created);
    PokeHeader("Version", 1, 2);
    EXPECT_EQ(40154, ThrownID([] { PUNIXSharedMemory other(GBuffer(), GBuffer("Version")); }));
    EXPECT_EQ(1, memory.GetPIDCount());
    PokeHeader("Version", 1, 1);
}

TEST(PUNIXSharedMemoryTest, ObjectsAre0600WhateverTheUmask) {
    const mode_t old = umask(0);
    {
        bool created = false;
        PUNIXSharedMemory memory(GBuffer(), GBuffer("Mode"), 4, created);
        struct stat info {};
        ASSERT_EQ(0, stat(("/dev/shm" + ObjectName("Mode")).c_str(), &info));
        EXPECT_EQ(0600u, info.st_mode & 0777u);
    }
    umask(old);
}

}  // namespace
