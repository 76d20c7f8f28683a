#pragma once
// GHexSupport: one-call conversions between bytes and hex text, with the digits and rules of
// GHexEncode and GHexDecode.
//
// Callers may rely on:
// - SetToHexBuffer appends two lower-case digits per byte, without the end marker.
// - SetFromHexBuffer appends the decoded bytes as GHexDecode delivers them (white space
//   skipped, ">" ends the data, an odd last digit completed with 0). On an invalid character it
//   throws GSimpleException 2452, out then holding the bytes decoded before it.
// - SetFromHexArray replaces out: pairs of digits give bytes, without checking or skipping (a
//   character that is not a hex digit counts as f); an odd last digit is completed with 0. A
//   byte "t" or "n" after an escape byte (GBufferSupport::IsBackSlashCharacter) replaces it with
//   a TAB or the platform line end.
// - The source and the target may be the same buffer.
#include "core/bytes/GBuffer.h"

class GHexSupport {
public:
    GHexSupport() = delete;

    static void SetToHexBuffer(GBuffer const& bytes, GBuffer& out);
    static void SetFromHexBuffer(GBuffer const& hex, GBuffer& out);
    static void SetFromHexArray(unsigned char const* hex, int length, GBuffer& out);
};
