#pragma once
// GStreamSupport: whole-stream operations on GInStream and GOutStream, in chunks of 100 KB.
//
// Callers may rely on:
// - GetStreamLength and GetContent reset the stream before they return (GetContent also before
//   it starts), so the stream can be read again; CopyStream and StreamsAreEqual do not reset.
// - Every operation reads until the stream reports its end (-1), however small the pieces it
//   delivers; the streams are compared as byte sequences, whatever pieces each delivers.
// - CopyStream stops at the first write that takes fewer bytes than it was given, so the sink
//   never receives bytes after a gap; its result is then smaller than the stream's length.
#include "core/bytes/GBuffer.h"
#include "core/streams/GInStream.h"
#include "core/streams/GOutStream.h"

class GStreamSupport {
public:
    GStreamSupport() = delete;

    static long long GetStreamLength(GInStream& in);
    // Appends the whole content to out (not cleared first); returns the number of bytes appended.
    static int GetContent(GInStream& in, GBuffer& out);
    // Returns the number of bytes written.
    static long long CopyStream(GInStream& in, GOutStream& out);
    static bool StreamsAreEqual(GInStream& a, GInStream& b);
};
