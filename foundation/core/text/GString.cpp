#include "core/text/GString.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <typeinfo>

#include "core/base/GException.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/generated/GSingleByteTables.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GUnitCase.h"
#include "core/text/GUnitHasher.h"

const GString GString::cEmptyString;

namespace {

constexpr int cGeneralException = 2450;

uint16_t UnitAt(unsigned char const* bytes, int index) { return GEncodingKernels::LoadUnit(bytes + 2 * index); }

void StoreUnit(unsigned char* bytes, int index, uint16_t unit) { std::memcpy(bytes + 2 * index, &unit, 2); }

int UnitCount(GBuffer const& text) { return text.GetLength() / 2; }

// Before start-up (static strings) and after shutdown the singletons are missing; strings made
// then still get a working encoding of the right class instead of silently losing their text.
GUnicodeEncoding* UnicodeEncoding() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

GASCIIEncoding* ASCIIEncoding() { return GEncodingFallback::Get<GASCIIEncoding>(); }

bool IsUnicodeEncoding(GEncoding const* encoding) {
    if (encoding == nullptr)
        return false;
    return encoding == GUnicodeEncoding::GetInstance() || dynamic_cast<GUnicodeEncoding const*>(encoding) != nullptr;
}

// Exactly the ASCII class: its decoding is the fixed table, which the hash can stream.
bool IsPlainASCIIEncoding(GEncoding const* encoding) {
    return encoding != nullptr && typeid(*encoding) == typeid(GASCIIEncoding);
}

bool NameIs(GBuffer const& name, char const* text) {
    const std::size_t n = std::strlen(text);
    return static_cast<std::size_t>(name.GetLength()) == n && std::memcmp(name.GetPtr(), text, n) == 0;
}

// The hash of the UTF-16 form of ASCII bytes, without making it.
uint32_t ASCIIUnicodeHash(GBuffer const& bytes) {
    const int n = bytes.GetLength();
    unsigned char const* p = bytes.GetPtr();
    const uint16_t fallback = GEncoding::GetDefaultUnit();
    GUnitHasher hasher(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const uint16_t unit = cASCIIToUnicode[p[i]];
        hasher.Add(unit != 0 ? unit : fallback);
    }
    return hasher.Finish();
}

// The unit range [begin, end) that pos and n select in a text of count units (n < 0: to the end).
struct UnitRange {
    int begin;
    int end;

    UnitRange(int pos, int n, int count) {
        const long long first = std::max(pos, 0);
        const long long last = n < 0 ? count : std::min<long long>(static_cast<long long>(pos) + n, count);
        begin = static_cast<int>(std::min<long long>(first, count));
        end = static_cast<int>(std::max<long long>(last, begin));
    }
    bool IsEmpty() const { return begin >= end; }
};

// Ends a va_list on every way out.
class VarArgs {
public:
    explicit VarArgs(va_list& args) : mArgs(args) {}
    ~VarArgs() { va_end(mArgs); }

private:
    va_list& mArgs;
};

} // namespace

// ---- Construction ----

GString::GString(GBuffer const& bytes, GEncoding const* encoding, bool keepEncoding) { Set(bytes, encoding, keepEncoding); }

GString::GString(unsigned char const* bytes, int n, GEncoding const* encoding, bool keepEncoding) {
    Set(bytes, n, encoding, keepEncoding);
}

GString::GString(char const* text, GEncoding const* encoding, bool keepEncoding) { Set(text, encoding, keepEncoding); }

GString::GString(char16_t const* text, bool keepEncoding) {
    int n = 0;
    while (text != nullptr && text[n] != 0)
        ++n;
    mBytes.Set(reinterpret_cast<unsigned char const*>(text), 2 * n);
    SetNormalized(UnicodeEncoding(), keepEncoding);
}

GString::GString(char const* text) {
    if (text != nullptr)
        mBytes.Set(reinterpret_cast<unsigned char const*>(text), static_cast<int>(std::strlen(text)));
    SetEncoding(ASCIIEncoding());
}

GString::GString(int value) { Set(value); }

GString::GString(unsigned int value) { Set(value); }

GString::GString(long long value) : mBytes(value) { SetEncoding(ASCIIEncoding()); }

GString::GString(unsigned long long value) : mBytes(value) { SetEncoding(ASCIIEncoding()); }

GString::GString(double value) : mBytes(value) { SetEncoding(ASCIIEncoding()); }

