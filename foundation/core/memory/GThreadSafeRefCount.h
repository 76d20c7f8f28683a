#pragma once
// Base of objects shared between threads by an atomic count. A new object has count 0; the
// Release that takes the count from 1 to 0 deletes the object (through its virtual destructor),
// on whichever thread that is. Acquire and Release are const so that read-only shared objects
// can be counted too. GSharedObject holds such an object.
#include <atomic>
#include <cstdint>

class GThreadSafeRefCount {
public:
    GThreadSafeRefCount() noexcept : mRefCount(0) {}
    // A copy is a new object with its own holders.
    GThreadSafeRefCount(const GThreadSafeRefCount&) noexcept : mRefCount(0) {}
    GThreadSafeRefCount& operator=(const GThreadSafeRefCount&) noexcept { return *this; }
    virtual ~GThreadSafeRefCount() = default;

    void Acquire() const noexcept { mRefCount.fetch_add(1); }
    void Release() const noexcept {
        if (mRefCount.fetch_sub(1) == 1)
            delete this;
    }
    // A snapshot only: other threads may change it at any time.
    int32_t GetRefCount() const noexcept { return mRefCount.load(std::memory_order_relaxed); }

private:
    mutable std::atomic<int32_t> mRefCount;
};
