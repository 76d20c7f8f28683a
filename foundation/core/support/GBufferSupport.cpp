#include "core/support/GBufferSupport.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <boost/regex.hpp>

#include "core/base/GException.h"
#include "core/support/GRegExpSupport.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GString.h"
#include "core/text/GTextEscapes.h"

namespace {

constexpr std::int64_t cMaxLength = 0x7FFFFFFD;  // the most a GBuffer holds
constexpr unsigned cEscapeUnitTag = 0x1B;

void CheckLength(std::int64_t n) {
    if (n > cMaxLength)
        throw GMemoryException();
}

// ---- Compact reals ----

constexpr double cPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

char* Copy(char* out, char const* text) {
    std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return out + n;
}

// Drops trailing fractional zeros and then a bare point.
char* TrimFraction(char* begin, char* end) {
    if (std::find(begin, end, '.') == end)
        return end;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.')
        --end;
    return end;
}

// 1e-16 < a < 0.1: the first six significant digits, cut rather than rounded.
char* WriteSmall(char* out, double a) {
    int k = 5 - static_cast<int>(std::floor(std::log10(a)));  // a * 10^k in [1e5, 1e6)
    double scaled = a * cPow10[k];
    if (scaled >= 1e6 && k > 0)
        scaled = a * cPow10[--k];
    else if (scaled < 1e5 && k < 22)
        scaled = a * cPow10[++k];
    auto digits = std::min<std::int64_t>(static_cast<std::int64_t>(std::floor(scaled)), 999999);
    char* begin = out;
    out = Copy(out, "0.");
    for (int zeros = k - 6; zeros > 0; --zeros)
        *out++ = '0';
    out = std::to_chars(out, out + 8, digits).ptr;
    return TrimFraction(begin, out);
}

char* WriteCompactReal(char* out, char* end, double value) {
    if (std::isnan(value))
        return Copy(out, "nan");
    double a = std::fabs(value);
    if (a == 0)
        return Copy(out, "0");
    char* begin = out;
    if (a > 9999.99999) {
        double limited = std::clamp(value, -1e50, 1e50);
        out = std::to_chars(out, end, limited, std::chars_format::fixed, 5).ptr;
        return TrimFraction(begin, out);
    }
    if (a > 1e-16 && a < 0.1) {
        if (value < 0)
            *out++ = '-';
        return WriteSmall(out, a);
    }
    auto n = static_cast<std::int64_t>(std::floor(a * 100000 + 0.5));
    if (n == 0)
        return Copy(out, "0");
    if (value < 0)
        *out++ = '-';
    out = std::to_chars(out, end, n / 100000).ptr;
    *out++ = '.';
    char fraction[8];
    char* fractionEnd = std::to_chars(fraction, fraction + sizeof fraction, n % 100000).ptr;
    for (auto written = fractionEnd - fraction; written < 5; ++written)
        *out++ = '0';
    out = std::copy(fraction, fractionEnd, out);
    return TrimFraction(begin, out);
}

// ---- Lists ----

bool HoldsItem(GTable<GBuffer> const& items, GBuffer const& text) {
    return std::find_if(items.begin(), items.end(), [&](GBuffer const& item) { return &item == &text; }) != items.end();
}

// ---- Bits ----

// The count bits (at most 8) from bit `at` on, in the low bits of the result.
unsigned ReadBits(unsigned char const* bytes, std::int64_t length, std::int64_t at, int count) {
    std::int64_t byte = at / 8;
    unsigned word = bytes[byte];
    if (byte + 1 < length)
        word |= static_cast<unsigned>(bytes[byte + 1]) << 8;
    return (word >> (at % 8)) & ((1u << count) - 1);
}

// ---- Roman numerals ----

// The numeral of value % 1000 into out; letters are the seven in the order "mdclxvi".
char* WriteHundreds(char* out, unsigned rest, char const* letters) {
    // One decimal place: its one, five and ten letters.
    auto place = [&out](unsigned digit, char one, char five, char ten) {
        if (digit == 9) {
            *out++ = one;
            *out++ = ten;
            return;
        }
        if (digit == 4) {
            *out++ = one;
            *out++ = five;
            return;
        }
        if (digit >= 5) {
            *out++ = five;
            digit -= 5;
        }
        for (; digit > 0; --digit)
            *out++ = one;
    };
    place(rest / 100, letters[2], letters[1], letters[0]);
    place(rest / 10 % 10, letters[4], letters[3], letters[2]);
    place(rest % 10, letters[6], letters[5], letters[4]);
    return out;
}

GBuffer RomanNumeral(unsigned value, char const* letters) {
    char tail[16];
    char* tailEnd = WriteHundreds(tail, value % 1000, letters);
    unsigned thousands = value / 1000;
    std::int64_t length = static_cast<std::int64_t>(thousands) + (tailEnd - tail);
    GBuffer result;
    if (length == 0)
        return result;
    result.SetLength(static_cast<int>(length));
    unsigned char* out = result.GetWritePtr();
    std::memset(out, letters[0], thousands);
    std::memcpy(out + thousands, tail, static_cast<std::size_t>(tailEnd - tail));
    return result;
}

} // namespace

