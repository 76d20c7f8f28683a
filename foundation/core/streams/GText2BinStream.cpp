#include "core/streams/GText2BinStream.h"

#include <cstring>
#include <typeinfo>

#include "core/bytes/GByteOrder.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/generated/GSingleByteTables.h"
#include "core/text/GString.h"
#include "core/text/GTextEscapes.h"

namespace {

GUnicodeEncoding const* UnicodeEncoding() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

GEncoding const* PlatformEncoding() { return GEncodingFallback::GetPlatform(); }

bool IsUnicode(GEncoding const* encoding) {
    return dynamic_cast<GUnicodeEncoding const*>(encoding) != nullptr ||
           encoding->GetASCIIDescription() == UnicodeEncoding()->GetASCIIDescription();
}

uint16_t UnitAt(GBuffer const& units, int i) { return GEncodingKernels::LoadUnit(units.GetPtr() + 2 * i); }

bool IsLead(uint16_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsTrail(uint16_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

// ASCII text widened to UTF-16 as the ASCII encoding converts it; false for a byte it has no
// character for.
bool WidenASCII(unsigned char const* p, int n, unsigned char* out) {
    // No way out in the loop: a byte without a character is rare, and out is scratch.
    bool unmapped = false;
    for (int i = 0; i < n; ++i) {
        const uint16_t unit = cASCIIToUnicode[p[i]];
        unmapped |= unit == 0;
        std::memcpy(out + 2 * i, &unit, 2);
    }
    return !unmapped;
}

// The bytes the ASCII table maps to themselves (0x07 to 0x7F) widened by zero extension, without
// the table look-up, which keeps the loop in vector instructions. False for any other byte, and,
// when quoted, for a byte that quoting rewrites: the caller then takes the way that handles both.
bool WidenPlainASCII(unsigned char const* p, int n, unsigned char* out, bool quoted) {
    constexpr int cLow = cBigEndianMachine ? 1 : 0;
    // Byte flags and plain compares: a bit-test form of the escape check would not vectorise.
    unsigned char other = 0;
    unsigned char escape = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned char byte = p[i];
        out[2 * i + cLow] = byte;
        out[2 * i + 1 - cLow] = 0;
        other |= static_cast<unsigned char>(static_cast<unsigned char>(byte - 0x07) > 0x78);
        escape |= static_cast<unsigned char>(byte == '\\') | static_cast<unsigned char>(byte == '"');
        escape |= static_cast<unsigned char>(static_cast<unsigned>(byte - '\t') < 2u) | static_cast<unsigned char>(byte == '\r');  // \t, \n
    }
    return other == 0 && (!quoted || escape == 0);
}

// The ASCII singleton when it is exactly that class: its conversion is the table above.
GEncoding const* PlainASCII() {
    GEncoding const* ascii = GEncodingFallback::Get<GASCIIEncoding>();
    return typeid(*ascii) == typeid(GASCIIEncoding) ? ascii : nullptr;
}

bool IsUnicodeText(GEncoding const* encoding) {
    return encoding == GUnicodeEncoding::GetInstance() || dynamic_cast<GUnicodeEncoding const*>(encoding) != nullptr;
}

// What quoting rewrites (see GTextEscapes::QuoteString).
bool NeedsEscape(uint16_t unit) { return (unit == '\\') | (unit == '"') | (unit == '\t') | (unit == '\r') | (unit == '\n'); }

}  // namespace

GText2BinStream::GText2BinStream(GOutStream& out, GEncoding const* encoding) : mInner(&out), mOwnsInner(false) {
    SetEncoding(encoding, true);
}

GText2BinStream::GText2BinStream(GOutStream* out, GEncoding const* encoding) : mInner(out), mOwnsInner(true) {
    try {
        SetEncoding(encoding, true);
    } catch (...) {
        delete mInner;
        throw;
    }
}

GText2BinStream::~GText2BinStream() {
    if (mOwnsInner)
        delete mInner;
}

void GText2BinStream::SetEncoding(GEncoding const* encoding, bool writeMark) {
    mEncoding = encoding != nullptr ? encoding : PlatformEncoding();
    if (writeMark && IsUnicode(mEncoding.Get())) {
        GBuffer mark;
        const bool bigEndian = cBigEndianMachine;
        mark += static_cast<unsigned char>(bigEndian ? 0xFE : 0xFF);
        mark += static_cast<unsigned char>(bigEndian ? 0xFF : 0xFE);
        WriteAll(mark);
    }
    GTextEscapes::GetEOLString().GetBuffer(mLineEnd, mEncoding.Get());
    mStrayEscapeUnit = StrayEscapeUnit(mEncoding.Get());
    mDirectUnicode = GUnicodeEncoding::GetInstance() != nullptr &&
                     dynamic_cast<GUnicodeEncoding const*>(mEncoding.Get()) != nullptr;
    mPlainASCII = PlainASCII();
}

// The character that this encoding writes as the byte 0x5C when that is not the backslash (the
// yen sign in Mac Japanese): readers take the byte for an escape, so it is written doubled,
// which readers that know only 0x5C as the escape also read back as one 0x5C.
unsigned short GText2BinStream::StrayEscapeUnit(GEncoding const* encoding) {
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (encoding == nullptr || unicode == nullptr || IsUnicode(encoding))
        return 0;
    static const unsigned char cByte = 0x5C;
    GBuffer units;
    if (encoding->ConvertTo(GBuffer(&cByte, 1), unicode, units) != GEncoding::kConvertOK || units.GetLength() != 2)
        return 0;
    const unsigned short unit = UnitAt(units, 0);
    return unit == '\\' ? 0 : unit;
}

int GText2BinStream::Write(GBuffer const& data) { return mInner != nullptr ? mInner->Write(data) : 0; }

void GText2BinStream::Flush() {
    if (mInner != nullptr)
        mInner->Flush();
}

void GText2BinStream::Reserve(long long bytes) {
    if (mInner != nullptr)
        mInner->Reserve(bytes);
}

bool GText2BinStream::WriteAll(GBuffer const& bytes) {
    if (bytes.IsEmpty())
        return true;
    return Write(bytes) == bytes.GetLength();
}

bool GText2BinStream::Write(GString const& text) {
    if (mDirectUnicode && WriteUnicodeDirect(text, false))
        return true;  // never lossy
    GBuffer bytes;
    Encode(text, bytes);
    return WriteAll(bytes);
}

bool GText2BinStream::Write(char const* text) {
    if (text == nullptr)
        return true;
    return Write(GString(text));
}

bool GText2BinStream::WriteEOL() { return WriteAll(mLineEnd); }

bool GText2BinStream::WriteQuotedString(GString const& text) {
    if (mDirectUnicode && WriteUnicodeDirect(text, true))
        return true;
    GString quoted(text);
    GTextEscapes::QuoteString(quoted);
    if (mStrayEscapeUnit == 0)
        return Write(quoted);
    GBuffer units = quoted.GetBuffer(UnicodeEncoding());
    const int n = units.GetLength() / 2;
    GBuffer escaped;
    for (int i = 0; i < n; ++i) {
        const unsigned short unit = UnitAt(units, i);
        if (unit == mStrayEscapeUnit)
            escaped += unit;
        escaped += unit;
    }
    // Not composed again: an escape letter would merge with a combining mark after it.
    return Write(GString(escaped, UnicodeEncoding(), false));
}

// In UTF-16 the bytes of a text are its units (composed; ASCII widened), and quoting only adds
// the quotes to a text without a character to escape. Other texts take the general way.
bool GText2BinStream::WriteUnicodeDirect(GString const& text, bool quoted) {
    GBuffer const& bytes = text.GetEncodedBuffer();
    GEncoding const* encoding = text.GetEncoding().Get();
    if (!quoted && encoding != nullptr && encoding != mPlainASCII && IsUnicodeText(encoding)) {
        if ((bytes.GetLength() & 1) != 0)
            return false;
        mLastTextLossy = false;
        return WriteAll(bytes);
    }
    const int end = AppendUnicodeDirect(text, quoted, 0);
    if (end < 0)
        return false;
    mLastTextLossy = false;
    return end == 0 || WriteAll(mOut);
}

// The units of text (between quotes when quoted) put into mOut from byte at on; returns where
// they end, or -1 for a text that needs the general way.
int GText2BinStream::AppendUnicodeDirect(GString const& text, bool quoted, int at) {
    GBuffer const& bytes = text.GetEncodedBuffer();
    GEncoding const* encoding = text.GetEncoding().Get();
    const bool unicode = encoding != nullptr && encoding != mPlainASCII && IsUnicodeText(encoding);
    if (unicode && (bytes.GetLength() & 1) != 0)
        return -1;
    if (encoding != nullptr && !unicode && encoding != mPlainASCII)
        return -1;
    // The units, between two places for the quotes when quoted.
    const int n = encoding == nullptr ? 0 : unicode ? bytes.GetLength() / 2 : bytes.GetLength();
    const int first = quoted ? 1 : 0;
    const int end = at + 2 * (n + 2 * first);
    if (end == 0)
        return 0;
    mOut.SetLength(end);
    unsigned char* out = mOut.GetWritePtr() + at;
    // Checked for escapes already when the ASCII bytes were widened.
    bool checked = false;
    if (unicode)
        std::memcpy(out + 2 * first, bytes.GetPtr(), 2 * static_cast<std::size_t>(n));
    else if (WidenPlainASCII(bytes.GetPtr(), n, out + 2 * first, quoted))
        checked = true;
    else if (!WidenASCII(bytes.GetPtr(), n, out + 2 * first))
        return -1;
    if (quoted) {
        // One pass without an early way out, which the compiler turns into vector compares:
        // texts that need an escape are rare.
        bool escape = false;
        if (!checked)
            for (int i = 1; i <= n; ++i)
                escape |= NeedsEscape(GEncodingKernels::LoadUnit(out + 2 * i));
        if (escape)
            return -1;
        const uint16_t quote = '"';
        std::memcpy(out, &quote, 2);
        std::memcpy(out + 2 * (n + 1), &quote, 2);
    }
    return end;
}

bool GText2BinStream::WriteQuotedPairLine(GString const& key, GString const& separator, GString const& value) {
    if (mDirectUnicode) {
        int end = AppendUnicodeDirect(key, true, 0);
        if (end >= 0)
            end = AppendUnicodeDirect(separator, false, end);
        if (end >= 0)
            end = AppendUnicodeDirect(value, true, end);
        if (end >= 0) {
            const int lineEnd = mLineEnd.GetLength();
            mOut.SetLength(end + lineEnd);
            std::memcpy(mOut.GetWritePtr() + end, mLineEnd.GetPtr(), static_cast<std::size_t>(lineEnd));
            mLastTextLossy = false;
            return WriteAll(mOut);
        }
    }
    bool ok = WriteQuotedString(key);
    ok = Write(separator) && ok;
    ok = WriteQuotedString(value) && ok;
    return WriteEOL() && ok;
}

void GText2BinStream::Encode(GString const& text, GBuffer& bytes) {
    mLastTextLossy = false;
    if (text.GetBuffer(bytes, mEncoding.Get()) == GEncoding::kConvertOK)
        return;
    // Some code pages stop at the first character they cannot hold: go on without it.
    EncodeByCharacter(text, bytes);
    mLastTextLossy = true;
    ++mLossyTextCount;
}

void GText2BinStream::EncodeByCharacter(GString const& text, GBuffer& bytes) const {
    GBuffer units;
    text.GetBuffer(units, UnicodeEncoding());
    const int n = units.GetLength() / 2;
    bytes.Clear();
    GBuffer one;
    GBuffer encoded;
    for (int i = 0; i < n;) {
        const int length = IsLead(UnitAt(units, i)) && i + 1 < n && IsTrail(UnitAt(units, i + 1)) ? 2 : 1;
        one.Set(units.GetPtr() + 2 * i, 2 * length);
        i += length;
        const int32_t status = GString(one, UnicodeEncoding(), false).GetBuffer(encoded, mEncoding.Get());
        if ((status & GEncoding::kConvertFailed) == 0 && !encoded.IsEmpty()) {
            bytes += encoded;
            continue;
        }
        if (IsUnicode(mEncoding.Get()))
            bytes += static_cast<unsigned short>(GEncoding::GetDefaultUnit());
        else
            bytes += GEncoding::GetDefaultByte();
    }
}
