#pragma once
// An owning pointer that hands its ownership on when copied or assigned (the source keeps the
// pointer but no longer owns it). It deletes its object (through D::Delete) when destroyed, only
// while it owns it. Release() gives the ownership to the caller and keeps the pointer.
// Not thread-safe.
#include <type_traits>

#include "core/base/GIsRelocatable.h"
#include "core/memory/GDeletePtr.h"

template <class T, class D = GDeletePtr>
class GAutoPtr {
public:
    // Owns object when it is not null.
    explicit GAutoPtr(T* object = nullptr) noexcept : mOwner(object != nullptr), mPtr(object) {}
    GAutoPtr(const GAutoPtr& other) noexcept : mOwner(other.mOwner), mPtr(other.mPtr) { other.mOwner = false; }
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    GAutoPtr(const GAutoPtr<U, D>& other) noexcept : mOwner(other.IsOwner()), mPtr(other.Release()) {}
    ~GAutoPtr() { Destroy(); }

    GAutoPtr& operator=(const GAutoPtr& other) noexcept {
        if (this == &other)
            return *this;
        const bool owner = other.mOwner;
        other.mOwner = false;
        Adopt(other.mPtr, owner);
        return *this;
    }
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    GAutoPtr& operator=(const GAutoPtr<U, D>& other) noexcept {
        const bool owner = other.IsOwner();
        Adopt(other.Release(), owner);
        return *this;
    }

    T* Get() const noexcept { return mPtr; }
    T* operator->() const noexcept { return mPtr; }
    T& operator*() const noexcept { return *mPtr; }
    bool IsOwner() const noexcept { return mOwner; }
    T* Release() const noexcept {
        mOwner = false;
        return mPtr;
    }

private:
    void Adopt(T* ptr, bool owner) noexcept {
        if (ptr == mPtr) {
            // Two holders of one object: it must not be deleted by the handover.
            mOwner = mOwner || owner;
            return;
        }
        T* old = mOwner ? mPtr : nullptr;
        mPtr = ptr;
        mOwner = owner;
        if (old != nullptr)
            D::Delete(old);
    }
    void Destroy() noexcept {
        if (mOwner && mPtr != nullptr)
            D::Delete(mPtr);
    }

    mutable bool mOwner;
    T* mPtr;
};

template <class T, class D>
struct GIsRelocatable<GAutoPtr<T, D>> : std::true_type {};
