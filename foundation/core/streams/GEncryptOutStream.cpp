#include "core/streams/GEncryptOutStream.h"

#include "core/bytes/GBuffer.h"
#include "core/bytes/GByteScramble.h"

GEncryptOutStream::GEncryptOutStream(GOutStream& inner) : mInner(&inner), mOwnsInner(false) {}

GEncryptOutStream::GEncryptOutStream(GOutStream* inner) : mInner(inner), mOwnsInner(true) {}

GEncryptOutStream::~GEncryptOutStream() {
    if (mOwnsInner)
        delete mInner;
}

int GEncryptOutStream::Write(GBuffer const& data) {
    if (mInner == nullptr)
        return 0;
    GBuffer scrambled(data.GetPtr(), data.GetLength());
    GByteScramble::Scramble(scrambled.GetWritePtr(), scrambled.GetLength());
    return mInner->Write(scrambled);
}

// Passed on: a file under the decorator must reach the disk when its writer flushes.
void GEncryptOutStream::Flush() {
    if (mInner != nullptr)
        mInner->Flush();
}
