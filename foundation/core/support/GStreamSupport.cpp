#include "core/support/GStreamSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/bytes/GBuffer.h"
#include "core/streams/GInStream.h"
#include "core/text/GStringPool.h"

namespace {

constexpr int cChunk = 102400;

// One side of a comparison: the bytes of the last read not yet compared.
class Pending {
public:
    explicit Pending(GInStream& in) : mIn(in) {}

    // Reads on when all was compared; false at the end of the stream.
    bool Fill() {
        if (mPos < mChunk.GetLength())
            return true;
        mPos = 0;
        if (mIn.Read(mChunk, cChunk) <= 0)
            mChunk.Clear();
        return !mChunk.IsEmpty();
    }
    int Available() const { return mChunk.GetLength() - mPos; }
    unsigned char const* Bytes() const { return mChunk.GetPtr() + mPos; }
    void Advance(int n) { mPos += n; }

private:
    GInStream& mIn;
    GBuffer mChunk;
    int mPos = 0;
};



// The text tests look this far into the stream.
constexpr int cHeadSize = 4096;
// The id of the name of a value outside the enumeration.
constexpr int cUnknownKindID = 7100;

// One call's view of the stream: the clone, its head as far as read and its length once measured.
class Probe {
public:
    Probe(GInStream& stream, GBuffer& head) : mStream(stream), mHead(head) {}

    GInStream& Stream() { return mStream; }
    GBuffer const& Head() const { return mHead; }

    // Whether the head holds n bytes, topping it up if needed; a stream found shorter once is not
    // asked again, so that a short file costs one read however many tests ask.
    bool Need(int n) {
        if (mHead.GetLength() >= n)
            return true;
        if (mEnded)
            return false;
        if (GStreamSupport::EnsureNumberOfBytes(mStream, mHead, n))
            return true;
        mEnded = true;
        return false;
    }

