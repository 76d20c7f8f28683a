#include "core/memory/GFixedSizeAllocator.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>

#include "core/base/GException.h"

namespace {

constexpr int kInvalidBlock = 40017;
constexpr std::align_val_t kChunkAlignment{GFixedSizeAllocator::kChunkSize};

// Chunks are cut from slabs of several chunks, one heap block each. The heap maps a block this
// large on its own, and mapping or unmapping is a system call that stops every thread of the
// process to flush its address cache: the framework's start and stop made and freed a chunk for
// every block size it used, one call each. A slab goes back to the heap with its last chunk;
// until then a free chunk of it waits for the next pool that needs one.
class ChunkSlabs {
public:
    static constexpr unsigned kChunksPerSlab = 8;

    // Never destroyed: pools of static objects give their chunks back at exit.
    static ChunkSlabs& Get() {
        static ChunkSlabs* const fSlabs = new ChunkSlabs;
        return *fSlabs;
    }

    // One chunk's memory; throws std::bad_alloc when the heap has none.
    char* Take() {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            for (Slab* slab = mFirst; slab != nullptr; slab = slab->next) {
                if (slab->freeMask != 0)
                    return slab->TakeChunk();
            }
        }
        // Nothing is allocated under the lock: the new handler may free chunks.
        auto slab = std::make_unique<Slab>();
        // A slab is asked of the heap without the new handler; a heap that has no slab may still
        // give one chunk, with it, as before.
        slab->start = static_cast<char*>(std::aligned_alloc(GFixedSizeAllocator::kChunkSize, kSlabBytes));
        slab->count = kChunksPerSlab;
        slab->fromAlignedAlloc = true;
        if (slab->start == nullptr) {
            slab->start = static_cast<char*>(::operator new(GFixedSizeAllocator::kChunkSize, kChunkAlignment));
            slab->count = 1;
            slab->fromAlignedAlloc = false;
        }
        slab->freeMask = (1u << slab->count) - 1;
        std::lock_guard<std::mutex> lock(mMutex);
        slab->next = mFirst;
        mFirst = slab.release();
        return mFirst->TakeChunk();
    }

    void Give(char* chunk) noexcept {
        std::unique_ptr<Slab> emptied;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            for (Slab** link = &mFirst; *link != nullptr; link = &(*link)->next) {
                Slab* slab = *link;
                if (!slab->Holds(chunk))
                    continue;
                slab->freeMask |= 1u << ((chunk - slab->start) / GFixedSizeAllocator::kChunkSize);
                if (slab->freeMask == (1u << slab->count) - 1) {
                    *link = slab->next;
                    emptied.reset(slab);
                }
                break;
            }
        }
    }

private:
    static constexpr unsigned long kSlabBytes = kChunksPerSlab * GFixedSizeAllocator::kChunkSize;

    struct Slab {
        Slab() = default;
        Slab(const Slab&) = delete;
        Slab& operator=(const Slab&) = delete;
        ~Slab() {
            if (start == nullptr)
                return;
            if (fromAlignedAlloc)
                std::free(start);
            else
                ::operator delete(start, kChunkAlignment);
        }

        bool Holds(const char* chunk) const {
            return chunk >= start && chunk < start + count * GFixedSizeAllocator::kChunkSize;
        }
        char* TakeChunk() {
            const unsigned index = static_cast<unsigned>(__builtin_ctz(freeMask));
            freeMask &= freeMask - 1;
            return start + index * GFixedSizeAllocator::kChunkSize;
        }

        char* start = nullptr;
        unsigned count = 0;
        std::uint32_t freeMask = 0;  // bit i: chunk i is free
        bool fromAlignedAlloc = false;
        Slab* next = nullptr;
    };

    std::mutex mMutex;
    Slab* mFirst = nullptr;
};

} // namespace

GFixedSizeAllocator::Chunk::Chunk(unsigned long blockSize)
    : mStart(ChunkSlabs::Get().Take()),
      mBlockSize(blockSize),
      mFreeCount(static_cast<std::uint32_t>(kChunkSize / blockSize)),
      mCapacity(mFreeCount) {
    mEnd = mStart + static_cast<unsigned long>(mCapacity) * blockSize;
    mUntouched = mStart;
}

GFixedSizeAllocator::Chunk::~Chunk() { ChunkSlabs::Get().Give(mStart); }

GFixedSizeAllocator::GFixedSizeAllocator(unsigned long blockSize, GChunkMap* map, unsigned tag)
    : mBlockSize(blockSize), mMap(map), mTag(tag & GChunkMap::kTagMask) {}

GFixedSizeAllocator::~GFixedSizeAllocator() {
    while (mFirstChunk != nullptr) {
        std::unique_ptr<Chunk> chunk(mFirstChunk);
        mFirstChunk = chunk->mNext;
        if (mMap != nullptr)
            mMap->Clear(chunk->mStart);
        if (chunk->mClaim != nullptr)
            *chunk->mClaim = nullptr;
    }
}

std::unique_ptr<GFixedSizeAllocator::Chunk> GFixedSizeAllocator::MakeChunk() const {
    auto chunk = std::make_unique<Chunk>(mBlockSize);
    if (mMap != nullptr)
        mMap->Prepare(chunk->mStart);
    return chunk;
}

