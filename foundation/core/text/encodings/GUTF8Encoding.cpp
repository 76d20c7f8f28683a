#include "core/text/encodings/GUTF8Encoding.h"

#include <climits>
#include <cstring>

#include "core/base/GException.h"
#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/GUnicodeEncoding.h"

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

// Widens whole blocks of 16 ASCII bytes (zero bytes included) while there are; sets zero when
// one was met.
inline void WidenASCIIBlocks(unsigned char const*& p, unsigned char const* end, unsigned char*& d, bool& zero) {
#if defined(__SSE2__)
    const __m128i none = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(p));
        if (_mm_movemask_epi8(v) != 0)
            break;
        zero |= _mm_movemask_epi8(_mm_cmpeq_epi8(v, none)) != 0;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi8(v, none));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), _mm_unpackhi_epi8(v, none));
        d += 32;
        p += 16;
    }
#else
    (void)p;
    (void)end;
    (void)d;
    (void)zero;
#endif
}

// Narrows whole blocks of 8 units below 0x80 while there are.
inline void NarrowASCIIBlocks(unsigned char const*& p, unsigned char const* end, unsigned char*& d) {
    const int n = GEncodingKernels::NarrowRun(p, static_cast<int>((end - p) / 2), d, 0, 0x7F);
    p += 2 * n;
    d += n;
}

} // namespace

GUTF8Encoding::GUTF8Encoding() = default;

GUTF8Encoding::~GUTF8Encoding() = default;

namespace {

// Decodes the character at p. Unchecked calls need 4 readable bytes at p, so that no sequence
// can reach past the end. False for an ill-formed or cut sequence (p then stays at its start).
template <bool kChecked>
inline bool DecodeOne(unsigned char const*& p, unsigned char const* end, unsigned char*& d, bool& zero) {
    const uint32_t b0 = p[0];
    if (b0 < 0x80) {
        zero |= b0 == 0;
        StoreUnit(d, b0);
        ++p;
        return true;
    }
    const std::ptrdiff_t left = kChecked ? end - p : 4;
    if (b0 >= 0xE0 && b0 < 0xF0) {
        // Encoded surrogates (ED A0 80 to ED BF BF) are kept: this encoder writes lone ones.
        if (left < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2]) || (b0 == 0xE0 && p[1] < 0xA0))
            return false;
        StoreUnit(d, (b0 & 0x0F) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu));
        p += 3;
        return true;
    }
    if (b0 >= 0xC2 && b0 < 0xE0) {
        if (left < 2 || !IsContinuation(p[1]))
            return false;
        StoreUnit(d, (b0 & 0x1F) << 6 | (p[1] & 0x3Fu));
        p += 2;
        return true;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        // F0 80 to F0 8F is overlong, F4 90 and up passes U+10FFFF.
        if (left < 4 || !IsContinuation(p[1]) || !IsContinuation(p[2]) || !IsContinuation(p[3]) ||
            (b0 == 0xF0 && p[1] < 0x90) || (b0 == 0xF4 && p[1] >= 0x90))
            return false;
        const uint32_t c = (b0 & 0x07) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
        StoreUnit(d, 0xD800 | ((c - 0x10000) >> 10));
        StoreUnit(d, 0xDC00 | (c & 0x3FF));
        p += 4;
        return true;
    }
    // A stray continuation byte, an overlong lead (C0, C1) or F5 to FF; only C0 80 (U+0000) is kept.
    if (b0 == 0xC0 && left >= 2 && p[1] == 0x80) {
        StoreUnit(d, 0);
        p += 2;
        return true;
    }
    return false;
}

} // namespace

int32_t GUTF8Encoding::DecodeUTF8(unsigned char const* s, int n, GBuffer& utf16) {
    if (s == nullptr || n <= 0) {
        utf16.Clear();
        return kConvertOK;
    }
    // Every byte gives at most one unit (four bytes give two).
    unsigned char* const base = Reserve(utf16, 2LL * n);
    unsigned char* d = base;
    unsigned char const* p = s;
    unsigned char const* const end = s + n;
    bool zero = false;
    bool failed = false;
    while (end - p >= 4) {
        if (p[0] < 0x80) {
            WidenASCIIBlocks(p, end, d, zero);
            // The rest of the run, or a short run between other characters, byte by byte.
            while (p < end && p[0] < 0x80) {
                zero |= p[0] == 0;
                StoreUnit(d, *p++);
            }
            continue;
        }
        if (!DecodeOne<false>(p, end, d, zero)) {
            failed = true;
            break;
        }
    }
    while (!failed && p < end)
        failed = !DecodeOne<true>(p, end, d, zero);
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
    unsigned char const* p = u;
    unsigned char const* const end = u + 2 * n;
    int asciiRun = 16;
    while (p < end) {
        const uint32_t unit = GEncodingKernels::LoadUnit(p);
        p += 2;
        if (unit < 0x80) {
            *d++ = static_cast<unsigned char>(unit);
            if (--asciiRun == 0) {
                NarrowASCIIBlocks(p, end, d);
                asciiRun = 16;
            }
            continue;
        }
        asciiRun = 16;
        if (unit < 0x800) {
            d[0] = static_cast<unsigned char>(0xC0 | unit >> 6);
            d[1] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
            d += 2;
            continue;
        }
        if ((unit & 0xFC00) == 0xD800 && p < end && (GEncodingKernels::LoadUnit(p) & 0xFC00) == 0xDC00) {
            const uint32_t c = 0x10000 + ((unit - 0xD800u) << 10) + (GEncodingKernels::LoadUnit(p) - 0xDC00u);
            p += 2;
            d[0] = static_cast<unsigned char>(0xF0 | (c >> 18 & 0x07));
            d[1] = static_cast<unsigned char>(0x80 | (c >> 12 & 0x3F));
            d[2] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
            d[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
            d += 4;
            continue;
        }
        // Lone surrogates included: the decoder takes them back.
        d[0] = static_cast<unsigned char>(0xE0 | unit >> 12);
        d[1] = static_cast<unsigned char>(0x80 | (unit >> 6 & 0x3F));
        d[2] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        d += 3;
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
    GBuffer utf16;
    if (!GUnicodeEncoding::TryGetGlyphUnit(name, utf16))
        return;
    GBuffer utf8;
    EncodeUTF16(utf16.GetPtr(), utf16.GetLength(), utf8);
    code.Set(utf8);
}

GBuffer const& GUTF8Encoding::GetASCIIDescription() const {
    static GBuffer const description = StaticName("UTF-8Encoding");
    return description;
}