void GBufferSupport::UniReplaceSpecialChars(GBuffer& text, Escapes escapes) { GTextEscapes::UniReplaceSpecialChars(text, escapes); }

void GBufferSupport::ASCIIReplaceSpecialChars(GBuffer& text, Escapes escapes) { GTextEscapes::ASCIIReplaceSpecialChars(text, escapes); }

void GBufferSupport::UniReplaceEscapeCodes(GBuffer& text, Escapes escapes) { GTextEscapes::UniReplaceEscapeCodes(text, escapes); }

void GBufferSupport::ASCIIReplaceEscapeCodes(GBuffer& text, Escapes escapes) { GTextEscapes::ASCIIReplaceEscapeCodes(text, escapes); }

void GBufferSupport::UniReplaceSpecialEndCharsWithDefaultChar(GBuffer& text) { GTextEscapes::UniReplaceSpecialEndCharsWithDefaultChar(text); }

void GBufferSupport::SetLineEnding(bool needsCR, bool needsLF) { GTextEscapes::SetLineEnding(needsCR, needsLF); }

void GBufferSupport::UniPlatformLineEndings(GBuffer& text) { GTextEscapes::UniPlatformLineEndings(text); }

void GBufferSupport::ASCIIPlatformLineEndings(GBuffer& text) { GTextEscapes::ASCIIPlatformLineEndings(text); }

void GBufferSupport::RemoveUnicodeLanguageTags(GBuffer& text) {
    int first = text.FindFirstOccurrence(static_cast<unsigned short>(cEscapeUnitTag), 0);
    if (first < 0)
        return;
    int last = text.FindFirstOccurrence(static_cast<unsigned short>(cEscapeUnitTag), first + 1);
    if (last < 0)
        return;
    text.Remove(2 * first, 2 * (last - first + 1));
}

void GBufferSupport::SwapUnicodeBytes(GBuffer& text) {
    unsigned char* p = text.GetWritePtr();
    for (int i = 0; i + 1 < text.GetLength(); i += 2)
        std::swap(p[i], p[i + 1]);
}

void GBufferSupport::SwapBigEndian(GBuffer& text) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    SwapUnicodeBytes(text);
#else
    (void)text;
#endif
}

void GBufferSupport::SwapLittleEndian(GBuffer& text) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    SwapUnicodeBytes(text);
#else
    (void)text;
#endif
}

void GBufferSupport::StripLeadingWhiteSpace(GBuffer& text) {
    unsigned char const* p = text.GetPtr();
    int n = text.GetLength();
    int skip = 0;
    while (skip < n && GStringSupport::IsWhiteSpace(p[skip]))
        ++skip;
    if (skip == n)
        text.Clear();
    else if (skip > 0)
        text.Remove(0, skip);
}

