// The number text of GBuffer, a second source of the class: writing and reading numbers as text.
#include "core/bytes/GBuffer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <string>
#include <system_error>

#include "core/bytes/GCharClass.h"

namespace {

// ---- Numbers to text ----

constexpr double cPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double Pow10(int k) { return k <= 22 ? cPow10[k] : std::pow(10.0, k); }

// Room for any double in fixed notation: a sign, the 309 integer digits of DBL_MAX, the point
// and up to 16 fractional digits.
constexpr int cRealTextSize = 400;

char* WriteDigits(char* out, char* end, std::uint64_t value) { return std::to_chars(out, end, value).ptr; }

// Fixed notation with at most p fractional digits, rounding half up on the magnitude; trailing
// fractional zeros are not written except a single "0" after the point.
char* WriteFixed(char* out, char* end, double magnitude, bool negative, int p) {
    double integral;
    double fraction = std::modf(magnitude, &integral);
    double scale = cPow10[p];
    double scaled = std::floor(fraction * scale + 0.5);
    if (scaled >= scale) {
        integral += 1;
        scaled -= scale;
    }
    auto digits = static_cast<std::uint64_t>(scaled);
    int fractionDigits = p;
    if (digits == 0)
        fractionDigits = 0;
    while (digits != 0 && digits % 10 == 0) {
        digits /= 10;
        --fractionDigits;
    }
    if (negative && (integral != 0 || digits != 0))
        *out++ = '-';
    if (integral < 9223372036854775808.0)
        out = WriteDigits(out, end, static_cast<std::uint64_t>(integral));
    else
        out = std::to_chars(out, end, integral, std::chars_format::fixed, 0).ptr;
    *out++ = '.';
    char fractionText[24];
    char* fractionEnd = WriteDigits(fractionText, fractionText + sizeof fractionText, digits);
    int written = static_cast<int>(fractionEnd - fractionText);
    for (int i = written; i < fractionDigits; ++i)
        *out++ = '0';
    if (p > 0) {
        std::memcpy(out, fractionText, static_cast<std::size_t>(written));
        out += written;
    }
    return out;
}

// a / 10^e without passing through an infinite or subnormal power of ten.
double Mantissa(double a, int e) {
    if (e >= 0)
        return a / Pow10(e);
    if (e >= -300)
        return a * Pow10(-e);
    return (a * 1e300) * Pow10(-e - 300);
}

int FormatReal(char (&text)[cRealTextSize], double value, int p, bool exponentOutsideRange) {
    char* out = text;
    char* end = text + cRealTextSize;
    bool negative = std::signbit(value);
    if (std::isnan(value) || std::isinf(value)) {
        if (negative)
            *out++ = '-';
        std::memcpy(out, std::isnan(value) ? "nan" : "inf", 3);
        return static_cast<int>(out + 3 - text);
    }
    double a = std::fabs(value);
    if (exponentOutsideRange && a != 0 && (a >= 100000 || a < 0.001)) {
        int e = static_cast<int>(std::floor(std::log10(a)));
        out = WriteFixed(out, end, Mantissa(a, e), negative, p);
        *out++ = 'e';
        if (e < 0)
            *out++ = '-';
        int magnitude = e < 0 ? -e : e;
        if (magnitude <= 9)
            *out++ = '0';
        out = WriteDigits(out, end, static_cast<std::uint64_t>(magnitude));
        return static_cast<int>(out - text);
    }
    out = WriteFixed(out, end, a, negative, p);
    while (out[-1] == '0')
        --out;
    if (out[-1] == '.')
        --out;
    return static_cast<int>(out - text);
}

// The largest field width and precision a format may give. The C library builds the whole
// text, so "%.777777777f" would ask it for gigabytes; beyond this the digits are only padding or
// zeros (the exact value of the smallest double has 1074 fractional digits, no caller wants them).
constexpr int cMaxFormatField = 1024;

// A decimal count, kept from growing once it is past the limit.
int ReadFormatField(char const*& f) {
    int value = 0;
    for (; *f >= '0' && *f <= '9'; ++f)
        if (value <= cMaxFormatField)
            value = value * 10 + (*f - '0');
    return value;
}

// Accepts literal text and at most one floating conversion, so that the value passed is the only
// argument the format can read, and refuses a width or precision above cMaxFormatField.
bool IsRealFormat(char const* format) {
    int conversions = 0;
    for (char const* f = format; *f != '\0'; ++f) {
        if (*f != '%')
            continue;
        ++f;
        if (*f == '%')
            continue;
        while (*f != '\0' && std::strchr("-+ #0'", *f) != nullptr)
            ++f;
        if (ReadFormatField(f) > cMaxFormatField)
            return false;
        if (*f == '.') {
            ++f;
            if (ReadFormatField(f) > cMaxFormatField)
                return false;
        }
        if (*f == 'l')
            ++f;
        if (*f == '\0' || std::strchr("fFeEgG", *f) == nullptr)
            return false;
        if (++conversions > 1)
            return false;
    }
    return true;
}

// The C locale for this thread while it lives, whatever the process locale is.
class CLocaleScope {
public:
    CLocaleScope() : mPrevious(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(mPrevious); }
    CLocaleScope(CLocaleScope const&) = delete;
    CLocaleScope& operator=(CLocaleScope const&) = delete;

