// Placeholder until the pooled allocator lands: plain heap blocks.
#include "GAllocator.h"

#include <new>

GAllocator* GAllocator::GetInstance() {
    static GAllocator* sInstance = new GAllocator;
    return sInstance;
}

void* GAllocator::Alloc(unsigned long size) { return ::operator new(size == 0 ? 1 : size); }

void GAllocator::Free(void* block, unsigned long) { ::operator delete(block); }
