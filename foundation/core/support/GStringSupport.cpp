#include "core/support/GStringSupport.h"

#include <algorithm>
#include <atomic>
#include <array>
#include <initializer_list>
#include <cstring>
#include <stdexcept>
#include <string>

#include <boost/regex.hpp>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "core/base/GException.h"
#include "core/streams/GDecryptInStream.h"
#include "core/streams/GEncryptOutStream.h"
#include "core/streams/GHexDecode.h"
#include "core/streams/GHexEncode.h"
#include "core/streams/GMemoryInStream.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/support/GBufferSupport.h"
#include "core/support/GRegExpSupport.h"
#include "core/support/GStreamSupport.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"

namespace {

constexpr unsigned short cOpenParenthesis = '(';
constexpr unsigned short cCloseParenthesis = ')';
constexpr unsigned short cAtSign = '@';
constexpr unsigned short cBlank = ' ';

GUnicodeEncoding* Unicode() { return GUnicodeEncoding::GetInstance(); }

bool IsUnicode(GEncoding const* encoding) {
    return encoding != nullptr && dynamic_cast<GUnicodeEncoding const*>(encoding) != nullptr;
}

// The UTF-16 text of a string (composed unless it is already UTF-16).
GBuffer Units(GString const& text) { return text.GetBuffer(Unicode()); }

int UnitCount(GBuffer const& units) { return units.GetLength() / 2; }

unsigned short UnitAt(GBuffer const& units, int index) {
    return GEncodingKernels::LoadUnit(units.GetPtr() + 2 * index);
}

// Escaping results are taken as they are: composing them could merge an escape letter with a
// combining mark that follows it.
void SetUnits(GString& text, GBuffer const& units) { text.Set(units, Unicode(), false); }

// Units [from, to) as a UTF-16 string, not composed again.
GString UnitsBetween(GBuffer const& units, int from, int to) {
    if (to <= from)
        return GString(GBuffer(), Unicode(), false);
    return GString(units.GetSubBuffer(2 * from, 2 * (to - from)), Unicode(), false);
}

// ---- Encoding detection ----

using EncodingList = std::array<GEncoding const*, 7>;

EncodingList DefaultOrder() {
    return {GASCIIEncoding::GetInstance(), GWinAnsiEncoding::GetInstance(), GMacRomanEncoding::GetInstance(),
            GPlatformEncoding::GetInstance(),  GPDFDocEncoding::GetInstance(), GShiftJISEncoding::GetInstance(),
            Unicode()};
}

bool StartsWith(GBuffer const& bytes, std::initializer_list<unsigned char> mark) {
    if (bytes.GetLength() < static_cast<int>(mark.size()))
        return false;
    return std::memcmp(bytes.GetPtr(), mark.begin(), mark.size()) == 0;
}

// The bytes after a mark, with a dangling odd byte left out: no conversion reads it, and a
// string that kept it would shift every unit appended later.
GBuffer AfterMark(GBuffer const& bytes, int markLength, bool wholeUnits) {
    int n = bytes.GetLength() - markLength;
    if (wholeUnits)
        n &= ~1;
    return GBuffer(bytes.GetPtr() + markLength, n);
}

bool AssignMarkedUnicode(GBuffer const& bytes, GString& out) {
    const bool bigEndian = StartsWith(bytes, {0xFE, 0xFF});
    if (!bigEndian && !StartsWith(bytes, {0xFF, 0xFE}))
        return false;
    if (Unicode() == nullptr)
        return false;
    GBuffer units = AfterMark(bytes, 2, true);
    if (bigEndian)
        GBufferSupport::SwapBigEndian(units);
    else
        GBufferSupport::SwapLittleEndian(units);
    GBufferSupport::RemoveUnicodeLanguageTags(units);
    GBufferSupport::StripTrailingZeroes(units, true);
    out.Set(units, Unicode());
    return true;
}

bool AssignMarkedUTF8(GBuffer const& bytes, GString& out) {
    GUTF8Encoding* utf8 = GUTF8Encoding::GetInstance();
    if (utf8 == nullptr || !StartsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return false;
    GBuffer text = AfterMark(bytes, 3, false);
    GBufferSupport::StripTrailingZeroes(text, false);
    if (!GString::AreCompatible(text, utf8))
        return false;
    out.Set(text, utf8);
    return true;
}

// A zero byte followed, anywhere later, by a non-zero byte: zeros only at the end do not count.
bool IsWide(GBuffer const& bytes) {
    const int zero = bytes.FindFirstOccurrence(static_cast<unsigned char>(0), 0);
    if (zero < 0)
        return false;
    unsigned char const* p = bytes.GetPtr();
    for (int i = zero + 1; i < bytes.GetLength(); ++i)
        if (p[i] != 0)
            return true;
    return false;
}

bool HoldsUnicode(GTable<GEncoding*> const& candidates) {
    for (GEncoding const* candidate : candidates)
        if (IsUnicode(candidate))
            return true;
    return false;
}

// Zero bytes at even offsets only mean big-endian, at odd offsets only little-endian.
void BringToMachineOrder(GBuffer& units) {
    bool zeroEven = false;
    bool zeroOdd = false;
    unsigned char const* p = units.GetPtr();
    for (int i = 0; i + 1 < units.GetLength(); i += 2) {
        zeroEven = zeroEven || p[i] == 0;
        zeroOdd = zeroOdd || p[i + 1] == 0;
    }
    if (zeroEven && !zeroOdd)
        GBufferSupport::SwapBigEndian(units);
    else if (zeroOdd && !zeroEven)
        GBufferSupport::SwapLittleEndian(units);
}

// Always clean: UTF-16 decodes to itself, lone surrogates included.
bool TryUnicode(GBuffer const& bytes, GUnicodeEncoding const* unicode, GString& out) {
    GBuffer units = AfterMark(bytes, 0, true);
    GBufferSupport::StripTrailingZeroes(units, true);
    BringToMachineOrder(units);
    out.Set(units, unicode);
    return true;
}

bool DecodesCleanly(GBuffer const& text, GEncoding const* encoding) {
    GBuffer decoded;
    return encoding->ConvertTo(text, Unicode(), decoded) == GEncoding::kConvertOK;
}

bool TryWhole(GBuffer const& bytes, GEncoding const* encoding, GString& out) {
    if (!DecodesCleanly(bytes, encoding))
        return false;
    out.Set(bytes, encoding);
    return true;
}

bool TryBytes(GBuffer const& bytes, GEncoding const* encoding, GString& out) {
    unsigned char const* p = bytes.GetPtr();
    int n = bytes.GetLength();
    while (n > 0 && p[n - 1] == 0)
        --n;
    if (n == bytes.GetLength())
        return TryWhole(bytes, encoding, out);
    // Borrowed, not copied, since most candidates fail; the byte after the text is a zero.
    GBuffer text;
    text.SetFromStatic(reinterpret_cast<char const*>(p), n, n + 1);
    if (!DecodesCleanly(text, encoding))
        return false;
    out.Set(GBuffer(p, n), encoding);
    return true;
}

bool TryEncoding(GBuffer const& bytes, GEncoding const* encoding, GString& out) {
    if (encoding == nullptr)
        return false;
    if (IsUnicode(encoding))
        return TryUnicode(bytes, static_cast<GUnicodeEncoding const*>(encoding), out);
    return TryBytes(bytes, encoding, out);
}

template <class List>
bool TryInOrder(GBuffer const& bytes, List const& encodings, GString& out) {
    for (GEncoding const* encoding : encodings)
        if (TryEncoding(bytes, encoding, out))
            return true;
    return false;
}

bool Assign(GBuffer const& bytes, GString& out, GTable<GEncoding*> const& candidates) {
    if (AssignMarkedUnicode(bytes, out) || AssignMarkedUTF8(bytes, out))
        return true;
    if (IsWide(bytes)) {
        if (candidates.GetCount() == 0 || HoldsUnicode(candidates))
            return TryEncoding(bytes, Unicode(), out);
        return false;
    }
    if (candidates.GetCount() == 0)
        return TryInOrder(bytes, DefaultOrder(), out);
    return TryInOrder(bytes, candidates, out);
}

// ---- Natural order ----

struct Units16 {
    unsigned char const* bytes;
    int count;

    unsigned short At(int i) const { return GEncodingKernels::LoadUnit(bytes + 2 * i); }
    void Drop(int n) {
        bytes += 2 * n;
        count -= n;
    }
};

bool IsDigit(unsigned short unit) { return unit >= '0' && unit <= '9'; }

int DigitRun(Units16 const& text) {
    int n = 0;
    while (n < text.count && IsDigit(text.At(n)))
        ++n;
    return n;
}

// Digit runs by value, however long: leading zeros skipped, then length, then digits.
int CompareNumbers(Units16 a, int lengthA, Units16 b, int lengthB) {
    while (lengthA > 0 && a.At(0) == '0') {
        a.Drop(1);
        --lengthA;
    }
    while (lengthB > 0 && b.At(0) == '0') {
        b.Drop(1);
        --lengthB;
    }
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    for (int i = 0; i < lengthA; ++i)
        if (a.At(i) != b.At(i))
            return a.At(i) < b.At(i) ? -1 : 1;
    return 0;
}

// ---- Numeric suffix ----

// The decimal form of an int exactly as the integer constructor writes it.
bool ReadCanonicalNumber(GString const& text, long long& value) {
    const int number = text.GetInt32();
    if (GString(number) != text)
        return false;
    value = number;
    return true;
}

GString MakeSuffix(long long number) { return GString("(") + GString(number) + GString(")"); }

// ---- Patterns ----

// The pattern lower-cased outside ASCII only: ASCII letters are left to the matcher's
// case-insensitive mode, since lowering them would turn escapes like \D or \S into others.
GString LowerOutsideASCII(GString const& pattern) {
    GBuffer units = Units(pattern);
    GString lowered(pattern);
    lowered.ToLower();
    GBuffer const lower = Units(lowered);
    if (lower.GetLength() != units.GetLength())
        return pattern;
    unsigned char* p = units.GetWritePtr();
    for (int i = 0; i < UnitCount(units); ++i)
        if (UnitAt(units, i) >= 0x80)
            std::memcpy(p + 2 * i, lower.GetPtr() + 2 * i, 2);
    return GString(units, Unicode(), false);
}

bool MatchRegExp(GString const& pattern, GString const& text, bool ignoreCase, bool partial) {
    GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
    GBuffer const utf8Pattern = pattern.GetBuffer(utf8);
    GBuffer const utf8Text = text.GetBuffer(utf8);
    try {
        boost::regex const compiled = GRegExpSupport::Compile(utf8Pattern, ignoreCase);
        return partial ? GRegExpSupport::Search(utf8Text, compiled) : GRegExpSupport::Match(utf8Text, compiled);
    } catch (std::runtime_error const&) {
        // boost::regex_error for a bad pattern, runtime_error when matching grows too complex.
        return false;
    }
}

} // namespace

// ---- Encodings ----

bool GStringSupport::AssignEncoding(GBuffer const& bytes, GString& out, GTable<GEncoding*> const& candidates) {
    // The bytes may be the output's own.
    if (&bytes == &out.GetEncodedBuffer()) {
        GBuffer const copy(bytes.GetPtr(), bytes.GetLength());
        return AssignEncoding(copy, out, candidates);
    }
    if (Assign(bytes, out, candidates))
        return true;
    out.Clear();
    return false;
}

bool GStringSupport::AssignEncoding(GBuffer const& bytes, GString& out) {
    static GTable<GEncoding*> const none;
    return AssignEncoding(bytes, out, none);
}

bool GStringSupport::GetBuffer(GString const& text, GBuffer& out, GTable<GEncoding*> const& candidates) {
    GBuffer bytes;
    auto const tryEach = [&](auto const& encodings) {
        for (GEncoding const* encoding : encodings)
            if (encoding != nullptr && text.GetBuffer(bytes, encoding) == GEncoding::kConvertOK)
                return true;
        return false;
    };
    const bool found = candidates.GetCount() == 0 ? tryEach(DefaultOrder()) : tryEach(candidates);
    if (!found)
        bytes.Clear();
    out.Swap(bytes);
    return found;
}

GBuffer GStringSupport::GetBuffer(GString const& text, GEncoding const* encoding) { return text.GetBuffer(encoding); }

// ---- Escapes ----

// Quoted strings of the text files: the text reader and other applications take only the
// backslash as an escape, so 0x80 and U+00A5 are written and read as themselves.
constexpr GBufferSupport::Escapes cTextFileEscapes = GBufferSupport::Escapes::kBackslashOnly;

void GStringSupport::ReplaceSpecialChars(GString& text) {
    GBuffer units = Units(text);
    GBufferSupport::UniReplaceSpecialChars(units, cTextFileEscapes);
    SetUnits(text, units);
}

void GStringSupport::QuoteString(GString& text) { GTextEscapes::QuoteString(text); }

void GStringSupport::SetSpecialCharacters(GString& text) {
    GBuffer units = Units(text);
    GBufferSupport::UniReplaceEscapeCodes(units, cTextFileEscapes);
    SetUnits(text, units);
}

void GStringSupport::ReplaceSpecialEndCharsWithDefaultChar(GString& text) {
    GBuffer units = Units(text);
    GBufferSupport::UniReplaceSpecialEndCharsWithDefaultChar(units);
    SetUnits(text, units);
}

// ---- Lists ----

void GStringSupport::SeparatedStringToStringTable(GString const& text, GString const& separator,
                                                  GTable<GString>& out, bool keepEmpty) {
    // Taken before out is emptied: either may be one of its items.
    GBuffer const units = Units(text);
    GBuffer const separatorUnits = Units(separator);
    out.Resize(0);
    if (!keepEmpty && units.IsEmpty())
        return;
    auto const addPiece = [&](int from, int to) {
        if (to > from || keepEmpty)
            out.AddItem(UnitsBetween(units, from, to));
    };
    const int separatorCount = UnitCount(separatorUnits);
    int from = 0;
    if (separatorCount > 0) {
        for (int at = units.FindSubBuffer(separatorUnits, 0, true); at >= 0;
             at = units.FindSubBuffer(separatorUnits, from, true)) {
            addPiece(from, at);
            from = at + separatorCount;
        }
    }
    addPiece(from, UnitCount(units));
}

void GStringSupport::StringTableToSeparatedString(GTable<GString> const& items, GString const& separator,
                                                  GString& out) {
    GString joined;
    for (int i = 0; i < items.GetCount(); ++i) {
        if (i > 0)
            joined += separator;
        joined += items[i];
    }
    out = joined;
}

void GStringSupport::SearchAndReplace(GString& text, GTable<GPair<GString, GString>> const& pairs) {
    for (GPair<GString, GString> const& pair : pairs)
        text.Replace(0, pair.first, pair.second);
}

// ---- White space ----

GString& GStringSupport::StripLeadingWhiteSpace(GString& text) {
    text.EnsureUnicode();
    GBuffer const& units = text.GetEncodedBuffer();
    const int n = UnitCount(units);
    int first = 0;
    while (first < n && IsWhiteSpace(UnitAt(units, first)))
        ++first;
    if (first > 0)
        text.GetSubstring(text, first, n - first);
    return text;
}

GString& GStringSupport::StripTrailingWhiteSpace(GString& text) {
    text.EnsureUnicode();
    GBuffer const& units = text.GetEncodedBuffer();
    const int n = UnitCount(units);
    int end = n;
    while (end > 0 && IsWhiteSpace(UnitAt(units, end - 1)))
        --end;
    if (end < n)
        text.GetSubstring(text, 0, end);
    return text;
}

// ---- Comparisons ----

bool GStringSupport::IsEqualIgnoreCase(GString const& a, GString const& b) {
    GString lowerA(a);
    GString lowerB(b);
    lowerA.ToLower();
    lowerB.ToLower();
    return lowerA == lowerB;
}

bool GStringSupport::IsPossibleEmailAddress(GString const& text) {
    GBuffer const units = Units(text);
    const int at = units.FindFirstOccurrence(cAtSign, 0);
    if (at <= 0 || at >= UnitCount(units) - 1)
        return false;
    return units.FindFirstOccurrence(cBlank, 0) < 0;
}

namespace {
std::atomic<GStringSupport::CompareFunction> sCompare{nullptr};
}  // namespace

int GStringSupport::Compare(GString const& a, GString const& b, bool caseSensitive) {
    // Copied out: the bytes of a string need not be aligned for 16-bit reads.
    auto const toUTF16 = [](GString const& s) {
        GBuffer const units = Units(s);
        std::u16string text(static_cast<std::size_t>(UnitCount(units)), u'\0');
        if (!text.empty())
            std::memcpy(&text[0], units.GetPtr(), text.size() * 2);
        return text;
    };
    std::u16string const left = toUTF16(a);
    std::u16string const right = toUTF16(b);
    if (GStringSupport::CompareFunction compare = sCompare.load(std::memory_order_acquire))
        return compare(left.data(), left.size(), right.data(), right.size(), caseSensitive);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t order =
        caseSensitive
            ? u_strCompare(left.data(), static_cast<int32_t>(left.size()), right.data(),
                           static_cast<int32_t>(right.size()), true)
            : u_strCaseCompare(left.data(), static_cast<int32_t>(left.size()), right.data(),
                               static_cast<int32_t>(right.size()), U_FOLD_CASE_DEFAULT, &status);
    return (order > 0) - (order < 0);
}

void GStringSupport::SetCompareFunction(CompareFunction compare) { sCompare.store(compare, std::memory_order_release); }

bool GStringSupport::MatchStrings(GString const& pattern, GString const& text, bool ignoreCase, bool partial,
                                  bool invert, bool regExp) {
    GString p(pattern);
    GString t(text);
    if (ignoreCase) {
        t.ToLower();
        if (regExp)
            p = LowerOutsideASCII(p);
        else
            p.ToLower();
    }
    bool matched;
    if (regExp)
        matched = MatchRegExp(p, t, ignoreCase, partial);
    else if (partial)
        matched = t.Find(p, 0) >= 0;
    else
        matched = p == t;
    return matched != invert;
}

// Texts as sequences of tokens, a digit run or a single other unit, compared token by token:
// digit runs by value, other units in plain order, and a digit run against another unit as the
// unit "0" would be (no other unit sorts there). A prefix comes first. Jumping straight to the
// first digits, or comparing a run by its first digit, would break transitivity ("a\u6130" <
// "a7b" < "a07c" < "a\u6130").
bool GStringSupport::IsLessThanAlphanumeric(GString const& a, GString const& b) {
    GBuffer const unitsA = Units(a);
    GBuffer const unitsB = Units(b);
    Units16 x{unitsA.GetPtr(), UnitCount(unitsA)};
    Units16 y{unitsB.GetPtr(), UnitCount(unitsB)};
    static const unsigned short zeroUnit = '0';
    void const* const zero = &zeroUnit;
    while (x.count > 0 && y.count > 0) {
        const bool digitA = IsDigit(x.At(0));
        const bool digitB = IsDigit(y.At(0));
        if (digitA && digitB) {
            const int runA = DigitRun(x);
            const int runB = DigitRun(y);
            const int order = CompareNumbers(x, runA, y, runB);
            if (order != 0)
                return order < 0;
            x.Drop(runA);
            y.Drop(runB);
            continue;
        }
        // In memory order, as the plain order compares.
        const int order = std::memcmp(digitA ? zero : x.bytes, digitB ? zero : y.bytes, 2);
        if (order != 0)
            return order < 0;
        x.Drop(1);
        y.Drop(1);
    }
    return x.count == 0 && y.count > 0;
}

// ---- Names ----

void GStringSupport::IncreaseNumericSuffix(GString& text, unsigned int maxLength) {
    GBuffer const units = Units(text);
    const int n = UnitCount(units);
    GString suffix(" (2)");
    int cut = n;
    if (n >= 4 && UnitAt(units, n - 1) == cCloseParenthesis) {
        const int open = units.FindLastOccurrence(cOpenParenthesis, n - 3);
        long long number = 0;
        if (open >= 0 && ReadCanonicalNumber(UnitsBetween(units, open + 1, n - 1), number)) {
            suffix = MakeSuffix(number + 1);
            cut = open;
        }
    }
    const long long suffixLength = UnitCount(Units(suffix));
    if (maxLength != 0 && cut + suffixLength > static_cast<long long>(maxLength))
        cut = static_cast<int>(std::max(0LL, static_cast<long long>(maxLength) - suffixLength));
    // Never between the halves of a surrogate pair.
    if (cut > 0 && cut < n && (UnitAt(units, cut - 1) & 0xFC00) == 0xD800 && (UnitAt(units, cut) & 0xFC00) == 0xDC00)
        --cut;
    GString result = UnitsBetween(units, 0, cut);
    result += suffix;
    text = result;
}

GRange GStringSupport::GetUnicodeRange(RangeSpecifier specifier) {
    GRange range;
    switch (specifier) {
    case kUpperCaseLatin:
        range.AddRange(65, 90);
        break;
    case kCJK:
        range.AddRange(0x2E80, 0x2EFF);
        range.AddRange(0x3000, 0x30FF);
        range.AddRange(0x31C0, 0x4DBF);
        range.AddRange(0x4E00, 0x9FFF);
        range.AddRange(0xF900, 0xFAFF);
        range.AddRange(0xFE30, 0xFE4F);
        break;
    case kBasicPlane:
        range.AddRange(0, 65535);
        break;
    }
    return range;
}

// ---- Scrambling ----

GString GStringSupport::Scramble(GString const& text) {
    GBuffer const utf8 = text.GetBuffer(GUTF8Encoding::GetInstance());
    GBuffer scrambled;
    {
        GMemoryOutStream sink(scrambled);
        GEncryptOutStream encrypt(sink);
        if (!utf8.IsEmpty())
            encrypt.Write(utf8);
    }
    GMemoryInStream source(scrambled);
    GHexEncode hex(source, true);
    GBuffer digits;
    GStreamSupport::GetContent(hex, digits);
    return GString(digits, GASCIIEncoding::GetInstance());
}

GString GStringSupport::DeScramble(GString const& text) {
    GBuffer digits;
    // A character outside ASCII would come out as the default character, which might be a digit.
    if (text.GetBuffer(digits, GASCIIEncoding::GetInstance()) != GEncoding::kConvertOK)
        return GString();
    GBuffer bytes;
    try {
        GMemoryInStream source(digits);
        GHexDecode hex(source);
        GDecryptInStream decrypt(hex);
        GStreamSupport::GetContent(decrypt, bytes);
    } catch (GMemoryException const&) {
        throw;
    } catch (GException const&) {
        return GString();
    }
    // Bytes that are not UTF-8 are not a scrambled text: a wrong or damaged value.
    GBuffer units;
    if ((GUTF8Encoding::DecodeUTF8(bytes.GetPtr(), bytes.GetLength(), units) & GEncoding::kConvertFailed) != 0)
        return GString();
    return GString(bytes, GUTF8Encoding::GetInstance());
}
