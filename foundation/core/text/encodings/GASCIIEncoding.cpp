#include "core/text/encodings/GASCIIEncoding.h"

#include <cstring>

#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/generated/GSingleByteTables.h"
#include "core/text/encodings/GUnicodeEncoding.h"

GSharedObject<GASCIIEncoding> GASCIIEncoding::sInstance;

GASCIIEncoding::GASCIIEncoding() = default;

GASCIIEncoding::~GASCIIEncoding() = default;

int32_t GASCIIEncoding::ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const {
    if (other == nullptr) {
        output.Clear();
        return kConvertFailed;
    }
    return other->ConvertTo(source, this, output);
}

int32_t GASCIIEncoding::ConvertTo(GBuffer const& source, GUnicodeEncoding const*, GBuffer& output) const {
    if (&source == &output) {
        GBuffer copy(source);
        return ConvertTo(copy, static_cast<GUnicodeEncoding const*>(nullptr), output);
    }
    const int n = source.GetLength();
    output.Clear();
    if (n == 0)
        return kConvertOK;
    output.Allocate(2 * n);
    unsigned char const* src = source.GetPtr();
    unsigned char* dst = output.GetWritePtr();
    const uint16_t fallback = GetDefaultUnit();
    int32_t status = kConvertOK;
    for (int i = 0; i < n; ++i) {
        uint16_t unit = cASCIIToUnicode[src[i]];
        if (unit == 0) {
            unit = fallback;
            status = kConvertLossy;
        }
        std::memcpy(dst + 2 * i, &unit, 2);
    }
    output.SetLength(2 * n);
    return status;
}

bool GASCIIEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const {
    name.Clear();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (code.GetLength() != 1 || unicode == nullptr)
        return false;
    const unsigned short value = cASCIIToUnicode[static_cast<unsigned char>(code)];
    return unicode->GetGlyphName(GCharCode(value), name);
}

void GASCIIEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const {
    code.Clear();
    GBuffer utf16;
    if (!GUnicodeEncoding::TryGetGlyphUnit(name, utf16))
        return;
    GBuffer ascii;
    if (GUnicodeEncoding::EncodeASCII(utf16, ascii) == kConvertOK)
        code.Set(ascii.GetPtr()[0]);
}

GBuffer const& GASCIIEncoding::GetASCIIDescription() const {
    static GBuffer const description = StaticName("ASCIIEncoding");
    return description;
}
