#pragma once
// GBuffer: the byte string of the foundation. It carries raw bytes, dictionary keys, the bytes of
// text in a known encoding and numbers in text form.
//
// A buffer either owns its block (taken from GAllocator, returned to it) or borrows bytes that a
// lender keeps alive and unchanged, together with the zero byte after them (static texts,
// another buffer's borrowed bytes). Bytes offered for borrowing without a zero byte after them
// are copied at once. Borrowed bytes are never written: every operation that changes bytes
// first gives the buffer an owned copy. Copying an owned buffer copies its bytes; copying a
// borrowed one shares them without allocating.
//
// Callers may rely on:
// - GetPtr() never returns null and the bytes it returns are followed by a zero byte (two for an
//   owned block), so it can be read as a C string up to the first zero. Every operation that
//   changes the bytes or the length writes the terminators; GetPtr() only reads, so any number of
//   threads may read one buffer at once while none changes it.
// - A caller that writes past the length through GetWritePtr() must then set the length
//   (SetLength), which writes the terminators again.
// - An owned block always has room for two bytes after the data; the block size never exceeds
//   0x7FFFFFFF bytes, so a buffer holds at most 0x7FFFFFFD bytes. Growing past that throws
//   GMemoryException, as does a failed allocation.
// - Positions and counts outside the buffer are clipped, never read or written out of range.
// - Numbers are written and read with "." as decimal point whatever the process locale.
// - A GBuffer holds no pointer into itself, so it may be moved as raw bytes (containers relocate
//   it with memcpy and do not run its constructor or destructor for the move).
// - No locking: a buffer is changed by one thread at a time; const operations only read, and
//   borrowed bytes may be read by many.
#include <cstdint>
#include <cstring>

#include "core/base/GIsRelocatable.h"

class GCharCode;

class GBuffer {
public:
    // Empty (null data), built by constant initialisation so it is usable during static start-up.
    static const GBuffer cEmptyBuffer;

    constexpr GBuffer() noexcept : mData(nullptr), mLength(0), mCapacity(0) {}
    GBuffer(char const* text);                 // copies the text and its terminator; null: empty
    GBuffer(unsigned char const* bytes, int n);  // copies n bytes; null or n < 1: empty
    explicit GBuffer(int value);
    explicit GBuffer(unsigned int value);
    explicit GBuffer(long long value);
    explicit GBuffer(unsigned long long value);
    explicit GBuffer(double value);
    GBuffer(double value, GBuffer const& format);
    GBuffer(GBuffer const& other);
    GBuffer(GBuffer&& other) noexcept;
    ~GBuffer();

    GBuffer& operator=(GBuffer const& other);
    GBuffer& operator=(GBuffer&& other) noexcept;
    GBuffer& operator=(char const* text);

    // Copying and borrowing.
    void Set(unsigned char const* bytes, int n);
    // Borrows a zero-terminated text (capacity = length + 1); null or "" empties the buffer.
    void SetFromStatic(char const* text);
    // Borrows n bytes readable up to capacity (-1: n) when a zero byte follows them within the
    // capacity; otherwise copies them.
    void SetFromStatic(char const* bytes, int n, int capacity);
    void TakeByteArray(unsigned char const* bytes, int n, int capacity);  // the same
    void Swap(GBuffer& other) noexcept;

    // Access.
    int GetLength() const { return mLength; }
    bool IsEmpty() const { return mLength == 0; }
    bool IsOwned() const { return (mCapacity & cOwnedBit) != 0; }
    // Length 0; an owned block stays attached for reuse.
    void Clear();
    // A plain read: the terminators are already in place. An empty buffer gives shared zeros.
    unsigned char const* GetPtr() const { return mLength == 0 ? cZeros : mData; }
    // Makes the bytes owned (copy when borrowed, a small block when there are none) and writes
    // the terminators after the length.
    unsigned char* GetWritePtr();
    int GetAllocatedLength() const;
    // Room to write n bytes through GetWritePtr: borrowed bytes get an owned copy when n exceeds
    // their length, whatever their lender's capacity.
    void Allocate(int n);
    // Bytes past the old length are undefined until written; n < 0 counts as 0. Writes the
    // terminators after the new length (borrowed bytes are copied unless the length stays).
    void SetLength(int n);

