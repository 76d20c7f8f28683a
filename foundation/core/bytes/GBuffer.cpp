#include "core/bytes/GBuffer.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <memory>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/base/GException.h"
#include "core/memory/GAllocator.h"

const GBuffer GBuffer::cEmptyBuffer;

namespace {

constexpr std::int64_t cMaxBlock = 0x7FFFFFFF;
constexpr std::int64_t cMinBlock = 8;

[[noreturn]] void ThrowTooLarge() { throw GMemoryException(); }

std::uint32_t CheckedBlock(std::int64_t size) {
    if (size > cMaxBlock)
        ThrowTooLarge();
    return static_cast<std::uint32_t>(size);
}

// Growing edits take a third more than they need, so repeated appends stay linear.
std::uint32_t GrownBlock(std::int64_t need) {
    if (need > cMaxBlock)
        ThrowTooLarge();
    return static_cast<std::uint32_t>(std::min(cMaxBlock, std::max(cMinBlock, need + need / 3)));
}

int CheckedTextLength(char const* text) {
    std::size_t n = std::strlen(text);
    if (n > static_cast<std::size_t>(cMaxBlock - 2))
        ThrowTooLarge();
    return static_cast<int>(n);
}

unsigned char* NewBlock(std::uint32_t size) {
    return static_cast<unsigned char*>(GAllocator::GetInstance()->Alloc(size));
}

void FreeBlock(unsigned char* block, std::uint32_t size) { GAllocator::GetInstance()->Free(block, size); }

// The C library's memory functions must not see null pointers, even for zero bytes.
void CopyBytes(void* to, void const* from, std::int64_t n) {
    if (n > 0)
        std::memcpy(to, from, static_cast<std::size_t>(n));
}

void MoveBytes(void* to, void const* from, std::int64_t n) {
    if (n > 0)
        std::memmove(to, from, static_cast<std::size_t>(n));
}

bool Within(void const* p, void const* begin, std::size_t size) {
    auto at = reinterpret_cast<std::uintptr_t>(p);
    auto from = reinterpret_cast<std::uintptr_t>(begin);
    return at >= from && at - from < size;
}

// Candidates are positions whose first and last bytes match the needle's; only they are
// compared in full. Sixteen positions are tested at once where SSE2 is available.
class CandidateSearch {
public:
    CandidateSearch(unsigned char const* needle, std::size_t n) : mNeedle(needle), mN(n) {}

    // First match starting in [from, from + positions), or null. Gives up and returns null with
    // Abandoned() set when comparing false candidates costs more than scanning (repetitive text),
    // so that the caller can go on with a search that stays linear.
    unsigned char const* Find(unsigned char const* from, std::size_t positions) {
        mFrom = from;
        std::size_t i = 0;
#if defined(__SSE2__)
        if (positions >= 16) {
            __m128i const first = _mm_set1_epi8(static_cast<char>(mNeedle[0]));
            __m128i const last = _mm_set1_epi8(static_cast<char>(mNeedle[mN - 1]));
            for (; i + 32 <= positions; i += 32) {
                unsigned low = Candidates(from + i, first, last);
                unsigned high = Candidates(from + i + 16, first, last);
                if ((low | high) == 0)
                    continue;
                if (unsigned char const* hit = Verify(from + i, low | high << 16))
                    return hit;
                if (Abandoned())
                    return nullptr;
            }
            // The rest in blocks of 16, the last one overlapping positions already tested.
            for (; i < positions; i += 16) {
                std::size_t at = std::min(i, positions - 16);
                unsigned mask = Candidates(from + at, first, last) & (~0u << (i - at));
                if (unsigned char const* hit = Verify(from + at, mask))
                    return hit;
                if (Abandoned())
                    return nullptr;
            }
            return nullptr;
        }
#endif
        for (; i < positions; ++i) {
            unsigned char const* candidate = from + i;
            if (candidate[0] == mNeedle[0] && candidate[mN - 1] == mNeedle[mN - 1]) {
                if (Matches(candidate))
                    return candidate;
                if (Abandoned())
                    return nullptr;
            }
        }
        return nullptr;
    }

