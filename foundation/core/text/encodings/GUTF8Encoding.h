#pragma once
// GUTF8Encoding: UTF-8 text, converted to and from UTF-16.
//
// Callers may rely on:
// - Decoding accepts well-formed UTF-8 plus the two forms this encoder writes or peers rely on:
//   C0 80 for U+0000 (without flag 2) and encoded surrogates (ED A0 80 is U+D800). A zero byte
//   decodes to U+0000 with flag 2. Anything else ill-formed (a stray continuation byte, a lead
//   byte C0/C1 or F5 to FF, an overlong form, a value above U+10FFFF, a missing continuation
//   byte, a sequence cut by the end) fails with status 4; the output then holds the units decoded
//   before it.
// - Encoding writes a surrogate pair as 4 bytes and any other unit, a lone surrogate included, in
//   1 to 3 bytes, so every UTF-16 text survives a round trip.
// A singleton (GetInstance/SetInstance).
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GEncoding.h"

class GUTF8Encoding : public GEncoding {
public:
    GUTF8Encoding();
    ~GUTF8Encoding() override;

    using GEncoding::ConvertTo;
    // Decodes source through other to UTF-16, then encodes UTF-8; on status 4 the output is empty.
    int32_t ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const override;
    int32_t ConvertTo(GBuffer const& source, GUnicodeEncoding const* target, GBuffer& output) const override;
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    GBuffer const& GetASCIIDescription() const override;

    // The two conversions on their own, for callers that hold UTF-16 or UTF-8 bytes directly.
    // The output may not be the input buffer.
    static int32_t DecodeUTF8(unsigned char const* bytes, int n, GBuffer& utf16);
    static void EncodeUTF16(unsigned char const* units, int byteCount, GBuffer& utf8);

    static GUTF8Encoding* GetInstance() { return sInstance.Get(); }
    static void SetInstance(GUTF8Encoding* encoding) { sInstance = encoding; }

private:
    static GSharedObject<GUTF8Encoding> sInstance;
};