    // Editing. pos and n are clipped to the buffer; a null src or m < 1 inserts nothing.
    void ReplaceByteArray(int pos, int n, unsigned char const* src, int m);
    void Replace(int pos, int n, GBuffer const& with);
    void Remove(int pos, int n);
    void AppendByteArray(unsigned char const* bytes, int n);
    GBuffer& operator+=(GBuffer const& other);
    GBuffer& operator+=(char const* text);
    GBuffer& operator+=(unsigned short unit);  // one 16-bit unit in machine order
    GBuffer& operator+=(unsigned char byte);
    // The code's bytes, most significant first. Defined with GCharCode, which sits above bytes.
    GBuffer& operator+=(GCharCode const& code);
    // n < 0 takes the bytes to the end; the result always owns its bytes.
    GBuffer GetSubBuffer(int pos, int n = -1) const;
    void GetSubBuffer(int pos, int n, GBuffer& out) const;

    // Searching: indexes or -1. The unit forms see length / 2 native-order 16-bit units and count
    // in units. A negative start counts as 0.
    int FindSubBuffer(GBuffer const& pattern, int start = 0, bool units = false) const;
    int FindFirstOccurrence(unsigned char c, int start = 0) const;
    int FindFirstOccurrence(unsigned short u, int start = 0) const;
    int FindFirstOccurrence(unsigned char const* set, int n, int start = 0) const;
    int FindFirstOccurrence(unsigned short const* set, int n, int start = 0) const;
    int FindFirstNonOccurrence(unsigned char const* set, int n, int start = 0) const;
    int FindFirstNonOccurrence(unsigned short const* set, int n, int start = 0) const;
    int FindLastOccurrence(unsigned char c, int end) const;
    int FindLastOccurrence(unsigned short u, int end) const;

    // Replaces every occurrence at or after start; inserted bytes are not searched again.
    // Returns whether anything was found; an empty what replaces nothing.
    bool FindAndReplace(int start, GBuffer const& what, GBuffer const& with);
    bool FindAndReplace(int start, unsigned char from, unsigned char to);

    // 32-bit MurmurHash2 of the bytes (seed 0); the hash of every GBuffer-keyed dictionary.
    std::uint32_t GetHash() const { return HashOf(mData, mLength); }
    // The same of n bytes that need not be a buffer (nor terminated); null or n < 1: as empty.
    static std::uint32_t Hash(unsigned char const* bytes, int n) noexcept;

    // Numbers to text (ASCII, owned).
    void Set(int value);
    void Set(unsigned int value);
    void Set(int value, int digits);  // at least digits digits, zero-padded on the left
    void Set(double value);           // fixed, at most 6 fractional digits, trailing zeros cut
    void SetWithPrecision(double value, int n);  // at most n (0 to 16) fractional digits
    void SetWithHighPrecision(double value);     // 15 digits, exponent form outside [0.001, 1e5)
    // printf-style format holding at most one floating conversion (f F e E g G) with a width and
    // precision of at most 1024; any other format, or one printing nothing, gives an empty text.
    // Trailing fractional zeros are cut as for Set(double).
    void Set(double value, GBuffer const& format);

    // Text to numbers; unparsable text gives 0.
    int GetInt32() const;             // atol: C white space, sign, digits, taken to 32 bits
    unsigned int GetUInt32() const;   // white space, sign, digits, wrapping at 32 bits
    long long GetInt64() const;       // the same, wrapping at 64 bits
    double GetReal() const;           // no white space skipped; nan, inf, infinity accepted

private:
    friend bool operator==(GBuffer const& a, GBuffer const& b);
    friend bool operator<(GBuffer const& a, GBuffer const& b);
    friend bool operator>(GBuffer const& a, GBuffer const& b);
    friend bool operator<=(GBuffer const& a, GBuffer const& b);
    friend bool operator>=(GBuffer const& a, GBuffer const& b);
    static int Compare(GBuffer const& a, GBuffer const& b);
    // Hash, inline: dictionary keys are short and the call would cost as much as hashing them.
    static std::uint32_t HashOf(unsigned char const* bytes, int n) noexcept;
    // Whether n bytes at a and b are the same, read as whole words where they can be.
    static bool SameBytes(unsigned char const* a, unsigned char const* b, int n) noexcept;

