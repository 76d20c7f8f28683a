#include "mac/PMacNativePath.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/PMacPathText.h"

namespace {

// Walks well-formed UTF-8 that holds no U+0000, appending the units when asked.
bool Decode(char const* bytes, std::size_t size, std::u16string* units) {
    const auto* s = reinterpret_cast<uint8_t const*>(bytes);
    const int32_t n = static_cast<int32_t>(size);
    for (int32_t i = 0; i < n;) {
        if (s[i] != 0 && s[i] < 0x80) {
            if (units != nullptr)
                units->push_back(static_cast<char16_t>(s[i]));
            ++i;
            continue;
        }
        UChar32 c;
        // U8_NEXT_OR_FFFD is not used: an ill-formed sequence must fail, not be replaced.
        U8_NEXT(s, i, n, c);
        if (c <= 0)
            return false;
        if (units == nullptr)
            continue;
        if (U_IS_BMP(c)) {
            units->push_back(static_cast<char16_t>(c));
        } else {
            units->push_back(U16_LEAD(c));
            units->push_back(U16_TRAIL(c));
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
    units.reserve(n);
    if (!AppendUnits(bytes, n, units))
        return false;
    out = PMacPathText::FromUnits(units);
    return true;
}

bool PMacNativePath::AppendUnits(char const* bytes, std::size_t n, std::u16string& units) {
    const std::size_t before = units.size();
    if (Decode(bytes, n, &units))
        return true;
    units.resize(before);
    return false;
}