GString::GString(double value, GBuffer const& format) { Set(value, format); }

GString::GString(double value, int precision) { Set(value, precision); }

void GString::Set(GBuffer const& bytes, GEncoding const* encoding, bool keepEncoding) {
    if (encoding == nullptr)
        throw GSimpleException(cGeneralException);
    mBytes = bytes;
    SetNormalized(encoding, keepEncoding);
}

void GString::Set(unsigned char const* bytes, int n, GEncoding const* encoding, bool keepEncoding) {
    if (encoding == nullptr)
        throw GSimpleException(cGeneralException);
    mBytes.Set(bytes, n);
    SetNormalized(encoding, keepEncoding);
}

void GString::Set(char const* text, GEncoding const* encoding, bool keepEncoding) {
    if (encoding == nullptr)
        throw GSimpleException(cGeneralException);
    unsigned char const* bytes = reinterpret_cast<unsigned char const*>(text);
    mBytes.Set(bytes, bytes == nullptr ? 0 : encoding->GetLength(bytes));
    SetNormalized(encoding, keepEncoding);
}

void GString::Set(int value) {
    mBytes.Set(value);
    SetEncoding(ASCIIEncoding());
}

void GString::Set(unsigned int value) {
    mBytes.Set(value);
    SetEncoding(ASCIIEncoding());
}

void GString::Set(double value, GBuffer const& format) {
    mBytes.Set(value, format);
    SetEncoding(ASCIIEncoding());
}

void GString::Set(double value, int precision) {
    mBytes.SetWithPrecision(value, precision);
    SetEncoding(ASCIIEncoding());
}

void GString::SetInt(int value, int digits) {
    mBytes.Set(value, digits);
    SetEncoding(ASCIIEncoding());
}

void GString::SetWithHighPrecision(double value) {
    mBytes.SetWithHighPrecision(value);
    SetEncoding(ASCIIEncoding());
}

void GString::SetEncoding(GEncoding const* encoding) const {
    // Encodings are immutable; the holder's type is not const only for its callers' sake.
    mEncoding = const_cast<GEncoding*>(encoding);
}

void GString::SetNormalized(GEncoding const* encoding, bool keepEncoding) {
    SetEncoding(encoding);
    Normalize(keepEncoding);
}

void GString::Clear() {
    mBytes.Clear();
    mEncoding = nullptr;
}

GBuffer const& GString::GetEncodingName() const {
    static GBuffer const none = [] {
        GBuffer name;
        name.SetFromStatic("NULL");
        return name;
    }();
    return mEncoding ? mEncoding->GetASCIIDescription() : none;
}

// ---- Encodings ----

bool GString::IsUnicode() const { return IsUnicodeEncoding(mEncoding.Get()); }

int32_t GString::UnicodeText(GBuffer& out) const {
    out.Clear();
    GEncoding const* encoding = mEncoding.Get();
    if (encoding == nullptr)
        return GEncoding::kConvertOK;
    if (IsUnicodeEncoding(encoding)) {
        out = mBytes;
        return GEncoding::kConvertOK;
    }
    GUnicodeEncoding const* unicode = UnicodeEncoding();
    const int32_t status = encoding->ConvertTo(mBytes, unicode, out);
    unicode->EnsureComposedUnicode(out);
    return status;
}

GBuffer const& GString::UnicodeView(GBuffer& scratch) const {
    if (IsUnicode())
        return mBytes;
    UnicodeText(scratch);
    return scratch;
}

void GString::Normalize(bool keepEncoding) {
    GEncoding const* encoding = mEncoding.Get();
    if (encoding == nullptr)
        return;
    if (keepEncoding) {
        encoding->Normalize(mBytes);
        return;
    }
    if (IsUnicodeEncoding(encoding))
        return;
    GUnicodeEncoding const* unicode = UnicodeEncoding();
    GBuffer text;
    encoding->ConvertTo(mBytes, unicode, text);
    mBytes.Swap(text);
    SetEncoding(unicode);
}

void GString::EnsureUnicode() const {
    if (IsUnicode())
        return;
    GBuffer text;
    UnicodeText(text);
    mBytes.Swap(text);
    SetEncoding(UnicodeEncoding());
}

