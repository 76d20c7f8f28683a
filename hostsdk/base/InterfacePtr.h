#pragma once
// Holds one counted reference to a host interface and releases it when it goes. Built from a
// pointer that already carries a reference (what every Query function returns), or by asking an
// object for an interface by ID. An object whose interface of that ID is not an I gives null.
#include <utility>

#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/InterfaceCast.h"

template <class I>
class InterfacePtr {
public:
    InterfacePtr() = default;
    // Takes over the reference that `counted` carries.
    explicit InterfacePtr(I* counted) : mInterface(counted) {}
    // Asks `from` for its interface `iid`; null when `from` is null or has none.
    InterfacePtr(const IPMUnknown* from, PMIID iid) {
        if (from != nullptr)
            mInterface = InterfaceCast<I>(from->QueryInterface(iid));
    }
    InterfacePtr(const InterfacePtr& other) : mInterface(other.mInterface) {
        if (mInterface != nullptr)
            mInterface->AddRef();
    }
    InterfacePtr(InterfacePtr&& other) noexcept : mInterface(std::exchange(other.mInterface, nullptr)) {}
    InterfacePtr& operator=(InterfacePtr other) noexcept {
        std::swap(mInterface, other.mInterface);
        return *this;
    }
    ~InterfacePtr() { reset(); }

    I* get() const { return mInterface; }
    I* operator->() const { return mInterface; }
    explicit operator bool() const { return mInterface != nullptr; }
    // Gives the reference up to the caller.
    I* forget() { return std::exchange(mInterface, nullptr); }
    void reset(I* counted = nullptr) {
        I* old = std::exchange(mInterface, counted);
        if (old != nullptr)
            old->Release();
    }

private:
    I* mInterface = nullptr;
};
