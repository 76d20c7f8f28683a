#pragma once
// GPlatformEncoding: an encoding over one of the operating system's text converters (the
// system's current code page, Shift-JIS, simplified Chinese). The platform converters never
// substitute: encoding stops at the first character the code page cannot hold (status 2, the
// output holding what came before; 4 when nothing converted), and bytes the platform rejects
// decode to nothing with status 4.
//
// The same platform service composes Unicode text for the whole framework
// (EnsureComposedUnicode). Glyph names go through UTF-16: a code has the glyph name of the one
// UTF-16 unit it decodes to.
//
// Instances come from the installed GPlatformEncodingFactory; GetInstance is the platform
// encoding of the system's current code page (null while no factory is installed).
#include "core/text/encodings/GCustomEncoding.h"

class GPlatformEncoding : public GCustomEncoding {
public:
    ~GPlatformEncoding() override;

    using GEncoding::ConvertTo;
    int32_t ConvertTo(GBuffer const& source, GUnicodeEncoding const* target, GBuffer& output) const override = 0;
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    int32_t ConvertFromUnicode(GBuffer const& source, GBuffer& output) const override = 0;

    // Replaces UTF-16 text in place by its composition: form C, or form KC when compatibility
    // is true. An empty text stays empty; text the platform cannot normalise stays as it was.
    virtual void EnsureComposedUnicode(GBuffer& text, bool compatibility) const = 0;

    static GPlatformEncoding* GetInstance();

protected:
    GPlatformEncoding() = default;
};
