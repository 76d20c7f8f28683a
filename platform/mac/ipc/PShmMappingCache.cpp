#include "mac/ipc/PShmMappingCache.h"

#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>

namespace {

struct Slot {
    void* map = nullptr;
    long long length = 0;
    dev_t device = 0;
    ino_t inode = 0;
    bool busy = false;
    unsigned long long closed = 0;  // when it was last unmapped, for the least recent
};

// Busy mappings are tracked too, so that Unmap knows their object; one without a slot is mapped
// and unmapped plainly.
constexpr int kSlots = 4 * PShmMappingCache::cMaxKept;

class Cache {
public:
    Cache() {
        // A child forked while another thread held the lock would never get it.
        pthread_atfork(&LockForFork, &UnlockAfterFork, &UnlockAfterFork);
        sState = cAlive;
    }
    ~Cache() {
        sState = cGone;
        Release();
    }

    static Cache& Instance() {
        static Cache cache;
        return cache;
    }
    // Until the first Map nothing was kept; after static destruction (exit, unloading) nothing is.
    static bool Alive() { return sState == cAlive; }
    static bool Gone() { return sState == cGone; }

    void* Map(int fd, long long n) {
        struct stat info {};
        if (fstat(fd, &info) != 0)
            return nullptr;
        {
            std::lock_guard<std::mutex> hold(mLock);
            for (Slot& slot : mSlots) {
                if (slot.map != nullptr && !slot.busy && slot.length == n && slot.device == info.st_dev &&
                    slot.inode == info.st_ino) {
                    slot.busy = true;
                    return slot.map;
                }
            }
        }
        void* map = mmap(nullptr, static_cast<size_t>(n), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map == MAP_FAILED)
            return nullptr;
        std::lock_guard<std::mutex> hold(mLock);
        for (Slot& slot : mSlots) {
            if (slot.map == nullptr) {
                slot = Slot{map, n, info.st_dev, info.st_ino, true, 0};
                break;
            }
        }
        return map;
    }

    void Unmap(void* map, long long n) {
        void* evicted = nullptr;
        long long evictedLength = 0;
        bool kept = false;
        {
            std::lock_guard<std::mutex> hold(mLock);
            for (Slot& slot : mSlots) {
                if (slot.map == map && slot.busy && slot.length == n) {
                    slot.busy = false;
                    slot.closed = ++mClock;
                    kept = true;
                    break;
                }
            }
            if (kept)
                TakeOverflow(evicted, evictedLength);
        }
        if (!kept)
            munmap(map, static_cast<size_t>(n));
        if (evicted != nullptr)
            munmap(evicted, static_cast<size_t>(evictedLength));
    }

    void Release() {
        for (;;) {
            Slot idle;
            {
                std::lock_guard<std::mutex> hold(mLock);
                for (Slot& slot : mSlots) {
                    if (slot.map != nullptr && !slot.busy) {
                        idle = slot;
                        slot = Slot();
                        break;
                    }
                }
            }
            if (idle.map == nullptr)
                return;
            munmap(idle.map, static_cast<size_t>(idle.length));
        }
    }

private:
    // Frees the least recently closed slot when more than cMaxKept are idle; under the lock.
    void TakeOverflow(void*& map, long long& length) {
        int idle = 0;
        Slot* oldest = nullptr;
        for (Slot& slot : mSlots) {
            if (slot.map == nullptr || slot.busy)
                continue;
            ++idle;
            if (oldest == nullptr || slot.closed < oldest->closed)
                oldest = &slot;
        }
        if (idle <= PShmMappingCache::cMaxKept || oldest == nullptr)
            return;
        map = oldest->map;
        length = oldest->length;
        *oldest = Slot();
    }

    enum State { cUnborn, cAlive, cGone };

    static void LockForFork() {
        if (Alive())
            Instance().mLock.lock();
    }
    static void UnlockAfterFork() {
        if (Alive())
            Instance().mLock.unlock();
    }

    static std::atomic<State> sState;
    std::mutex mLock;
    Slot mSlots[kSlots];
    unsigned long long mClock = 0;
};

std::atomic<Cache::State> Cache::sState{Cache::cUnborn};

}  // namespace

void* PShmMappingCache::Map(int fd, long long n) {
    if (fd < 0 || n <= 0)
        return nullptr;
    if (Cache::Gone()) {
        void* map = mmap(nullptr, static_cast<size_t>(n), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        return map == MAP_FAILED ? nullptr : map;
    }
    return Cache::Instance().Map(fd, n);
}

void PShmMappingCache::Unmap(void* map, long long n) {
    if (map == nullptr || n <= 0)
        return;
    if (!Cache::Alive()) {
        munmap(map, static_cast<size_t>(n));
        return;
    }
    Cache::Instance().Unmap(map, n);
}

void PShmMappingCache::Release() {
    if (Cache::Alive())
        Cache::Instance().Release();
}
