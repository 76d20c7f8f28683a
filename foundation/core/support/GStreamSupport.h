#pragma once
// GStreamSupport: whole-stream operations on GInStream and GOutStream, in chunks of 100 KB, and
// the kind of a file from its content: document, image and font formats and two text formats
// (GTypeEnums::Types).
//
// Callers may rely on:
// - GetStreamLength and GetContent reset the stream before they return (GetContent also before
//   it starts), so the stream can be read again; CopyStream and StreamsAreEqual do not reset.
// - Every operation reads until the stream reports its end (-1), however small the pieces it
//   delivers; the streams are compared as byte sequences, whatever pieces each delivers.
// - GetStreamLength is bounded: a stream that has not reported its end after cMaxStreamLength
//   bytes or cMaxSkipCalls skips counts as the length reached by then.
// - CopyStream stops at the first write that takes fewer bytes than it was given, so the sink
//   never receives bytes after a gap; its result is then smaller than the stream's length.
// - The kind tests never read or move the caller's stream: every test reads a clone of it, from
//   the start of the stream, whatever the caller's position. A stream that cannot be cloned
//   cannot be tested: it is of no kind (0) and of no given kind (false).
// - A test reads at most the first 4,096 bytes (the DOS EPS test 4,096 more at the PostScript
//   offset its header names); measuring the length skips once through the whole stream.
// - No read goes past the bytes the stream delivered or its length: a field that lies beyond
//   them, such as a font table entry past the first 4,096 bytes, counts as absent.
// - Content never makes a test throw: short or hostile input fails the tests that need more.
//   Exceptions of the stream itself (an unreadable file) pass through.
#include "core/bytes/GBuffer.h"
#include "core/streams/GInStream.h"
#include "core/streams/GOutStream.h"
#include "core/support/GTypeEnums.h"
#include "core/text/GString.h"

class GStreamSupport {
public:
    GStreamSupport() = delete;

    static constexpr long long cMaxStreamLength = 1LL << 62;
    static constexpr long long cMaxSkipCalls = 1LL << 24;

    static long long GetStreamLength(GInStream& in);
    // Appends the whole content to out (not cleared first); returns the number of bytes appended.
    static int GetContent(GInStream& in, GBuffer& out);
    // Returns the number of bytes written.
    static long long CopyStream(GInStream& in, GOutStream& out);
    static bool StreamsAreEqual(GInStream& a, GInStream& b);

    // The first kind that fits, probed from the most specific to the most general (a JPEG's
    // start-of-image marker first); an empty stream is kEmpty, one of no known kind
    // kNotImplemented.
    static GTypeEnums::Types GetStreamType(GInStream& stream);
    // Whether the stream is of the one given kind; false for kNotImplemented, kEmpty and values
    // outside the enumeration.
    static bool StreamIsOfType(GInStream& stream, GTypeEnums::Types kind);
    // The display name of a kind from the texts registered by the file types (GFileType); a value
    // outside the enumeration asks for id 7100, which has no text by default (empty).
    static GString StreamTypeToGString(GTypeEnums::Types kind);
    static int StreamTypeToStringID(GTypeEnums::Types kind);

    // Tops the head up to n bytes from the start of the stream: resets the stream, skips the
    // bytes already held and appends what it reads, as far as the stream has bytes. True when
    // the head then holds at least n bytes.
    static bool EnsureNumberOfBytes(GInStream& stream, GBuffer& head, int n);
};