    static constexpr unsigned char cZeros[2] = {0, 0};
    static constexpr std::uint32_t cOwnedBit = 0x80000000u;
    static constexpr std::uint32_t cSizeMask = 0x7FFFFFFFu;

    std::uint32_t BlockSize() const { return mCapacity & cSizeMask; }
    void CopyIn(unsigned char const* src, int n);
    void Borrow(unsigned char const* bytes, int n, int capacity);
    void DropBorrowed();
    void AdoptBlock(unsigned char* block, std::uint32_t size);
    void MakeOwnedCopy(std::uint32_t blockSize);
    void EnsureOwned();
    unsigned char* PrepareOwned(int n);
    void AppendSmall(void const* bytes, int n);
    void SetText(char const* text, int n);
    // Throws GMemoryException when n bytes and the two after them exceed the largest block.
    static void CheckFits(std::int64_t n);

    // With a length above 0: mData[mLength] is zero, and so is mData[mLength + 1] when owned.
    unsigned char* mData;  // null for a buffer that never held bytes
    std::int32_t mLength;
    std::uint32_t mCapacity;  // bits 0-30 block size, bit 31 set when owned
};

// A buffer holds no pointer into itself: tables and dictionaries move it bitwise.
template <>
struct GIsRelocatable<GBuffer> : std::true_type {};

// Inline: the byte scan is the hottest search and the call would cost as much as a short scan.
inline int GBuffer::FindFirstOccurrence(unsigned char c, int start) const {
    if (start < 0)
        start = 0;
    if (start >= mLength)
        return -1;
    void const* hit = std::memchr(mData + start, c, static_cast<std::size_t>(mLength - start));
    return hit == nullptr ? -1 : static_cast<int>(static_cast<unsigned char const*>(hit) - mData);
}

inline std::uint32_t GBuffer::HashOf(unsigned char const* bytes, int n) noexcept {
    if (bytes == nullptr || n < 0)
        n = 0;
    constexpr std::uint32_t m = 0x5bd1e995u;
    std::uint32_t h = static_cast<std::uint32_t>(n);
    unsigned char const* p = bytes;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && (defined(__GNUC__) || defined(__clang__))
    // The chain h = h * m ^ k is one multiplication after another, but the mixing of each block
    // into k is not: four blocks are mixed at once as vector lanes and words are read eight bytes
    // at a time, which gives the same values with fewer scalar multiplications.
    typedef std::uint32_t Lanes __attribute__((vector_size(16)));
    typedef std::uint64_t Pairs __attribute__((vector_size(16)));
    auto mix = [](std::uint32_t k) {
        k *= m;
        k ^= k >> 24;
        return k * m;
    };
    unsigned char const* const end = p + n;
    if (n >= 8) {
        for (; end - p >= 16; p += 16) {
            Lanes k;
            std::memcpy(&k, p, 16);
            k *= m;
            k ^= k >> 24;
            k *= m;
            const Pairs pairs = reinterpret_cast<Pairs>(k);
            h = (h * m) ^ static_cast<std::uint32_t>(pairs[0]);
            h = (h * m) ^ static_cast<std::uint32_t>(pairs[0] >> 32);
            h = (h * m) ^ static_cast<std::uint32_t>(pairs[1]);
            h = (h * m) ^ static_cast<std::uint32_t>(pairs[1] >> 32);
        }
        std::uint64_t w;
        if (end - p >= 8) {
            std::memcpy(&w, p, 8);
            h = (h * m) ^ mix(static_cast<std::uint32_t>(w));
            h = (h * m) ^ mix(static_cast<std::uint32_t>(w >> 32));
            p += 8;
        }
        const int rest = static_cast<int>(end - p);
        if (rest != 0) {
            // The last eight bytes, shifted so that only the rest is left, zeros above it.
            std::memcpy(&w, end - 8, 8);
            w >>= 64 - 8 * rest;
            std::uint32_t tail = static_cast<std::uint32_t>(w);
            if (rest >= 4) {
                h = (h * m) ^ mix(tail);
                tail = static_cast<std::uint32_t>(w >> 32);
            }
            if ((rest & 3) != 0)
                h = (h ^ tail) * m;
        }
    } else if (n >= 4) {
        std::uint32_t k;
        std::memcpy(&k, p, 4);
        h = (h * m) ^ mix(k);
        if (n > 4) {
            std::memcpy(&k, end - 4, 4);
            h = (h ^ (k >> (32 - 8 * (n - 4)))) * m;
        }
    } else if (n > 0) {
        // 1 to 3 bytes: the first, the middle and the last cover them all.
        const int half = n >> 1;
        h = (h ^ (p[0] | static_cast<std::uint32_t>(p[half]) << (8 * half) |
                  static_cast<std::uint32_t>(p[n - 1]) << (8 * (n - 1)))) *
            m;
    }
#else
    for (; n >= 4; n -= 4, p += 4) {
        std::uint32_t k;
        std::memcpy(&k, p, 4);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        k = __builtin_bswap32(k);
#endif
        k *= m;
        k ^= k >> 24;
        k *= m;
        h = (h * m) ^ k;
    }
    switch (n) {
    case 3:
        h ^= static_cast<std::uint32_t>(p[2]) << 16;
        [[fallthrough]];
    case 2:
        h ^= static_cast<std::uint32_t>(p[1]) << 8;
        [[fallthrough]];
    case 1:
        h ^= p[0];
        h *= m;
        break;
    default:
        break;
    }
#endif
    h ^= h >> 13;
    h *= m;
    h ^= h >> 15;
    return h;
}