    long long Length() {
        if (mLength < 0) {
            mStream.Reset();
            mLength = GStreamSupport::GetStreamLength(mStream);
        }
        return mLength;
    }

private:
    GInStream& mStream;
    GBuffer& mHead;
    long long mLength = -1;
    bool mEnded = false;
};

// Callers check that the bytes are there.
uint32_t BigEndian32(GBuffer const& b, int pos) {
    unsigned char const* p = b.GetPtr() + pos;
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

uint32_t LittleEndian32(GBuffer const& b, int pos) {
    unsigned char const* p = b.GetPtr() + pos;
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
}

unsigned BigEndian16(GBuffer const& b, int pos) {
    unsigned char const* p = b.GetPtr() + pos;
    return unsigned(p[0]) << 8 | unsigned(p[1]);
}

bool StartsWith(GBuffer const& b, char const* bytes, int n) {
    return b.GetLength() >= n && std::memcmp(b.GetPtr(), bytes, static_cast<std::size_t>(n)) == 0;
}

// The offset of the first text found in [start, end) of b, or -1; end is clipped to b.
int Find(GBuffer const& b, char const* text, int start = 0, int end = -1) {
    int const n = static_cast<int>(std::strlen(text));
    if (end < 0 || end > b.GetLength())
        end = b.GetLength();
    if (start < 0 || end - start < n)
        return -1;
    void const* hit = memmem(b.GetPtr() + start, static_cast<std::size_t>(end - start), text, static_cast<std::size_t>(n));
    return hit == nullptr ? -1 : static_cast<int>(static_cast<unsigned char const*>(hit) - b.GetPtr());
}

bool Contains(GBuffer const& b, char const* text) { return Find(b, text) >= 0; }

int FindLineEnd(GBuffer const& b, int start) {
    static unsigned char const cLineEnds[] = {'\r', '\n'};
    if (start >= b.GetLength())
        return -1;
    return b.FindFirstOccurrence(cLineEnds, 2, start);
}

// n bytes (fewer at the end) from offset on; false when the stream ends before offset.
bool ReadAt(GInStream& stream, long long offset, int n, GBuffer& out) {
    out.Clear();
    stream.Reset();
    for (long long skipped; offset > 0; offset -= skipped) {
        skipped = stream.Skip(offset);
        if (skipped <= 0)
            return false;
    }
    GBuffer piece;
    while (out.GetLength() < n && stream.Read(piece, n - out.GetLength()) > 0)
        out.AppendByteArray(piece.GetPtr(), std::min(piece.GetLength(), n - out.GetLength()));
    return !out.IsEmpty();
}

bool StreamIsPDF(Probe& probe) {
    static constexpr int cLatestStart = 1019;
    probe.Need(cLatestStart + 5);
    int const at = Find(probe.Head(), "%PDF-");
    return at >= 0 && at <= cLatestStart;
}

bool StreamIsPS(Probe& probe) {
    probe.Need(cHeadSize);
    return Contains(probe.Head(), "%!PS-Adobe");
}

bool StreamIsEPS(Probe& probe) {
    static char const cDosHeader[] = {'\xC5', '\xD0', '\xD3', '\xC6'};
    probe.Need(cHeadSize);
    GBuffer const& head = probe.Head();
    GBuffer postScript;
    GBuffer const* text = &head;
    if (head.GetLength() >= 9 && StartsWith(head, cDosHeader, 4)) {
        if (!ReadAt(probe.Stream(), LittleEndian32(head, 4), cHeadSize, postScript))
            return false;
        text = &postScript;
    }
    int const header = Find(*text, "%!PS-Adobe");
    if (header < 0)
        return false;
    int const lineEnd = FindLineEnd(*text, header + 10);
    return lineEnd >= 0 && Find(*text, "EPSF", header + 10, lineEnd) >= 0;
}

// The start-of-image marker and the first byte of the next marker, whichever it is: JFIF (E0),
// Exif (E1), Adobe (EE), tables first (DB, C4) and the rest that cameras and tools write.
bool StreamIsJPG(Probe& probe) {
    return probe.Need(4) && StartsWith(probe.Head(), "\xFF\xD8\xFF", 3);
}

bool StreamIsGIF(Probe& probe) {
    probe.Need(6);
    return StartsWith(probe.Head(), "GIF87a", 6) || StartsWith(probe.Head(), "GIF89a", 6);
}

bool StreamIsTIFF(Probe& probe) {
    probe.Need(4);
    return StartsWith(probe.Head(), "MM\0*", 4) || StartsWith(probe.Head(), "II*\0", 4);
}

// No signature: BMP writers disagree on it less than on the size field.
bool StreamIsBMP(Probe& probe) {
    return probe.Need(6) && probe.Length() >= 6 && LittleEndian32(probe.Head(), 2) == probe.Length();
}

bool StreamIsCMap(Probe& probe) {
    probe.Need(cHeadSize);
    int const header = Find(probe.Head(), "%!PS-Adobe-");
    return header >= 0 && Find(probe.Head(), "Resource-CMap", header + 11) >= 0;
}

bool HasType1Header(GBuffer const& head) {
    return Contains(head, "%!PS-AdobeFont") || Contains(head, "%!FontType1");
}

bool IsWindowsPlaceholder(GBuffer const& head) {
    return Contains(head, "%This file serves as a place holder in the Windows font registry");
}

bool StreamIsMMType1(Probe& probe) {
    probe.Need(cHeadSize);
    return HasType1Header(probe.Head()) && Contains(probe.Head(), "BlendDesignPositions");
}

// A PFB segment header starts with 80.
bool StreamIsType1(Probe& probe, bool segmented) {
    probe.Need(cHeadSize);
    GBuffer const& head = probe.Head();
    return HasType1Header(head) && !IsWindowsPlaceholder(head) && (head.GetPtr()[0] == 0x80) == segmented;
}

bool StreamIsWinType1(Probe& probe) { return StreamIsType1(probe, true); }

bool StreamIsPSType1(Probe& probe) { return StreamIsType1(probe, false); }

bool StreamIsTrueTypeCollection(Probe& probe) {
    return probe.Need(12) && probe.Length() >= 17 && StartsWith(probe.Head(), "ttcf", 4) &&
           BigEndian32(probe.Head(), 8) < probe.Length();
}

// The sfnt table count, when it is at least least and its directory fits the length.
bool TableCountFits(Probe& probe, unsigned least, unsigned& count) {
    count = BigEndian16(probe.Head(), 4);
    return count >= least && static_cast<long long>(count) * 16 < probe.Length();
}

// Entries past the head are not read: they count as absent.
bool HasTable(Probe& probe, unsigned count, char const* tag) {
    GBuffer const& head = probe.Head();
    for (unsigned i = 0; i < count; ++i) {
        int const entry = 12 + 16 * static_cast<int>(i);
        if (entry + 16 > head.GetLength())
            return false;
        if (std::memcmp(head.GetPtr() + entry, tag, 4) == 0 && BigEndian32(head, entry + 8) < probe.Length())
            return true;
    }
    return false;
}

bool HasTables(Probe& probe, unsigned count, std::initializer_list<char const*> tags) {
    for (char const* tag : tags)
        if (!HasTable(probe, count, tag))
            return false;
    return true;
}

GTypeEnums::Types StreamIsOpenType(Probe& probe) {
    probe.Need(cHeadSize);
    if (probe.Head().GetLength() < 13 || probe.Length() < 13)
        return GTypeEnums::kNotImplemented;
    bool const cff = StartsWith(probe.Head(), "OTTO", 4);
    if (!cff && !StartsWith(probe.Head(), "\0\1", 2))
        return GTypeEnums::kNotImplemented;
    unsigned count = 0;
    if (!TableCountFits(probe, 8, count) || !HasTables(probe, count, {"cmap", "head", "hhea", "hmtx", "maxp", "post"}))
        return GTypeEnums::kNotImplemented;
    bool const hasCFF = HasTable(probe, count, "CFF ");
    bool const hasGlyphs = HasTables(probe, count, {"glyf", "loca"});
    if (cff ? !hasCFF : !hasGlyphs)
        return GTypeEnums::kNotImplemented;
    if (hasCFF && hasGlyphs)
        return GTypeEnums::kOpenTypeCFFTrueType;
    return cff ? GTypeEnums::kOpenTypeCFF : GTypeEnums::kTrueType;
}

bool StreamIsType1MacSFNT(Probe& probe) {
    unsigned count = 0;
    return probe.Need(6) && probe.Length() >= 7 && StartsWith(probe.Head(), "typ1", 4) &&
           TableCountFits(probe, 1, count);
}

bool StreamIsMacTrueType(Probe& probe) {
    probe.Need(cHeadSize);
    unsigned count = 0;
    return probe.Head().GetLength() >= 13 && probe.Length() >= 13 && StartsWith(probe.Head(), "true", 4) &&
           TableCountFits(probe, 9, count) &&
           HasTables(probe, count, {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post"});
}

bool StreamIsICCProfile(Probe& probe) {
    return probe.Need(4) && probe.Length() >= 127 && BigEndian32(probe.Head(), 0) == probe.Length();
}

bool StreamIsFontMetrics(Probe& probe) {
    probe.Need(cHeadSize);
    return Contains(probe.Head(), "StartFontMetrics");
}

bool StreamIsXML(Probe& probe) {
    probe.Need(6);
    return StartsWith(probe.Head(), "<?xml ", 6);
}

using Test = bool (*)(Probe&);

struct KindTest {
    GTypeEnums::Types kind;
    Test test;  // null: the OpenType test, which names its kind
};

// From the most specific on: the PostScript-based kinds before plain PostScript, EPS before it.
// A JPEG's start-of-image marker comes first: its metadata may quote a PDF or PostScript header.
constexpr KindTest cProbeOrder[] = {
    {GTypeEnums::kJPEG, StreamIsJPG},
    {GTypeEnums::kPDF, StreamIsPDF},
    {GTypeEnums::kCMap, StreamIsCMap},
    {GTypeEnums::kMMType1, StreamIsMMType1},
    {GTypeEnums::kWinType1, StreamIsWinType1},
    {GTypeEnums::kPSType1, StreamIsPSType1},
    {GTypeEnums::kType1MacSFNT, StreamIsType1MacSFNT},
    {GTypeEnums::kTrueTypeCollection, StreamIsTrueTypeCollection},
    {GTypeEnums::kOpenTypeCFF, nullptr},
    {GTypeEnums::kMacTrueType, StreamIsMacTrueType},
    {GTypeEnums::kEPS, StreamIsEPS},
    {GTypeEnums::kPostScript, StreamIsPS},
    {GTypeEnums::kGIF, StreamIsGIF},
    {GTypeEnums::kTIFF, StreamIsTIFF},
    {GTypeEnums::kBMP, StreamIsBMP},
    {GTypeEnums::kICCProfile, StreamIsICCProfile},
    {GTypeEnums::kFontMetrics, StreamIsFontMetrics},
    {GTypeEnums::kXML, StreamIsXML},
};

// A clone at the start of the stream; null when the stream cannot be cloned.
std::unique_ptr<GInStream> StartClone(GInStream& stream) {
    std::unique_ptr<GInStream> clone(stream.CreateClone());
    if (clone)
        clone->Reset();
    return clone;
}

} // namespace

long long GStreamSupport::GetStreamLength(GInStream& in) {
    // Past a gigabyte the steps double: a stream that skips in constant time (a file) reaches any
    // length in a few dozen more calls, and one that never ends reaches the bound soon.
    constexpr long long cGrowFrom = 1LL << 30;
    long long total = 0;
    long long step = cChunk;
    for (long long calls = 0; total < cMaxStreamLength && calls < cMaxSkipCalls; ++calls) {
        const long long asked = std::min(step, cMaxStreamLength - total);
        const long long n = in.Skip(asked);
        if (n <= 0)
            break;
        total += std::min(n, asked);
        if (total >= cGrowFrom && step <= (cMaxStreamLength >> 1))
            step *= 2;
    }
    in.Reset();
    return total;
}

int GStreamSupport::GetContent(GInStream& in, GBuffer& out) {
    in.Reset();
    int start = out.GetLength();
    GBuffer chunk;
    while (in.Read(chunk, cChunk) > 0)
        out += chunk;
    in.Reset();
    return out.GetLength() - start;
}

long long GStreamSupport::CopyStream(GInStream& in, GOutStream& out) {
    long long total = 0;
    GBuffer chunk;
    while (in.Read(chunk, cChunk) > 0) {
        int written = out.Write(chunk);
        total += std::max(written, 0);
        if (written < chunk.GetLength())
            break;
    }
    return total;
}

bool GStreamSupport::StreamsAreEqual(GInStream& a, GInStream& b) {
    Pending left(a);
    Pending right(b);
    for (;;) {
        bool moreLeft = left.Fill();
        bool moreRight = right.Fill();
        if (!moreLeft || !moreRight)
            return moreLeft == moreRight;
        int n = std::min(left.Available(), right.Available());
        if (std::memcmp(left.Bytes(), right.Bytes(), static_cast<std::size_t>(n)) != 0)
            return false;
        left.Advance(n);
        right.Advance(n);
    }
}

bool GStreamSupport::EnsureNumberOfBytes(GInStream& stream, GBuffer& head, int n) {
    if (head.GetLength() >= n)
        return true;
    stream.Reset();
    for (long long held = head.GetLength(), skipped; held > 0; held -= skipped) {
        skipped = stream.Skip(held);
        // Shorter than when the head was read: nothing read now would follow the head.
        if (skipped <= 0)
            return false;
    }
    GBuffer piece;
    while (head.GetLength() < n) {
        int const missing = n - head.GetLength();
        int const got = stream.Read(piece, missing);
        if (got <= 0 || piece.IsEmpty())
            break;
        head.AppendByteArray(piece.GetPtr(), std::min(piece.GetLength(), missing));
    }
    return head.GetLength() >= n;
}

GTypeEnums::Types GStreamSupport::GetStreamType(GInStream& stream) {
    std::unique_ptr<GInStream> clone = StartClone(stream);
    if (!clone)
        return GTypeEnums::kNotImplemented;
    GBuffer head;
    Probe probe(*clone, head);
    if (probe.Length() == 0)
        return GTypeEnums::kEmpty;
    probe.Need(cHeadSize);
    for (KindTest const& entry : cProbeOrder) {
        if (entry.test == nullptr) {
            GTypeEnums::Types const kind = StreamIsOpenType(probe);
            if (kind != GTypeEnums::kNotImplemented)
                return kind;
        } else if (entry.test(probe)) {
            return entry.kind;
        }
    }
    return GTypeEnums::kNotImplemented;
}

bool GStreamSupport::StreamIsOfType(GInStream& stream, GTypeEnums::Types kind) {
    switch (kind) {
    case GTypeEnums::kOpenTypeCFF:
    case GTypeEnums::kTrueType:
    case GTypeEnums::kOpenTypeCFFTrueType:
        break;
    default:
        if (kind <= GTypeEnums::kEmpty || kind > GTypeEnums::kXML)
            return false;
    }
    std::unique_ptr<GInStream> clone = StartClone(stream);
    if (!clone)
        return false;
    // The head grows only as far as the one test needs.
    GBuffer head;
    Probe probe(*clone, head);
    if (kind >= GTypeEnums::kOpenTypeCFF && kind <= GTypeEnums::kOpenTypeCFFTrueType)
        return StreamIsOpenType(probe) == kind;
    for (KindTest const& entry : cProbeOrder)
        if (entry.kind == kind)
            return entry.test(probe);
    return false;
}

int GStreamSupport::StreamTypeToStringID(GTypeEnums::Types kind) {
    if (kind >= GTypeEnums::kNotImplemented && kind <= GTypeEnums::kMacTrueType)
        return 7201 + kind;
    // 7220 once named a kind no longer recognised.
    if (kind >= GTypeEnums::kICCProfile && kind <= GTypeEnums::kXML)
        return 7221 + (kind - GTypeEnums::kICCProfile);
    return cUnknownKindID;
}

GString GStreamSupport::StreamTypeToGString(GTypeEnums::Types kind) {
    GString text;
    if (!GStringPool::GetString(StreamTypeToStringID(kind), text))
        text.Clear();
    return text;
}
