#pragma once
// GBuffer::GetHash (MurmurHash2) of a stream of UTF-16 units taken as the bytes they have in
// memory, without making the buffer: for hashing text as its UTF-16 form while reading another
// form or folding it on the way.
#include <cstddef>
#include <cstdint>
#include <cstring>

class GUnitHasher {
public:
    // units: how many units will be added.
    explicit GUnitHasher(std::size_t units) : mHash(static_cast<uint32_t>(units * 2)) {}

    void Add(uint16_t unit) {
        std::memcpy(mPending + mCount, &unit, 2);
        mCount += 2;
        if (mCount < 4)
            return;
        uint32_t k = mPending[0] | uint32_t(mPending[1]) << 8 | uint32_t(mPending[2]) << 16 | uint32_t(mPending[3]) << 24;
        k *= cM;
        k ^= k >> 24;
        k *= cM;
        mHash *= cM;
        mHash ^= k;
        mCount = 0;
    }

    uint32_t Finish() {
        if (mCount == 2) {
            mHash ^= uint32_t(mPending[1]) << 8;
            mHash ^= mPending[0];
            mHash *= cM;
        }
        mHash ^= mHash >> 13;
        mHash *= cM;
        mHash ^= mHash >> 15;
        return mHash;
    }

private:
    static constexpr uint32_t cM = 0x5bd1e995u;
    uint32_t mHash;
    unsigned char mPending[4] = {};
    int mCount = 0;
};