    bool Abandoned() const {
        return mLastCandidate != nullptr &&
               mComparedBytes > cComparedAllowance + 2 * static_cast<std::size_t>(mLastCandidate - mFrom);
    }
    unsigned char const* Resume() const { return mLastCandidate + 1; }

private:
    static constexpr std::size_t cComparedAllowance = 4096;

#if defined(__SSE2__)
    unsigned Candidates(unsigned char const* at, __m128i first, __m128i last) const {
        __m128i heads = _mm_loadu_si128(reinterpret_cast<__m128i const*>(at));
        __m128i tails = _mm_loadu_si128(reinterpret_cast<__m128i const*>(at + mN - 1));
        __m128i both = _mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, last));
        return static_cast<unsigned>(_mm_movemask_epi8(both));
    }
#endif

    // The first match among the candidates of a block (bit k: position base + k).
    unsigned char const* Verify(unsigned char const* base, unsigned mask) {
        for (; mask != 0; mask &= mask - 1) {
            unsigned char const* candidate = base + __builtin_ctz(mask);
            if (Matches(candidate))
                return candidate;
            if (Abandoned())
                return nullptr;
        }
        return nullptr;
    }

    bool Matches(unsigned char const* candidate) {
        if (mN <= 2 || std::memcmp(candidate + 1, mNeedle + 1, mN - 2) == 0)
            return true;
        mComparedBytes += mN;
        mLastCandidate = candidate;
        return false;
    }

    unsigned char const* mNeedle;
    std::size_t mN;
    unsigned char const* mFrom = nullptr;
    std::size_t mComparedBytes = 0;
    unsigned char const* mLastCandidate = nullptr;
};

// Index of the first occurrence of needle in hay[start, length), or -1.
int FindBytes(unsigned char const* hay, int length, int start, unsigned char const* needle, int n) {
    if (n <= 0 || start < 0 || start > length - n)
        return -1;
    unsigned char const* from = hay + start;
    unsigned char const* end = hay + length;
    void const* hit = nullptr;
    if (n == 1) {
        hit = std::memchr(from, needle[0], static_cast<std::size_t>(end - from));
    } else {
        CandidateSearch search(needle, static_cast<std::size_t>(n));
        hit = search.Find(from, static_cast<std::size_t>(end - from - n + 1));
        if (hit == nullptr && search.Abandoned()) {
            from = search.Resume();
            hit = memmem(from, static_cast<std::size_t>(end - from), needle, static_cast<std::size_t>(n));
        }
    }
    return hit == nullptr ? -1 : static_cast<int>(static_cast<unsigned char const*>(hit) - hay);
}

// The same over 16-bit units: byte matches at odd offsets straddle two units and do not count.
int FindUnits(unsigned char const* hay, int units, int start, unsigned char const* needle, int n) {
    int limit = units * 2;
    for (int from = start * 2;;) {
        int at = FindBytes(hay, limit, from, needle, n * 2);
        if (at < 0)
            return -1;
        if ((at & 1) == 0)
            return at / 2;
        from = at + 1;
    }
}

unsigned short UnitAt(unsigned char const* data, int index) {
    unsigned short u;
    std::memcpy(&u, data + 2 * index, 2);
    return u;
}

class ByteSet {
public:
    ByteSet(unsigned char const* set, int n) {
        for (int i = 0; set != nullptr && i < n; ++i)
            mMember[set[i]] = true;
    }
    bool Has(unsigned char c) const { return mMember[c]; }

private:
    bool mMember[256] = {};
};

// Small sets are searched directly; larger ones get a bit per unit.
class UnitSet {
public:
    UnitSet(unsigned short const* set, int n) : mSet(set), mCount(set == nullptr ? 0 : std::max(n, 0)) {
        if (mCount > cDirect) {
            mBits = std::make_unique<std::bitset<65536>>();
            for (int i = 0; i < mCount; ++i)
                mBits->set(mSet[i]);
        }
    }
    bool Has(unsigned short u) const {
        if (mBits)
            return mBits->test(u);
        for (int i = 0; i < mCount; ++i)
            if (mSet[i] == u)
                return true;
        return false;
    }

private:
    static constexpr int cDirect = 8;
    unsigned short const* mSet;
    int mCount;
    std::unique_ptr<std::bitset<65536>> mBits;
};

int ClampStart(int start) { return start < 0 ? 0 : start; }

} // namespace

// ---- Storage ----

GBuffer::GBuffer(char const* text) : GBuffer() { *this = text; }

GBuffer::GBuffer(unsigned char const* bytes, int n) : GBuffer() { CopyIn(bytes, n); }

GBuffer::GBuffer(GBuffer const& other) : GBuffer() { *this = other; }

