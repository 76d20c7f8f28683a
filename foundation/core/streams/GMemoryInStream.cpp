#include "core/streams/GMemoryInStream.h"

#include <algorithm>

#include "core/memory/GAutoPtr.h"
#include "core/memory/GFastAllocatable.h"
#include "core/memory/GThreadSafeRefCount.h"

// An owned buffer that clones share. Its byte pointer is taken once, here: GBuffer::GetPtr() may
// write (terminator bytes, an owned copy of borrowed bytes), which clones on other threads must
// not race on.
class GMemoryInStream::SharedBytes : public GThreadSafeRefCount, public GFastAllocatable {
public:
    // Takes the buffer over from owner; null gives no bytes.
    explicit SharedBytes(GAutoPtr<GBuffer>& owner) : mBuffer(owner) {
        mBytes = mBuffer.Get() != nullptr ? mBuffer->GetPtr() : GBuffer::cEmptyBuffer.GetPtr();
        mLength = mBuffer.Get() != nullptr ? mBuffer->GetLength() : 0;
    }

    unsigned char const* Bytes() const { return mBytes; }
    int GetLength() const { return mLength; }

private:
    GAutoPtr<GBuffer> mBuffer;
    unsigned char const* mBytes;
    int mLength;
};

GMemoryInStream::GMemoryInStream(GBuffer const& data) : mBorrowed(&data) {}

GMemoryInStream::GMemoryInStream(GBuffer* data) {
    GAutoPtr<GBuffer> owner(data);  // deletes the buffer should the holder fail
    mOwned = new SharedBytes(owner);
}

GMemoryInStream::GMemoryInStream(GMemoryInStream const& other)
    : GBufferedInStream(other),
      mOwned(other.mOwned),
      mPosition(other.mPosition),
      mRollBackPoint(other.mRollBackPoint) {
    if (other.mBorrowed == nullptr)
        return;
    // An owned copy of the bytes themselves: copying a GBuffer that borrows would borrow too.
    GAutoPtr<GBuffer> copy(new GBuffer(other.Bytes(), other.GetLength()));
    mOwned = new SharedBytes(copy);
}

GMemoryInStream::~GMemoryInStream() = default;

GInStream* GMemoryInStream::CreateClone() const { return new GMemoryInStream(*this); }

unsigned char const* GMemoryInStream::Bytes() const {
    return mBorrowed != nullptr ? mBorrowed->GetPtr() : mOwned->Bytes();
}

int GMemoryInStream::GetLength() const {
    return mBorrowed != nullptr ? mBorrowed->GetLength() : mOwned->GetLength();
}

int GMemoryInStream::Read(GBuffer& out, int count) {
    int k = std::min(count, GetLength() - mPosition);
    if (k < 1) {
        out.Clear();
        return -1;
    }
    out.Set(Bytes() + mPosition, k);  // Set copes with out being the borrowed buffer itself
    mPosition += k;
    return k;
}

long long GMemoryInStream::Skip(long long count) {
    int k = static_cast<int>(std::clamp<long long>(count, 0, std::max(GetLength() - mPosition, 0)));
    mPosition += k;
    return k;
}

void GMemoryInStream::Reset() {
    mPosition = 0;
    mRollBackPoint = -1;
}

int GMemoryInStream::Unread(int count) {
    int k = std::clamp(count, 0, mPosition);
    mPosition -= k;
    if (mRollBackPoint > mPosition)
        mRollBackPoint = -1;
    return k;
}

void GMemoryInStream::SetRollBackPoint() { mRollBackPoint = mPosition; }

int GMemoryInStream::RollBack() {
    int point = mRollBackPoint;
    mRollBackPoint = -1;
    if (point < 0)
        return -1;
    int distance = mPosition - point;
    mPosition = point;
    return distance;
}
