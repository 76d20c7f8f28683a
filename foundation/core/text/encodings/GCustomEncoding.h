#pragma once
// GCustomEncoding: the base of the encodings that are reached from UTF-16 by their own encoder
// (the single-byte tables, the platform's code pages). Converting into one goes through UTF-16;
// characters that UTF-16 loses (glyphs without a Unicode value, private-use codes) may still
// arrive through glyph names, when the source and this encoding name the glyph alike.
//
// Callers may rely on ConvertFrom returning 1 only when every character arrived faithfully;
// otherwise the output holds the best conversion made (the lossy text with status 2, or what
// came before a failure with status 4).
#include "core/text/encodings/GEncoding.h"

class GCustomEncoding : public GEncoding {
public:
    ~GCustomEncoding() override;

    int32_t ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const override;
    // Encodes UTF-16 (machine order; an odd last byte is ignored) into this encoding.
    virtual int32_t ConvertFromUnicode(GBuffer const& source, GBuffer& output) const = 0;

protected:
    GCustomEncoding() = default;

private:
    // The glyph-name bridge: true when every character of source reached this encoding by name.
    bool ConvertByGlyphNames(GBuffer const& source, GEncoding const* other, GBuffer& output) const;
};
