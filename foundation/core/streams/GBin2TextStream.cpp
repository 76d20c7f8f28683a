#include "core/streams/GBin2TextStream.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <map>
#include <string>

#include "core/base/GMutexLocker.h"
#include "core/bytes/GByteOrder.h"
#include "core/streams/GMemoryInStream.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GEncodingKernels.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GTextEscapes.h"

namespace {

constexpr int cSkipChunkUnits = 20;
constexpr int cTextChunkUnits = 256;

GUnicodeEncoding const* UnicodeEncoding() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

GEncoding const* UTF8Encoding() { return GEncodingFallback::Get<GUTF8Encoding>(); }

GEncoding const* PlatformEncoding() { return GEncodingFallback::GetPlatform(); }

bool IsUTF8(GEncoding const* encoding) {
    return dynamic_cast<GUTF8Encoding const*>(encoding) != nullptr ||
           encoding->GetASCIIDescription() == UTF8Encoding()->GetASCIIDescription();
}

bool HasBytes(GBuffer const& buffer, std::initializer_list<unsigned char> bytes) {
    return buffer.GetLength() == static_cast<int>(bytes.size()) &&
           std::memcmp(buffer.GetPtr(), bytes.begin(), bytes.size()) == 0;
}

void SwapUnits(GBuffer& buffer) {
    const int n = buffer.GetLength() & ~1;
    if (n == 0)
        return;
    unsigned char* p = buffer.GetWritePtr();
    for (int i = 0; i < n; i += 2)
        std::swap(p[i], p[i + 1]);
}

int32_t Decode(GEncoding const* encoding, unsigned char const* bytes, int n, GBuffer& units) {
    GBuffer source(bytes, n);
    return encoding->ConvertTo(source, UnicodeEncoding(), units);
}

bool DecodesCleanly(GEncoding const* encoding, std::initializer_list<unsigned char> bytes) {
    GBuffer units;
    return Decode(encoding, bytes.begin(), static_cast<int>(bytes.size()), units) == GEncoding::kConvertOK;
}

bool DecodesToTheEnd(GEncoding const* encoding, unsigned char const* bytes, int n, GBuffer& units) {
    return (Decode(encoding, bytes, n, units) & GEncoding::kConvertFailed) == 0;
}

// The longest prefix of bytes[0, n) that decodes, found by halving: a character is at most 4
// bytes long, so when none of 4 neighbouring lengths decodes, the bad byte lies before them.
int LongestDecodablePrefix(GEncoding const* encoding, unsigned char const* bytes, int n, GBuffer& units) {
    if (DecodesToTheEnd(encoding, bytes, n, units))
        return n;
    int good = 0;
    int bad = n;
    while (bad - good > 4) {
        const int mid = good + (bad - good) / 2;
        int found = -1;
        for (int m = std::min(mid + 3, bad - 1); m >= mid && found < 0; --m) {
            if (DecodesToTheEnd(encoding, bytes, m, units))
                found = m;
        }
        if (found >= 0)
            good = found;
        else
            bad = mid;
    }
    for (int m = bad - 1; m > good; --m) {
        if (DecodesToTheEnd(encoding, bytes, m, units))
            return m;
    }
    if (good > 0)
        DecodesToTheEnd(encoding, bytes, good, units);
    return good;
}

// What can be decoded, each byte that cannot as the default character. Windows grow over valid
// text and start small after a bad byte, so text with many bad bytes costs a few short
// conversions per byte.
void DecodeLossily(GEncoding const* encoding, GBuffer const& bytes, GBuffer& out) {
    constexpr int cFirstWindow = 16;
    constexpr int cLastWindow = 1 << 20;
    out.Clear();
    unsigned char const* p = bytes.GetPtr();
    const int n = bytes.GetLength();
    GBuffer units;
    int window = cFirstWindow;
    for (int pos = 0; pos < n;) {
        const int w = std::min(window, n - pos);
        const int length = LongestDecodablePrefix(encoding, p + pos, w, units);
        if (length == 0) {
            out += static_cast<unsigned short>(GEncoding::GetDefaultUnit());
            ++pos;
            window = cFirstWindow;
            continue;
        }
        out += units;
        pos += length;
        window = length == w ? std::min(window * 2, cLastWindow) : cFirstWindow;
    }
}

// Which bytes begin a two-byte character of a platform encoding, found once per code page by
// decoding: a byte that is no character alone but is one with a trail byte after it.
std::array<bool, 256> const& PlatformLeadBytes(GEncoding const* encoding) {
    static GMutex mutex;
    static std::map<std::string, std::array<bool, 256> > cache;
    GMutexLocker lock(mutex);
    GBuffer const& name = encoding->GetASCIIDescription();
    std::string key(reinterpret_cast<char const*>(name.GetPtr()), static_cast<std::size_t>(name.GetLength()));
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second;
    std::array<bool, 256> lead{};
    for (int b = 0x80; b < 0x100; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if (DecodesCleanly(encoding, {byte}))
            continue;
        for (unsigned char trail : {0x40, 0x5C, 0x80, 0x9F, 0xA1, 0xE0}) {
            if (DecodesCleanly(encoding, {byte, trail})) {
                lead[b] = true;
                break;
            }
        }
    }
    return cache.emplace(key, lead).first->second;
}

}  // namespace

