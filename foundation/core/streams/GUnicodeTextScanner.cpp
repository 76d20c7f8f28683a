#include "core/streams/GUnicodeTextScanner.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/bytes/GByteOrder.h"
#include "core/streams/GBufferedInStream.h"
#include "core/text/GTextEscapes.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/GUnicodeEncoding.h"

namespace {

constexpr int cBlockBytes = 1 << 13;
constexpr int cReachUnits = 256;

GEncoding const* ScannedEncoding() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

bool IsMark(unsigned char const* bytes, int n, bool machineOrder) {
    const bool bigEndian = cBigEndianMachine;
    const bool feFirst = bigEndian == machineOrder;
    return n >= 2 && bytes[0] == (feFirst ? 0xFE : 0xFF) && bytes[1] == (feFirst ? 0xFF : 0xFE);
}

}  // namespace

bool GUnicodeTextScanner::Reads(GBufferedInStream& in, GEncoding const* encoding) {
    if (encoding != nullptr && encoding != ScannedEncoding())
        return false;
    GBuffer head;
    GBuffer piece;
    while (head.GetLength() < 2 && in.Read(piece, 2 - head.GetLength()) > 0)
        head += piece;
    in.Unread(head.GetLength());
    return ReadsHead(head.GetPtr(), head.GetLength(), encoding);
}

bool GUnicodeTextScanner::Reads(GBuffer const& bytes, GEncoding const* encoding) {
    if (encoding != nullptr && encoding != ScannedEncoding())
        return false;
    return ReadsHead(bytes.GetPtr(), bytes.GetLength(), encoding);
}

bool GUnicodeTextScanner::ReadsHead(unsigned char const* bytes, int n, GEncoding const* encoding) {
    // The other byte order is read by swapping, which the stream does.
    if (IsMark(bytes, n, false))
        return false;
    return encoding != nullptr || IsMark(bytes, n, true);
}

GUnicodeTextScanner::GUnicodeTextScanner(GInStream& in) : mIn(&in) {
    mWindow.Allocate(2 * cReachUnits + cBlockBytes);
    Begin();
}

// The whole input is the window from the start: it is borrowed, never filled nor trimmed.
GUnicodeTextScanner::GUnicodeTextScanner(GBuffer const& bytes) : mIn(nullptr), mEnded(true) {
    const int n = bytes.GetLength();
    if (n > 0)
        mWindow.SetFromStatic(reinterpret_cast<char const*>(bytes.GetPtr()), n, n + 1);
    mUnits = n / 2;
    mLoneByte = (n & 1) != 0;
    Begin();
}

// Takes the platform line end as GTextEscapes::GetEOLString gives it, in UTF-16 without a
// conversion, and steps over a machine-order mark.
void GUnicodeTextScanner::Begin() {
    if (GTextEscapes::NeedsCR())
        mLineEnd += static_cast<unsigned short>('\r');
    if (GTextEscapes::NeedsLF())
        mLineEnd += static_cast<unsigned short>('\n');
    if (More() && IsMark(mWindow.GetPtr(), mWindow.GetLength(), true))
        ++mPos;
}

// Keeps what Unread may reach and the token being read, and appends a block of the stream.
bool GUnicodeTextScanner::Fill() {
    if (mEnded)
        return false;
    int keep = std::max(0, mPos - cReachUnits);
    if (mTokenStart >= 0)
        keep = std::min(keep, mTokenStart);
    if (keep > 0) {
        mWindow.Remove(0, 2 * keep);
        mPos -= keep;
        mUnits -= keep;
        if (mTokenStart >= 0)
            mTokenStart -= keep;
    }
    if (mIn->Read(mBlock, cBlockBytes) > 0) {
        mWindow += mBlock;
    } else {
        mEnded = true;
        mLoneByte = (mWindow.GetLength() & 1) != 0;
    }
    mUnits = mWindow.GetLength() / 2;
    return mPos < mUnits;
}

int GUnicodeTextScanner::Read(GBuffer& out, int count) {
    out.Clear();
    while (2 * (mUnits - mPos) + (mLoneByte ? 1 : 0) < count && Fill()) {
    }
    const int n = std::min(count, 2 * (mUnits - mPos) + (mLoneByte ? 1 : 0));
    if (n < 1)
        return -1;
    out.Set(mWindow.GetPtr() + 2 * mPos, n);
    mPos += n / 2;
    if ((n & 1) != 0) {
        if (mPos < mUnits)
            return n;  // half a unit: not met by the readers of whole units that use this
        DropLoneByte();
    }
    return n;
}

int GUnicodeTextScanner::Unread(int count) {
    const int units = std::min(std::max(count, 0) / 2, mPos);
    mPos -= units;
    return 2 * units;
}

