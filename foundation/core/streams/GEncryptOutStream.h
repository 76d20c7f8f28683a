#pragma once
// GEncryptOutStream: scrambles the bytes written to it (GByteScramble) and passes them on to an
// inner stream. GDecryptInStream reads them back.
//
// Callers may rely on:
// - Write returns what the inner stream's Write returned; data itself is left unchanged.
// - Flush flushes the inner stream; Skip and Reset are the GOutStream defaults.
// - Built from a reference, the inner stream is borrowed; built from a pointer, it is owned and
//   deleted with the decorator. A null inner stream takes nothing (Write returns 0).
#include "core/streams/GOutStream.h"

class GEncryptOutStream : public GOutStream {
public:
    explicit GEncryptOutStream(GOutStream& inner);
    explicit GEncryptOutStream(GOutStream* inner);
    ~GEncryptOutStream() override;

    int Write(GBuffer const& data) override;
    void Flush() override;

private:
    GOutStream* mInner;
    bool mOwnsInner;
};
