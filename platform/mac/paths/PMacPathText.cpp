#include "mac/paths/PMacPathText.h"

#include <cstring>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GUnitCase.h"
#include "core/text/GUnitHasher.h"

namespace {

// The lower-case of the code point at units[i]; returns the number of units read.
int LowerAt(char16_t const* units, std::size_t n, std::size_t i, char16_t out[2]) {
    return GUnitCase::Lower(units[i], i + 1 < n ? units[i + 1] : u'\0', out);
}

}  // namespace

std::u16string PMacPathText::Units(GString const& text) {
    // An empty text is not converted: shared empty paths stay untouched by readers.
    if (text.IsEmpty())
        return std::u16string();
    text.EnsureUnicode();
    GBuffer const& bytes = text.GetEncodedBuffer();
    std::u16string units(static_cast<std::size_t>(bytes.GetLength() / 2), u'\0');
    if (!units.empty())
        std::memcpy(&units[0], bytes.GetPtr(), units.size() * 2);
    return units;
}

GString PMacPathText::FromUnits(char16_t const* units, std::size_t n) {
    // Not composed again: the units come from composed text split and joined at separators.
    return GString(reinterpret_cast<unsigned char const*>(units), static_cast<int>(n * 2),
                   GEncodingFallback::Get<GUnicodeEncoding>(), false);
}

std::vector<std::u16string> PMacPathText::Split(std::u16string const& text, char16_t separator) {
    std::vector<std::u16string> parts;
    std::size_t b = 0;
    for (;;) {
        const std::size_t e = text.find(separator, b);
        parts.push_back(text.substr(b, e == std::u16string::npos ? std::u16string::npos : e - b));
        if (e == std::u16string::npos)
            return parts;
        b = e + 1;
    }
}

std::u16string PMacPathText::Join(std::vector<std::u16string> const& parts, char16_t separator) {
    std::u16string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text += separator;
        text += parts[i];
    }
    return text;
}

void PMacPathText::ToLower(std::u16string& units) {
    char16_t lower[2];
    for (std::size_t i = 0; i < units.size();) {
        const int n = LowerAt(units.data(), units.size(), i, lower);
        for (int k = 0; k < n; ++k)
            units[i + k] = lower[k];
        i += static_cast<std::size_t>(n);
    }
}

uint32_t PMacPathText::HashIgnoringCase(unsigned char const* bytes, std::size_t n) noexcept {
    GUnitHasher hasher(n);
    auto load = [bytes](std::size_t i) {
        char16_t unit;
        std::memcpy(&unit, bytes + 2 * i, 2);
        return unit;
    };
    char16_t pair[2];
    char16_t lower[2];
    for (std::size_t i = 0; i < n;) {
        pair[0] = load(i);
        pair[1] = i + 1 < n ? load(i + 1) : 0;
        const int m = LowerAt(pair, i + 1 < n ? 2 : 1, 0, lower);
        for (int u = 0; u < m; ++u)
            hasher.Add(lower[u]);
        i += static_cast<std::size_t>(m);
    }
    return hasher.Finish();
}

bool PMacPathText::EqualIgnoringCase(char16_t const* a, std::size_t na, char16_t const* b, std::size_t nb) {
    // Folding keeps the unit count, so texts of different lengths never fold alike.
    if (na != nb)
        return false;
    if (std::memcmp(a, b, na * 2) == 0)
        return true;
    std::size_t i = 0;
    for (; i < na; ++i) {
        const char16_t ua = a[i];
        const char16_t ub = b[i];
        if (ua == ub && ua < 0x80)
            continue;
        if (ua >= 0x80 || ub >= 0x80)
            break;
        if ((ua | 0x20) != (ub | 0x20) || (ua | 0x20) < u'a' || (ua | 0x20) > u'z')
            return false;
    }
    if (i == na)
        return true;
    // Beyond ASCII: fold the rest exactly as ToLower does (a pair folds as one code point).
    // The units before i are ASCII, so i starts a code point in both.
    std::u16string restA(a + i, na - i);
    std::u16string restB(b + i, nb - i);
    ToLower(restA);
    ToLower(restB);
    return restA == restB;
}
