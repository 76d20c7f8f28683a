#include "core/text/encodings/GSimpleEncoding.h"

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/base/GException.h"
#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/generated/GSingleByteTables.h"
#include "core/text/encodings/GUnicodeEncoding.h"

namespace {

constexpr int kByteCount = 256;

void StoreUnit(unsigned char* dst, uint16_t unit) { std::memcpy(dst, &unit, 2); }

constexpr uint16_t cCarefulUnit = 0xFFFF;

#if defined(__x86_64__)
// 32 bytes at a time, each looked up in the 256 units by four 64-entry permutes; stops before the
// first block with a careful unit and returns how many bytes were written.
__attribute__((target("avx512f,avx512bw"))) int DecodeByPermutes(unsigned char const* src, int n, unsigned char* dst,
                                                                  uint16_t const* units) {
    __m512i table[8];
    for (int k = 0; k < 8; ++k)
        table[k] = _mm512_load_si512(units + 32 * k);
    const __m512i bit6 = _mm512_set1_epi16(0x40);
    const __m512i bit7 = _mm512_set1_epi16(0x80);
    const __m512i careful = _mm512_set1_epi16(static_cast<short>(cCarefulUnit));
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m512i bytes = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<__m256i const*>(src + i)));
        // Bits 0-5 pick an entry of a register pair, bits 6 and 7 the pair.
        const __m512i r0 = _mm512_permutex2var_epi16(table[0], bytes, table[1]);
        const __m512i r1 = _mm512_permutex2var_epi16(table[2], bytes, table[3]);
        const __m512i r2 = _mm512_permutex2var_epi16(table[4], bytes, table[5]);
        const __m512i r3 = _mm512_permutex2var_epi16(table[6], bytes, table[7]);
        const __mmask32 high6 = _mm512_test_epi16_mask(bytes, bit6);
        const __mmask32 high7 = _mm512_test_epi16_mask(bytes, bit7);
        const __m512i low = _mm512_mask_blend_epi16(high6, r0, r1);
        const __m512i high = _mm512_mask_blend_epi16(high6, r2, r3);
        const __m512i units32 = _mm512_mask_blend_epi16(high7, low, high);
        if (_mm512_cmpeq_epi16_mask(units32, careful) != 0)
            break;
        _mm512_storeu_si512(dst + 2 * i, units32);
    }
    return i;
}

const bool sHasPermutes = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#endif

// The glyph list lives in static tables; any UTF-16 encoding object reads them.
GUnicodeEncoding const& GlyphList() {
    static GUnicodeEncoding const spare;
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (unicode == nullptr)
        unicode = &spare;
    if (unicode->GetCharCodes() == nullptr)
        throw GException();
    return *unicode;
}

// Bytes in [first, first + span] become units of the same value, 16 at a time while a whole block
// qualifies; returns how many were written.
int DecodeDirectRun(unsigned char const* src, int n, unsigned char* dst, uint8_t first, uint8_t span) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi8(static_cast<char>(first));
    const __m128i width = _mm_set1_epi8(static_cast<char>(span));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(src + i));
        const __m128i offset = _mm_sub_epi8(v, low);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(offset, width), width)) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i + 16), _mm_unpackhi_epi8(v, zero));
    }
#else
    (void)src;
    (void)n;
    (void)dst;
    (void)first;
    (void)span;
#endif
    return i;
}

// The longest run of values whose entry says "itself"; false when there is none.
template <class Same>
bool LongestRun(Same same, uint8_t& first, uint8_t& last) {
    int bestFirst = 0;
    int bestLength = 0;
    for (int b = 0; b < kByteCount;) {
        if (!same(b)) {
            ++b;
            continue;
        }
        int end = b;
        while (end < kByteCount && same(end))
            ++end;
        if (end - b > bestLength) {
            bestFirst = b;
            bestLength = end - b;
        }
        b = end;
    }
    first = static_cast<uint8_t>(bestFirst);
    last = static_cast<uint8_t>(bestFirst + bestLength - 1);
    return bestLength > 0;
}

} // namespace

