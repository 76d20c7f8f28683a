#include "core/text/encodings/GPlatformEncoding.h"

#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/encodings/GUnicodeEncoding.h"

GPlatformEncoding::~GPlatformEncoding() = default;

GPlatformEncoding* GPlatformEncoding::GetInstance() {
    GPlatformEncodingFactory* factory = GPlatformEncodingFactory::GetInstance();
    return factory != nullptr ? factory->GetPlatformEncoding() : nullptr;
}

bool GPlatformEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const {
    name.Clear();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    // A code of more than 4 bytes has no numeric value: it names no character of a code page.
    if (code.IsEmpty() || code.GetLength() > 4 || unicode == nullptr)
        return false;
    const unsigned int value = code;
    GCharCode shortest;
    shortest.SetWithMinLength(value);
    const int least = shortest.GetLength();
    // Wider readings first: a leading zero byte may belong to the character.
    for (int k = 4; k >= least; --k) {
        GBuffer bytes;
        GCharCode(value, k).Get(bytes);
        GBuffer utf16;
        const int32_t status = ConvertTo(bytes, unicode, utf16);
        if (utf16.GetLength() != 2)
            continue;
        if (status == kConvertOK || k == least) {
            GCharCode unit;
            unit.SetUnicode(utf16);
            return unicode->GetGlyphName(unit, name);
        }
    }
    return false;
}

void GPlatformEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const {
    code.Clear();
    GBuffer utf16;
    if (!GUnicodeEncoding::TryGetGlyphUnit(name, utf16))
        return;
    GBuffer bytes;
    if (ConvertFromUnicode(utf16, bytes) == kConvertOK)
        code.Set(bytes);
}
