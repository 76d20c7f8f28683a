#include "core/text/GTextEscapes.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/base/GException.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GString.h"

namespace {

constexpr std::int64_t cMaxLength = 0x7FFFFFFD;  // the most a GBuffer holds
constexpr unsigned cCR = 13;
constexpr unsigned cLF = 10;
constexpr unsigned cTab = 9;

std::atomic<bool> sNeedsCR{true};
std::atomic<bool> sNeedsLF{false};

using Escapes = GTextEscapes::Escapes;

bool IsEscape(unsigned c, Escapes escapes) {
    return c == 0x5C || (escapes == Escapes::kAll && (c == 0x80 || c == 0xA5));
}

bool IsLineEnd(unsigned c) { return c == cCR || c == cLF; }

void CheckLength(std::int64_t n) {
    if (n > cMaxLength)
        throw GMemoryException();
}

// The units of a text: bytes, or 16-bit units in machine order with an odd last byte apart.
template <class U>
class UnitReader {
public:
    explicit UnitReader(GBuffer const& text)
        : mBytes(text.GetPtr()), mCount(text.GetLength() / static_cast<int>(sizeof(U))),
          mTailLength(text.GetLength() % static_cast<int>(sizeof(U))) {}

    int Count() const { return mCount; }
    unsigned At(int i) const {
        U u;
        std::memcpy(&u, mBytes + static_cast<std::size_t>(i) * sizeof(U), sizeof(U));
        return u;
    }
    unsigned char const* Tail() const { return mBytes + static_cast<std::size_t>(mCount) * sizeof(U); }
    int TailLength() const { return mTailLength; }

    template <class Pred>
    bool Any(Pred pred) const {
        for (int i = 0; i < mCount; ++i)
            if (pred(At(i)))
                return true;
        return false;
    }

private:
    unsigned char const* mBytes;
    int mCount;
    int mTailLength;
};

// A result of at most a known number of units, built in its own buffer and swapped into place.
template <class U>
class UnitWriter {
public:
    UnitWriter(std::int64_t maxUnits, int tailLength) {
        std::int64_t bytes = maxUnits * static_cast<std::int64_t>(sizeof(U)) + tailLength;
        CheckLength(bytes);
        mBuffer.SetLength(static_cast<int>(bytes));
        mBegin = mOut = mBuffer.GetWritePtr();
    }

    void Put(unsigned u) {
        U unit = static_cast<U>(u);
        std::memcpy(mOut, &unit, sizeof(U));
        mOut += sizeof(U);
    }
    void PutLineEnd() {
        if (sNeedsCR.load(std::memory_order_relaxed))
            Put(cCR);
        if (sNeedsLF.load(std::memory_order_relaxed))
            Put(cLF);
    }
    void PutBytes(unsigned char const* bytes, int n) {
        if (n > 0)
            std::memcpy(mOut, bytes, static_cast<std::size_t>(n));
        mOut += n;
    }
    void Finish(GBuffer& target) {
        mBuffer.SetLength(static_cast<int>(mOut - mBegin));
        target.Swap(mBuffer);
    }

private:
    GBuffer mBuffer;
    unsigned char* mBegin = nullptr;
    unsigned char* mOut = nullptr;
};

bool NeedsEscape(unsigned c, Escapes escapes) { return c == cTab || IsLineEnd(c) || c == '"' || IsEscape(c, escapes); }

// A CR LF or LF CR pair is one line end.
bool PairsWith(unsigned first, unsigned second) { return IsLineEnd(second) && second != first; }

// Rewrites the units for which needs holds by replace(in, i, out), which writes the replacement
// of unit i (at most widest units) and returns how many units it took; copies the others. A text
// without such a unit is left as it is.
template <class U, class Needs, class Replace>
void RewriteUnits(GBuffer& text, int widest, Needs needs, Replace replace) {
    UnitReader<U> in(text);
    if (!in.Any(needs))
        return;
    int n = in.Count();
    UnitWriter<U> out(widest * static_cast<std::int64_t>(n), in.TailLength());
    for (int i = 0; i < n;) {
        unsigned c = in.At(i);
        if (!needs(c)) {
            out.Put(c);
            ++i;
            continue;
        }
        i += replace(in, i, out);
    }
    out.PutBytes(in.Tail(), in.TailLength());
    out.Finish(text);
}

template <class U>
void ReplaceSpecialChars(GBuffer& text, Escapes escapes) {
    auto needs = [escapes](unsigned c) { return NeedsEscape(c, escapes); };
    RewriteUnits<U>(text, 2, needs, [](UnitReader<U> const& in, int i, UnitWriter<U>& out) {
        unsigned c = in.At(i);
        out.Put('\\');
        if (c == cTab) {
            out.Put('t');
            return 1;
        }
        if (IsLineEnd(c)) {
            out.Put('n');
            return i + 1 < in.Count() && PairsWith(c, in.At(i + 1)) ? 2 : 1;
        }
        // The quote, and every escape character: the reader takes the one after an escape
        // character as itself, so 0x80 and 0xA5 come back whatever follows them.
        out.Put(c);
        return 1;
    });
}

template <class U>
void ReplaceEscapeCodes(GBuffer& text, Escapes escapes) {
    UnitReader<U> in(text);
    int n = in.Count();
    // The last unit never starts a pair.
    bool anyPair = false;
    for (int i = 0; i + 1 < n && !anyPair; ++i)
        anyPair = IsEscape(in.At(i), escapes);
    if (!anyPair)
        return;
    // A pair gives at most two units (CR LF for \n).
    UnitWriter<U> out(n, in.TailLength());
    int i = 0;
    while (i + 1 < n) {
        unsigned c = in.At(i);
        if (!IsEscape(c, escapes)) {
            out.Put(c);
            ++i;
            continue;
        }
        unsigned d = in.At(i + 1);
        if (d == 'n') {
            out.PutLineEnd();
        } else if (d == 't') {
            out.Put(cTab);
        } else if (d == '"' || d == '\'' || IsEscape(d, escapes)) {
            out.Put(d);
        } else {
            out.Put(c);
            out.Put(d);
        }
        i += 2;
    }
    if (i < n)
        out.Put(in.At(i));
    out.PutBytes(in.Tail(), in.TailLength());
    out.Finish(text);
}

template <class U>
void PlatformLineEndings(GBuffer& text) {
    RewriteUnits<U>(text, 2, IsLineEnd, [](UnitReader<U> const& in, int i, UnitWriter<U>& out) {
        out.PutLineEnd();
        return in.At(i) == cCR && i + 1 < in.Count() && in.At(i + 1) == cLF ? 2 : 1;
    });
}

} // namespace

