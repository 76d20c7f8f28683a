#include "core/text/encodings/GCharCode.h"

#include <algorithm>
#include <cstring>

#include "core/bytes/GBuffer.h"
#include "core/memory/GAllocator.h"

GCharCode::GCharCode(unsigned char const* bytes, int n) : mLength(0) { Set(bytes, n); }

GCharCode::GCharCode(GBuffer const& bytes) : mLength(0) { Set(bytes); }

GCharCode::GCharCode(GCharCode const& other) : mLength(0) { SetBytes(other.Get(), other.mLength); }

GCharCode::GCharCode(GCharCode&& other) noexcept : mLength(other.mLength) {
    std::memcpy(mStore, other.mStore, sizeof mStore);
    other.mLength = 0;
}

GCharCode& GCharCode::operator=(GCharCode const& other) {
    if (this != &other)
        SetBytes(other.Get(), other.mLength);
    return *this;
}

GCharCode& GCharCode::operator=(GCharCode&& other) noexcept {
    if (this == &other)
        return *this;
    FreeHeap();
    std::memcpy(mStore, other.mStore, sizeof mStore);
    mLength = other.mLength;
    other.mLength = 0;
    return *this;
}

unsigned char* GCharCode::HeapPtr() const noexcept {
    unsigned char* p;
    std::memcpy(&p, mStore, sizeof p);
    return p;
}

void GCharCode::FreeHeap() noexcept {
    if (IsInline())
        return;
    GAllocator::GetInstance()->Free(HeapPtr(), mLength);
    mLength = 0;
}

unsigned char* GCharCode::Prepare(int n) {
    if (n <= kInlineCapacity) {
        FreeHeap();
        mLength = static_cast<uint8_t>(n);
        return mStore;
    }
    if (!IsInline() && mLength == n)
        return HeapPtr();
    // Allocated before the old block goes, so a failure leaves the code as it was.
    unsigned char* block = static_cast<unsigned char*>(GAllocator::GetInstance()->Alloc(static_cast<unsigned long>(n)));
    FreeHeap();
    std::memcpy(mStore, &block, sizeof block);
    mLength = static_cast<uint8_t>(n);
    return block;
}

void GCharCode::SetBytes(unsigned char const* bytes, int n) {
    if (bytes == nullptr || n <= 0) {
        Clear();
        return;
    }
    n = std::min(n, kMaxLength);
    // bytes may lie in this code's own block: copy them out first.
    unsigned char copy[kMaxLength];
    std::memcpy(copy, bytes, static_cast<std::size_t>(n));
    std::memcpy(Prepare(n), copy, static_cast<std::size_t>(n));
}

void GCharCode::Clear() noexcept {
    FreeHeap();
    mLength = 0;
}

void GCharCode::Set(unsigned char byte) noexcept {
    FreeHeap();
    mStore[0] = byte;
    mLength = 1;
}

void GCharCode::Set(unsigned short unit) noexcept {
    FreeHeap();
    mStore[0] = static_cast<unsigned char>(unit >> 8);
    mStore[1] = static_cast<unsigned char>(unit);
    mLength = 2;
}

void GCharCode::Set(unsigned int value, int length) noexcept {
    if (length < 0 || length > 4)
        return;
    FreeHeap();
    for (int i = 0; i < length; ++i)
        mStore[i] = static_cast<unsigned char>(value >> (8 * (length - 1 - i)));
    mLength = static_cast<uint8_t>(length);
}

void GCharCode::SetWithMinLength(unsigned int value) noexcept {
    const int length = value < 0x100u ? 1 : value < 0x10000u ? 2 : value <= 0xFFFFFFu ? 3 : 4;
    Set(value, length);
}

void GCharCode::Set(unsigned char const* bytes, int n) { SetBytes(bytes, n); }

void GCharCode::Set(GBuffer const& bytes) { SetBytes(bytes.GetPtr(), bytes.GetLength()); }

void GCharCode::SetUnicode(GBuffer const& text) {
    const int n = std::min(text.GetLength() & ~1, kMaxLength - 1);
    if (n == 0) {
        Clear();
        return;
    }
    unsigned char swapped[kMaxLength];
    unsigned char const* src = text.GetPtr();
    for (int i = 0; i < n; i += 2) {
        uint16_t unit;
        std::memcpy(&unit, src + i, 2);
        swapped[i] = static_cast<unsigned char>(unit >> 8);
        swapped[i + 1] = static_cast<unsigned char>(unit);
    }
    std::memcpy(Prepare(n), swapped, static_cast<std::size_t>(n));
}

void GCharCode::GetUnicode(GBuffer& out) const {
    unsigned char const* bytes = Get();
    const int n = mLength & ~1;
    unsigned char units[kMaxLength];
    for (int i = 0; i < n; i += 2) {
        const uint16_t unit = static_cast<uint16_t>(bytes[i] << 8 | bytes[i + 1]);
        std::memcpy(units + i, &unit, 2);
    }
    out.Set(units, n);
}

void GCharCode::Get(GBuffer& out) const { out.Set(Get(), mLength); }

GCharCode::operator unsigned int() const noexcept {
    if (mLength == 0 || mLength > 4)
        return 0;
    unsigned int value = 0;
    for (int i = 0; i < mLength; ++i)
        value = value << 8 | mStore[i];
    return value;
}

GCharCode::operator unsigned short() const noexcept {
    if (mLength == 1)
        return mStore[0];
    if (mLength == 2)
        return static_cast<unsigned short>(mStore[0] << 8 | mStore[1]);
    return 0;
}

GCharCode::operator unsigned char() const noexcept { return mLength == 1 ? mStore[0] : 0; }

GCharCode& GCharCode::operator+=(unsigned int n) noexcept {
    if (n == 0 || mLength == 0)
        return *this;
    if (mLength <= 4) {
        Set(static_cast<unsigned int>(*this) + n, mLength);
        return *this;
    }
    // A long code is a big-endian counter: add n at the last byte and carry towards the first,
    // which is n single steps at once (the carry out of the first byte is the wrap).
    unsigned char* bytes = IsInline() ? mStore : HeapPtr();
    unsigned long long carry = n;
    for (int i = mLength - 1; i >= 0 && carry != 0; --i) {
        const unsigned long long sum = bytes[i] + carry;
        bytes[i] = static_cast<unsigned char>(sum);
        carry = sum >> 8;
    }
    return *this;
}

uint32_t GCharCode::GetHash() const noexcept {
    if (mLength <= 4)
        return static_cast<unsigned int>(*this);
    return GBuffer::Hash(Get(), mLength);
}

int GCharCode::Compare(GCharCode const& a, GCharCode const& b) noexcept {
    if (a.mLength != b.mLength)
        return a.mLength < b.mLength ? -1 : 1;
    return std::memcmp(a.Get(), b.Get(), a.mLength);
}

// A member of GBuffer defined here: bytes lies below the encodings and does not know GCharCode.
GBuffer& GBuffer::operator+=(GCharCode const& code) {
    AppendByteArray(code.Get(), code.GetLength());
    return *this;
}