void GBufferSupport::StripTrailingWhiteSpace(GBuffer& text) {
    unsigned char const* p = text.GetPtr();
    int n = text.GetLength();
    while (n > 0 && GStringSupport::IsWhiteSpace(p[n - 1]))
        --n;
    if (n < text.GetLength())
        text.SetLength(n);
}

void GBufferSupport::StripTrailingZeroes(GBuffer& text, bool units) {
    unsigned char const* p = text.GetPtr();
    int n = text.GetLength();
    if (units) {
        if (n % 2 != 0)
            return;
        while (n > 0 && p[n - 1] == 0 && p[n - 2] == 0)
            n -= 2;
    } else {
        while (n > 0 && p[n - 1] == 0)
            --n;
    }
    if (n < text.GetLength())
        text.SetLength(n);
}

GBuffer GBufferSupport::GetUnicodeBuffer(char const* text, GEncoding const* encoding) {
    return GString(text, encoding, true).GetBuffer(GUnicodeEncoding::GetInstance());
}

GBuffer GBufferSupport::GetUnicodeBuffer(GBuffer const& text, GEncoding const* encoding) {
    return GString(text, encoding, true).GetBuffer(GUnicodeEncoding::GetInstance());
}

unsigned char const* GBufferSupport::ConvertToPString(GBuffer& text) {
    int n = std::min(text.GetLength(), 255);
    GBuffer result;
    result.SetLength(n + 1);
    unsigned char* out = result.GetWritePtr();
    out[0] = static_cast<unsigned char>(n);
    if (n > 0)
        std::memcpy(out + 1, text.GetPtr(), static_cast<std::size_t>(n));
    text.Swap(result);
    return text.GetPtr();
}

void GBufferSupport::GenerateFormatStringForReals(int n, GBuffer& out) {
    char text[8] = "%1.";
    char* end = std::to_chars(text + 3, text + 6, std::clamp(n, 0, 99)).ptr;
    *end++ = 'f';
    out.Set(reinterpret_cast<unsigned char const*>(text), static_cast<int>(end - text));
}

void GBufferSupport::RealToBuffer(double value, GBuffer& out, bool trailingBlank) {
    // A sign, the 51 integer digits of 1e50, the point, five decimals and the blank.
    char text[80];
    char* end = WriteCompactReal(text, text + sizeof text - 1, value);
    if (trailingBlank)
        *end++ = ' ';
    out.Set(reinterpret_cast<unsigned char const*>(text), static_cast<int>(end - text));
}

void GBufferSupport::SeparatedBufferToBufferTable(GBuffer const& text, GTable<unsigned char> const& separators,
                                                  GTable<GBuffer>& items, bool keepEmpty) {
    // The text may be one of the items, which go first.
    if (HoldsItem(items, text)) {
        GBuffer const copy(text);
        SeparatedBufferToBufferTable(copy, separators, items, keepEmpty);
        return;
    }
    bool isSeparator[256] = {};
    for (unsigned char c : separators)
        isSeparator[c] = true;
    items.Resize(0);
    unsigned char const* p = text.GetPtr();
    int n = text.GetLength();
    int itemStart = 0;
    for (int i = 0; i <= n; ++i) {
        if (i < n && !isSeparator[p[i]])
            continue;
        if (keepEmpty || i > itemStart)
            items.AddItem(GBuffer(p + itemStart, i - itemStart));
        itemStart = i + 1;
    }
}

void GBufferSupport::BufferTableToSeparatedBuffer(GTable<GBuffer> const& items, GBuffer const& separator, GBuffer& out) {
    GBuffer result;
    for (int i = 0; i < items.GetCount(); ++i) {
        if (i > 0)
            result += separator;
        result += items[i];
    }
    out.Swap(result);
}

