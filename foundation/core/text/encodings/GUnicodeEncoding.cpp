#include "core/text/encodings/GUnicodeEncoding.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

#include "core/base/GException.h"
#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/generated/GCompatCharTables.h"
#include "core/text/encodings/generated/GGlyphListTables.h"
#include "core/text/encodings/generated/GSingleByteTables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

GSharedObject<GUnicodeEncoding> GUnicodeEncoding::sInstance;
GDict<unsigned short, unsigned short>* GUnicodeEncoding::sUnicodeCompatCharsDict = nullptr;
GDict<unsigned short, GBuffer>* GUnicodeEncoding::sGlyphNames = nullptr;
GDict<unsigned short, GTable<GBuffer> >* GUnicodeEncoding::sGlyphNameTables = nullptr;
GDict<GBuffer, unsigned short>* GUnicodeEncoding::sCharCodes = nullptr;

namespace {

// ---- UTF-16 to single bytes ----

// The bytes of the values from U+0100 up: the first byte of the to-Unicode table that gives
// each value, sorted by value for a binary search.
class HighBytes {
public:
    HighBytes(uint16_t const* toUnicode, uint16_t preferred, uint8_t preferredByte) {
        if (preferred != 0)
            Add(preferred, preferredByte);
        for (int b = 0; b < 256; ++b)
            if (toUnicode[b] >= 0x100)
                Add(toUnicode[b], static_cast<uint8_t>(b));
        std::sort(mEntries.begin(), mEntries.begin() + mCount,
                  [](Entry const& a, Entry const& b) { return a.unicode < b.unicode; });
    }

    uint8_t Find(uint16_t unicode) const {
        Entry const* end = mEntries.data() + mCount;
        Entry const* at = std::lower_bound(mEntries.data(), end, unicode,
                                           [](Entry const& e, uint16_t u) { return e.unicode < u; });
        return at != end && at->unicode == unicode ? at->byte : 0;
    }

private:
    struct Entry {
        uint16_t unicode;
        uint8_t byte;
    };

    void Add(uint16_t unicode, uint8_t byte) {
        for (int i = 0; i < mCount; ++i)
            if (mEntries[i].unicode == unicode)
                return;
        mEntries[mCount++] = {unicode, byte};
    }

    std::array<Entry, 257> mEntries{};
    int mCount = 0;
};

HighBytes const& MacRomanHigh() {
    static HighBytes const table(cMacRomanToUnicode, 0, 0);
    return table;
}

HighBytes const& WinAnsiHigh() {
    // Six unused codes read as bullets too; the bullet itself is written as 0x95.
    static HighBytes const table(cWinAnsiToUnicode, 0x2022, 0x95);
    return table;
}

HighBytes const& PDFDocHigh() {
    static HighBytes const table(cPDFDocToUnicode, 0, 0);
    return table;
}

// Units first to last (at most 0x7F) are written as themselves; the caller's table gives the rest.
struct SingleByteTarget {
    uint8_t const* low;
    HighBytes const* high;
    uint16_t first;
    uint16_t last;

