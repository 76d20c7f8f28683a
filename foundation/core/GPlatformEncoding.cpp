#include "GPlatformEncoding.h"

#include <cstring>

#include "GCharCode.h"
#include "GPlatformEncodingFactory.h"
#include "GUnicodeEncoding.h"

GPlatformEncoding::~GPlatformEncoding() = default;

GPlatformEncoding* GPlatformEncoding::GetInstance() {
    GPlatformEncodingFactory* factory = GPlatformEncodingFactory::GetInstance();
    return factory != nullptr ? factory->GetPlatformEncoding() : nullptr;
}

namespace {

int MinByteCount(unsigned int value) {
    if (value < 0x100)
        return 1;
    if (value < 0x10000)
        return 2;
    return value <= 0xFFFFFF ? 3 : 4;
}

// The low k bytes of value, most significant first.
GBuffer LowBytes(unsigned int value, int k) {
    unsigned char bytes[4];
    for (int i = 0; i < k; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * (k - 1 - i)));
    return GBuffer(bytes, k);
}

}  // namespace

bool GPlatformEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const {
    name.Clear();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    // A code of more than 4 bytes has no numeric value: it names no character of a code page.
    if (code.IsEmpty() || code.GetLength() > 4 || unicode == nullptr)
        return false;
    const unsigned int value = code;
    const int least = MinByteCount(value);
    // Wider readings first: a leading zero byte may belong to the character.
    for (int k = 4; k >= least; --k) {
        GBuffer utf16;
        const int32_t status = ConvertTo(LowBytes(value, k), unicode, utf16);
        if (utf16.GetLength() != 2)
            continue;
        if (status == kConvertOK || k == least) {
            unsigned short unit;
            std::memcpy(&unit, utf16.GetPtr(), 2);
            return unicode->GetGlyphName(GCharCode(unit), name);
        }
    }
    return false;
}

void GPlatformEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const {
    code.Clear();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (unicode == nullptr)
        return;
    GCharCode found;
    unicode->GetCharCode(name, found);
    if (found.GetLength() != 2)
        return;
    GBuffer utf16;
    found.GetUnicode(utf16);
    GBuffer bytes;
    if (ConvertFromUnicode(utf16, bytes) == kConvertOK)
        code.Set(bytes);
}