void GBufferSupport::MergeIntoSeparatedBuffer(GTable<GBuffer> const& items, GBuffer& out) {
    constexpr unsigned char cEscape = '#';
    constexpr unsigned char cSeparator = '|';
    GBuffer result;
    if (items.GetCount() > 0) {
        result += cEscape;
        result += cSeparator;
    }
    for (int i = 0; i < items.GetCount(); ++i) {
        if (i > 0)
            result += cSeparator;
        unsigned char const* p = items[i].GetPtr();
        for (int k = 0; k < items[i].GetLength(); ++k) {
            if (p[k] == cEscape || p[k] == cSeparator)
                result += cEscape;
            result += p[k];
        }
    }
    // "#|" alone reads back as no items: a trailing escape, which the reader drops, keeps the
    // one empty item.
    if (items.GetCount() == 1 && items[0].IsEmpty())
        result += cEscape;
    out.Swap(result);
}

void GBufferSupport::SplitSeparatedBuffer(GBuffer const& text, GTable<GBuffer>& items) {
    if (HoldsItem(items, text)) {
        GBuffer const copy(text);
        SplitSeparatedBuffer(copy, items);
        return;
    }
    items.Resize(0);
    int n = text.GetLength();
    if (n < 3)
        return;
    unsigned char const* p = text.GetPtr();
    unsigned char escape = p[0];
    unsigned char separator = p[1];
    GBuffer item;
    for (int i = 2; i < n; ++i) {
        if (p[i] == escape) {
            if (++i < n)
                item += p[i];
        } else if (p[i] == separator) {
            items.AddItem(item);
            item.Clear();
        } else {
            item += p[i];
        }
    }
    items.AddItem(item);
}

void GBufferSupport::CopyBitBlock_LBE_LBE(GBuffer const& src, int srcBit, int count, GBuffer& dst, int dstBit) {
    if (&src == &dst) {
        GBuffer const copy(src);
        CopyBitBlock_LBE_LBE(copy, srcBit, count, dst, dstBit);
        return;
    }
    std::int64_t srcBits = 8 * static_cast<std::int64_t>(src.GetLength());
    if (count < 1 || srcBit < 0 || dstBit < 0 || srcBit >= srcBits)
        return;
    std::int64_t bits = std::min<std::int64_t>(count, srcBits - srcBit);
    std::int64_t needBytes = (static_cast<std::int64_t>(dstBit) + bits - 1) / 8 + 1;
    int oldLength = dst.GetLength();
    if (needBytes > oldLength) {
        CheckLength(needBytes);
        dst.SetLength(static_cast<int>(needBytes));
    }
    unsigned char* to = dst.GetWritePtr();
    if (needBytes > oldLength)
        std::memset(to + oldLength, 0, static_cast<std::size_t>(needBytes - oldLength));
    unsigned char const* from = src.GetPtr();
    for (std::int64_t done = 0; done < bits;) {
        std::int64_t at = dstBit + done;
        int offset = static_cast<int>(at % 8);
        int take = static_cast<int>(std::min<std::int64_t>(8 - offset, bits - done));
        unsigned value = ReadBits(from, src.GetLength(), srcBit + done, take);
        unsigned mask = ((1u << take) - 1) << offset;
        unsigned char& byte = to[at / 8];
        byte = static_cast<unsigned char>((byte & ~mask) | (value << offset));
        done += take;
    }
}

GBuffer GBufferSupport::IntToRomanNumeralLower(unsigned int value) { return RomanNumeral(value, "mdclxvi"); }

GBuffer GBufferSupport::IntToRomanNumeralUpper(unsigned int value) { return RomanNumeral(value, "MDCLXVI"); }

bool GBufferSupport::IsReal(GBuffer const& text) {
    static boost::regex const fPattern(
        "[+-]?(([0-9]+)|((([0-9]*\\.[0-9]+)|([0-9]+\\.))([eE][+-]?[0-9]+)?)|([0-9]+[eE][+-]?[0-9]+))");
    return GRegExpSupport::Match(text, fPattern);
}