// ---- CharSet ----

void GBin2TextStream::CharSet::Clear() {
    std::fill(std::begin(mSmall), std::end(mSmall), false);
    mWide.Resize(0);
    mHasWide = false;
}

void GBin2TextStream::CharSet::Add(uint32_t code) {
    if (code < 256) {
        mSmall[code] = true;
        return;
    }
    mWide.AddUniqueItem(code);
    mHasWide = true;
}

bool GBin2TextStream::CharSet::ContainsWide(uint32_t code) const {
    for (uint32_t c : mWide) {
        if (c == code)
            return true;
    }
    return false;
}

// ---- Construction and encoding ----

GBin2TextStream::GBin2TextStream(GBufferedInStream& in, GEncoding const* encoding) : mInner(&in), mOwnsInner(false) {
    SetUp(encoding);
}

GBin2TextStream::GBin2TextStream(GBufferedInStream* in, GEncoding const* encoding)
    : mInner(in != nullptr ? in : new GMemoryInStream(GBuffer::cEmptyBuffer)), mOwnsInner(true) {
    try {
        SetUp(encoding);
    } catch (...) {
        delete mInner;
        throw;
    }
}

GBin2TextStream::~GBin2TextStream() {
    if (mOwnsInner)
        delete mInner;
}

void GBin2TextStream::SetEncoding(GEncoding const* encoding) {
    if (encoding != nullptr && encoding == mEncoding.Get())
        return;
    SetUp(encoding);
}

void GBin2TextStream::SetUp(GEncoding const* encoding) {
    mSwap = false;
    if (encoding == nullptr) {
        DetectEncoding();
    } else {
        mEncoding = encoding;
        mUTF16 = Encoded("A").GetLength() == 2;
        mUnitSize = mUTF16 ? 2 : 1;
        if (mUTF16)
            ConsumeUnicodeMark();
        else if (IsUTF8(encoding))
            ConsumeUTF8Mark();
    }
    BuildSets();
}

void GBin2TextStream::DetectEncoding() {
    mUTF16 = false;
    mUnitSize = 1;
    mEncoding = PlatformEncoding();
    GBuffer mark;
    if (ReadFully(mark, 2) == 0)
        return;
    if (TakeUnicodeMark(mark)) {
        mEncoding = UnicodeEncoding();
        mUTF16 = true;
        mUnitSize = 2;
        return;
    }
    ConsumeUTF8Mark();
}

void GBin2TextStream::ConsumeUnicodeMark() {
    GBuffer mark;
    ReadFully(mark, 2);
    TakeUnicodeMark(mark);
}

