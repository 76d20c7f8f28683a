#pragma once
// GBufferedInStream: an input stream that can give back bytes it delivered, for parsers that
// look ahead.
//
// Callers may rely on:
// - Unread(count) moves back by at most count bytes already delivered, so that they come again,
//   and returns how far it moved; how far back a stream reaches is its own (see each class).
//   A count below 1 moves nothing.
// - SetRollBackPoint marks the current position (replacing an older mark). RollBack returns to
//   the mark, forgets it and returns how far it moved back; it returns -1 and moves nothing when
//   there is no mark, or the mark was lost: by unreading past it, or because the stream can no
//   longer reach it.
#include "core/streams/GInStream.h"

class GBufferedInStream : public GInStream {
public:
    virtual int Unread(int count) = 0;
    virtual void SetRollBackPoint() = 0;
    virtual int RollBack() = 0;

protected:
    GBufferedInStream() = default;
    GBufferedInStream(GBufferedInStream const&) = default;
};
