#pragma once
// The host's allocator for the objects of boss classes, with a count of blocks not yet freed, so
// that a run can tell whether every object went.
#include <cstddef>
#include <cstdint>

class HostMemory {
public:
    static void* Allocate(std::size_t size);
    static void Free(void* block);
    static std::int64_t Outstanding();
};
