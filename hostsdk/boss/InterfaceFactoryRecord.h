#pragma once
// What the host needs to make one implementation: a create function that builds it for a boss
// (with the host's allocator), a destroy function that deletes it (null is ignored), and its size.
// Implementations are not persistent, so there are no persistence functions.
#include <cstddef>

#include "hostsdk/base/IPMUnknown.h"

struct InterfaceFactoryRecord {
    ImplementationID implementation = 0;
    IPMUnknown* (*create)(IPMUnknown* boss) = nullptr;
    void (*destroy)(IPMUnknown* object) = nullptr;
    std::size_t (*sizeOf)() = nullptr;
};