GBuffer::GBuffer(GBuffer&& other) noexcept : mData(other.mData), mLength(other.mLength), mCapacity(other.mCapacity) {
    other.mData = nullptr;
    other.mLength = 0;
    other.mCapacity = 0;
}

GBuffer::~GBuffer() {
    if (IsOwned())
        FreeBlock(mData, BlockSize());
}

GBuffer& GBuffer::operator=(GBuffer const& other) {
    if (this == &other)
        return *this;
    if (other.IsOwned())
        CopyIn(other.mData, other.mLength);
    else
        Borrow(other.mData, other.mLength, static_cast<int>(other.BlockSize()));
    return *this;
}

GBuffer& GBuffer::operator=(GBuffer&& other) noexcept {
    if (this == &other)
        return *this;
    if (IsOwned())
        FreeBlock(mData, BlockSize());
    mData = std::exchange(other.mData, nullptr);
    mLength = std::exchange(other.mLength, 0);
    mCapacity = std::exchange(other.mCapacity, 0u);
    return *this;
}

GBuffer& GBuffer::operator=(char const* text) {
    if (text == nullptr)
        CopyIn(nullptr, 0);
    else
        CopyIn(reinterpret_cast<unsigned char const*>(text), CheckedTextLength(text));
    return *this;
}

void GBuffer::Set(unsigned char const* bytes, int n) { CopyIn(bytes, n); }

void GBuffer::SetFromStatic(char const* text) {
    if (text == nullptr) {
        Borrow(nullptr, 0, 0);
        return;
    }
    int n = CheckedTextLength(text);
    Borrow(reinterpret_cast<unsigned char const*>(text), n, n + 1);
}

void GBuffer::SetFromStatic(char const* bytes, int n, int capacity) {
    Borrow(reinterpret_cast<unsigned char const*>(bytes), n, capacity == -1 ? n : capacity);
}

void GBuffer::TakeByteArray(unsigned char const* bytes, int n, int capacity) { Borrow(bytes, n, capacity); }

void GBuffer::Swap(GBuffer& other) noexcept {
    std::swap(mData, other.mData);
    std::swap(mLength, other.mLength);
    std::swap(mCapacity, other.mCapacity);
}

// Copy rule: an owned block large enough is reused, otherwise a block of exactly n + 2 bytes.
void GBuffer::CopyIn(unsigned char const* src, int n) {
    if (src == nullptr || n <= 0) {
        Clear();
        return;
    }
    std::uint32_t need = CheckedBlock(static_cast<std::int64_t>(n) + 2);
    if (IsOwned() && BlockSize() >= need) {
        MoveBytes(mData, src, n);
    } else {
        unsigned char* block = NewBlock(need);
        CopyBytes(block, src, n);
        AdoptBlock(block, need);  // only now: src may lie in the old block
    }
    mLength = n;
    mData[n] = 0;
    mData[n + 1] = 0;
}

// Only bytes the lender follows with a zero byte are borrowed: GetPtr is a plain read, so it
// cannot make a terminated copy later. Others are copied now (a capacity at or below n means
// nothing readable follows them).
void GBuffer::Borrow(unsigned char const* bytes, int n, int capacity) {
    if (bytes == nullptr || n < 1) {
        Clear();
        return;
    }
    if (capacity <= n || bytes[n] != 0) {
        CopyIn(bytes, n);
        return;
    }
    if (IsOwned())
        FreeBlock(mData, BlockSize());
    mData = const_cast<unsigned char*>(bytes);  // never written while borrowed
    mLength = n;
    mCapacity = static_cast<std::uint32_t>(capacity);
}

// An empty buffer keeps an owned block for reuse but lets go of borrowed bytes, so that GetPtr
// never hands out a lender's bytes as an empty text.
void GBuffer::DropBorrowed() {
    if (IsOwned())
        return;
    mData = nullptr;
    mCapacity = 0;
}

void GBuffer::AdoptBlock(unsigned char* block, std::uint32_t size) {
    if (IsOwned())
        FreeBlock(mData, BlockSize());
    mData = block;
    mCapacity = size | cOwnedBit;
}

// Moves the bytes into a new owned block of blockSize (at least length + 2) bytes.
void GBuffer::MakeOwnedCopy(std::uint32_t blockSize) {
    unsigned char* block = NewBlock(blockSize);
    CopyBytes(block, mData, mLength);
    AdoptBlock(block, blockSize);
    mData[mLength] = 0;
    mData[mLength + 1] = 0;
}