inline bool GBuffer::SameBytes(unsigned char const* a, unsigned char const* b, int n) noexcept {
    if (a == b || n <= 0)
        return true;
    // The first and the last word of the type of word, overlapping below twice its size.
    auto sameEnds = [a, b, n](auto word) {
        constexpr int size = static_cast<int>(sizeof word);
        decltype(word) x0, y0, x1, y1;
        std::memcpy(&x0, a, size);
        std::memcpy(&y0, b, size);
        std::memcpy(&x1, a + n - size, size);
        std::memcpy(&y1, b + n - size, size);
        return ((x0 ^ y0) | (x1 ^ y1)) == 0;
    };
    if (n < 8) {
        if (n < 4) {
            // 1 to 3 bytes: the first, the middle and the last.
            const int half = n >> 1;
            return a[0] == b[0] && a[half] == b[half] && a[n - 1] == b[n - 1];
        }
        return sameEnds(std::uint32_t());
    }
    if (n > 64)
        return std::memcmp(a, b, static_cast<std::size_t>(n)) == 0;
    if (n < 16)
        return sameEnds(std::uint64_t());
    // 16 to 64 bytes: four blocks of 16 that overlap as much as n needs, so that the length
    // picks no branch (keys of mixed lengths would mispredict one).
    typedef std::uint64_t Pairs __attribute__((vector_size(16)));
    auto differ = [a, b](int offset) {
        Pairs x, y;
        std::memcpy(&x, a + offset, 16);
        std::memcpy(&y, b + offset, 16);
        return x ^ y;
    };
    const Pairs d = differ(0) | differ(n < 32 ? n - 16 : 16) | differ(n < 32 ? 0 : n - 32) | differ(n - 16);
    return (d[0] | d[1]) == 0;
}

GBuffer operator+(GBuffer const& left, GBuffer const& right);

inline bool operator==(GBuffer const& a, GBuffer const& b) {
    return a.mLength == b.mLength && GBuffer::SameBytes(a.mData, b.mData, a.mLength);
}
bool operator!=(GBuffer const& a, GBuffer const& b);
// Lexicographic by unsigned byte value; on a common prefix the shorter buffer is smaller.
bool operator<(GBuffer const& a, GBuffer const& b);
bool operator>(GBuffer const& a, GBuffer const& b);
bool operator<=(GBuffer const& a, GBuffer const& b);
bool operator>=(GBuffer const& a, GBuffer const& b);