    uint8_t ByteOf(uint16_t unit) const {
        if (unit < 0x100)
            return low != nullptr ? low[unit] : (unit >= first && unit <= last ? static_cast<uint8_t>(unit) : 0);
        return high != nullptr ? high->Find(unit) : 0;
    }
};

int32_t EncodeSingleBytes(GBuffer const& source, GBuffer& output, SingleByteTarget const& target) {
    const int n = source.GetLength() / 2;
    output.Clear();
    if (n == 0)
        return GEncoding::kConvertOK;
    output.Allocate(n);
    unsigned char const* src = source.GetPtr();
    unsigned char* dst = output.GetWritePtr();
    const unsigned char fallback = GEncoding::GetDefaultByte();
    int32_t status = GEncoding::kConvertOK;
    int i = 0;
    while (i < n) {
        i += GEncodingKernels::NarrowRun(src + 2 * i, n - i, dst + i, target.first, target.last);
        // One block's worth one by one, then try the fast run again.
        for (const int stop = std::min(n, i + 8); i < stop; ++i) {
            uint8_t byte = target.ByteOf(GEncodingKernels::LoadUnit(src + 2 * i));
            if (byte == 0) {
                byte = fallback;
                status = GEncoding::kConvertLossy;
            }
            dst[i] = byte;
        }
    }
    output.SetLength(n);
    return status;
}

// ---- Glyph names ----

// The dingbat numbers "a1" to "a191": "a" and the decimal form of a number (no leading zero).
bool IsNeverPreferred(GBuffer const& name) {
    const int n = name.GetLength();
    unsigned char const* p = name.GetPtr();
    if (n < 2 || p[0] != 'a' || (p[1] == '0' && n > 2))
        return false;
    for (int i = 1; i < n; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return true;
}

// Only the list's first name is compared: a name that is not a dingbat number beats one that is,
// and within a class a strictly shorter name wins; every other name goes to the end.
void InsertByPreference(GTable<GBuffer>& names, GBuffer const& name) {
    GBuffer const& first = names[0];
    const bool firstNever = IsNeverPreferred(first);
    const bool nameNever = IsNeverPreferred(name);
    const bool wins = (firstNever && !nameNever) ||
                      (firstNever == nameNever && name.GetLength() < first.GetLength());
    if (wins)
        names.InsertItemAt(0, name);
    else
        names.AddItem(name);
}

bool FindValue(GDict<GBuffer, unsigned short> const& codes, GBuffer const& name, unsigned short& value) {
    int slot;
    if (!codes.GetExistingIndex(name, slot))
        return false;
    value = codes.GetValueAt(slot);
    return true;
}

// ---- Composition ----

// Characters that need no look at their neighbours: NFC quick check "yes" and combining class
// 0. A text made of them only is composed; the one before a character that is not such may
// still compose with it.
class StableUnits {
public:
    StableUnits() {
        for (UChar32 c = 0x300; c < 0x10000; ++c)
            if ((c < 0xD800 || c > 0xDFFF) && IsStable(c))
                mBits[c >> 6] |= uint64_t(1) << (c & 63);
        for (UChar32 c = 0; c < 0x300; ++c)
            mBits[c >> 6] |= uint64_t(1) << (c & 63);
    }

    bool Has(uint32_t unit) const { return (mBits[unit >> 6] >> (unit & 63) & 1) != 0; }

    // Whether every unit of the CJK ideographs U+3400 to U+9FFF is stable (so in every ICU we
    // know), checked once: text of those passes 8 units at a time too.
    static bool IdeographsStable() {
        static bool const stable = [] {
            for (UChar32 c = 0x3400; c <= 0x9FFF; ++c)
                if (!IsStable(c))
                    return false;
            return true;
        }();
        return stable;
    }

    static bool IsStable(UChar32 c) {
        return u_getIntPropertyValue(c, UCHAR_NFC_QUICK_CHECK) == UNORM_YES && u_getCombiningClass(c) == 0;
    }

private:
    std::array<uint64_t, 1024> mBits{};
};

// The index of the first character that is not stable, or n.
int FirstUnstableUnit(unsigned char const* units, int n) {
    // The table costs a look at every character of the BMP: made only for text beyond U+02FF.
    StableUnits const* stable = nullptr;
#if defined(__SSE2__)
    // Every unit below U+0300 is stable, and so are the CJK ideographs: such text passes 8 units
    // at a time, also between the other characters of a text.
    const __m128i limit = _mm_set1_epi16(0x02FF);
    const __m128i zero = _mm_setzero_si128();
    const __m128i ideographStart = _mm_set1_epi16(0x3400);
    const __m128i ideographLimit = _mm_set1_epi16(0x9FFF - 0x3400);
    // With the check failed, the range counts for nothing.
    const __m128i ideographsOn = _mm_set1_epi16(StableUnits::IdeographsStable() ? -1 : 0);
#endif
    for (int i = 0; i < n;) {
#if defined(__SSE2__)
        for (; i + 8 <= n; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(units + 2 * i));
            const __m128i latin = _mm_cmpeq_epi16(_mm_subs_epu16(v, limit), zero);
            const __m128i ideograph = _mm_and_si128(
                _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(v, ideographStart), ideographLimit), zero), ideographsOn);
            if (_mm_movemask_epi8(_mm_or_si128(latin, ideograph)) != 0xFFFF)
                break;
        }
#endif
        for (const int end = std::min(n, i + 8); i < end; ++i) {
            const uint32_t unit = GEncodingKernels::LoadUnit(units + 2 * i);
            if (unit < 0x300)
                continue;
            if (stable == nullptr) {
                static StableUnits const table;
                stable = &table;
            }
            if (stable->Has(unit))
                continue;
            if ((unit & 0xFC00) == 0xD800 && i + 1 < n) {
                const uint32_t low = GEncodingKernels::LoadUnit(units + 2 * i + 2);
                if ((low & 0xFC00) == 0xDC00 && StableUnits::IsStable(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00))) {
                    ++i;
                    continue;
                }
            }
            return i;
        }
    }
    return n;
}

UNormalizer2 const* NFC() {
    UErrorCode error = U_ZERO_ERROR;
    UNormalizer2 const* nfc = unorm2_getNFCInstance(&error);
    return U_SUCCESS(error) ? nfc : nullptr;
}