bool GBin2TextStream::TakeUnicodeMark(GBuffer const& mark) {
    const bool bigEndianMachine = cBigEndianMachine;
    if (HasBytes(mark, {0xFF, 0xFE})) {
        mSwap = bigEndianMachine;
        return true;
    }
    if (HasBytes(mark, {0xFE, 0xFF})) {
        mSwap = !bigEndianMachine;
        return true;
    }
    GiveBack(mark.GetLength());
    return false;
}

// Detection also lands here: a UTF-8 mark switches the encoding to UTF-8.
void GBin2TextStream::ConsumeUTF8Mark() {
    GBuffer mark;
    ReadFully(mark, 3);
    if (HasBytes(mark, {0xEF, 0xBB, 0xBF})) {
        mEncoding = UTF8Encoding();
        return;
    }
    GiveBack(mark.GetLength());
}

GBuffer GBin2TextStream::Encoded(char const* ascii) const {
    GBuffer bytes;
    GString(ascii).GetBuffer(bytes, mEncoding.Get());
    return bytes;
}

uint32_t GBin2TextStream::EncodedChar(char ascii, GBuffer& bytes) const {
    const char text[2] = {ascii, 0};
    bytes = Encoded(text);
    if (bytes.GetLength() == mUnitSize)
        return mUTF16 ? GEncodingKernels::LoadUnit(bytes.GetPtr()) : bytes.GetPtr()[0];
    // No one-unit form: compare with the ASCII code, which is what a writer without one wrote.
    bytes.Clear();
    if (mUTF16)
        bytes += static_cast<unsigned short>(static_cast<unsigned char>(ascii));
    else
        bytes += static_cast<unsigned char>(ascii);
    return static_cast<unsigned char>(ascii);
}

void GBin2TextStream::BuildSets() {
    FindMultiByteCharacters();
    mWhitespace = Encoded(" \t\n\r");
    mBlanks = Encoded(" \t");
    mLineEnds = Encoded("\n\r");
    mQuoteCode = EncodedChar('"', mQuote);
    mCRCode = EncodedChar('\r', mCR);
    mLFCode = EncodedChar('\n', mLF);
    mBackslashCode = EncodedChar('\\', mBackslash);
    // Text files take the ASCII backslash for the escape character whatever their encoding;
    // the encoding's own backslash (0x80 in Mac Japanese) is what this system's writer writes.
    mASCIIBackslashCode = mUTF16 ? mBackslashCode : '\\';
    mSingleQuoteCode = EncodedChar('\'', mSingleQuote);
    GBuffer letter;
    mLetterTCode = EncodedChar('t', letter);
    mLetterNCode = EncodedChar('n', letter);
    EncodedChar('\t', mTab);
    GTextEscapes::GetEOLString().GetBuffer(mLineEnd, mEncoding.Get());
    FillSet(mWhitespaceSet, mWhitespace);
    FillSet(mBlankSet, mBlanks);
    FillSet(mLineEndSet, mLineEnds);
}

void GBin2TextStream::FindMultiByteCharacters() {
    std::fill(std::begin(mTrailCount), std::end(mTrailCount), 0);
    std::fill(std::begin(mTrailByte), std::end(mTrailByte), false);
    mMultiByte = false;
    if (mUTF16)
        return;
    GEncoding const* encoding = mEncoding.Get();
    if (IsUTF8(encoding)) {
        // C0 and C1 included: the decoder takes C0 80 for U+0000.
        for (int b = 0xC0; b < 0xF8; ++b)
            mTrailCount[b] = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        for (int b = 0x80; b < 0xC0; ++b)
            mTrailByte[b] = true;
        mMultiByte = true;
        return;
    }
    if (dynamic_cast<GPlatformEncoding const*>(encoding) == nullptr)
        return;
    std::array<bool, 256> const& lead = PlatformLeadBytes(encoding);
    for (int b = 0; b < 256; ++b) {
        if (lead[b]) {
            mTrailCount[b] = 1;
            mMultiByte = true;
        }
    }
    // Trail bytes of the double-byte code pages; every ASCII control, blank and quote lies below.
    for (int b = 0x40; b < 0xFF; ++b)
        mTrailByte[b] = b != 0x7F;
}

