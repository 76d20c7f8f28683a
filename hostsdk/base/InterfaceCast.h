#pragma once
// Turns a counted interface pointer into an I: the same reference, or null (the reference
// released) when it is not an I.
#include "hostsdk/base/IPMUnknown.h"

template <class I>
I* InterfaceCast(IPMUnknown* counted) {
    if (counted == nullptr)
        return nullptr;
    I* wanted = dynamic_cast<I*>(counted);
    if (wanted == nullptr)
        counted->Release();
    return wanted;
}
