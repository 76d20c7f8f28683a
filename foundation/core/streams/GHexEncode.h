#pragma once
// GHexEncode: an input filter that reads bytes from an inner stream and delivers them as
// lower-case hex digits, two per byte, optionally followed by the end marker ">".
//
// Callers may rely on:
// - Read's count is the number of characters wanted. A byte whose second digit does not fit is
//   finished by the next Read, so reads of any sizes give the same text.
// - The inner stream is read until it reports its end, however small the pieces it delivers;
//   asking for twice the input length plus one gives every digit and the marker in one call.
// - The marker is delivered once, after the last digit; then Read returns -1 until Reset.
// - CreateClone returns null when the inner stream cannot be cloned.
// - Built from a reference, the inner stream is borrowed; built from a pointer, it is owned and
//   deleted with the filter. A null inner stream reads as empty. The encoder never fails.
#include "core/streams/GInStream.h"

class GHexEncode : public GInStream {
public:
    GHexEncode(GInStream& inner, bool endMarker);
    GHexEncode(GInStream* inner, bool endMarker);
    GHexEncode(GHexEncode const&) = delete;
    ~GHexEncode() override;

    GInStream* CreateClone() const override;
    int Read(GBuffer& out, int count) override;
    void Reset() override;

private:
    // Reads up to want bytes; true when the inner stream reported its end first.
    bool ReadInner(GBuffer& bytes, long long want);

    GInStream* mInner;
    bool mOwnsInner;
    unsigned char mHeldBack = 0;  // the digit, 0 when none
    bool mEnded = false;
    bool mEndMarker;
};
