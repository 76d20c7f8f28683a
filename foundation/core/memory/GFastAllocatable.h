#pragma once
// Base class whose objects take their storage from the foundation allocator.
#include <cstddef>

#include "core/memory/GAllocator.h"

class GFastAllocatable {
public:
    static void* operator new(std::size_t size) { return GAllocator::GetInstance()->Alloc(size); }
    static void operator delete(void* block, std::size_t size) { GAllocator::GetInstance()->Free(block, size); }
};