int32_t GString::GetBuffer(GBuffer& out, GEncoding const* target) const {
    GEncoding const* encoding = mEncoding.Get();
    if (encoding == nullptr) {
        out.Clear();
        return GEncoding::kConvertOK;
    }
    if (target == nullptr) {
        out.Clear();
        return GEncoding::kConvertFailed;
    }
    if (target == encoding) {
        out = mBytes;
        return GEncoding::kConvertOK;
    }
    if (IsUnicodeEncoding(target))
        return UnicodeText(out);
    return target->ConvertFrom(mBytes, encoding, out);
}

GBuffer GString::GetBuffer(GEncoding const* target) const {
    GBuffer out;
    GetBuffer(out, target);
    return out;
}

bool GString::AreCompatible(GBuffer const& bytes, GEncoding const* encoding) {
    if (encoding == nullptr)
        return false;
    GBuffer const& name = encoding->GetASCIIDescription();
    GBuffer out;
    if (NameIs(name, "ASCIIEncoding") || NameIs(name, "MacRomanEncoding") || NameIs(name, "PDFDocEncoding") ||
        NameIs(name, "WinAnsiEncoding") || NameIs(name, "UTF-8Encoding"))
        return encoding->ConvertTo(bytes, UnicodeEncoding(), out) == GEncoding::kConvertOK;
    if (NameIs(name, "UnicodeEncoding")) {
        GUTF8Encoding const* utf8 = GUTF8Encoding::GetInstance();
        return utf8 == nullptr || utf8->ConvertFrom(bytes, encoding, out) == GEncoding::kConvertOK;
    }
    return true;
}

// ---- Case ----

template <class Map>
void GString::MapCase(Map map) {
    if (!mEncoding || mBytes.IsEmpty())
        return;
    EnsureUnicode();
    const int n = UnitCount(mBytes);
    unsigned char* p = mBytes.GetWritePtr();
    char16_t mapped[2];
    for (int i = 0; i < n;) {
        const int m = map(UnitAt(p, i), i + 1 < n ? UnitAt(p, i + 1) : 0, mapped);
        for (int k = 0; k < m; ++k)
            StoreUnit(p, i + k, mapped[k]);
        i += m;
    }
}

void GString::ToLower() { MapCase(GUnitCase::Lower); }

void GString::ToUpper() { MapCase(GUnitCase::Upper); }

// ---- Joining ----

void GString::AppendUnits(GBuffer const& units) {
    // A dangling odd byte would shift every unit appended after it.
    if ((mBytes.GetLength() & 1) != 0)
        mBytes.SetLength(mBytes.GetLength() - 1);
    mBytes.AppendByteArray(units.GetPtr(), units.GetLength());
}

GString& GString::operator+=(GString const& other) {
    if (&other == this) {
        GString const copy(other);
        return *this += copy;
    }
    if (!mEncoding || mBytes.IsEmpty()) {
        *this = other;
        return *this;
    }
    if (!other.mEncoding || other.mBytes.IsEmpty())
        return *this;
    if (mEncoding.Get() == other.mEncoding.Get() && !IsUnicode()) {
        mBytes += other.mBytes;
        return *this;
    }
    GBuffer scratch;
    GBuffer const& units = other.UnicodeView(scratch);
    EnsureUnicode();
    AppendUnits(units);
    return *this;
}

GString operator+(GString const& a, GString const& b) {
    GString sum(a);
    sum += b;
    return sum;
}

// ---- Comparing and hashing ----

uint32_t GString::GetHash() const {
    if (IsUnicode())
        return mBytes.GetHash();
    if (IsPlainASCIIEncoding(mEncoding.Get()))
        return ASCIIUnicodeHash(mBytes);
    GBuffer text;
    UnicodeText(text);
    return text.GetHash();
}

bool operator==(GString const& a, GString const& b) {
    if (a.mEncoding.Get() == b.mEncoding.Get())
        return a.mBytes == b.mBytes;
    GBuffer scratchA;
    GBuffer scratchB;
    return a.UnicodeView(scratchA) == b.UnicodeView(scratchB);
}

bool operator!=(GString const& a, GString const& b) { return !(a == b); }

bool operator<(GString const& a, GString const& b) {
    GBuffer scratchA;
    GBuffer scratchB;
    return a.UnicodeView(scratchA) < b.UnicodeView(scratchB);
}

bool operator>(GString const& a, GString const& b) {
    GBuffer scratchA;
    GBuffer scratchB;
    return a.UnicodeView(scratchA) > b.UnicodeView(scratchB);
}

bool operator<=(GString const& a, GString const& b) { return !(a > b); }