template <class Stop>
int GUnicodeTextScanner::SkipUntil(Stop stop) {
    int skipped = 0;
    // The window's units in a plain loop; a refill only where the window ends.
    while (More()) {
        unsigned char const* units = mWindow.GetPtr();
        const int from = mPos;
        int at = mPos;
        while (at < mUnits && !stop(GEncodingKernels::LoadUnit(units + 2 * at)))
            ++at;
        mPos = at;
        skipped += at - from;
        if (at < mUnits)
            break;
    }
    return skipped;
}

// SkipUntil(EndsQuoted), eight units at a time where SSE2 is there: quoted text is mostly plain.
void GUnicodeTextScanner::SkipQuotedText() {
    while (More()) {
        unsigned char const* units = mWindow.GetPtr();
        int at = mPos;
#if defined(__SSE2__)
        const __m128i quote = _mm_set1_epi16('"');
        const __m128i backslash = _mm_set1_epi16('\\');
        for (; at + 8 <= mUnits; at += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<__m128i const*>(units + 2 * at));
            const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, backslash)));
            if (hits != 0) {
                // Two mask bits a unit: the lowest set bit is the first unit found.
                mPos = at + __builtin_ctz(static_cast<unsigned>(hits)) / 2;
                return;
            }
        }
#endif
        while (at < mUnits && !EndsQuoted(GEncodingKernels::LoadUnit(units + 2 * at)))
            ++at;
        mPos = at;
        if (at < mUnits)
            return;
    }
}

int GUnicodeTextScanner::SkipWhitespace(bool includeLineEnds) {
    if (includeLineEnds)
        return SkipUntil([](uint16_t u) { return !IsWhitespace(u); });
    return SkipUntil([](uint16_t u) { return !IsBlank(u); });
}

void GUnicodeTextScanner::TakeToken(GString& out) {
    out.Set(mWindow.GetPtr() + 2 * mTokenStart, 2 * (mPos - mTokenStart), ScannedEncoding());
    mTokenStart = -1;
}

void GUnicodeTextScanner::AppendToken() {
    if (mPos > mTokenStart)
        mQuoted.AppendByteArray(mWindow.GetPtr() + 2 * mTokenStart, 2 * (mPos - mTokenStart));
    mTokenStart = -1;
}

int GUnicodeTextScanner::Read(int count, GString& out) {
    out.Clear();
    if (count < 1 || !More())
        return -1;
    mTokenStart = mPos;
    while (mPos - mTokenStart < count && More())
        ++mPos;
    const int n = mPos - mTokenStart;
    TakeToken(out);
    return n;
}

bool GUnicodeTextScanner::ReadString(GString& out) {
    SkipWhitespace(true);
    if (!More()) {
        out.Clear();
        return false;
    }
    mTokenStart = mPos;
    SkipUntil(IsWhitespace);
    TakeToken(out);
    return true;
}

bool GUnicodeTextScanner::ReadLine(GString& out) {
    if (!More()) {
        out.Clear();
        DropLoneByte();
        return false;
    }
    mTokenStart = mPos;
    SkipUntil(IsLineEnd);
    TakeToken(out);
    if (!More()) {
        DropLoneByte();
        return true;
    }
    // An LF ends the line alone; a CR takes an LF after it.
    if (Unit(mPos++) == '\r' && More() && Unit(mPos) == '\n')
        ++mPos;
    return true;
}

// As the stream reads the character after a backslash.
void GUnicodeTextScanner::AppendEscaped(uint16_t code) {
    switch (code) {
    case 't':
        mQuoted += static_cast<unsigned short>('\t');
        return;
    case 'n':
        mQuoted += mLineEnd;
        return;
    case '"':
    case '\\':
    case '\'':
        mQuoted += static_cast<unsigned short>(code);
        return;
    default:
        mQuoted += static_cast<unsigned short>('\\');
        mQuoted += static_cast<unsigned short>(code);
    }
}

bool GUnicodeTextScanner::ReadQuotedString(GString& out) {
    out.Clear();
    if (!More() || Unit(mPos) != '"')
        return false;
    mTokenStart = ++mPos;
    SkipQuotedText();
    if (More() && Unit(mPos) == '"') {
        // No escape: the text is taken where it lies.
        TakeToken(out);
        ++mPos;
        return true;
    }
    mQuoted.Clear();
    AppendToken();
    while (More()) {
        if (Unit(mPos++) == '"') {
            out.Set(mQuoted, ScannedEncoding());
            return true;
        }
        if (!More()) {
            mQuoted += static_cast<unsigned short>('\\');  // an escape cut by the end
            break;
        }
        AppendEscaped(Unit(mPos++));
        mTokenStart = mPos;
        SkipQuotedText();
        AppendToken();
    }
    out.Set(mQuoted, ScannedEncoding());
    return false;
}
