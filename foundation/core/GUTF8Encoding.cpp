#include "GUTF8Encoding.h"

#include <climits>
#include <cstring>

#include "GCharCode.h"
#include "GException.h"
#include "GUnicodeEncoding.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

GSharedObject<GUTF8Encoding> GUTF8Encoding::sInstance;

namespace {

// Room for n bytes of output, taken once: conversions write through the raw pointer.
unsigned char* Reserve(GBuffer& out, long long n) {
    if (n > INT_MAX - 2)
        throw GMemoryException();
    out.Clear();
    out.Allocate(static_cast<int>(n));
    return out.GetWritePtr();
}

inline void StoreUnit(unsigned char*& d, uint32_t unit) {
    const uint16_t u = static_cast<uint16_t>(unit);
    std::memcpy(d, &u, 2);
    d += 2;
}

inline bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Widens a run of ASCII bytes (zero bytes included) 16 at a time; sets zero when one was met.
inline void WidenASCII(unsigned char const* s, int n, int& i, unsigned char*& d, bool& zero) {
#if defined(__SSE2__)
    const __m128i none = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(s + i));
        if (_mm_movemask_epi8(v) != 0)
            return;
        zero |= _mm_movemask_epi8(_mm_cmpeq_epi8(v, none)) != 0;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi8(v, none));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), _mm_unpackhi_epi8(v, none));
        d += 32;
    }
#else
    (void)s;
    (void)n;
    (void)i;
    (void)d;
    (void)zero;
#endif
}

// Narrows a run of units below 0x80, 8 at a time.
inline void NarrowASCII(unsigned char const* u, int n, int& i, unsigned char*& d) {
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i none = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(u + 2 * i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), none)) != 0xFFFF)
            return;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(v, v));
        d += 8;
    }
#else
    (void)u;
    (void)n;
    (void)i;
    (void)d;
#endif
}

GBuffer StaticName(char const* text) {
    GBuffer name;
    name.SetFromStatic(text);
    return name;
}

} // namespace

GUTF8Encoding::GUTF8Encoding() = default;

GUTF8Encoding::~GUTF8Encoding() = default;

int32_t GUTF8Encoding::DecodeUTF8(unsigned char const* s, int n, GBuffer& utf16) {
    if (s == nullptr || n <= 0) {
        utf16.Clear();
        return kConvertOK;
    }
    // Every byte gives at most one unit (four bytes give two).
    unsigned char* const base = Reserve(utf16, 2LL * n);
    unsigned char* d = base;
    bool zero = false;
    bool failed = false;
    int i = 0;
    while (i < n) {
        WidenASCII(s, n, i, d, zero);
        if (i >= n)
            break;
        const uint32_t b0 = s[i];
        if (b0 < 0x80) {
            zero |= b0 == 0;
            StoreUnit(d, b0);
            ++i;
            continue;
        }
        if (b0 < 0xC2) {
            // A stray continuation byte or an overlong lead; only C0 80 (U+0000) is kept.
            if (b0 == 0xC0 && i + 1 < n && s[i + 1] == 0x80) {
                StoreUnit(d, 0);
                i += 2;
                continue;
            }
            failed = true;
            break;
        }
        if (b0 < 0xE0) {
            if (i + 1 >= n || !IsContinuation(s[i + 1])) {
                failed = true;
                break;
            }
            StoreUnit(d, (b0 & 0x1F) << 6 | (s[i + 1] & 0x3Fu));
            i += 2;
            continue;
        }
        if (b0 < 0xF0) {
            // Encoded surrogates (ED A0 80 to ED BF BF) are kept: this encoder writes lone ones.
            if (i + 2 >= n || !IsContinuation(s[i + 1]) || !IsContinuation(s[i + 2]) ||
                (b0 == 0xE0 && s[i + 1] < 0xA0)) {
                failed = true;
                break;
            }
            StoreUnit(d, (b0 & 0x0F) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu));
            i += 3;
            continue;
        }
        // F0 80 to F0 8F is overlong, F4 90 and up passes U+10FFFF, F5 to FF lead nothing.
        if (b0 > 0xF4 || i + 3 >= n || !IsContinuation(s[i + 1]) || !IsContinuation(s[i + 2]) ||
            !IsContinuation(s[i + 3]) || (b0 == 0xF0 && s[i + 1] < 0x90) || (b0 == 0xF4 && s[i + 1] >= 0x90)) {
            failed = true;
            break;
        }
        const uint32_t c = (b0 & 0x07) << 18 | (s[i + 1] & 0x3Fu) << 12 | (s[i + 2] & 0x3Fu) << 6 | (s[i + 3] & 0x3Fu);
        StoreUnit(d, 0xD800 | ((c - 0x10000) >> 10));
        StoreUnit(d, 0xDC00 | (c & 0x3FF));
        i += 4;
    }
    utf16.SetLength(static_cast<int>(d - base));
    if (failed)
        return kConvertFailed;
    return zero ? kConvertLossy : kConvertOK;
}

