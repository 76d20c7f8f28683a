#include "core/streams/GDecryptInStream.h"

#include "core/bytes/GBuffer.h"
#include "core/bytes/GByteScramble.h"

GDecryptInStream::GDecryptInStream(GInStream& inner) : mInner(&inner), mOwnsInner(false) {}

GDecryptInStream::GDecryptInStream(GInStream* inner) : mInner(inner), mOwnsInner(true) {}

GDecryptInStream::~GDecryptInStream() {
    if (mOwnsInner)
        delete mInner;
}

GInStream* GDecryptInStream::CreateClone() const { return nullptr; }

int GDecryptInStream::Read(GBuffer& out, int count) {
    if (mInner == nullptr) {
        out.Clear();
        return -1;
    }
    int n = mInner->Read(out, count);
    if (n >= 1)
        GByteScramble::DeScramble(out.GetWritePtr(), out.GetLength());
    return n;
}

void GDecryptInStream::Reset() {
    if (mInner != nullptr)
        mInner->Reset();
}
