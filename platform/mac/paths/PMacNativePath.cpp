#include "mac/paths/PMacNativePath.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/paths/PMacPathText.h"

namespace {

// Walks well-formed UTF-8 that holds no U+0000: false for bytes that do not qualify. With
// out, writes their units there (never more units than bytes) and moves out past them.
bool Decode(char const* bytes, std::size_t size, char16_t** out) {
    const auto* s = reinterpret_cast<uint8_t const*>(bytes);
    const int32_t n = static_cast<int32_t>(size);
    for (int32_t i = 0; i < n;) {
        if (s[i] != 0 && s[i] < 0x80) {
            if (out != nullptr)
                *(*out)++ = static_cast<char16_t>(s[i]);
            ++i;
            continue;
        }
        UChar32 c;
        // U8_NEXT_OR_FFFD is not used: an ill-formed sequence must fail, not be replaced.
        U8_NEXT(s, i, n, c);
        if (c <= 0)
            return false;
        if (out == nullptr)
            continue;
        if (U_IS_BMP(c)) {
            *(*out)++ = static_cast<char16_t>(c);
        } else {
            *(*out)++ = U16_LEAD(c);
            *(*out)++ = U16_TRAIL(c);
        }
    }
    return true;
}

}  // namespace

bool PMacNativePath::ToUTF8(GString const& text, std::string& out) {
    out.clear();
    if (text.GetEncoding().Get() == GEncodingFallback::Get<GUTF8Encoding>()) {
        GBuffer const& bytes = text.GetEncodedBuffer();
        char const* data = reinterpret_cast<char const*>(bytes.GetPtr());
        const std::size_t n = static_cast<std::size_t>(bytes.GetLength());
        if (!Decode(data, n, nullptr))
            return false;
        out.assign(data, n);
        return true;
    }
    const std::u16string units = PMacPathText::Units(text);
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size();) {
        UChar32 c;
        U16_NEXT(units.data(), i, units.size(), c);
        if (c == 0 || U_IS_SURROGATE(c)) {
            out.clear();
            return false;
        }
        char bytes[4];
        int32_t n = 0;
        UBool error = false;
        U8_APPEND(bytes, n, 4, c, error);  // cannot fail: c is a scalar value and 4 bytes hold any
        (void)error;
        out.append(bytes, static_cast<std::size_t>(n));
    }
    return true;
}

bool PMacNativePath::FromUTF8(char const* bytes, std::size_t n, GString& out) {
    out.Clear();
    std::u16string units;
    if (!AppendUnits(bytes, n, units))
        return false;
    out = PMacPathText::FromUnits(units);
    return true;
}

bool PMacNativePath::AppendUnits(char const* bytes, std::size_t n, std::u16string& units) {
    const std::size_t before = units.size();
    units.resize(before + n);
    char16_t* end = &units[0] + before;
    const bool decoded = Decode(bytes, n, &end);
    units.resize(decoded ? static_cast<std::size_t>(end - units.data()) : before);
    return decoded;
}
