#pragma once
// The root of every host interface. An interface belongs to a boss object; QueryInterface asks
// the boss for another of its interfaces and returns it with a reference added (null when the
// boss has none), AddRef and Release count references on the whole boss. The boss and all its
// interfaces go when the last reference is released.
#include "hostsdk/base/HostTypes.h"

class IPMUnknown {
public:
    virtual IPMUnknown* QueryInterface(PMIID iid) const = 0;
    virtual void AddRef() const = 0;
    virtual void Release() const = 0;

protected:
    virtual ~IPMUnknown() = default;
};