void GFixedSizeAllocator::TakeBlocks(Chunk* chunk, unsigned n, void*& chain, unsigned& taken) {
    while (taken < n && chunk->mFreeCount != 0) {
        void* block = Pop(chunk);
        *static_cast<void**>(block) = chain;
        chain = block;
        ++taken;
    }
}

GFixedSizeAllocator::Chunk* GFixedSizeAllocator::FindChunkToClaim() {
    for (Chunk* chunk = mFirstChunk; chunk != nullptr; chunk = chunk->mNext)
        if (chunk->mFreeCount != 0 && chunk->mClaim == nullptr)
            return chunk;
    return nullptr;
}

void* GFixedSizeAllocator::TryAllocBlocks(unsigned n, unsigned& taken, Chunk** claim) {
    void* chain = nullptr;
    taken = 0;
    if (claim != nullptr) {
        if (*claim != nullptr)
            TakeBlocks(*claim, n, chain, taken);
        while (taken < n) {
            Chunk* chunk = FindChunkToClaim();
            if (chunk == nullptr)
                break;
            Claim(claim, chunk);
            TakeBlocks(chunk, n, chain, taken);
        }
        return chain;
    }
    while (taken < n) {
        void* block = TryAllocBlock();
        if (block == nullptr)
            break;
        *static_cast<void**>(block) = chain;
        chain = block;
        ++taken;
    }
    return chain;
}

void* GFixedSizeAllocator::AllocBlock() {
    if (void* block = TryAllocBlock())
        return block;
    return AllocBlockFrom(MakeChunk());
}

void* GFixedSizeAllocator::TryAllocFromList() {
    for (Chunk* chunk = mFirstChunk; chunk != nullptr; chunk = chunk->mNext) {
        if (chunk->mFreeCount != 0) {
            mAllocHint = chunk;
            return Pop(chunk);
        }
    }
    return nullptr;
}

void* GFixedSizeAllocator::AllocBlockFrom(std::unique_ptr<Chunk> chunk, Chunk** claim) {
    Chunk* fresh = chunk.release();
    if (claim != nullptr)
        Claim(claim, fresh);
    fresh->mNext = mFirstChunk;
    mFirstChunk = fresh;
    mAllocHint = fresh;
    if (mMap != nullptr)
        mMap->Set(fresh->mStart, reinterpret_cast<std::uintptr_t>(fresh) | mTag);
    return Pop(fresh);
}

GFixedSizeAllocator::Chunk* GFixedSizeAllocator::FindChunk(const void* block) const {
    if (mMap != nullptr) {
        std::uintptr_t entry = mMap->Find(block);
        if ((entry & GChunkMap::kTagMask) != mTag || entry == 0)
            return nullptr;
        auto* chunk = reinterpret_cast<Chunk*>(entry & ~GChunkMap::kTagMask);
        return chunk->Holds(block) ? chunk : nullptr;
    }
    for (Chunk* chunk = mFirstChunk; chunk != nullptr; chunk = chunk->mNext)
        if (chunk->Holds(block))
            return chunk;
    return nullptr;
}

// A foreign block would be chained into some chunk, a block freed twice into a chunk that is all
// free already would count beyond the capacity, and a block never handed out would be handed out
// twice: all are refused before anything changes.
bool GFixedSizeAllocator::TryFreeBlockSlow(void* block) {
    Chunk* chunk = FindChunk(block);
    if (chunk == nullptr || chunk->mFreeCount == chunk->mCapacity || static_cast<char*>(block) >= chunk->mUntouched)
        return false;
    mFreeHint = chunk;
    Push(chunk, block);
    return true;
}

void GFixedSizeAllocator::ThrowInvalidBlock() { throw GSimpleException(kInvalidBlock); }

unsigned long GFixedSizeAllocator::ReleaseFreeChunks() {
    unsigned long released = 0;
    Chunk** link = &mFirstChunk;
    while (*link != nullptr) {
        Chunk* chunk = *link;
        if (chunk->mFreeCount != chunk->mCapacity) {
            link = &chunk->mNext;
            continue;
        }
        *link = chunk->mNext;
        if (mMap != nullptr)
            mMap->Clear(chunk->mStart);
        if (chunk->mClaim != nullptr)
            *chunk->mClaim = nullptr;
        std::unique_ptr<Chunk> owner(chunk);
        released += kChunkSize;
        mAllocHint = nullptr;
        mFreeHint = nullptr;
    }
    return released;
}

unsigned long GFixedSizeAllocator::CountChunks() const {
    unsigned long count = 0;
    for (const Chunk* chunk = mFirstChunk; chunk != nullptr; chunk = chunk->mNext)
        ++count;
    return count;
}

bool GFixedSizeAllocator::IsFreeBlock(const void* block) const {
    const Chunk* chunk = FindChunk(block);
    if (chunk == nullptr)
        return false;
    if (static_cast<const char*>(block) >= chunk->mUntouched)
        return true;
    // Bounded by the count: a chain that an undetected double free made circular still ends.
    const void* free = chunk->mFreeHead;
    for (std::uint32_t i = 0; i < chunk->mFreeCount && free != nullptr; ++i, free = *static_cast<void* const*>(free))
        if (free == block)
            return true;
    return false;
}