// Composes units [0, n) whose first `composed` units are known to be in NFC already; writes the
// result (and the odd byte, when there is one) into out. False when ICU fails.
bool Compose(UChar const* units, int n, int composed, unsigned char const* oddByte, GBuffer& out) {
    UNormalizer2 const* nfc = NFC();
    if (nfc == nullptr)
        return false;
    // NFC rarely grows text; a result that does not fit is made again at its measured size.
    int64_t capacity = static_cast<int64_t>(n) + 16;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (capacity * 2 + 1 > INT32_MAX - 2)
            throw GMemoryException();
        out.Clear();
        out.Allocate(static_cast<int>(capacity * 2 + 1));
        // An owned block from the allocator is aligned for 16-bit units.
        UChar* dst = reinterpret_cast<UChar*>(out.GetWritePtr());
        std::memcpy(dst, units, static_cast<std::size_t>(composed) * 2);
        UErrorCode error = U_ZERO_ERROR;
        const int32_t length = unorm2_normalizeSecondAndAppend(nfc, dst, composed, static_cast<int32_t>(capacity),
                                                               units + composed, n - composed, &error);
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            capacity = length;
            continue;
        }
        if (U_FAILURE(error))
            return false;
        if (oddByte != nullptr)
            reinterpret_cast<unsigned char*>(dst)[2 * length] = *oddByte;
        out.SetLength(2 * length + (oddByte != nullptr ? 1 : 0));
        return true;
    }
    return false;
}

} // namespace

GUnicodeEncoding::GUnicodeEncoding() = default;

GUnicodeEncoding::~GUnicodeEncoding() = default;

// ---- Conversions ----

int32_t GUnicodeEncoding::ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const {
    if (other == nullptr) {
        output.Clear();
        return kConvertFailed;
    }
    return other->ConvertTo(source, this, output);
}

int32_t GUnicodeEncoding::ConvertTo(GBuffer const& source, GUnicodeEncoding const*, GBuffer& output) const {
    if (&source != &output)
        output = source;
    return kConvertOK;
}

int32_t GUnicodeEncoding::ConvertTo(GBuffer const& source, GMacRomanEncoding const*, GBuffer& output) const {
    if (&source == &output)
        return EncodeMacRoman(GBuffer(source), output);
    return EncodeMacRoman(source, output);
}

int32_t GUnicodeEncoding::ConvertTo(GBuffer const& source, GASCIIEncoding const*, GBuffer& output) const {
    if (&source == &output)
        return EncodeASCII(GBuffer(source), output);
    return EncodeASCII(source, output);
}

int32_t GUnicodeEncoding::ConvertTo(GBuffer const& source, GWinAnsiEncoding const*, GBuffer& output) const {
    if (&source == &output)
        return EncodeWinAnsi(GBuffer(source), output);
    return EncodeWinAnsi(source, output);
}

int32_t GUnicodeEncoding::ConvertTo(GBuffer const& source, GCustomEncoding const* target, GBuffer& output) const {
    if (target == nullptr) {
        output.Clear();
        return kConvertFailed;
    }
    return target->ConvertFromUnicode(source, output);
}

int32_t GUnicodeEncoding::ConvertTo(GBuffer const& source, GPDFDocEncoding const*, GBuffer& output) const {
    if (&source == &output)
        return EncodePDFDoc(GBuffer(source), output);
    return EncodePDFDoc(source, output);
}

int32_t GUnicodeEncoding::EncodeMacRoman(GBuffer const& source, GBuffer& output) {
    return EncodeSingleBytes(source, output, {cUnicodeToMacRoman, &MacRomanHigh(), 0x20, 0x7E});
}

int32_t GUnicodeEncoding::EncodeASCII(GBuffer const& source, GBuffer& output) {
    return EncodeSingleBytes(source, output, {nullptr, nullptr, 0x07, 0x7F});
}

int32_t GUnicodeEncoding::EncodeWinAnsi(GBuffer const& source, GBuffer& output) {
    return EncodeSingleBytes(source, output, {cUnicodeToWinAnsi, &WinAnsiHigh(), 0x20, 0x7E});
}

int32_t GUnicodeEncoding::EncodePDFDoc(GBuffer const& source, GBuffer& output) {
    return EncodeSingleBytes(source, output, {cUnicodeToPDFDoc, &PDFDocHigh(), 0x20, 0x7E});
}

GBuffer const& GUnicodeEncoding::GetASCIIDescription() const {
    static GBuffer const description = StaticName("UnicodeEncoding");
    return description;
}