void GBin2TextStream::FillSet(CharSet& set, GBuffer const& chars) const {
    set.Clear();
    unsigned char const* p = chars.GetPtr();
    const int n = chars.GetLength();
    if (mUTF16) {
        for (int i = 0; i + 1 < n; i += 2)
            set.Add(GEncodingKernels::LoadUnit(p + i));
        return;
    }
    for (int i = 0; i < n;) {
        uint32_t code = p[i];
        int length = 1;
        for (int trails = mTrailCount[p[i]]; trails > 0 && i + length < n && mTrailByte[p[i + length]]; --trails)
            code = code << 8 | p[i + length++];
        set.Add(code);
        i += length;
    }
}

// ---- Raw bytes ----

GInStream* GBin2TextStream::CreateClone() const { return nullptr; }

int GBin2TextStream::Read(GBuffer& out, int count) { return mInner->Read(out, count); }

void GBin2TextStream::Reset() {}

int GBin2TextStream::Unread(int count) { return mInner->Unread(count); }

void GBin2TextStream::SetRollBackPoint() { mInner->SetRollBackPoint(); }

int GBin2TextStream::RollBack() { return mInner->RollBack(); }

int GBin2TextStream::ReadFully(GBuffer& out, int count) {
    out.Clear();
    if (count < 1)
        return 0;
    if (mInner->Read(out, count) <= 0) {
        out.Clear();
        return 0;
    }
    GBuffer piece;
    while (out.GetLength() < count && mInner->Read(piece, count - out.GetLength()) > 0)
        out += piece;
    return out.GetLength();
}

void GBin2TextStream::GiveBack(int bytes) {
    if (bytes > 0)
        mInner->Unread(bytes);
}

int GBin2TextStream::ReadUnits(int units) {
    const int want = static_cast<int>(std::min<long long>(static_cast<long long>(units) * mUnitSize, INT_MAX - 1));
    int got = ReadFully(mScratch, want);
    if (mUTF16 && (got & 1) != 0) {
        // Kept for the next read rather than dropped: it may be the half of a unit still coming.
        GiveBack(1);
        mScratch.SetLength(--got);
    }
    if (mSwap)
        SwapUnits(mScratch);
    return got / mUnitSize;
}

bool GBin2TextStream::ReadOneUnit(uint32_t& unit, int& got) {
    got = ReadFully(mUnit, mUnitSize);
    if (got < mUnitSize)
        return false;
    if (!mUTF16) {
        unit = mUnit.GetPtr()[0];
        return true;
    }
    const uint16_t u = GEncodingKernels::LoadUnit(mUnit.GetPtr());
    unit = mSwap ? static_cast<uint16_t>(u << 8 | u >> 8) : u;
    return true;
}

uint32_t GBin2TextStream::CharAt(int i, int& length, bool extend) {
    unsigned char const* p = mScratch.GetPtr();
    if (mUTF16) {
        length = 2;
        return GEncodingKernels::LoadUnit(p + i);
    }
    uint32_t code = p[i];
    length = 1;
    for (int trails = mTrailCount[code]; trails > 0; --trails) {
        if (i + length >= mScratch.GetLength()) {
            GBuffer next;
            if (!extend || ReadFully(next, 1) == 0)
                break;
            mScratch += next;
            p = mScratch.GetPtr();
        }
        if (!mTrailByte[p[i + length]])
            break;
        code = code << 8 | p[i + length++];
    }
    return code;
}