    static locale_t CLocale() {
        static locale_t const fLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return fLocale;
    }

private:
    locale_t mPrevious;
};

int PrintReal(char* out, std::size_t size, char const* format, double value) {
    CLocaleScope scope;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return std::snprintf(out, size, format, value);
#pragma GCC diagnostic pop
}

// ---- Text to numbers ----

bool IsCSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Decimal digits accumulated with wrap-around, after white space and an optional sign.
std::uint64_t ReadWrapped(unsigned char const* p, unsigned char const* end) {
    while (p < end && GCharClass::IsWhiteSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    std::uint64_t value = 0;
    for (; p < end && IsDigit(*p); ++p)
        value = value * 10 + static_cast<std::uint64_t>(*p - '0');
    return negative ? 0 - value : value;
}

bool StartsWithNoCase(unsigned char const* p, unsigned char const* end, char const* word) {
    for (; *word != '\0'; ++word, ++p)
        if (p >= end || (*p | 0x20) != *word)
            return false;
    return true;
}

unsigned char const* SkipDigits(unsigned char const* p, unsigned char const* end) {
    while (p < end && IsDigit(*p))
        ++p;
    return p;
}

// Unsigned decimal text [begin, end) already checked by the grammar; overflow gives infinity and
// underflow zero or a subnormal, as the correctly rounded value would.
double ConvertReal(char const* begin, char const* end) {
    double value = 0.0;
    std::from_chars_result r = std::from_chars(begin, end, value, std::chars_format::general);
    if (r.ec != std::errc::result_out_of_range)
        return value;
    std::string text(begin, end);
    return strtod_l(text.c_str(), nullptr, CLocaleScope::CLocale());
}

} // namespace

// ---- Numbers in constructors ----

GBuffer::GBuffer(int value) : GBuffer() { Set(value); }

GBuffer::GBuffer(unsigned int value) : GBuffer() { Set(value); }

GBuffer::GBuffer(long long value) : GBuffer() {
    char text[24];
    SetText(text, static_cast<int>(std::to_chars(text, text + sizeof text, value).ptr - text));
}

GBuffer::GBuffer(unsigned long long value) : GBuffer() {
    char text[24];
    SetText(text, static_cast<int>(std::to_chars(text, text + sizeof text, value).ptr - text));
}

GBuffer::GBuffer(double value) : GBuffer() { Set(value); }

GBuffer::GBuffer(double value, GBuffer const& format) : GBuffer() { Set(value, format); }

// ---- Numbers to text ----

void GBuffer::Set(int value) {
    char text[16];
    SetText(text, static_cast<int>(std::to_chars(text, text + sizeof text, value).ptr - text));
}

void GBuffer::Set(unsigned int value) {
    char text[16];
    SetText(text, static_cast<int>(std::to_chars(text, text + sizeof text, value).ptr - text));
}

void GBuffer::Set(int value, int digits) {
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(value))
                                        : static_cast<std::uint64_t>(value);
    char text[16];
    int written = static_cast<int>(WriteDigits(text, text + sizeof text, magnitude) - text);
    int sign = value < 0 ? 1 : 0;
    std::int64_t length = sign + std::max<std::int64_t>(written, digits);
    CheckFits(length);
    unsigned char* out = PrepareOwned(static_cast<int>(length));
    if (sign)
        *out++ = '-';
    std::memset(out, '0', static_cast<std::size_t>(length - sign - written));
    std::memcpy(out + (length - sign - written), text, static_cast<std::size_t>(written));
}

