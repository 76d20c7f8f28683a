#include "core/streams/GHexEncode.h"

#include <algorithm>
#include <memory>

#include "core/bytes/GBuffer.h"
#include "core/bytes/GHexDigits.h"

namespace {
// Bounds one request to the inner stream, so that a huge count never asks for a huge block.
constexpr long long cMaxInnerRead = 1048576;
}

GHexEncode::GHexEncode(GInStream& inner, bool endMarker) : mInner(&inner), mOwnsInner(false), mEndMarker(endMarker) {}

GHexEncode::GHexEncode(GInStream* inner, bool endMarker) : mInner(inner), mOwnsInner(true), mEndMarker(endMarker) {}

GHexEncode::~GHexEncode() {
    if (mOwnsInner)
        delete mInner;
}

GInStream* GHexEncode::CreateClone() const {
    std::unique_ptr<GInStream> inner;
    if (!TryCloneInner(mInner, inner))
        return nullptr;
    auto* clone = new GHexEncode(inner.get(), mEndMarker);
    inner.release();
    clone->mHeldBack = mHeldBack;
    clone->mEnded = mEnded;
    return clone;
}

bool GHexEncode::ReadInner(GBuffer& bytes, long long want) {
    bytes.Clear();
    if (mInner == nullptr)
        return true;
    GBuffer piece;
    while (bytes.GetLength() < want) {
        int ask = static_cast<int>(std::min(want - bytes.GetLength(), cMaxInnerRead));
        // The first piece lands in place; only later pieces are copied.
        GBuffer& target = bytes.IsEmpty() ? bytes : piece;
        if (mInner->Read(target, ask) <= 0)
            return true;
        if (&target == &piece)
            bytes += piece;
    }
    return false;
}

int GHexEncode::Read(GBuffer& out, int count) {
    out.Clear();
    if (mEnded || count < 1)
        return -1;
    int held = mHeldBack != 0 ? 1 : 0;
    GBuffer bytes;
    bool exhausted = ReadInner(bytes, (static_cast<long long>(count) - held + 1) / 2);

    long long available = held + 2LL * bytes.GetLength();
    int digits = static_cast<int>(std::min<long long>(available, count));
    bool marker = exhausted && mEndMarker;
    int total = digits + (marker ? 1 : 0);
    if (total == 0) {
        mEnded = exhausted;
        return -1;
    }

    unsigned char* p = GHexDigits::AppendRoom(out, total);
    if (held != 0)
        *p++ = mHeldBack;
    mHeldBack = 0;
    int whole = (digits - held) / 2;
    GHexDigits::Encode(bytes.GetPtr(), whole, p);
    p += 2 * whole;
    if (whole < bytes.GetLength()) {
        // Only the high digit fits; the low one waits for the next Read.
        unsigned char last = bytes.GetPtr()[whole];
        *p++ = GHexDigits::Digit(last >> 4);
        mHeldBack = GHexDigits::Digit(last);
    }
    if (marker)
        *p = '>';
    mEnded = exhausted;
    return total;
}

void GHexEncode::Reset() {
    if (mInner != nullptr)
        mInner->Reset();
    mHeldBack = 0;
    mEnded = false;
}
