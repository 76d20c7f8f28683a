#pragma once
// GString: the text type of the framework, bytes together with the encoding that gives them
// meaning. Text enters in whatever encoding it comes in; the common form is UTF-16 in machine
// byte order under GUnicodeEncoding. Every operation on positions first brings the string into
// that form in place, so positions and lengths count UTF-16 units. Comparison, hashing and
// joining of strings in different encodings go through their composed UTF-16 text, U(s).
//
// Callers may rely on:
// - A string without encoding (default-made or cleared) reads as empty text.
// - Copies share borrowed bytes and the encoding; a GString holds no pointer into itself, so
//   tables and dictionaries move it bitwise.
// - Strings that compare equal hash equally, whatever their encodings. Hashing UTF-16 and ASCII
//   strings takes no memory; other encodings are converted first (GMemoryException when that fails).
// - Case mapping is locale-free (simple Unicode case mapping per code point) and never changes
//   the number of UTF-16 units, so case-insensitive comparisons and hashes are stable.
// - Positions past the end and negative counts are clipped, never read or written out of range.
// - Constructors that normalise throw GException (2450) when given no encoding.
// - EnsureUnicode and the const searches change the bytes of a string declared constant: a
//   string read by several threads at once must already be in its final (Unicode) form.
#include <climits>
#include <cstdint>

#include "core/base/GIsRelocatable.h"
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GEncoding.h"

class GString {
public:
    // Empty, without encoding.
    static const GString cEmptyString;

    GString() noexcept = default;
    // The normalising forms: keepEncoding is handed to Normalize.
    GString(GBuffer const& bytes, GEncoding const* encoding, bool keepEncoding = true);
    GString(unsigned char const* bytes, int n, GEncoding const* encoding, bool keepEncoding = true);
    // The text up to the length the encoding's GetLength finds; null gives no bytes.
    GString(char const* text, GEncoding const* encoding, bool keepEncoding = true);
    // UTF-16 up to its first zero unit.
    GString(char16_t const* text, bool keepEncoding = true);
    // ASCII up to the first zero byte (copied, not normalised); null gives no bytes.
    GString(char const* text);
    // Decimal ASCII text.
    explicit GString(int value);
    explicit GString(unsigned int value);
    explicit GString(long long value);
    explicit GString(unsigned long long value);
    // "%f" with trailing zeros and a final point cut: 1.5 gives "1.5", 2.0 gives "2".
    explicit GString(double value);
    GString(double value, GBuffer const& format);
    GString(double value, int precision);
    GString(GString const& other) = default;
    GString(GString&& other) noexcept = default;
    ~GString() = default;

    GString& operator=(GString const& other) = default;
    GString& operator=(GString&& other) noexcept = default;

    void Set(GBuffer const& bytes, GEncoding const* encoding, bool keepEncoding = true);
    void Set(unsigned char const* bytes, int n, GEncoding const* encoding, bool keepEncoding = true);
    void Set(char const* text, GEncoding const* encoding, bool keepEncoding = true);
    void Set(int value);
    void Set(unsigned int value);
    void Set(double value, GBuffer const& format);
    void Set(double value, int precision);
    // At least digits digits, zero-padded.
    void SetInt(int value, int digits);
    void SetWithHighPrecision(double value);

    // Length 0 and no encoding; the buffer keeps its block.
    void Clear();
    // The byte length is 0, whatever the encoding.
    bool IsEmpty() const { return mBytes.IsEmpty(); }
    GBuffer const& GetEncodedBuffer() const { return mBytes; }
    GSharedObject<GEncoding> const& GetEncoding() const { return mEncoding; }
    // The encoding's description, or "NULL".
    GBuffer const& GetEncodingName() const;

    // keepEncoding: the encoding's own normal form (UTF-16 composes); otherwise the text becomes
    // UTF-16 (not composed; a Unicode string is left as it is).
    void Normalize(bool keepEncoding);
    // Into composed UTF-16 in place unless already Unicode; no encoding becomes empty UTF-16.
    void EnsureUnicode() const;

    // The text in target (UTF-16 targets get it composed); returns the conversion status.
    // No encoding: out emptied, 1. No target: out emptied, 4.
    int32_t GetBuffer(GBuffer& out, GEncoding const* target) const;
    GBuffer GetBuffer(GEncoding const* target) const;
    // Whether bytes convert cleanly out of encoding (by its name; unknown encodings are taken on
    // trust, no encoding is not compatible).
    static bool AreCompatible(GBuffer const& bytes, GEncoding const* encoding);

