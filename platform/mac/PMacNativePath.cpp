#include "mac/PMacNativePath.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include "mac/PMacPathText.h"

bool PMacNativePath::ToUTF8(GString const& text, std::string& out) {
    out.clear();
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

bool PMacNativePath::FromUTF8(std::string const& bytes, GString& out) {
    out.Clear();
    std::u16string units;
    units.reserve(bytes.size());
    const auto* s = reinterpret_cast<uint8_t const*>(bytes.data());
    const int32_t n = static_cast<int32_t>(bytes.size());
    for (int32_t i = 0; i < n;) {
        UChar32 c;
        // U8_NEXT_OR_FFFD is not used: an ill-formed sequence must fail, not be replaced.
        U8_NEXT(s, i, n, c);
        if (c <= 0)
            return false;
        if (U_IS_BMP(c)) {
            units.push_back(static_cast<char16_t>(c));
        } else {
            units.push_back(U16_LEAD(c));
            units.push_back(U16_TRAIL(c));
        }
    }
    out = PMacPathText::FromUnits(units);
    return true;
}
