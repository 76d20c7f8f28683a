#pragma once
// The process-wide block allocator of the foundation (made on first use, never destroyed by the
// foundation). Every container, buffer and GFastAllocatable object takes its storage here.
// Free must be given the size that was passed to Alloc.
#include <cstddef>

class GAllocator {
public:
    static GAllocator* GetInstance();

    void* Alloc(unsigned long size);
    void Free(void* block, unsigned long size);

private:
    GAllocator() = default;
};
