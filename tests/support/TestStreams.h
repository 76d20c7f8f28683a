#pragma once
// Streams for tests of stream users: an input stream that delivers its bytes in pieces of
// changing sizes (by default 1, 2, ..., 7, 1, 2, ...), and an output stream that collects what it
// is given, can refuse bytes past a limit and counts flushes. Both can report their destruction.
#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/streams/GInStream.h"
#include "core/streams/GOutStream.h"

inline std::string TestText(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

inline GBuffer TestBuffer(std::string const& s) {
    return GBuffer(reinterpret_cast<unsigned char const*>(s.data()), static_cast<int>(s.size()));
}

// The bytes 0, 1, 2, ... (mod 251, so that no period matches a power of two) as text.
inline std::string CountingBytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>(i % 251);
    return s;
}

class PiecewiseInStream : public GInStream {
public:
    explicit PiecewiseInStream(std::string bytes, std::vector<int> pieces = {1, 2, 3, 4, 5, 6, 7})
        : mBytes(std::move(bytes)), mPieces(std::move(pieces)) {}
    PiecewiseInStream(PiecewiseInStream const& other) = default;
    ~PiecewiseInStream() override {
        if (mDestroyed != nullptr)
            *mDestroyed = true;
    }

    // Every piece as large as asked.
    static std::vector<int> Whole() { return {INT_MAX}; }

    GInStream* CreateClone() const override {
        if (!mCloneable)
            return nullptr;
        auto* clone = new PiecewiseInStream(*this);
        clone->mDestroyed = nullptr;
        return clone;
    }

    int Read(GBuffer& out, int count) override {
        out.Clear();
        long long left = static_cast<long long>(mBytes.size()) - mPos;
        int k = static_cast<int>(std::min<long long>({count, mPieces[mNextPiece], left}));
        if (k < 1)
            return -1;
        out.Set(reinterpret_cast<unsigned char const*>(mBytes.data()) + mPos, k);
        mPos += k;
        mNextPiece = (mNextPiece + 1) % mPieces.size();
        ++mReads;
        return k;
    }

    void Reset() override {
        mPos = 0;
        mNextPiece = 0;
        ++mResets;
    }

    void SetCloneable(bool cloneable) { mCloneable = cloneable; }
    void ReportDestructionTo(bool* flag) { mDestroyed = flag; }
    // Reads that delivered bytes.
    int Reads() const { return mReads; }
    int Resets() const { return mResets; }
    std::size_t Position() const { return mPos; }

private:
    std::string mBytes;
    std::vector<int> mPieces;
    std::size_t mNextPiece = 0;
    std::size_t mPos = 0;
    int mReads = 0;
    int mResets = 0;
    bool mCloneable = true;
    bool* mDestroyed = nullptr;
};

class CollectingOutStream : public GOutStream {
public:
    // limit: the total number of bytes taken; the rest of a write is refused.
    explicit CollectingOutStream(long long limit = LLONG_MAX) : mLimit(limit) {}
    ~CollectingOutStream() override {
        if (mDestroyed != nullptr)
            *mDestroyed = true;
    }

    int Write(GBuffer const& data) override {
        int n = static_cast<int>(std::min<long long>(data.GetLength(), mLimit - static_cast<long long>(mBytes.size())));
        mBytes.append(reinterpret_cast<char const*>(data.GetPtr()), static_cast<std::size_t>(n));
        ++mWrites;
        return n;
    }
    void Flush() override { ++mFlushes; }

    void ReportDestructionTo(bool* flag) { mDestroyed = flag; }
    std::string const& Bytes() const { return mBytes; }
    int Writes() const { return mWrites; }
    int Flushes() const { return mFlushes; }

private:
    long long mLimit;
    std::string mBytes;
    int mWrites = 0;
    int mFlushes = 0;
    bool* mDestroyed = nullptr;
};
