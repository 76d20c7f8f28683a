#pragma once
// GBufferedInStreamDecorator: reads an inner stream ahead in refills of a fixed size and hands
// the bytes out in any amounts, with Unread and roll-back points for parsers.
//
// Callers may rely on:
// - A refill reads the inner stream until it has the buffer size or the inner stream ends, however
//   small the pieces the inner stream delivers.
// - Unread reaches back to the start of the refill before the current one (everything delivered
//   from the current refill plus the whole previous refill), so a reader that reads at most the
//   buffer size can always give back what it read. Bytes given back are delivered again without
//   reading the inner stream.
// - A roll-back point survives as long as it stays within that reach; once reading or unreading
//   moves it out of reach it is lost, and RollBack returns -1 without moving.
// - Refills rotate three buffers by exchanging their contents; only the bytes handed to the
//   caller are copied.
// - Built from a reference, the inner stream is borrowed; built from a pointer, it is owned and
//   deleted with the decorator. A null inner stream reads as empty.
// - CreateClone gives an independent decorator over a clone of the inner stream, or null when the
//   inner stream cannot be cloned.
#include "core/bytes/GBuffer.h"
#include "core/streams/GBufferedInStream.h"

class GBufferedInStreamDecorator : public GBufferedInStream {
public:
    // A buffer size below 1 counts as 1.
    GBufferedInStreamDecorator(GInStream& inner, int bufferSize);
    GBufferedInStreamDecorator(GInStream* inner, int bufferSize);
    GBufferedInStreamDecorator(GBufferedInStreamDecorator const&) = delete;
    ~GBufferedInStreamDecorator() override;

    GInStream* CreateClone() const override;
    int Read(GBuffer& out, int count) override;
    void Reset() override;
    int Unread(int count) override;
    void SetRollBackPoint() override;
    int RollBack() override;

private:
    GBufferedInStreamDecorator(GBufferedInStreamDecorator const& other, GInStream* innerClone);

    int Available() const { return mCurrent.GetLength() - mReadPos; }
    long long Reach() const;
    void Take(GBuffer& out, int& wanted);
    bool Refill();
    void FillSpare();
    long long MoveBack(long long count);
    void DropUnreachableMark();

    int mBufferSize;
    GInStream* mInner;
    bool mOwnsInner;
    GBuffer mCurrent;
    GBuffer mPrevious;  // while mInPrevious: the later refill, to be read from its start
    GBuffer mSpare;
    bool mInPrevious = false;  // Unread moved the reading back into the previous refill
    int mReadPos = 0;          // offset in mCurrent: offsets, unlike pointers, survive copying
    long long mRollBack = -1;  // bytes delivered since the mark, -1 without a mark
};
