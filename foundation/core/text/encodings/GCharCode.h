#pragma once
// GCharCode: one character code of a byte-oriented encoding, as its bytes, most significant
// first (0 to 255 bytes; 0 = empty). A Unicode character is its UTF-16 unit in 2 bytes, high
// byte first; a sequence of units (a ligature) 2 bytes per unit in order.
//
// Callers may rely on:
// - Codes of up to 15 bytes live inside the object; longer ones in one block from GAllocator.
// - Lengths 1 to 4 read as a big-endian number (operator unsigned int); other lengths as 0.
// - Order: empty below everything, then shorter below longer, equal lengths bytewise (which is
//   numeric order). Equal codes hash equally, so a code can key a GDict.
// - Setters given more than 255 bytes keep the first 255.
#include <cstdint>

#include "core/base/GIsRelocatable.h"

class GBuffer;

class GCharCode {
public:
    static constexpr int kMaxLength = 255;

    GCharCode() noexcept : mLength(0) {}
    explicit GCharCode(unsigned char byte) noexcept : mLength(0) { Set(byte); }
    explicit GCharCode(unsigned short unit) noexcept : mLength(0) { Set(unit); }
    // The low length bytes of value (length 0 to 4); any other length gives an empty code.
    GCharCode(unsigned int value, int length) noexcept : mLength(0) { Set(value, length); }
    GCharCode(unsigned char const* bytes, int n);
    explicit GCharCode(GBuffer const& bytes);
    GCharCode(GCharCode const& other);
    GCharCode(GCharCode&& other) noexcept;
    GCharCode& operator=(GCharCode const& other);
    GCharCode& operator=(GCharCode&& other) noexcept;
    ~GCharCode() { FreeHeap(); }

    void Set(unsigned char byte) noexcept;
    void Set(unsigned short unit) noexcept;
    // Length 0 to 4: the low length bytes of value; any other length leaves the code unchanged.
    void Set(unsigned int value, int length) noexcept;
    // 1 byte below 0x100, 2 below 0x10000, 3 up to 0xFFFFFF, else 4.
    void SetWithMinLength(unsigned int value) noexcept;
    void Set(unsigned char const* bytes, int n);
    void Set(GBuffer const& bytes);
    // The buffer's UTF-16 units (machine order), stored high byte first; an odd last byte is dropped.
    void SetUnicode(GBuffer const& text);
    // The reverse: out receives the code's units in machine order.
    void GetUnicode(GBuffer& out) const;

    unsigned char const* Get() const noexcept { return IsInline() ? mStore : HeapPtr(); }
    void Get(GBuffer& out) const;
    int GetLength() const noexcept { return mLength; }
    bool IsEmpty() const noexcept { return mLength == 0; }
    void Clear() noexcept;

    operator unsigned int() const noexcept;
    // Length 2: the big-endian value; length 1: the byte; else 0.
    operator unsigned short() const noexcept;
    // Length 1: the byte; else 0.
    operator unsigned char() const noexcept;
    // Difference of the numeric views, modulo 2^32.
    unsigned int operator-(GCharCode const& other) const noexcept {
        return static_cast<unsigned int>(*this) - static_cast<unsigned int>(other);
    }
    // Lengths 1 to 4 add to the number (carries out of the top byte are lost); longer codes count
    // as a big-endian counter that wraps from all 0xFF to all 0x00; an empty code stays empty.
    GCharCode& operator+=(unsigned int n) noexcept;

    // 0 when empty, the number for lengths 1 to 4, else the bytes' GBuffer hash.
    uint32_t GetHash() const noexcept;

    friend bool operator==(GCharCode const& a, GCharCode const& b) noexcept { return Compare(a, b) == 0; }
    friend bool operator!=(GCharCode const& a, GCharCode const& b) noexcept { return Compare(a, b) != 0; }
    friend bool operator<(GCharCode const& a, GCharCode const& b) noexcept { return Compare(a, b) < 0; }
    friend bool operator<=(GCharCode const& a, GCharCode const& b) noexcept { return Compare(a, b) <= 0; }
    friend bool operator>(GCharCode const& a, GCharCode const& b) noexcept { return Compare(a, b) > 0; }
    friend bool operator>=(GCharCode const& a, GCharCode const& b) noexcept { return Compare(a, b) >= 0; }

private:
    // Inline bytes share their storage with the heap pointer of longer codes (kept unaligned
    // there and read with memcpy), so a code is 16 bytes.
    static constexpr int kInlineCapacity = 15;

    static int Compare(GCharCode const& a, GCharCode const& b) noexcept;
    bool IsInline() const noexcept { return mLength <= kInlineCapacity; }
    unsigned char* HeapPtr() const noexcept;
    // Room for n bytes (the old bytes are not kept); returns where to write them.
    unsigned char* Prepare(int n);
    void FreeHeap() noexcept;
    void SetBytes(unsigned char const* bytes, int n);

    alignas(8) unsigned char mStore[kInlineCapacity];
    uint8_t mLength;
};

// A code holds no pointer into itself.
template <>
struct GIsRelocatable<GCharCode> : std::true_type {};