// The tables are made with the fill: an encoding that is never used touches no memory for them.
GSimpleEncoding::GSimpleEncoding(GBuffer const& description) : mDescription(description) {}

void GSimpleEncoding::MakeEmptyTables() {
    mNameIndex = GDict<GBuffer, unsigned char>(kByteCount);
    mUnicodeIndex = GDict<GCharCode, unsigned char>(kByteCount);
    mGlyphNames.Resize(kByteCount);
    mGlyphFlags.Resize(kByteCount);
    mUnicodeTexts.Resize(kByteCount);
    std::memset(mDecode, 0, sizeof mDecode);
    std::fill(std::begin(mDecodeUnits), std::end(mDecodeUnits), cCarefulUnit);
    std::memset(mEncodePageOf, 0, sizeof mEncodePageOf);
    mEncodePages.Resize(kByteCount);
}

GSimpleEncoding::~GSimpleEncoding() = default;

void GSimpleEncoding::EnsureFilled() const {
    if (mFilled.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::recursive_mutex> lock(mFillMutex);
    if (mFilling || mFilled.load(std::memory_order_relaxed))
        return;
    GSimpleEncoding& self = const_cast<GSimpleEncoding&>(*this);
    if (!mTablesMade) {
        self.MakeEmptyTables();
        mTablesMade = true;
    }
    mFilling = true;
    try {
        self.FillTables();
    } catch (...) {
        mFilling = false;
        throw;
    }
    // Cleared before the tables are published: a reader that sees them filled never reads it
    // while it changes.
    mFilling = false;
    self.FindDirectRuns();
    mFilled.store(true, std::memory_order_release);
}

void GSimpleEncoding::AddMapping(unsigned char byte, GBuffer const& name, GCharCode const& unicode, bool always) {
    EnsureFilled();
    if (always || !name.IsEmpty())
        SetName(byte, name);
    if (unicode.IsEmpty())
        return;
    SetUnicode(byte, unicode);
    // A fill finds the runs once at its end.
    if (!mFilling)
        FindDirectRuns();
}

void GSimpleEncoding::AddMapping(unsigned char byte, GBuffer const& name, unsigned short unicode) {
    AddMapping(byte, name, GCharCode(unicode), false);
}

void GSimpleEncoding::AddMapping(unsigned char byte, GBuffer const& name) {
    AddMapping(byte, name, GCharCode(), false);
}

void GSimpleEncoding::AddMapping(unsigned char byte, GCharCode const& unicode) {
    AddMapping(byte, GBuffer::cEmptyBuffer, unicode, false);
}

void GSimpleEncoding::AddMapping(unsigned char byte, unsigned short unicode) {
    AddMapping(byte, GBuffer::cEmptyBuffer, GCharCode(unicode), false);
}

void GSimpleEncoding::AddGlyphListMapping(unsigned char byte, char const* name) {
    const GBuffer glyph = StaticName(name);
    GCharCode unicode;
    GlyphList().GetCharCode(glyph, unicode);
    AddMapping(byte, glyph, unicode, false);
}

void GSimpleEncoding::AddLatinGlyphNames(uint8_t GLatinGlyphRow::*code) {
    for (GLatinGlyphRow const& row : cLatinGlyphNames)
        if (row.*code != 0)
            AddMapping(row.*code, StaticName(row.name));
}

void GSimpleEncoding::AddUnicodeValues(uint16_t const* toUnicode) {
    for (int byte = 0; byte < kByteCount; ++byte)
        if (toUnicode[byte] != 0)
            AddMapping(static_cast<unsigned char>(byte), static_cast<unsigned short>(toUnicode[byte]));
}

bool GSimpleEncoding::HasMapping(unsigned char byte) const {
    EnsureFilled();
    return mGlyphFlags[byte] || !mUnicodeTexts[byte].IsEmpty();
}

void GSimpleEncoding::SetName(unsigned char byte, GBuffer const& name) {
    mGlyphNames[byte] = name;
    mGlyphFlags[byte] = true;
    // An empty name names no glyph: indexed, it would turn every nameless glyph into this byte.
    if (name.IsEmpty())
        return;
    int slot;
    if (!mNameIndex.GetExistingIndex(name, slot))
        mNameIndex.Put(name, byte);
}

void GSimpleEncoding::SetUnicode(unsigned char byte, GCharCode const& unicode) {
    GBuffer& text = mUnicodeTexts[byte];
    unicode.GetUnicode(text);
    if (text.GetLength() == 2)
        mDecode[byte] = kSingleUnit | GEncodingKernels::LoadUnit(text.GetPtr());
    else
        mDecode[byte] = text.IsEmpty() ? 0 : kSeveralUnits;
    mDecodeUnits[byte] = text.GetLength() == 2 ? GEncodingKernels::LoadUnit(text.GetPtr()) : cCarefulUnit;

    int slot;
    if (!mUnicodeIndex.GetExistingIndex(unicode, slot)) {
        mUnicodeIndex.Put(unicode, byte);
        // The encoder looks up single units; longer codes are reached only through the index.
        if (unicode.GetLength() == 2)
            IndexUnit(static_cast<unsigned short>(unicode), byte);
    }
}

void GSimpleEncoding::FindDirectRuns() {
    auto decodesToItself = [this](int b) { return mDecode[b] == (kSingleUnit | static_cast<uint32_t>(b)); };
    uint16_t const* lowPage = &mEncodePages[mEncodePageOf[0] * kByteCount];
    auto encodesToItself = [lowPage](int u) { return lowPage[u] == (kHasByte | static_cast<uint16_t>(u)); };
    mDecodeRun.exists = LongestRun(decodesToItself, mDecodeRun.first, mDecodeRun.last);
    mEncodeRun.exists = LongestRun(encodesToItself, mEncodeRun.first, mEncodeRun.last);
}

void GSimpleEncoding::IndexUnit(uint16_t unit, unsigned char byte) {
    const int high = unit >> 8;
    if (mEncodePageOf[high] == 0) {
        const int pages = mEncodePages.GetCount() / kByteCount;
        mEncodePages.Resize((pages + 1) * kByteCount);
        mEncodePageOf[high] = static_cast<uint16_t>(pages);
    }
    mEncodePages[mEncodePageOf[high] * kByteCount + (unit & 0xFF)] = static_cast<uint16_t>(kHasByte | byte);
}

int32_t GSimpleEncoding::ConvertTo(GBuffer const& source, GUnicodeEncoding const* target, GBuffer& output) const {
    EnsureFilled();
    if (&source == &output) {
        GBuffer copy(source);
        return ConvertTo(copy, target, output);
    }
    const int n = source.GetLength();
    output.Clear();
    if (n == 0)
        return kConvertOK;
    if (n > (INT_MAX - 2) / 2)
        throw GMemoryException();
    output.Allocate(2 * n);
    unsigned char const* src = source.GetPtr();
    unsigned char* dst = output.GetWritePtr();
    uint32_t const* table = mDecode;
    const uint16_t fallback = GetDefaultUnit();
    int32_t status = kConvertOK;
    int i = 0;
    while (i < n) {
        if (mDecodeRun.exists)
            i += DecodeDirectRun(src + i, n - i, dst + 2 * i, mDecodeRun.first, mDecodeRun.last - mDecodeRun.first);
#if defined(__x86_64__)
        if (sHasPermutes)
            i += DecodeByPermutes(src + i, n - i, dst + 2 * i, mDecodeUnits);
#endif
        // A block without branches; only a block with a byte lacking one unit is looked at again.
        const int stop = std::min(n, i + 64);
        uint32_t all = kSingleUnit;
        int j = i;
        for (; j + 4 <= stop; j += 4) {
            const uint32_t e0 = table[src[j]];
            const uint32_t e1 = table[src[j + 1]];
            const uint32_t e2 = table[src[j + 2]];
            const uint32_t e3 = table[src[j + 3]];
            all &= e0 & e1 & e2 & e3;
            const uint64_t four = static_cast<uint64_t>(e0 & 0xFFFF) | static_cast<uint64_t>(e1 & 0xFFFF) << 16 |
                                  static_cast<uint64_t>(e2 & 0xFFFF) << 32 | static_cast<uint64_t>(e3 & 0xFFFF) << 48;
            std::memcpy(dst + 2 * j, &four, 8);
        }
        for (; j < stop; ++j) {
            const uint32_t entry = table[src[j]];
            StoreUnit(dst + 2 * j, static_cast<uint16_t>(entry));
            all &= entry;
        }
        for (j = i; all == 0 && j < stop; ++j) {
            const uint32_t entry = table[src[j]];
            if ((entry & kSingleUnit) != 0)
                continue;
            if (entry != 0) {
                output.SetLength(2 * j);
                return DecodeFrom(src, n, j, output) == kConvertOK ? status : kConvertLossy;
            }
            StoreUnit(dst + 2 * j, fallback);
            status = kConvertLossy;
        }
        i = stop;
    }
    output.SetLength(2 * n);
    return status;
}

int32_t GSimpleEncoding::DecodeFrom(unsigned char const* src, int n, int i, GBuffer& output) const {
    const uint16_t fallback = GetDefaultUnit();
    int32_t status = kConvertOK;
    for (; i < n; ++i) {
        GBuffer const& text = mUnicodeTexts[src[i]];
        if (text.IsEmpty()) {
            output += static_cast<unsigned short>(fallback);
            status = kConvertLossy;
        } else {
            output += text;
        }
    }
    return status;
}

int32_t GSimpleEncoding::ConvertFromUnicode(GBuffer const& source, GBuffer& output) const {
    EnsureFilled();
    if (&source == &output) {
        GBuffer copy(source);
        return ConvertFromUnicode(copy, output);
    }
    const int n = source.GetLength() / 2;
    output.Clear();
    if (n == 0)
        return kConvertOK;
    output.Allocate(n);
    unsigned char const* src = source.GetPtr();
    unsigned char* dst = output.GetWritePtr();
    uint16_t const* pages = &mEncodePages[0];
    uint16_t const* pageOf = mEncodePageOf;
    const unsigned char fallback = GetDefaultByte();
    bool missing = false;
    int i = 0;
    while (i < n) {
        if (mEncodeRun.exists)
            i += GEncodingKernels::NarrowRun(src + 2 * i, n - i, dst + i, mEncodeRun.first, mEncodeRun.last);
        for (const int stop = std::min(n, i + 16); i < stop; ++i) {
            const uint16_t unit = GEncodingKernels::LoadUnit(src + 2 * i);
            const uint16_t entry = pages[pageOf[unit >> 8] * kByteCount + (unit & 0xFF)];
            dst[i] = entry != 0 ? static_cast<unsigned char>(entry) : fallback;
            missing |= entry == 0;
        }
    }
    output.SetLength(n);
    return missing ? kConvertLossy : kConvertOK;
}

bool GSimpleEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const {
    EnsureFilled();
    name.Clear();
    if (code.GetLength() != 1)
        return false;
    const unsigned char byte = code;
    if (!mGlyphFlags[byte])
        return false;
    name = mGlyphNames[byte];
    return true;
}

void GSimpleEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const {
    EnsureFilled();
    code.Clear();
    int slot;
    if (mNameIndex.GetExistingIndex(name, slot))
        code.Set(mNameIndex.GetValueAt(slot));
}

GBuffer const& GSimpleEncoding::GetASCIIDescription() const { return mDescription; }