bool operator>=(GString const& a, GString const& b) { return !(a < b); }

bool GString::IsLessThan(GString const& a, GString const& b) { return a < b; }

bool GString::IsLessThanIgnoreCase(GString const& a, GString const& b) {
    GString lowerA(a);
    GString lowerB(b);
    lowerA.ToLower();
    lowerB.ToLower();
    return lowerA < lowerB;
}

// ---- Positions ----

void GString::Remove(int pos, int n) {
    EnsureUnicode();
    if (n <= 0)
        return;
    const UnitRange range(pos, n, UnitCount(mBytes));
    if (!range.IsEmpty())
        mBytes.Remove(2 * range.begin, 2 * (range.end - range.begin));
}

void GString::Insert(int pos, GString const& s) {
    EnsureUnicode();
    if (pos < 0 || pos > UnitCount(mBytes))
        return;
    GBuffer scratch;
    GBuffer const& units = s.UnicodeView(scratch);
    // The buffer copies the inserted bytes first when they are its own.
    mBytes.ReplaceByteArray(2 * pos, 0, units.GetPtr(), units.GetLength() & ~1);
}

void GString::Insert(int pos, unsigned short unit) {
    EnsureUnicode();
    if (pos < 0 || pos > UnitCount(mBytes))
        return;
    unsigned char bytes[2];
    std::memcpy(bytes, &unit, 2);
    mBytes.ReplaceByteArray(2 * pos, 0, bytes, 2);
}

bool GString::Replace(int pos, GString const& what, GString const& with) {
    if (what.IsEmpty())
        return false;
    EnsureUnicode();
    what.EnsureUnicode();
    with.EnsureUnicode();
    GBuffer const& pattern = what.mBytes;
    const int patternUnits = UnitCount(pattern);
    if (patternUnits == 0)
        return false;
    int at = mBytes.FindSubBuffer(pattern, pos, true);
    if (at < 0)
        return false;
    // Built aside: what and with may be this string itself.
    GBuffer result;
    unsigned char const* text = mBytes.GetPtr();
    const int withBytes = with.mBytes.GetLength() & ~1;
    int from = 0;
    for (; at >= 0; at = mBytes.FindSubBuffer(pattern, from, true)) {
        result.AppendByteArray(text + 2 * from, 2 * (at - from));
        result.AppendByteArray(with.mBytes.GetPtr(), withBytes);
        from = at + patternUnits;
    }
    result.AppendByteArray(text + 2 * from, mBytes.GetLength() - 2 * from);
    mBytes.Swap(result);
    return true;
}

bool GString::Replace(int pos, unsigned short from, unsigned short to) {
    EnsureUnicode();
    int at = mBytes.FindFirstOccurrence(from, pos);
    if (at < 0)
        return false;
    if (from == to)
        return true;
    unsigned char* p = mBytes.GetWritePtr();
    const int n = UnitCount(mBytes);
    for (; at < n; ++at)
        if (UnitAt(p, at) == from)
            StoreUnit(p, at, to);
    return true;
}

int GString::FindFirst(unsigned short unit, int start) const {
    EnsureUnicode();
    return mBytes.FindFirstOccurrence(unit, start);
}

int GString::FindFirst(unsigned short const* set, int n, int start) const {
    EnsureUnicode();
    return mBytes.FindFirstOccurrence(set, n, start);
}

int GString::FindFirstNot(unsigned short unit, int start) const {
    EnsureUnicode();
    return mBytes.FindFirstNonOccurrence(&unit, 1, start);
}

int GString::FindFirstNot(unsigned short const* set, int n, int start) const {
    EnsureUnicode();
    return mBytes.FindFirstNonOccurrence(set, n, start);
}

int GString::FindLast(unsigned short unit, int end) const {
    EnsureUnicode();
    return mBytes.FindLastOccurrence(unit, end);
}

int GString::Find(GString const& what, int start) const {
    EnsureUnicode();
    what.EnsureUnicode();
    return mBytes.FindSubBuffer(what.mBytes, start, true);
}

GString GString::GetSubstring(int pos, int n) const {
    GString result;
    GetSubstring(result, pos, n);
    result.mEncoding->Normalize(result.mBytes);
    return result;
}

