#pragma once
// PMacPlatformEncoding: a platform encoding over the system's string converter for one code
// page, named by its CoreFoundation encoding number (the system's current one by default).
//
// Callers may rely on:
// - Decoding gives the whole text with status 1, or nothing with status 4 when the converter
//   rejects the bytes (an invalid or cut sequence anywhere, an unknown number).
// - Encoding UTF-16 (machine order, an odd last byte ignored) stops before the first character
//   the code page cannot hold: status 2 with the converted prefix, 4 when nothing converted.
// - The description is "MacPlatformEncoding_TextEncoding" followed by the number in decimal.
// Immutable once built; usable from any thread.
#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GPlatformEncoding.h"

class PMacPlatformEncoding : public GPlatformEncoding {
public:
    PMacPlatformEncoding();
    explicit PMacPlatformEncoding(int encoding);
    ~PMacPlatformEncoding() override;

    using GPlatformEncoding::ConvertTo;
    int32_t ConvertTo(GBuffer const& source, GUnicodeEncoding const* target, GBuffer& output) const override;
    GBuffer const& GetASCIIDescription() const override;
    int32_t ConvertFromUnicode(GBuffer const& source, GBuffer& output) const override;
    // An odd last byte stays after the composed units.
    void EnsureComposedUnicode(GBuffer& text, bool compatibility) const override;

    int GetEncodingNumber() const { return mEncoding; }

private:
    int32_t mEncoding;
    GBuffer mDescription;
};