int GBin2TextStream::FindInScratch(CharSet const& set, bool member) {
    if (mUTF16) {
        unsigned char const* p = mScratch.GetPtr();
        const int n = mScratch.GetLength();
        for (int i = 0; i < n; i += 2) {
            if (set.Contains(GEncodingKernels::LoadUnit(p + i)) == member)
                return i;
        }
        return -1;
    }
    if (!mMultiByte) {
        unsigned char const* p = mScratch.GetPtr();
        const int n = mScratch.GetLength();
        for (int i = 0; i < n; ++i) {
            if (set.Contains(p[i]) == member)
                return i;
        }
        return -1;
    }
    for (int i = 0, length = 0; i < mScratch.GetLength(); i += length) {
        if (set.Contains(CharAt(i, length, true)) == member)
            return i;
    }
    return -1;
}

// ---- Text ----

void GBin2TextStream::SetText(GString& out, GBuffer const& bytes) {
    mLastTextLossy = false;
    GEncoding const* encoding = mEncoding.Get();
    if (mUTF16) {
        out.Set(bytes, encoding);
        return;
    }
    GBuffer units;
    if (encoding->ConvertTo(bytes, UnicodeEncoding(), units) == GEncoding::kConvertOK) {
        out.Set(bytes, encoding);
        return;
    }
    DecodeLossily(encoding, bytes, units);
    out.Set(units, UnicodeEncoding());
    mLastTextLossy = true;
    ++mLossyTextCount;
}

int GBin2TextStream::SkipSet(CharSet const& set) {
    int skipped = 0;
    for (;;) {
        if (ReadUnits(cSkipChunkUnits) <= 0)
            return skipped;
        const int at = FindInScratch(set, false);
        if (at >= 0) {
            GiveBack(mScratch.GetLength() - at);
            return skipped + at / mUnitSize;
        }
        skipped += mScratch.GetLength() / mUnitSize;
    }
}

int GBin2TextStream::SkipWhitespace(bool includeLineEnds) {
    return SkipSet(includeLineEnds ? mWhitespaceSet : mBlankSet);
}

int GBin2TextStream::SkipChars(GString const& chars) {
    GBuffer bytes;
    chars.GetBuffer(bytes, mEncoding.Get());
    FillSet(mTerminatorSet, bytes);
    return SkipSet(mTerminatorSet);
}

bool GBin2TextStream::ReadTill(CharSet const& set, GString& out) {
    mQuoted.Clear();
    bool any = false;
    while (ReadUnits(cTextChunkUnits) > 0) {
        any = true;
        const int at = FindInScratch(set, true);
        if (at < 0) {
            mQuoted += mScratch;
            continue;
        }
        GiveBack(mScratch.GetLength() - at);
        if (mQuoted.IsEmpty()) {
            mScratch.SetLength(at);
            SetText(out, mScratch);
            return true;
        }
        mQuoted.AppendByteArray(mScratch.GetPtr(), at);
        break;
    }
    if (!any) {
        out.Clear();
        mLastTextLossy = false;
        return false;
    }
    SetText(out, mQuoted);
    return true;
}

bool GBin2TextStream::ReadTillTerminator(GBuffer const& terminators, GString& out) {
    FillSet(mTerminatorSet, terminators);
    return ReadTill(mTerminatorSet, out);
}

bool GBin2TextStream::ReadTillTerminator(GString const& terminators, GString& out) {
    GBuffer bytes;
    terminators.GetBuffer(bytes, mEncoding.Get());
    return ReadTillTerminator(bytes, out);
}

bool GBin2TextStream::ReadString(GString& out) {
    SkipSet(mWhitespaceSet);
    return ReadTill(mWhitespaceSet, out);
}

bool GBin2TextStream::ReadLine(GString& out) {
    const bool result = ReadTill(mLineEndSet, out);
    uint32_t unit = 0;
    int got = 0;
    if (!ReadOneUnit(unit, got) || unit != mCRCode)
        return result;  // an LF, or a part of a unit at the end, goes with the line
    if (!ReadOneUnit(unit, got) || unit != mLFCode)
        GiveBack(got);
    return true;
}

