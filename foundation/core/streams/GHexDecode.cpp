#include "core/streams/GHexDecode.h"

#include <algorithm>
#include <memory>

#include "core/base/GException.h"
#include "core/bytes/GBuffer.h"
#include "core/bytes/GHexDigits.h"

namespace {

constexpr int cInvalidDataToDecode = 2452;
// Bounds one request to the inner stream, so that a huge count never asks for a huge block.
constexpr long long cMaxInnerRead = 1048576;

unsigned char Nibble(unsigned char c) {
    unsigned char v = GHexDigits::Classify(c);
    return v < 16 ? v : 0;
}

} // namespace

GHexDecode::GHexDecode(GInStream& inner) : mInner(&inner), mOwnsInner(false) {}

GHexDecode::GHexDecode(GInStream* inner) : mInner(inner), mOwnsInner(true) {}

GHexDecode::~GHexDecode() {
    if (mOwnsInner)
        delete mInner;
}

GInStream* GHexDecode::CreateClone() const {
    std::unique_ptr<GInStream> inner;
    if (!TryCloneInner(mInner, inner))
        return nullptr;
    auto* clone = new GHexDecode(inner.get());
    inner.release();
    clone->mEnded = mEnded;
    return clone;
}

bool GHexDecode::IsValidByte(unsigned char c) { return GHexDigits::Classify(c) < 16; }

unsigned char GHexDecode::DecodeBytes(unsigned char high, unsigned char low) {
    return static_cast<unsigned char>(Nibble(high) << 4 | Nibble(low));
}

bool GHexDecode::DecodeText(unsigned char const* text, int n, GBuffer& out, int& pending) {
    if (n < 1)
        return false;
    int base = out.GetLength();
    unsigned char* const start = GHexDigits::AppendRoom(out, n / 2 + 1);
    unsigned char* w = start;
    auto finish = [&] { out.SetLength(base + static_cast<int>(w - start)); };
    unsigned char const* const end = text + n;
    for (unsigned char const* p = text; p < end; ++p) {
        if (pending < 0) {
            // The common case: runs of digit pairs, a byte each.
            for (; end - p >= 2; p += 2) {
                unsigned char high = GHexDigits::Classify(p[0]);
                unsigned char low = GHexDigits::Classify(p[1]);
                if ((high | low) >= 16)
                    break;
                *w++ = static_cast<unsigned char>(high << 4 | low);
            }
            if (p == end)
                break;
        }
        unsigned char v = GHexDigits::Classify(*p);
        if (v < 16) {
            if (pending < 0) {
                pending = v;
            } else {
                *w++ = static_cast<unsigned char>(pending << 4 | v);
                pending = -1;
            }
        } else if (v == GHexDigits::cEndMarker) {
            if (pending >= 0)
                *w++ = static_cast<unsigned char>(pending << 4);
            pending = -1;
            finish();
            return true;
        } else if (v == GHexDigits::cInvalid) {
            finish();
            throw GSimpleException(cInvalidDataToDecode);
        }
    }
    finish();
    return false;
}

int GHexDecode::Read(GBuffer& out, int count) {
    out.Clear();
    if (mEnded || count < 1 || mInner == nullptr) {
        mEnded = mEnded || mInner == nullptr;
        return -1;
    }
    int pending = -1;
    GBuffer text;
    while (out.GetLength() < count && !mEnded) {
        // Exactly the digits still needed: nothing beyond them is taken from the inner stream.
        long long needed = 2LL * (count - out.GetLength()) - (pending >= 0 ? 1 : 0);
        if (mInner->Read(text, static_cast<int>(std::min(needed, cMaxInnerRead))) <= 0) {
            mEnded = true;
            if (pending >= 0)
                out += static_cast<unsigned char>(pending << 4);
            break;
        }
        mEnded = DecodeText(text.GetPtr(), text.GetLength(), out, pending);
    }
    return out.IsEmpty() ? -1 : out.GetLength();
}

void GHexDecode::Reset() {
    if (mInner != nullptr)
        mInner->Reset();
    mEnded = false;
}
