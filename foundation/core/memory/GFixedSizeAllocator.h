#pragma once
// A pool of equal-size blocks cut from 1 MB chunks; the small-block path of GAllocator.
// Not locked: GAllocator calls it under its own mutex. A block goes back to the pool it came
// from; a pointer that none of the pool's chunks holds, one that its chunk never handed out, or
// one given back to a chunk whose blocks are all free already, is refused with
// GSimpleException(40017) and leaves the pool unchanged.
// Chunks are aligned to 1 MB. A pool given a chunk map enters its chunks there under its tag, so
// that the owner can tell its blocks without a lock and a free finds its chunk at once.
#include <cstdint>
#include <memory>

#include "core/memory/GChunkMap.h"

class GFixedSizeAllocator {
public:
    static constexpr unsigned long kChunkSize = 1048576;
    // Bytes of a chunk that hold whole blocks of blockSize.
    static constexpr unsigned long UsableBytes(unsigned long blockSize) { return kChunkSize / blockSize * blockSize; }

    // One 1 MB block, cut with others from one heap block (a slab) that goes back to the heap with
    // its last chunk. Blocks never handed out are taken in address order from the
    // untouched end, so that a chunk costs memory only as far as it is used; blocks given back
    // are chained (each free block's first 8 bytes hold the next one) and taken first.
    struct alignas(GChunkMap::kTagMask + 1) Chunk {
        explicit Chunk(unsigned long blockSize);
        ~Chunk();
        Chunk(const Chunk&) = delete;
        Chunk& operator=(const Chunk&) = delete;

        bool Holds(const void* block) const {
            auto at = reinterpret_cast<std::uintptr_t>(block);
            return at >= reinterpret_cast<std::uintptr_t>(mStart) && at < reinterpret_cast<std::uintptr_t>(mEnd);
        }

        char* mStart;
        char* mEnd; // just past the last whole block
        void* mFreeHead = nullptr;
        char* mUntouched; // blocks from here to mEnd were never handed out
        unsigned long mBlockSize;
        std::uint32_t mFreeCount;
        std::uint32_t mCapacity;
        Chunk* mNext = nullptr;
        // The slot of the thread that draws on this chunk first, or null (see TryAllocBlocks).
        Chunk** mClaim = nullptr;
    };

    explicit GFixedSizeAllocator(unsigned long blockSize, GChunkMap* map = nullptr, unsigned tag = 0);
    ~GFixedSizeAllocator();
    GFixedSizeAllocator(const GFixedSizeAllocator&) = delete;
    GFixedSizeAllocator& operator=(const GFixedSizeAllocator&) = delete;

    void* AllocBlock();
    void FreeBlock(void* block) {
        if (__builtin_expect(!TryFreeBlock(block), 0))
            ThrowInvalidBlock();
    }
    // FreeBlock that returns false for a refused block instead of throwing, so that a caller
    // holding a lock can let it go before the exception is made.
    bool TryFreeBlock(void* block) {
        Chunk* hint = mFreeHint;
        if (__builtin_expect(hint != nullptr && hint->Holds(block) && hint->mFreeCount != hint->mCapacity &&
                                 static_cast<char*>(block) < hint->mUntouched,
                             1)) {
            Push(hint, block);
            return true;
        }
        return TryFreeBlockSlow(block);
    }
    // GSimpleException(40017), the refusal of a block.
    [[noreturn]] static void ThrowInvalidBlock();
    // Gives every chunk whose blocks are all free back to the heap; returns the bytes released.
    unsigned long ReleaseFreeChunks();

    // A free block of an existing chunk, or null when every chunk is full.
    void* TryAllocBlock() {
        Chunk* hint = mAllocHint;
        if (__builtin_expect(hint != nullptr && hint->mFreeCount != 0, 1))
            return Pop(hint);
        return TryAllocFromList();
    }
    // Up to n free blocks of existing chunks, chained through their first 8 bytes and ended by
    // null; their number goes to taken. Null when every chunk is full. With a claim slot, the
    // blocks come from the chunk claimed there while it has free blocks, then from a chunk no one
    // claims, which becomes the slot's, and never from a chunk another slot claims (the caller
    // then makes a chunk): threads that each keep a slot work in chunks of their own and do not
    // share cache lines. The slot is cleared when its chunk goes back to the heap.
    void* TryAllocBlocks(unsigned n, unsigned& taken, Chunk** claim = nullptr);
    // Gives up the chunk claimed in the slot.
    static void Unclaim(Chunk** claim) {
        if (*claim != nullptr)
            (*claim)->mClaim = nullptr;
        *claim = nullptr;
    }
    // A fresh chunk, made without touching the pool so that the caller may do it unlocked.
    std::unique_ptr<Chunk> MakeChunk() const;
    // Links the chunk at the front of the list, makes it the hint and takes its first block.
    // With a claim slot, the chunk becomes the slot's.
    void* AllocBlockFrom(std::unique_ptr<Chunk> chunk, Chunk** claim = nullptr);

    unsigned long GetBlockSize() const { return mBlockSize; }
    unsigned long CountChunks() const;
    // True when a chunk of this pool holds block on its chain of free blocks (a walk of the chain).
    bool IsFreeBlock(const void* block) const;

private:
    static void* Pop(Chunk* chunk) {
        void* block = chunk->mFreeHead;
        if (block != nullptr) {
            chunk->mFreeHead = *static_cast<void**>(block);
        } else {
            block = chunk->mUntouched;
            chunk->mUntouched += chunk->mBlockSize;
        }
        --chunk->mFreeCount;
        return block;
    }
    static void Push(Chunk* chunk, void* block) {
        *static_cast<void**>(block) = chunk->mFreeHead;
        chunk->mFreeHead = block;
        ++chunk->mFreeCount;
    }
    void* TryAllocFromList();
    Chunk* FindChunkToClaim();
    static void Claim(Chunk** claim, Chunk* chunk) {
        Unclaim(claim);
        chunk->mClaim = claim;
        *claim = chunk;
    }
    static void TakeBlocks(Chunk* chunk, unsigned n, void*& chain, unsigned& taken);
    bool TryFreeBlockSlow(void* block);
    Chunk* FindChunk(const void* block) const;

    unsigned long mBlockSize;
    GChunkMap* mMap;
    std::uintptr_t mTag;
    Chunk* mFirstChunk = nullptr;
    Chunk* mAllocHint = nullptr;
    Chunk* mFreeHint = nullptr;
};