void GBuffer::Set(double value) {
    char text[cRealTextSize];
    SetText(text, FormatReal(text, value, 6, false));
}

void GBuffer::SetWithPrecision(double value, int n) {
    char text[cRealTextSize];
    SetText(text, FormatReal(text, value, n < 0 || n > 16 ? 16 : n, false));
}

void GBuffer::SetWithHighPrecision(double value) {
    char text[cRealTextSize];
    SetText(text, FormatReal(text, value, 15, true));
}

void GBuffer::Set(double value, GBuffer const& format) {
    char const* f = reinterpret_cast<char const*>(format.GetPtr());
    if (!IsRealFormat(f)) {
        Clear();
        return;
    }
    char small[64];
    int n = PrintReal(small, sizeof small, f, value);
    if (n <= 0) {  // failed, or nothing to print (an empty format)
        Clear();
        return;
    }
    GBuffer text;
    if (n < static_cast<int>(sizeof small)) {
        text.SetText(small, n);
    } else {
        // The format may be this buffer's own bytes: print into a separate block.
        CheckFits(n);
        unsigned char* out = text.PrepareOwned(n);
        PrintReal(reinterpret_cast<char*>(out), static_cast<std::size_t>(n) + 1, f, value);
    }
    unsigned char const* begin = text.mData;
    int length = text.mLength;
    bool hasPoint = std::memchr(begin, '.', static_cast<std::size_t>(length)) != nullptr;
    bool hasExponent = std::memchr(begin, 'e', static_cast<std::size_t>(length)) != nullptr ||
                       std::memchr(begin, 'E', static_cast<std::size_t>(length)) != nullptr;
    if (hasPoint && !hasExponent) {
        while (length > 0 && begin[length - 1] == '0')
            --length;
        if (length > 0 && begin[length - 1] == '.')
            --length;
        text.SetLength(length);
    }
    Swap(text);
}

// ---- Text to numbers ----

int GBuffer::GetInt32() const {
    unsigned char const* p = mData;
    unsigned char const* end = p + mLength;
    while (p < end && IsCSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    // atol saturates at the range of a 64-bit long before the result is cut to 32 bits.
    std::uint64_t limit = negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull;
    std::uint64_t value = 0;
    for (; p < end && IsDigit(*p); ++p) {
        auto digit = static_cast<std::uint64_t>(*p - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    std::uint64_t result = negative ? 0 - value : value;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
}

unsigned int GBuffer::GetUInt32() const {
    return static_cast<std::uint32_t>(ReadWrapped(mData, mData + mLength));
}

long long GBuffer::GetInt64() const { return static_cast<long long>(ReadWrapped(mData, mData + mLength)); }

double GBuffer::GetReal() const {
    unsigned char const* p = mData;
    unsigned char const* end = p + mLength;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    double sign = negative ? -1.0 : 1.0;
    if (StartsWithNoCase(p, end, "nan"))
        return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
    if (StartsWithNoCase(p, end, "inf"))
        return sign * std::numeric_limits<double>::infinity();
    unsigned char const* number = p;
    unsigned char const* afterInteger = SkipDigits(p, end);
    p = afterInteger;
    bool hasDigits = p > number;
    if (p < end && *p == '.') {
        unsigned char const* afterFraction = SkipDigits(p + 1, end);
        hasDigits = hasDigits || afterFraction > p + 1;
        p = afterFraction;
    }
    if (!hasDigits)
        return 0.0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        unsigned char const* q = p + 1;
        if (q < end && (*q == '+' || *q == '-'))
            ++q;
        unsigned char const* afterExponent = SkipDigits(q, end);
        if (afterExponent > q)
            p = afterExponent;  // an exponent without digits is not part of the number
    }
    return sign * ConvertReal(reinterpret_cast<char const*>(number), reinterpret_cast<char const*>(p));
}
