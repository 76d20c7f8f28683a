#pragma once
// A shared owner for one thread: copies share one count block (from the foundation allocator)
// and the last holder deletes the object. The count is not atomic: a GSmartPtr and its copies
// belong to one thread at a time (use GSharedObject across threads).
#include <cstdint>
#include <type_traits>

#include "core/base/GIsRelocatable.h"
#include "core/memory/GFastAllocatable.h"

template <class T>
class GSmartPtr {
public:
    GSmartPtr() noexcept = default;
    // Takes a new object (count 1); the object is deleted if the count block cannot be made.
    explicit GSmartPtr(T* object) {
        if (object == nullptr)
            return;
        try {
            mBlock = new CountBlock(object);
        } catch (...) {
            delete object;
            throw;
        }
    }
    GSmartPtr(const GSmartPtr& other) noexcept : mBlock(other.mBlock) {
        if (mBlock != nullptr)
            ++mBlock->mCount;
    }
    GSmartPtr(GSmartPtr&& other) noexcept : mBlock(other.mBlock) { other.mBlock = nullptr; }
    ~GSmartPtr() { DecrRefCount(); }

    GSmartPtr& operator=(const GSmartPtr& other) noexcept {
        // Raised first, so that assigning a holder of the same object keeps it.
        CountBlock* block = other.mBlock;
        if (block != nullptr)
            ++block->mCount;
        DecrRefCount();
        mBlock = block;
        return *this;
    }
    GSmartPtr& operator=(GSmartPtr&& other) noexcept {
        if (this == &other)
            return *this;
        DecrRefCount();
        mBlock = other.mBlock;
        other.mBlock = nullptr;
        return *this;
    }

    // Lets go of the object: the last holder deletes it. This holder is empty afterwards.
    void DecrRefCount() noexcept {
        CountBlock* block = mBlock;
        if (block == nullptr)
            return;
        mBlock = nullptr;
        if (block->mCount >= 2) {
            --block->mCount;
            return;
        }
        delete block->mObject;
        delete block;
    }

    T* Get() const noexcept { return mBlock != nullptr ? mBlock->mObject : nullptr; }
    T* operator->() const noexcept { return Get(); }
    T& operator*() const noexcept { return *Get(); }
    // The number of holders, 0 for an empty one.
    int GetRefCount() const noexcept { return mBlock != nullptr ? mBlock->mCount : 0; }

private:
    struct CountBlock : GFastAllocatable {
        explicit CountBlock(T* object) noexcept : mObject(object), mCount(1) {}
        T* mObject;
        int32_t mCount;
    };

    CountBlock* mBlock = nullptr;
};

template <class T>
struct GIsRelocatable<GSmartPtr<T>> : std::true_type {};
