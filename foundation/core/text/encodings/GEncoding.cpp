#include "core/text/encodings/GEncoding.h"

#include <cstring>

#include "core/text/encodings/GCustomEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"

char GEncoding::sDefaultCharacter = 0x40;

namespace {

// The second step of a default typed conversion: UTF-16 into the target's class.
int32_t EncodeUnicode(GBuffer const& utf16, GMacRomanEncoding const*, GBuffer& output) {
    return GUnicodeEncoding::EncodeMacRoman(utf16, output);
}
int32_t EncodeUnicode(GBuffer const& utf16, GASCIIEncoding const*, GBuffer& output) {
    return GUnicodeEncoding::EncodeASCII(utf16, output);
}
int32_t EncodeUnicode(GBuffer const& utf16, GWinAnsiEncoding const*, GBuffer& output) {
    return GUnicodeEncoding::EncodeWinAnsi(utf16, output);
}
int32_t EncodeUnicode(GBuffer const& utf16, GPDFDocEncoding const*, GBuffer& output) {
    return GUnicodeEncoding::EncodePDFDoc(utf16, output);
}
int32_t EncodeUnicode(GBuffer const& utf16, GCustomEncoding const* target, GBuffer& output) {
    if (target == nullptr) {
        output.Clear();
        return GEncoding::kConvertFailed;
    }
    return target->ConvertFromUnicode(utf16, output);
}

} // namespace

GEncoding::~GEncoding() = default;

template <class Target>
int32_t GEncoding::ConvertThroughUnicode(GBuffer const& source, Target const* target, GBuffer& output) const {
    GBuffer utf16;
    const int32_t first = ConvertTo(source, GUnicodeEncoding::GetInstance(), utf16);
    if ((first & kConvertFailed) != 0)
        return kConvertFailed;
    return first | EncodeUnicode(utf16, target, output);
}

int32_t GEncoding::ConvertTo(GBuffer const& source, GMacRomanEncoding const* target, GBuffer& output) const {
    return ConvertThroughUnicode(source, target, output);
}

int32_t GEncoding::ConvertTo(GBuffer const& source, GASCIIEncoding const* target, GBuffer& output) const {
    return ConvertThroughUnicode(source, target, output);
}

int32_t GEncoding::ConvertTo(GBuffer const& source, GWinAnsiEncoding const* target, GBuffer& output) const {
    return ConvertThroughUnicode(source, target, output);
}

int32_t GEncoding::ConvertTo(GBuffer const& source, GCustomEncoding const* target, GBuffer& output) const {
    return ConvertThroughUnicode(source, target, output);
}

int32_t GEncoding::ConvertTo(GBuffer const& source, GPDFDocEncoding const* target, GBuffer& output) const {
    return ConvertThroughUnicode(source, target, output);
}

GBuffer GEncoding::StaticName(char const* text) {
    GBuffer name;
    name.SetFromStatic(text);
    return name;
}

bool GEncoding::IsOfType(GBuffer const& name) const { return name == GetASCIIDescription(); }

void GEncoding::Normalize(GBuffer&) const {}

int GEncoding::GetLength(unsigned char const* text) const {
    return text == nullptr ? 0 : static_cast<int>(std::strlen(reinterpret_cast<char const*>(text)));
}