    // Simple case mapping per code point; a mapping that would change the unit count is skipped.
    void ToLower();
    void ToUpper();

    GString& operator+=(GString const& other);

    uint32_t GetHash() const;

    // Positions in UTF-16 units; each first brings this string into UTF-16.
    // Removes the units of [pos, pos + n) that lie in the string; n < 0 removes nothing.
    void Remove(int pos, int n);
    // Inserts U(s) at pos when 0 <= pos <= unit count; otherwise nothing.
    void Insert(int pos, GString const& s);
    void Insert(int pos, unsigned short unit);
    // Replaces every unit-wise occurrence of what at or after pos by with, searching on after the
    // inserted text; what and with become UTF-16 in place. Returns whether anything was found.
    bool Replace(int pos, GString const& what, GString const& with);
    bool Replace(int pos, unsigned short from, unsigned short to);
    // Unit indexes, -1 when none. A negative start counts as 0.
    int FindFirst(unsigned short unit, int start = 0) const;
    int FindFirst(unsigned short const* set, int n, int start) const;
    int FindFirstNot(unsigned short unit, int start = 0) const;
    int FindFirstNot(unsigned short const* set, int n, int start) const;
    // The last unit equal to unit at an index <= end.
    int FindLast(unsigned short unit, int end = INT_MAX) const;
    // what becomes UTF-16 in place; an empty what gives 0.
    int Find(GString const& what, int start = 0) const;
    // n units from pos (n < 0 or past the end: to the end), composed. The second form writes
    // into out, which may be this string, without recomposing.
    GString GetSubstring(int pos, int n = -1) const;
    void GetSubstring(GString& out, int pos, int n) const;

    // Numbers read from the text in ASCII (as GBuffer reads them); no encoding reads as 0.
    int GetInt32() const;
    long long GetInt64() const;
    unsigned int GetUInt32() const;
    double GetReal() const;

    // The positions where "%" is followed by "1" to "9" or "s".
    int GetNumSubstitutes() const;
    // "%1" to "%9" take parameter 1 to 9, the j-th replaced "%s" parameter j; placeholders
    // without a parameter stay. Inserted text is never scanned again, and scanning resumes right
    // after it. A null parameter counts as empty. The result is composed UTF-16.
    GString& SubstituteParams(GTable<GString const*> const& params);
    GString& SubstituteParams(GString const& p1);
    GString& SubstituteParams(GString const& p1, GString const& p2);
    GString& SubstituteParams(GString const& p1, GString const& p2, GString const& p3);
    // Pointers to the parameters, ended by a null pointer.
    GString& SubstituteParams(GString const* first, ...);

    static bool IsLessThan(GString const& a, GString const& b);
    // Case-folded as by ToLower.
    static bool IsLessThanIgnoreCase(GString const& a, GString const& b);

private:
    friend bool operator==(GString const& a, GString const& b);
    friend bool operator<(GString const& a, GString const& b);
    friend bool operator>(GString const& a, GString const& b);

    // U(s): the composed UTF-16 text; returns the conversion status.
    int32_t UnicodeText(GBuffer& out) const;
    // U(s) without a copy: the bytes themselves when Unicode, else scratch filled.
    GBuffer const& UnicodeView(GBuffer& scratch) const;
    GBuffer const& ASCIIView(GBuffer& scratch) const;
    bool IsUnicode() const;
    void SetEncoding(GEncoding const* encoding) const;
    void SetNormalized(GEncoding const* encoding, bool keepEncoding);
    void AppendUnits(GBuffer const& units);
    template <class Map>
    void MapCase(Map map);

    mutable GBuffer mBytes;
    mutable GSharedObject<GEncoding> mEncoding;
};

// Bytes and encoding are handles to blocks elsewhere.
template <>
struct GIsRelocatable<GString> : std::true_type {};

// Equal when the bytes are equal under one encoding, else when U(a) equals U(b).
bool operator==(GString const& a, GString const& b);
bool operator!=(GString const& a, GString const& b);
// The order of the UTF-16 text's bytes in memory, as unsigned bytes (not code-point order).
bool operator<(GString const& a, GString const& b);
bool operator>(GString const& a, GString const& b);
bool operator<=(GString const& a, GString const& b);
bool operator>=(GString const& a, GString const& b);
GString operator+(GString const& a, GString const& b);
