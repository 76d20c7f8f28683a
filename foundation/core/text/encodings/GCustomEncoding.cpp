#include "core/text/encodings/GCustomEncoding.h"

#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/GUnicodeEncoding.h"

GCustomEncoding::~GCustomEncoding() = default;

int32_t GCustomEncoding::ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const {
    if (&source == &output) {
        GBuffer copy(source);
        return ConvertFrom(copy, other, output);
    }
    output.Clear();
    if (other == nullptr)
        return kConvertFailed;
    GBuffer utf16;
    const int32_t decoded = other->ConvertTo(source, GUnicodeEncoding::GetInstance(), utf16);
    int32_t status = decoded;
    if ((decoded & kConvertFailed) == 0) {
        // A lossy decoding is still encoded, so that the best text made survives a failed bridge.
        const int32_t encoded = ConvertFromUnicode(utf16, output);
        if (decoded == kConvertOK && encoded == kConvertOK)
            return kConvertOK;
        status = (encoded & kConvertFailed) != 0 ? kConvertFailed : (decoded == kConvertOK ? encoded : kConvertLossy);
    }
    if (source.IsEmpty())
        return kConvertOK;
    GBuffer bridged;
    if (!ConvertByGlyphNames(source, other, bridged))
        return status;
    output.Swap(bridged);
    return kConvertOK;
}

bool GCustomEncoding::ConvertByGlyphNames(GBuffer const& source, GEncoding const* other, GBuffer& output) const {
    // UTF-16 text goes unit by unit; any other source byte by byte (multi-byte encodings are not
    // split into characters here, so their characters rarely get through).
    const bool units = dynamic_cast<GUnicodeEncoding const*>(other) != nullptr;
    const int step = units ? 2 : 1;
    const int end = units ? source.GetLength() & ~1 : source.GetLength();
    unsigned char const* bytes = source.GetPtr();
    GBuffer name;
    GCharCode code;
    GCharCode result;
    for (int i = 0; i < end; i += step) {
        if (units)
            code.Set(static_cast<unsigned short>(GEncodingKernels::LoadUnit(bytes + i)));
        else
            code.Set(bytes[i]);
        if (!other->GetGlyphName(code, name) || name.IsEmpty())
            return false;
        GetCharCode(name, result);
        if (result.IsEmpty())
            return false;
        output.AppendByteArray(result.Get(), result.GetLength());
    }
    return true;
}
