#include "core/support/GStreamSupport.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int cChunk = 102400;

// One side of a comparison: the bytes of the last read not yet compared.
class Pending {
public:
    explicit Pending(GInStream& in) : mIn(in) {}

    // Reads on when all was compared; false at the end of the stream.
    bool Fill() {
        if (mPos < mChunk.GetLength())
            return true;
        mPos = 0;
        if (mIn.Read(mChunk, cChunk) <= 0)
            mChunk.Clear();
        return !mChunk.IsEmpty();
    }
    int Available() const { return mChunk.GetLength() - mPos; }
    unsigned char const* Bytes() const { return mChunk.GetPtr() + mPos; }
    void Advance(int n) { mPos += n; }

private:
    GInStream& mIn;
    GBuffer mChunk;
    int mPos = 0;
};

} // namespace

long long GStreamSupport::GetStreamLength(GInStream& in) {
    long long total = 0;
    for (long long n; (n = in.Skip(cChunk)) > 0;)
        total += n;
    in.Reset();
    return total;
}

int GStreamSupport::GetContent(GInStream& in, GBuffer& out) {
    in.Reset();
    int start = out.GetLength();
    GBuffer chunk;
    while (in.Read(chunk, cChunk) > 0)
        out += chunk;
    in.Reset();
    return out.GetLength() - start;
}

long long GStreamSupport::CopyStream(GInStream& in, GOutStream& out) {
    long long total = 0;
    GBuffer chunk;
    while (in.Read(chunk, cChunk) > 0) {
        int written = out.Write(chunk);
        total += std::max(written, 0);
        if (written < chunk.GetLength())
            break;
    }
    return total;
}

bool GStreamSupport::StreamsAreEqual(GInStream& a, GInStream& b) {
    Pending left(a);
    Pending right(b);
    for (;;) {
        bool moreLeft = left.Fill();
        bool moreRight = right.Fill();
        if (!moreLeft || !moreRight)
            return moreLeft == moreRight;
        int n = std::min(left.Available(), right.Available());
        if (std::memcmp(left.Bytes(), right.Bytes(), static_cast<std::size_t>(n)) != 0)
            return false;
        left.Advance(n);
        right.Advance(n);
    }
}