void GUTF8Encoding::EncodeUTF16(unsigned char const* u, int byteCount, GBuffer& utf8) {
    const int n = byteCount / 2;
    if (u == nullptr || n <= 0) {
        utf8.Clear();
        return;
    }
    // A unit gives at most three bytes (a pair four).
    unsigned char* const base = Reserve(utf8, 3LL * n);
    unsigned char* d = base;
    int i = 0;
    while (i < n) {
        NarrowASCII(u, n, i, d);
        if (i >= n)
            break;
        uint16_t unit;
        std::memcpy(&unit, u + 2 * i, 2);
        ++i;
        if (unit < 0x80) {
            *d++ = static_cast<unsigned char>(unit);
            continue;
        }
        if (unit < 0x800) {
            *d++ = static_cast<unsigned char>(0xC0 | unit >> 6);
            *d++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && i < n) {
            uint16_t low;
            std::memcpy(&low, u + 2 * i, 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                ++i;
                const uint32_t c = 0x10000 + ((unit - 0xD800u) << 10) + (low - 0xDC00u);
                *d++ = static_cast<unsigned char>(0xF0 | (c >> 18 & 0x07));
                *d++ = static_cast<unsigned char>(0x80 | (c >> 12 & 0x3F));
                *d++ = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
                *d++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
                continue;
            }
        }
        // Lone surrogates included: the decoder takes them back.
        *d++ = static_cast<unsigned char>(0xE0 | unit >> 12);
        *d++ = static_cast<unsigned char>(0x80 | (unit >> 6 & 0x3F));
        *d++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
    }
    utf8.SetLength(static_cast<int>(d - base));
}

int32_t GUTF8Encoding::ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const {
    if (&source == &output) {
        GBuffer copy(source);
        return ConvertFrom(copy, other, output);
    }
    output.Clear();
    if (other == nullptr)
        return kConvertFailed;
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    // UTF-16 decodes to itself: skip the copy.
    if (other == unicode || dynamic_cast<GUnicodeEncoding const*>(other) != nullptr) {
        EncodeUTF16(source.GetPtr(), source.GetLength(), output);
        return kConvertOK;
    }
    GBuffer utf16;
    const int32_t status = other->ConvertTo(source, unicode, utf16);
    if ((status & kConvertFailed) != 0)
        return kConvertFailed;
    EncodeUTF16(utf16.GetPtr(), utf16.GetLength(), output);
    return status;
}

int32_t GUTF8Encoding::ConvertTo(GBuffer const& source, GUnicodeEncoding const*, GBuffer& output) const {
    if (&source == &output) {
        GBuffer copy(source);
        return DecodeUTF8(copy.GetPtr(), copy.GetLength(), output);
    }
    return DecodeUTF8(source.GetPtr(), source.GetLength(), output);
}

bool GUTF8Encoding::GetGlyphName(GCharCode const& code, GBuffer& name) const {
    name.Clear();
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (unicode == nullptr)
        return false;
    GBuffer utf16;
    if (DecodeUTF8(code.Get(), code.GetLength(), utf16) != kConvertOK)
        return false;
    GCharCode unit;
    unit.SetUnicode(utf16);
    return unicode->GetGlyphName(unit, name);
}

void GUTF8Encoding::GetCharCode(GBuffer const& name, GCharCode& code) const {
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
    GBuffer utf8;
    EncodeUTF16(utf16.GetPtr(), utf16.GetLength(), utf8);
    code.Set(utf8);
}

GBuffer const& GUTF8Encoding::GetASCIIDescription() const {
    static GBuffer const description = StaticName("UTF-8Encoding");
    return description;
}