int GBin2TextStream::Read(int count, GString& out) {
    out.Clear();
    mLastTextLossy = false;
    if (count < 1 || ReadUnits(count) <= 0)
        return -1;
    if (mMultiByte) {
        // Stop before a character that the count cuts, unless it is the only one.
        int end = 0;
        for (int length = 0; end < mScratch.GetLength(); end += length) {
            const int expected = 1 + mTrailCount[mScratch.GetPtr()[end]];
            CharAt(end, length, end == 0);
            if (end > 0 && length < expected && end + length == mScratch.GetLength())
                break;
        }
        if (end > 0 && end < mScratch.GetLength()) {
            GiveBack(mScratch.GetLength() - end);
            mScratch.SetLength(end);
        }
    }
    SetText(out, mScratch);
    return mScratch.GetLength() / mUnitSize;
}

bool GBin2TextStream::IsEscape(uint32_t code) const {
    return code == mBackslashCode || code == mASCIIBackslashCode;
}

bool GBin2TextStream::IsYenBeforeEscape(uint32_t escape, uint32_t code) const {
    return mASCIIBackslashCode != mBackslashCode && escape == mASCIIBackslashCode && code == mBackslashCode;
}

void GBin2TextStream::AppendEscape(uint32_t escape, uint32_t code, int length, int at) {
    if (code == mLetterTCode)
        mQuoted += mTab;
    else if (code == mLetterNCode)
        mQuoted += mLineEnd;
    else if (code == mQuoteCode)
        mQuoted += mQuote;
    else if (IsEscape(code))
        mQuoted.AppendByteArray(mScratch.GetPtr() + at, length);  // itself: in Mac Japanese 0x5C is the yen sign
    else if (code == mSingleQuoteCode)
        mQuoted += mSingleQuote;
    else {
        // Both kept as they came: the escape character may be either backslash form.
        AppendCode(escape);
        mQuoted.AppendByteArray(mScratch.GetPtr() + at, length);
    }
}

void GBin2TextStream::AppendCode(uint32_t code) {
    if (mUTF16)
        mQuoted += static_cast<unsigned short>(code);
    else
        mQuoted += static_cast<unsigned char>(code);
}

bool GBin2TextStream::ReadQuotedString(GString& out) {
    out.Clear();
    mLastTextLossy = false;
    uint32_t first = 0;
    int got = 0;
    if (!ReadOneUnit(first, got) || first != mQuoteCode) {
        GiveBack(got);
        return false;
    }
    mQuoted.Clear();
    uint32_t escape = 0;
    bool escaped = false;
    while (ReadUnits(cTextChunkUnits) > 0) {
        int run = 0;
        for (int i = 0, length = 0; i < mScratch.GetLength(); i += length) {
            // Whole characters, completed across the chunk's end: a trail byte is no backslash.
            const uint32_t code = CharAt(i, length, true);
            if (escaped && IsYenBeforeEscape(escape, code)) {
                // Writers that leave the yen sign (0x5C in Mac Japanese) as it is put it right
                // before an escape of their own: the yen sign, and the escape still begins.
                AppendCode(escape);
                escape = code;
                run = i + length;
            } else if (escaped) {
                AppendEscape(escape, code, length, i);
                escaped = false;
                run = i + length;
            } else if (IsEscape(code) || code == mQuoteCode) {
                mQuoted.AppendByteArray(mScratch.GetPtr() + run, i - run);
                run = i + length;
                if (code != mQuoteCode) {
                    escape = code;
                    escaped = true;
                    continue;
                }
                GiveBack(mScratch.GetLength() - run);
                SetText(out, mQuoted);
                return true;
            }
        }
        mQuoted.AppendByteArray(mScratch.GetPtr() + run, mScratch.GetLength() - run);
    }
    if (escaped)
        AppendCode(escape);
    SetText(out, mQuoted);
    return false;
}