int GUnicodeEncoding::GetLength(unsigned char const* text) const {
    if (text == nullptr)
        return 0;
    int n = 0;
    while (GEncodingKernels::LoadUnit(text + n) != 0)
        n += 2;
    return n;
}

// ---- Tables ----

namespace {

// Started by Initialize; the tables are built by the first look-up after it, which makes a
// start cost nothing for a process that never asks for a glyph name.
std::atomic<bool> sTablesStarted{false};
std::atomic<bool> sTablesReady{false};
std::mutex sTablesMutex;

}  // namespace

void GUnicodeEncoding::Initialize() { sTablesStarted.store(true, std::memory_order_release); }

bool GUnicodeEncoding::EnsureTables() {
    if (sTablesReady.load(std::memory_order_acquire))
        return true;
    std::lock_guard<std::mutex> lock(sTablesMutex);
    if (!sTablesStarted.load(std::memory_order_acquire))
        return false;
    if (sTablesReady.load(std::memory_order_relaxed))
        return true;
    auto compat = std::make_unique<GDict<unsigned short, unsigned short> >(cUnicodeCompatCharCount);
    for (GCompatCharRow const& row : cUnicodeCompatChars)
        compat->Put(row.character, row.replacement);

    // A value sits in names while it has one name and moves to tables with its second.
    auto names = std::make_unique<GDict<unsigned short, GBuffer> >(cGlyphNameValueCount);
    auto tables = std::make_unique<GDict<unsigned short, GTable<GBuffer> > >(cGlyphNameMultiNameValueCount);
    auto codes = std::make_unique<GDict<GBuffer, unsigned short> >(cUnicodeGlyphNameRowCount);
    for (GGlyphNameRow const& row : cUnicodeGlyphNames) {
        const GBuffer name = StaticName(row.name);
        const unsigned short value = row.unicode;
        codes->Put(name, value);
        int slot;
        if (names->GetExistingIndex(value, slot)) {
            GTable<GBuffer> list;
            list.AddItem(names->GetValueAt(slot));
            InsertByPreference(list, name);
            tables->Put(value, list);
            names->Remove(value);
        } else if (tables->GetExistingIndex(value, slot)) {
            InsertByPreference(tables->GetValueAt(slot), name);
        } else {
            names->Put(value, name);
        }
    }
    sUnicodeCompatCharsDict = compat.release();
    sGlyphNames = names.release();
    sGlyphNameTables = tables.release();
    sCharCodes = codes.release();
    sTablesReady.store(true, std::memory_order_release);
    return true;
}

void GUnicodeEncoding::Finalize() {
    std::lock_guard<std::mutex> lock(sTablesMutex);
    sTablesStarted.store(false, std::memory_order_release);
    sTablesReady.store(false, std::memory_order_release);
    std::unique_ptr<GDict<unsigned short, unsigned short> > compat(sUnicodeCompatCharsDict);
    std::unique_ptr<GDict<unsigned short, GBuffer> > names(sGlyphNames);
    std::unique_ptr<GDict<unsigned short, GTable<GBuffer> > > tables(sGlyphNameTables);
    std::unique_ptr<GDict<GBuffer, unsigned short> > codes(sCharCodes);
    sUnicodeCompatCharsDict = nullptr;
    sGlyphNames = nullptr;
    sGlyphNameTables = nullptr;
    sCharCodes = nullptr;
}

GDict<GBuffer, unsigned short> const* GUnicodeEncoding::GetCharCodes() const {
    return EnsureTables() ? sCharCodes : nullptr;
}

// ---- Glyph names ----

void GUnicodeEncoding::GetGlyphNameTable(GCharCode const& code, GTable<GBuffer>& names) const {
    names.Resize(0);
    if (code.IsEmpty() || code.GetLength() > 2 || !EnsureTables())
        return;
    const unsigned short value = code;
    int slot;
    if (sGlyphNames->GetExistingIndex(value, slot)) {
        names.AddItem(sGlyphNames->GetValueAt(slot));
        return;
    }
    if (sGlyphNameTables->GetExistingIndex(value, slot))
        names = sGlyphNameTables->GetValueAt(slot);
}

bool GUnicodeEncoding::GetGlyphName(GCharCode const& code, GBuffer& name) const {
    name.Clear();
    if (code.IsEmpty() || code.GetLength() > 2 || !EnsureTables())
        return false;
    const unsigned short value = code;
    int slot;
    if (sGlyphNames->GetExistingIndex(value, slot))
        name = sGlyphNames->GetValueAt(slot);
    else if (sGlyphNameTables->GetExistingIndex(value, slot))
        name = sGlyphNameTables->GetValueAt(slot)[0];
    return !name.IsEmpty();
}