void GTextEscapes::UniReplaceSpecialChars(GBuffer& text, Escapes escapes) {
    ReplaceSpecialChars<unsigned short>(text, escapes);
}

void GTextEscapes::ASCIIReplaceSpecialChars(GBuffer& text, Escapes escapes) {
    ReplaceSpecialChars<unsigned char>(text, escapes);
}

void GTextEscapes::UniReplaceEscapeCodes(GBuffer& text, Escapes escapes) { ReplaceEscapeCodes<unsigned short>(text, escapes); }

void GTextEscapes::ASCIIReplaceEscapeCodes(GBuffer& text, Escapes escapes) { ReplaceEscapeCodes<unsigned char>(text, escapes); }

void GTextEscapes::UniReplaceSpecialEndCharsWithDefaultChar(GBuffer& text) {
    using Reader = UnitReader<unsigned short>;
    RewriteUnits<unsigned short>(text, 1, IsLineEnd, [](Reader const& in, int i, UnitWriter<unsigned short>& out) {
        out.Put(GEncoding::GetDefaultUnit());
        return i + 1 < in.Count() && PairsWith(in.At(i), in.At(i + 1)) ? 2 : 1;
    });
}

void GTextEscapes::SetLineEnding(bool needsCR, bool needsLF) {
    sNeedsCR.store(needsCR, std::memory_order_relaxed);
    sNeedsLF.store(needsLF, std::memory_order_relaxed);
}

void GTextEscapes::UniPlatformLineEndings(GBuffer& text) { PlatformLineEndings<unsigned short>(text); }

void GTextEscapes::ASCIIPlatformLineEndings(GBuffer& text) { PlatformLineEndings<unsigned char>(text); }

bool GTextEscapes::NeedsCR() { return sNeedsCR.load(std::memory_order_relaxed); }

bool GTextEscapes::NeedsLF() { return sNeedsLF.load(std::memory_order_relaxed); }

GString GTextEscapes::GetEOLString() {
    std::string eol;
    if (NeedsCR())
        eol += '\r';
    if (NeedsLF())
        eol += '\n';
    return GString(eol.c_str());
}

void GTextEscapes::QuoteString(GString& text) {
    GEncoding const* unicode = GUnicodeEncoding::GetInstance();
    static GBuffer const quote = [] {
        GBuffer unit;
        unit += static_cast<unsigned short>('"');
        return unit;
    }();
    GBuffer units = text.GetBuffer(unicode);
    UniReplaceSpecialChars(units, Escapes::kBackslashOnly);
    text.Set(quote + units + quote, unicode, false);
}
