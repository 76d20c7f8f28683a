#pragma once
// GEncodingKernels: the small loops that several encodings' converters share, so that the fast
// paths of the UTF-16, UTF-8 and single-byte encoders agree unit for unit.
//
// Callers may rely on:
// - UTF-16 units are read in machine order from any address (no alignment needed).
// - IsASCIIIdentity tells whether every byte is one that GASCIIEncoding reads as the unit of the
//   same value (0x07 to 0x7F): exactly the bytes its conversion takes without loss.
// - NarrowRun handles whole blocks of 8 units only, and stops at the first block holding a unit
//   outside the range; the caller converts from the returned count on. Without SSE2 it returns 0.
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class GEncodingKernels {
public:
    GEncodingKernels() = delete;

    static uint16_t LoadUnit(unsigned char const* src) {
        uint16_t unit;
        std::memcpy(&unit, src, 2);
        return unit;
    }

    static bool IsASCIIIdentity(unsigned char const* src, int n) {
        // A flag per byte without a way out, which vectorises; keys and names are short.
        unsigned char other = 0;
        for (int i = 0; i < n; ++i)
            other |= static_cast<unsigned char>(static_cast<unsigned char>(src[i] - 0x07) > 0x78);
        return other == 0;
    }

    // Writes the units of src (n units) that lie in [first, last] as bytes of the same value,
    // while a whole block of 8 does; first <= last <= 0xFF. Returns how many units were written.
    static int NarrowRun(unsigned char const* src, int n, unsigned char* dst, uint16_t first, uint16_t last) {
        int i = 0;
#if defined(__SSE2__)
        // Offsets from first compare unsigned: units below first wrap round to large ones.
        const __m128i low = _mm_set1_epi16(static_cast<short>(first));
        const __m128i span = _mm_set1_epi16(static_cast<short>(last - first));
        const __m128i zero = _mm_setzero_si128();
        for (; i + 8 <= n; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(src + 2 * i));
            const __m128i beyond = _mm_subs_epu16(_mm_sub_epi16(v, low), span);
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(beyond, zero)) != 0xFFFF)
                break;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(v, v));
        }
#else
        (void)src;
        (void)n;
        (void)dst;
        (void)first;
        (void)last;
#endif
        return i;
    }
};