void GBuffer::EnsureOwned() {
    if (!IsOwned())
        MakeOwnedCopy(mLength == 0 ? static_cast<std::uint32_t>(cMinBlock)
                                   : CheckedBlock(static_cast<std::int64_t>(mLength) + 2));
}

// An owned block for n bytes whose content the caller writes; the old bytes are not kept.
unsigned char* GBuffer::PrepareOwned(int n) {
    std::uint32_t need = CheckedBlock(static_cast<std::int64_t>(n) + 2);
    if (!IsOwned() || BlockSize() < need)
        AdoptBlock(NewBlock(need), need);
    mLength = n;
    mData[n] = 0;
    mData[n + 1] = 0;
    return mData;
}

void GBuffer::SetText(char const* text, int n) { CopyIn(reinterpret_cast<unsigned char const*>(text), n); }

void GBuffer::CheckFits(std::int64_t n) {
    if (n + 2 > cMaxBlock)
        ThrowTooLarge();
}

void GBuffer::Clear() {
    mLength = 0;
    DropBorrowed();
}

// Never hands out the shared zero bytes: a caller may write where it was given a pointer.
unsigned char* GBuffer::GetWritePtr() {
    EnsureOwned();
    mData[mLength] = 0;
    mData[mLength + 1] = 0;
    return mData;
}

int GBuffer::GetAllocatedLength() const {
    return static_cast<int>(IsOwned() ? BlockSize() - 2 : BlockSize());
}

// Room is room to write: borrowed bytes get it only as an owned copy, whatever the lender's
// capacity. Within their length they stay borrowed, as GetWritePtr's copy has that room.
void GBuffer::Allocate(int n) {
    if (n < 0)
        return;
    std::int64_t need = static_cast<std::int64_t>(n) + 2;
    if (IsOwned() ? BlockSize() >= need : mLength > 0 && n <= mLength)
        return;
    // The copy keeps every byte: a borrowed text may be longer than the room asked for.
    need = std::max<std::int64_t>(need, static_cast<std::int64_t>(mLength) + 2);
    MakeOwnedCopy(CheckedBlock(std::max(cMinBlock, need)));
}

void GBuffer::SetLength(int n) {
    n = std::max(n, 0);
    if (n == 0) {
        Clear();
        return;
    }
    if (!IsOwned()) {
        if (n == mLength)
            return;
        // A shorter borrowed text has no terminator in place; only the bytes that remain are copied.
        std::uint32_t size = CheckedBlock(std::max<std::int64_t>(cMinBlock, static_cast<std::int64_t>(n) + 2));
        unsigned char* block = NewBlock(size);
        CopyBytes(block, mData, std::min(mLength, n));
        AdoptBlock(block, size);
    } else if (BlockSize() < static_cast<std::int64_t>(n) + 2) {
        MakeOwnedCopy(CheckedBlock(std::max<std::int64_t>(cMinBlock, static_cast<std::int64_t>(n) + 2)));
    }
    mLength = n;
    mData[n] = 0;
    mData[n + 1] = 0;
}

// ---- Editing ----

void GBuffer::ReplaceByteArray(int pos, int n, unsigned char const* src, int m) {
    pos = std::clamp(pos, 0, mLength);
    n = std::clamp(n, 0, mLength - pos);
    if (src == nullptr || m < 0)
        m = 0;
    if (n == 0 && m == 0)
        return;
    std::int64_t newLength = static_cast<std::int64_t>(mLength) - n + m;
    std::int64_t need = newLength + 2;
    if (need > cMaxBlock)
        ThrowTooLarge();
    if (IsOwned() && m > 0 && Within(src, mData, BlockSize())) {
        GBuffer copy(src, m);  // editing in place would move the replacement under our feet
        ReplaceByteArray(pos, n, copy.mData, m);
        return;
    }
    int tail = mLength - pos - n;
    if (IsOwned() && BlockSize() >= need) {
        MoveBytes(mData + pos + m, mData + pos + n, tail);
        CopyBytes(mData + pos, src, m);
    } else {
        std::uint32_t size = GrownBlock(need);
        unsigned char* block = NewBlock(size);
        CopyBytes(block, mData, pos);
        CopyBytes(block + pos, src, m);
        CopyBytes(block + pos + m, mData + pos + n, tail);
        AdoptBlock(block, size);
    }
    mLength = static_cast<int>(newLength);
    mData[mLength] = 0;
    mData[mLength + 1] = 0;
}

void GBuffer::Replace(int pos, int n, GBuffer const& with) { ReplaceByteArray(pos, n, with.mData, with.mLength); }

