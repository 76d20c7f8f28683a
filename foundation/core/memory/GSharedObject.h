#pragma once
// A holder of a GThreadSafeRefCount object: holding acquires, letting go releases. Assigning
// acquires the new object before releasing the old one, so assigning the object already held
// keeps it. For read-only sharing, T may be const.
#include <type_traits>

#include "core/base/GIsRelocatable.h"
#include "core/memory/GThreadSafeRefCount.h"

template <class T>
class GSharedObject {
public:
    GSharedObject() noexcept = default;
    GSharedObject(T* object) noexcept : mObject(object) {
        if (mObject != nullptr)
            mObject->Acquire();
    }
    GSharedObject(const GSharedObject& other) noexcept : GSharedObject(other.mObject) {}
    GSharedObject(GSharedObject&& other) noexcept : mObject(other.mObject) { other.mObject = nullptr; }
    ~GSharedObject() {
        if (mObject != nullptr)
            mObject->Release();
    }

    GSharedObject& operator=(T* object) noexcept {
        if (object != nullptr)
            object->Acquire();
        T* old = mObject;
        mObject = object;
        if (old != nullptr)
            old->Release();
        return *this;
    }
    GSharedObject& operator=(const GSharedObject& other) noexcept { return *this = other.mObject; }
    GSharedObject& operator=(GSharedObject&& other) noexcept {
        if (this == &other)
            return *this;
        T* old = mObject;
        mObject = other.mObject;
        other.mObject = nullptr;
        if (old != nullptr)
            old->Release();
        return *this;
    }

    T* Get() const noexcept { return mObject; }
    T* operator->() const noexcept { return mObject; }
    T& operator*() const noexcept { return *mObject; }
    explicit operator bool() const noexcept { return mObject != nullptr; }

private:
    T* mObject = nullptr;
};

template <class T>
struct GIsRelocatable<GSharedObject<T>> : std::true_type {};
