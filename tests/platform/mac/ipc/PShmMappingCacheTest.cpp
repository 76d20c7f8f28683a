#include "mac/ipc/PShmMappingCache.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "mac/ipc/PShmCalls.h"
#include "support/ForkedChild.h"

namespace {

constexpr long long kSize = 8192;

std::string Name(int i) { return "/trovelcache" + std::to_string(getpid()) + "_" + std::to_string(i); }

// A fresh zero-filled object of kSize bytes under name; the descriptor is closed at the end.
class Object {
public:
    explicit Object(std::string name) : mName(std::move(name)) {
        shm_unlink(mName.c_str());
        mFd = PShmCalls::CreateExclusive(mName.c_str());
        EXPECT_GE(mFd, 0);
        EXPECT_EQ(ftruncate(mFd, kSize), 0);
    }
    ~Object() {
        shm_unlink(mName.c_str());
        PShmCalls::Close(mFd);
    }
    Object(Object const&) = delete;
    Object& operator=(Object const&) = delete;
    int Fd() const { return mFd; }

private:
    std::string mName;
    int mFd = -1;
};

int* MapWords(int fd) { return static_cast<int*>(PShmMappingCache::Map(fd, kSize)); }

}  // namespace

// A kept mapping is handed out only for the very object it maps: an object made afresh under the
// same name (a receiver that ended and one that started) is seen as it is, never the old one.
TEST(PShmMappingCacheTest, ObjectMadeAfreshUnderTheSameNameIsNotTheKeptOne) {
    {
        Object old(Name(1));
        int* words = MapWords(old.Fd());
        ASSERT_NE(words, nullptr);
        words[0] = 1234;
        PShmMappingCache::Unmap(words, kSize);
    }
    Object fresh(Name(1));
    int* words = MapWords(fresh.Fd());
    ASSERT_NE(words, nullptr);
    EXPECT_EQ(words[0], 0);
    PShmMappingCache::Unmap(words, kSize);
}

// Reopening the same object shows what others wrote meanwhile; two openers at once get mappings
// of their own that see each other's writes.
TEST(PShmMappingCacheTest, ReopenedAndSimultaneousMappingsShowTheObject) {
    Object object(Name(2));
    int* first = MapWords(object.Fd());
    ASSERT_NE(first, nullptr);
    PShmMappingCache::Unmap(first, kSize);
    ForkedChild writer([&](ForkedChild&) {
        int* words = MapWords(object.Fd());
        if (words == nullptr)
            return 1;
        words[1] = 77;
        PShmMappingCache::Unmap(words, kSize);
        return 0;
    });
    ASSERT_EQ(writer.Wait(), 0);
    int* again = MapWords(object.Fd());
    int* second = MapWords(object.Fd());
    ASSERT_NE(again, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(again, second);
    EXPECT_EQ(again[1], 77);
    second[2] = 5;
    EXPECT_EQ(again[2], 5);
    PShmMappingCache::Unmap(again, kSize);
    PShmMappingCache::Unmap(second, kSize);
}

// More objects than are kept: every mapping still works, the oldest kept ones are let go, and a
// release leaves none.
TEST(PShmMappingCacheTest, ManyObjectsAndReleaseKeepEveryMappingSound) {
    std::vector<std::unique_ptr<Object>> objects;
    for (int i = 0; i < 3 * PShmMappingCache::cMaxKept; ++i) {
        objects.push_back(std::make_unique<Object>(Name(100 + i)));
        int* words = MapWords(objects.back()->Fd());
        ASSERT_NE(words, nullptr);
        words[0] = i;
        PShmMappingCache::Unmap(words, kSize);
    }
    for (int i = 0; i < static_cast<int>(objects.size()); ++i) {
        int* words = MapWords(objects[static_cast<size_t>(i)]->Fd());
        ASSERT_NE(words, nullptr);
        EXPECT_EQ(words[0], i);
        PShmMappingCache::Unmap(words, kSize);
    }
    PShmMappingCache::Release();
    EXPECT_EQ(PShmMappingCache::Map(-1, kSize), nullptr);
}

// Threads opening and closing the same objects at once each get a sound mapping of their own.
TEST(PShmMappingCacheTest, ConcurrentOpenersOfTheSameObjects) {
    Object first(Name(200));
    Object second(Name(201));
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                const int fd = (r + t) % 2 == 0 ? first.Fd() : second.Fd();
                int* words = MapWords(fd);
                if (words == nullptr) {
                    ++failures;
                    continue;
                }
                __atomic_store_n(&words[t], r, __ATOMIC_RELAXED);
                if (__atomic_load_n(&words[t], __ATOMIC_RELAXED) != r)
                    ++failures;
                PShmMappingCache::Unmap(words, kSize);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}