void GBuffer::Remove(int pos, int n) { ReplaceByteArray(pos, n, nullptr, 0); }

void GBuffer::AppendByteArray(unsigned char const* bytes, int n) {
    if (bytes == nullptr || n <= 0)
        return;
    std::int64_t need = static_cast<std::int64_t>(mLength) + n + 2;
    if (need > cMaxBlock)
        ThrowTooLarge();
    if (IsOwned() && BlockSize() >= need) {
        MoveBytes(mData + mLength, bytes, n);
    } else {
        std::uint32_t size = GrownBlock(need);
        unsigned char* block = NewBlock(size);
        CopyBytes(block, mData, mLength);
        CopyBytes(block + mLength, bytes, n);  // before the old block goes: bytes may lie in it
        AdoptBlock(block, size);
    }
    mLength += n;
    mData[mLength] = 0;
    mData[mLength + 1] = 0;
}

// One byte or unit: a borrowed buffer is copied first even when its lender left spare room.
void GBuffer::AppendSmall(void const* bytes, int n) {
    std::int64_t need = static_cast<std::int64_t>(mLength) + n + 2;
    if (need > cMaxBlock)
        ThrowTooLarge();
    if (!IsOwned() || BlockSize() < need) {
        std::int64_t wanted = static_cast<std::int64_t>(mLength) + n;
        wanted += wanted / 3;
        MakeOwnedCopy(static_cast<std::uint32_t>(std::min(cMaxBlock, std::max(cMinBlock, wanted + 2))));
    }
    std::memcpy(mData + mLength, bytes, static_cast<std::size_t>(n));
    mLength += n;
    mData[mLength] = 0;
    mData[mLength + 1] = 0;
}

GBuffer& GBuffer::operator+=(GBuffer const& other) {
    AppendByteArray(other.mData, other.mLength);
    return *this;
}

GBuffer& GBuffer::operator+=(char const* text) {
    if (text != nullptr)
        AppendByteArray(reinterpret_cast<unsigned char const*>(text), CheckedTextLength(text));
    return *this;
}

GBuffer& GBuffer::operator+=(unsigned short unit) {
    AppendSmall(&unit, 2);
    return *this;
}

GBuffer& GBuffer::operator+=(unsigned char byte) {
    AppendSmall(&byte, 1);
    return *this;
}

GBuffer GBuffer::GetSubBuffer(int pos, int n) const {
    GBuffer result;
    GetSubBuffer(pos, n, result);
    return result;
}

void GBuffer::GetSubBuffer(int pos, int n, GBuffer& out) const {
    std::int64_t end = n < 0 ? mLength : std::min<std::int64_t>(mLength, static_cast<std::int64_t>(pos) + n);
    std::int64_t begin = std::max(pos, 0);
    if (begin >= end) {
        out.Clear();
        return;
    }
    out.CopyIn(mData + begin, static_cast<int>(end - begin));  // safe when out is this buffer
}

// ---- Searching ----

int GBuffer::FindSubBuffer(GBuffer const& pattern, int start, bool units) const {
    int patternLength = units ? pattern.mLength / 2 : pattern.mLength;
    int length = units ? mLength / 2 : mLength;
    if (patternLength == 0)
        return 0;
    start = ClampStart(start);
    if (length == 0 || start > length - patternLength)
        return -1;
    if (units)
        return FindUnits(mData, length, start, pattern.mData, patternLength);
    return FindBytes(mData, length, start, pattern.mData, patternLength);
}

int GBuffer::FindFirstOccurrence(unsigned short u, int start) const {
    start = ClampStart(start);
    if (start >= mLength / 2)
        return -1;
    unsigned char needle[2];
    std::memcpy(needle, &u, 2);
    return FindUnits(mData, mLength / 2, start, needle, 1);
}

int GBuffer::FindFirstOccurrence(unsigned char const* set, int n, int start) const {
    start = ClampStart(start);
    if (set == nullptr || n < 1 || start >= mLength)
        return -1;
    ByteSet members(set, n);
    for (int i = start; i < mLength; ++i)
        if (members.Has(mData[i]))
            return i;
    return -1;
}

int GBuffer::FindFirstOccurrence(unsigned short const* set, int n, int start) const {
    start = ClampStart(start);
    int units = mLength / 2;
    if (set == nullptr || n < 1 || start >= units)
        return -1;
    UnitSet members(set, n);
    for (int i = start; i < units; ++i)
        if (members.Has(UnitAt(mData, i)))
            return i;
    return -1;
}

