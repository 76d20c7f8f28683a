#pragma once
// GDecryptInStream: reads an inner stream and undoes the byte scramble of GEncryptOutStream on
// the way (GByteScramble).
//
// Callers may rely on:
// - Read returns what the inner stream's Read returned, with the bytes descrambled.
// - Reset resets the inner stream (the transform keeps no state), so measuring the stream's
//   length or taking its content does not use it up. CreateClone returns null.
// - Built from a reference, the inner stream is borrowed; built from a pointer, it is owned and
//   deleted with the decorator. A null inner stream reads as empty.
#include "core/streams/GInStream.h"

class GDecryptInStream : public GInStream {
public:
    explicit GDecryptInStream(GInStream& inner);
    explicit GDecryptInStream(GInStream* inner);
    GDecryptInStream(GDecryptInStream const&) = delete;
    ~GDecryptInStream() override;

    GInStream* CreateClone() const override;
    int Read(GBuffer& out, int count) override;
    void Reset() override;

private:
    GInStream* mInner;
    bool mOwnsInner;
};
