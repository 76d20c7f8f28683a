#pragma once
// Holds the lock of one GSharedMemoryBase for a scope: the first level takes the inter-process
// mutex (bounded: throws 40202 when it cannot), the last one releases it, on every exit.
template <class Memory>
class GSharedMemoryLocker {
public:
    explicit GSharedMemoryLocker(Memory& memory) : mMemory(memory) { memory.Acquire(); }
    ~GSharedMemoryLocker() { mMemory.ReleaseLock(); }
    GSharedMemoryLocker(const GSharedMemoryLocker&) = delete;
    GSharedMemoryLocker& operator=(const GSharedMemoryLocker&) = delete;

private:
    Memory& mMemory;
};