void GString::GetSubstring(GString& out, int pos, int n) const {
    EnsureUnicode();
    const UnitRange range(pos, n, UnitCount(mBytes));
    if (range.IsEmpty())
        out.mBytes.Clear();
    else
        mBytes.GetSubBuffer(2 * range.begin, 2 * (range.end - range.begin), out.mBytes);
    out.mEncoding = mEncoding;
}

// ---- Numbers ----

GBuffer const& GString::ASCIIView(GBuffer& scratch) const {
    GEncoding const* encoding = mEncoding.Get();
    scratch.Clear();
    if (encoding == nullptr)
        return scratch;
    // Bytes that ASCII lacks would only become the default character, which no number reads.
    if (IsPlainASCIIEncoding(encoding))
        return mBytes;
    ASCIIEncoding()->ConvertFrom(mBytes, encoding, scratch);
    return scratch;
}

int GString::GetInt32() const {
    GBuffer scratch;
    return ASCIIView(scratch).GetInt32();
}

long long GString::GetInt64() const {
    GBuffer scratch;
    return ASCIIView(scratch).GetInt64();
}

unsigned int GString::GetUInt32() const {
    GBuffer scratch;
    return ASCIIView(scratch).GetUInt32();
}

double GString::GetReal() const {
    GBuffer scratch;
    return ASCIIView(scratch).GetReal();
}

// ---- Placeholders ----

namespace {

bool IsDigitPlaceholder(uint16_t unit) { return unit >= '1' && unit <= '9'; }

} // namespace

int GString::GetNumSubstitutes() const {
    GBuffer scratch;
    GBuffer const& text = UnicodeView(scratch);
    unsigned char const* p = text.GetPtr();
    const int n = UnitCount(text);
    int count = 0;
    for (int i = 0; i + 1 < n; ++i) {
        const uint16_t next = UnitAt(p, i + 1);
        if (UnitAt(p, i) == '%' && (IsDigitPlaceholder(next) || next == 's'))
            ++count;
    }
    return count;
}

GString& GString::SubstituteParams(GTable<GString const*> const& params) {
    const int count = params.GetCount();
    GTable<GBuffer> scratch;
    scratch.Resize(count);
    GTable<GBuffer const*> values;
    for (int k = 0; k < count; ++k)
        values.AddItem(params[k] == nullptr ? &GBuffer::cEmptyBuffer : &params[k]->UnicodeView(scratch[k]));

    GBuffer templateScratch;
    GBuffer const& text = UnicodeView(templateScratch);
    unsigned char const* p = text.GetPtr();
    const int n = UnitCount(text);
    // Built aside, so inserted text is never scanned and the parameters may be this string.
    GBuffer result;
    int nextS = 0;
    int copied = 0;
    for (int i = 0; i + 1 < n;) {
        int k = -1;
        if (UnitAt(p, i) == '%') {
            const uint16_t next = UnitAt(p, i + 1);
            if (IsDigitPlaceholder(next) && next - '1' < count)
                k = next - '1';
            else if (next == 's' && nextS < count)
                k = nextS++;
        }
        if (k < 0) {
            ++i;
            continue;
        }
        result.AppendByteArray(p + 2 * copied, 2 * (i - copied));
        result.AppendByteArray(values[k]->GetPtr(), values[k]->GetLength() & ~1);
        i += 2;
        copied = i;
    }
    result.AppendByteArray(p + 2 * copied, text.GetLength() - 2 * copied);

    GUnicodeEncoding const* unicode = UnicodeEncoding();
    unicode->Normalize(result);
    mBytes.Swap(result);
    SetEncoding(unicode);
    return *this;
}

GString& GString::SubstituteParams(GString const& p1) {
    GTable<GString const*> params;
    params.AddItem(&p1);
    return SubstituteParams(params);
}

GString& GString::SubstituteParams(GString const& p1, GString const& p2) {
    GTable<GString const*> params;
    params.AddItem(&p1);
    params.AddItem(&p2);
    return SubstituteParams(params);
}

GString& GString::SubstituteParams(GString const& p1, GString const& p2, GString const& p3) {
    GTable<GString const*> params;
    params.AddItem(&p1);
    params.AddItem(&p2);
    params.AddItem(&p3);
    return SubstituteParams(params);
}

GString& GString::SubstituteParams(GString const* first, ...) {
    GTable<GString const*> params;
    va_list args;
    va_start(args, first);
    {
        VarArgs end(args);
        for (GString const* p = first; p != nullptr; p = va_arg(args, GString const*))
            params.AddItem(p);
    }
    return SubstituteParams(params);
}