int GBuffer::FindFirstNonOccurrence(unsigned char const* set, int n, int start) const {
    start = ClampStart(start);
    if (start >= mLength)
        return -1;
    ByteSet members(set, n);
    for (int i = start; i < mLength; ++i)
        if (!members.Has(mData[i]))
            return i;
    return -1;
}

int GBuffer::FindFirstNonOccurrence(unsigned short const* set, int n, int start) const {
    start = ClampStart(start);
    int units = mLength / 2;
    if (start >= units)
        return -1;
    UnitSet members(set, n);
    for (int i = start; i < units; ++i)
        if (!members.Has(UnitAt(mData, i)))
            return i;
    return -1;
}

int GBuffer::FindLastOccurrence(unsigned char c, int end) const {
    if (end < 0 || mLength == 0)
        return -1;
    end = std::min(end, mLength - 1);
    void const* hit = memrchr(mData, c, static_cast<std::size_t>(end) + 1);
    return hit == nullptr ? -1 : static_cast<int>(static_cast<unsigned char const*>(hit) - mData);
}

int GBuffer::FindLastOccurrence(unsigned short u, int end) const {
    int units = mLength / 2;
    if (end < 0 || units == 0)
        return -1;
    for (int i = std::min(end, units - 1); i >= 0; --i)
        if (UnitAt(mData, i) == u)
            return i;
    return -1;
}

// Built in a new buffer: what and with may be this buffer itself.
bool GBuffer::FindAndReplace(int start, GBuffer const& what, GBuffer const& with) {
    int whatLength = what.mLength;
    if (whatLength == 0)
        return false;
    start = ClampStart(start);
    int first = FindBytes(mData, mLength, start, what.mData, whatLength);
    if (first < 0)
        return false;
    std::int64_t count = 0;
    for (int at = first; at >= 0; at = FindBytes(mData, mLength, at + whatLength, what.mData, whatLength))
        ++count;
    std::int64_t newLength = mLength + count * (static_cast<std::int64_t>(with.mLength) - whatLength);
    if (newLength + 2 > cMaxBlock)
        ThrowTooLarge();
    GBuffer result;
    unsigned char* out = newLength > 0 ? result.PrepareOwned(static_cast<int>(newLength)) : nullptr;
    int from = 0;
    for (int at = first; at >= 0; at = FindBytes(mData, mLength, from, what.mData, whatLength)) {
        CopyBytes(out, mData + from, at - from);
        out += at - from;
        CopyBytes(out, with.mData, with.mLength);
        out += with.mLength;
        from = at + whatLength;
    }
    CopyBytes(out, mData + from, mLength - from);
    Swap(result);
    return true;
}

bool GBuffer::FindAndReplace(int start, unsigned char from, unsigned char to) {
    int at = FindFirstOccurrence(from, start);
    if (at < 0)
        return false;
    if (from == to)
        return true;
    EnsureOwned();
    for (; at >= 0; at = FindBytes(mData, mLength, at + 1, &from, 1))
        mData[at] = to;
    return true;
}

// ---- Hash ----

std::uint32_t GBuffer::Hash(unsigned char const* bytes, int n) noexcept { return HashOf(bytes, n); }

// ---- Free operators ----

GBuffer operator+(GBuffer const& left, GBuffer const& right) {
    GBuffer result(left);
    result += right;
    return result;
}

// Reads the bytes in place: comparing never copies borrowed bytes.
int GBuffer::Compare(GBuffer const& a, GBuffer const& b) {
    int common = std::min(a.mLength, b.mLength);
    if (common > 0) {
        int order = std::memcmp(a.mData, b.mData, static_cast<std::size_t>(common));
        if (order != 0)
            return order;
    }
    return a.mLength < b.mLength ? -1 : (a.mLength > b.mLength ? 1 : 0);
}

bool operator!=(GBuffer const& a, GBuffer const& b) { return !(a == b); }
bool operator<(GBuffer const& a, GBuffer const& b) { return GBuffer::Compare(a, b) < 0; }
bool operator>(GBuffer const& a, GBuffer const& b) { return GBuffer::Compare(a, b) > 0; }
bool operator<=(GBuffer const& a, GBuffer const& b) { return GBuffer::Compare(a, b) <= 0; }
bool operator>=(GBuffer const& a, GBuffer const& b) { return GBuffer::Compare(a, b) >= 0; }
