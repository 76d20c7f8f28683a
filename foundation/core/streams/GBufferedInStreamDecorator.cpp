#include "core/streams/GBufferedInStreamDecorator.h"

#include <algorithm>
#include <climits>

GBufferedInStreamDecorator::GBufferedInStreamDecorator(GInStream& inner, int bufferSize)
    : mBufferSize(std::max(bufferSize, 1)), mInner(&inner), mOwnsInner(false) {}

GBufferedInStreamDecorator::GBufferedInStreamDecorator(GInStream* inner, int bufferSize)
    : mBufferSize(std::max(bufferSize, 1)), mInner(inner), mOwnsInner(true) {}

// Takes ownership of innerClone.
GBufferedInStreamDecorator::GBufferedInStreamDecorator(GBufferedInStreamDecorator const& other,
                                                       GInStream* innerClone)
    : GBufferedInStream(other),
      mBufferSize(other.mBufferSize),
      mInner(innerClone),
      mOwnsInner(true),
      mInPrevious(other.mInPrevious),
      mReadPos(other.mReadPos),
      mRollBack(other.mRollBack) {
    try {
        mCurrent = other.mCurrent;
        mPrevious = other.mPrevious;
        mSpare = other.mSpare;
    } catch (...) {
        delete innerClone;
        throw;
    }
}

GBufferedInStreamDecorator::~GBufferedInStreamDecorator() {
    if (mOwnsInner)
        delete mInner;
}

GInStream* GBufferedInStreamDecorator::CreateClone() const {
    std::unique_ptr<GInStream> inner;
    if (!TryCloneInner(mInner, inner))
        return nullptr;
    return new GBufferedInStreamDecorator(*this, inner.release());
}

int GBufferedInStreamDecorator::Read(GBuffer& out, int count) {
    out.Clear();
    if (count < 1)
        return -1;
    // Enough for what is buffered and one refill; a huge count must not reserve gigabytes.
    out.Allocate(static_cast<int>(std::min<long long>(count, static_cast<long long>(Available()) + mBufferSize)));
    int wanted = count;
    Take(out, wanted);
    while (wanted > 0) {
        if (mInPrevious) {
            mInPrevious = false;
            mCurrent.Swap(mPrevious);
            mReadPos = 0;
        } else if (!Refill()) {
            break;
        }
        Take(out, wanted);
    }
    int n = count - wanted;
    return n > 0 ? n : -1;
}

// Counts into the mark as it goes, so that an exception of a later refill leaves it exact.
void GBufferedInStreamDecorator::Take(GBuffer& out, int& wanted) {
    int n = std::min(Available(), wanted);
    if (n < 1)
        return;
    out.AppendByteArray(mCurrent.GetPtr() + mReadPos, n);
    mReadPos += n;
    wanted -= n;
    if (mRollBack >= 0) {
        mRollBack += n;
        DropUnreachableMark();
    }
}

bool GBufferedInStreamDecorator::Refill() {
    if (mInner == nullptr)
        return false;
    mSpare.Clear();
    if (mInner->Read(mSpare, mBufferSize) <= 0 || mSpare.IsEmpty()) {
        mSpare.Clear();
        return false;
    }
    FillSpare();
    // current -> previous, spare -> current, old previous -> spare: no bytes are copied.
    mPrevious.Swap(mCurrent);
    mCurrent.Swap(mSpare);
    mSpare.Clear();
    mReadPos = 0;
    return true;
}

// A short read is not the end of the inner stream: a refill that stopped there would shorten how
// far Unread reaches, which parsers above count on.
void GBufferedInStreamDecorator::FillSpare() {
    GBuffer piece;
    while (mSpare.GetLength() < mBufferSize && mInner->Read(piece, mBufferSize - mSpare.GetLength()) > 0)
        mSpare += piece;
}

void GBufferedInStreamDecorator::Reset() {
    mCurrent.Clear();
    mPrevious.Clear();
    mSpare.Clear();
    mInPrevious = false;
    mReadPos = 0;
    mRollBack = -1;
    if (mInner != nullptr)
        mInner->Reset();
}

// How far Unread can move back from here.
long long GBufferedInStreamDecorator::Reach() const {
    return mInPrevious ? mReadPos : static_cast<long long>(mReadPos) + mPrevious.GetLength();
}

long long GBufferedInStreamDecorator::MoveBack(long long count) {
    int inCurrent = static_cast<int>(std::min<long long>(mReadPos, count));
    mReadPos -= inCurrent;
    long long wanted = count - inCurrent;
    if (wanted < 1 || mInPrevious || mPrevious.IsEmpty())
        return inCurrent;
    // Step into the previous refill; the later one is resumed from its start, where we left it.
    mCurrent.Swap(mPrevious);
    mInPrevious = true;
    int length = mCurrent.GetLength();
    int back = static_cast<int>(std::min<long long>(length, wanted));
    mReadPos = length - back;
    return inCurrent + back;
}

int GBufferedInStreamDecorator::Unread(int count) {
    if (count < 1)
        return 0;
    long long moved = MoveBack(count);
    if (mRollBack >= 0) {
        mRollBack -= moved;
        if (mRollBack < 0)
            mRollBack = -1;
    }
    return static_cast<int>(moved);
}

void GBufferedInStreamDecorator::SetRollBackPoint() { mRollBack = 0; }

int GBufferedInStreamDecorator::RollBack() {
    long long distance = mRollBack;
    mRollBack = -1;
    if (distance <= 0)
        return static_cast<int>(distance);
    return static_cast<int>(MoveBack(distance));
}

// Once the mark is out of reach it stays so (reading adds to the distance at least as much as to
// the reach), and rolling back part of the way would leave the caller at a position it never saw.
void GBufferedInStreamDecorator::DropUnreachableMark() {
    if (mRollBack > Reach() || mRollBack > INT_MAX)
        mRollBack = -1;
}
