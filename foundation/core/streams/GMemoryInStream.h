#pragma once
// GMemoryInStream: reads the bytes of a GBuffer.
//
// Callers may rely on:
// - Built from a reference, the stream reads the caller's buffer in place, without a copy; the
//   caller keeps the buffer alive (and should not change it while reading). Built from a pointer,
//   the stream takes the buffer over (null reads as empty).
// - CreateClone always succeeds: a clone of an owned buffer shares it, read-only, and a clone of
//   a borrowed buffer gets its own copy, so it outlives the caller's buffer. Clones may be used
//   on different threads.
// - Skip and Unread never move outside the buffer; a negative count moves nothing.
// - Unread and RollBack reach back to the start of the buffer. Unreading past the roll-back point
//   loses it.
#include "core/bytes/GBuffer.h"
#include "core/memory/GSharedObject.h"
#include "core/streams/GBufferedInStream.h"

class GMemoryInStream : public GBufferedInStream {
public:
    explicit GMemoryInStream(GBuffer const& data);
    explicit GMemoryInStream(GBuffer* data);
    GMemoryInStream(GMemoryInStream const& other);
    GMemoryInStream& operator=(GMemoryInStream const&) = delete;
    ~GMemoryInStream() override;

    GInStream* CreateClone() const override;
    int Read(GBuffer& out, int count) override;
    long long Skip(long long count) override;
    void Reset() override;
    int Unread(int count) override;
    void SetRollBackPoint() override;
    int RollBack() override;

    int GetLength() const;

private:
    class SharedBytes;

    unsigned char const* Bytes() const;

    GBuffer const* mBorrowed = nullptr;
    // Counted atomically: clones holding it may live on different threads.
    GSharedObject<SharedBytes const> mOwned;
    int mPosition = 0;
    int mRollBackPoint = -1;
};