void GUnicodeEncoding::GetCharCode(GBuffer const& name, GCharCode& code) const {
    code.Clear();
    if (!EnsureTables())
        return;
    unsigned short value;
    if (FindValue(*sCharCodes, name, value)) {
        code.Set(value);
        return;
    }
    GetLigatureCharCode(name, code);
    if (!code.IsEmpty())
        return;
    // A variant such as "A.sc" or "f_i.alt" is the glyph before its suffix.
    const int dot = name.FindFirstOccurrence(static_cast<unsigned char>('.'), 1);
    if (dot < 1)
        return;
    const GBuffer base = name.GetSubBuffer(0, dot);
    if (FindValue(*sCharCodes, base, value)) {
        code.Set(value);
        return;
    }
    GetLigatureCharCode(base, code);
}

bool GUnicodeEncoding::TryGetGlyphUnit(GBuffer const& name, GBuffer& utf16) {
    utf16.Clear();
    GUnicodeEncoding const* unicode = GetInstance();
    if (unicode == nullptr)
        return false;
    GCharCode found;
    unicode->GetCharCode(name, found);
    if (found.GetLength() != 2)
        return false;
    found.GetUnicode(utf16);
    return true;
}

void GUnicodeEncoding::GetLigatureCharCode(GBuffer const& name, GCharCode& code) const {
    code.Clear();
    if (name.FindFirstOccurrence(static_cast<unsigned char>('_')) < 0 || !EnsureTables())
        return;
    unsigned char const* p = name.GetPtr();
    const int n = name.GetLength();
    GBuffer joined;
    joined.Allocate(n);
    for (int i = 0; i < n; ++i)
        if (p[i] != '_')
            joined += p[i];
    unsigned short value;
    if (FindValue(*sCharCodes, joined, value)) {
        code.Set(value);
        return;
    }
    unsigned char units[GCharCode::kMaxLength];
    int length = 0;
    GBuffer part;
    for (int start = 0; start < n;) {
        int end = name.FindFirstOccurrence(static_cast<unsigned char>('_'), start);
        if (end < 0)
            end = n;
        if (end > start) {
            part.SetFromStatic(reinterpret_cast<char const*>(p + start), end - start, end - start);
            // A code longer than 255 bytes cannot be held: such a name gets none.
            if (!FindValue(*sCharCodes, part, value) || length + 2 > GCharCode::kMaxLength)
                return;
            units[length++] = static_cast<unsigned char>(value >> 8);
            units[length++] = static_cast<unsigned char>(value);
        }
        start = end + 1;
    }
    code.Set(units, length);
}

bool GUnicodeEncoding::GetCompatChar(GCharCode const& code, GCharCode& replacement) const {
    if (code.GetLength() > 2 || !EnsureTables())
        return false;
    const unsigned short unit = code;
    int slot;
    if (!sUnicodeCompatCharsDict->GetExistingIndex(unit, slot))
        return false;
    replacement.Set(sUnicodeCompatCharsDict->GetValueAt(slot));
    return true;
}

// ---- Composition ----

void GUnicodeEncoding::EnsureComposedUnicode(GBuffer& text) const {
    const int n = text.GetLength() / 2;
    if (n == 0)
        return;
    unsigned char const* bytes = text.GetPtr();
    const int first = FirstUnstableUnit(bytes, n);
    if (first == n)
        return;
    UNormalizer2 const* nfc = NFC();
    if (nfc == nullptr)
        return;
    // Borrowed bytes need not be aligned for ICU's 16-bit reads.
    GBuffer aligned;
    if ((reinterpret_cast<uintptr_t>(bytes) & 1) != 0) {
        aligned.Set(bytes, text.GetLength());
        bytes = aligned.GetPtr();
    }
    UChar const* units = reinterpret_cast<UChar const*>(bytes);
    // The character before the first unstable one may be the starter it composes with.
    int from = first > 0 ? first - 1 : 0;
    if (from > 0 && U16_IS_TRAIL(units[from]) && U16_IS_LEAD(units[from - 1]))
        --from;
    UErrorCode error = U_ZERO_ERROR;
    const int composed = from + unorm2_spanQuickCheckYes(nfc, units + from, n - from, &error);
    if (U_FAILURE(error) || composed == n)
        return;
    unsigned char const* odd = (text.GetLength() & 1) != 0 ? bytes + 2 * n : nullptr;
    GBuffer result;
    if (Compose(units, n, composed, odd, result))
        text.Swap(result);
}

void GUnicodeEncoding::Normalize(GBuffer& text) const { EnsureComposedUnicode(text); }
