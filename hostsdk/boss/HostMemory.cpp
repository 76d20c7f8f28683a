#include "hostsdk/boss/HostMemory.h"

#include <atomic>
#include <new>

namespace {

std::atomic<std::int64_t> sOutstanding{0};

}  // namespace

void* HostMemory::Allocate(std::size_t size) {
    void* block = ::operator new(size);
    ++sOutstanding;
    return block;
}

void HostMemory::Free(void* block) {
    if (block == nullptr)
        return;
    --sOutstanding;
    ::operator delete(block);
}

std::int64_t HostMemory::Outstanding() { return sOutstanding.load(); }
