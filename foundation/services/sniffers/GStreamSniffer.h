#pragma once
// GStreamSniffer: recognises the kind of a file from its first bytes: document, image and font
// formats and two text formats (GTypeEnums::Types).
//
// Callers may rely on:
// - The caller's stream is neither read nor moved: every test reads a clone of it, from the
//   start of the stream, whatever the caller's position. A stream that cannot be cloned cannot be
//   tested: it is of no kind (0) and of no given kind (false).
// - A test reads at most the first 4,096 bytes (the DOS EPS test 4,096 more at the PostScript
//   offset its header names); measuring the length skips once through the whole stream.
// - No read goes past the bytes the stream delivered or its length: a field that lies beyond
//   them, such as a font table entry past the first 4,096 bytes, counts as absent.
// - Content never makes a test throw: short or hostile input fails the tests that need more.
//   Exceptions of the stream itself (an unreadable file) pass through.
#include "core/text/GString.h"
#include "services/sniffers/GTypeEnums.h"

class GBuffer;
class GInStream;

class GStreamSniffer {
public:
    GStreamSniffer() = delete;

    // The first kind that fits, probed from the most specific to the most general; an empty
    // stream is kEmpty, a stream of no known kind kNotImplemented.
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
