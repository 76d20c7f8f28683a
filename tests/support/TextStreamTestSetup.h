#pragma once
// Shared by the tests of the text reader, the text writer and the containers' text forms: the
// encodings they run in, a buffered stream that hands its bytes out in short pieces, and
// conversions of results to plain strings.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/memory/GSharedObject.h"
#include "core/streams/GBin2TextStream.h"
#include "core/streams/GBufferedInStream.h"
#include "core/streams/GMemoryInStream.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/GString.h"
#include "mac/encodings/PMacPlatformEncoding.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "standin/StandinStringEncoding.h"
#include "support/SingleByteTestSetup.h"

// The encodings of the tests; a platform factory is installed for the lifetime of the object
// when none is (so that detection finds the platform encoding) and removed again.
class TextEncodings {
public:
    TextEncodings() {
        StartFoundation();
        if (GPlatformEncodingFactory::GetInstance() == nullptr) {
            GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
            mInstalledFactory = true;
        }
    }
    ~TextEncodings() {
        if (mInstalledFactory)
            GPlatformEncodingFactory::SetInstance(nullptr);
    }
    TextEncodings(TextEncodings const&) = delete;
    TextEncodings& operator=(TextEncodings const&) = delete;

    GEncoding const* Unicode() const { return GUnicodeEncoding::GetInstance(); }
    GEncoding const* UTF8() const { return GUTF8Encoding::GetInstance(); }
    GEncoding const* MacRoman() const { return GMacRomanEncoding::GetInstance(); }
    GEncoding const* ASCII() const { return GASCIIEncoding::GetInstance(); }
    // Mac Japanese: Shift-JIS, whose 0x5C is the yen sign and whose backslash is 0x80.
    GEncoding const* ShiftJIS() const { return mShiftJIS.Get(); }

private:
    GSharedObject<PMacPlatformEncoding> mShiftJIS{new PMacPlatformEncoding(StandinStringEncoding::kMacJapanese)};
    bool mInstalledFactory = false;
};

// A buffered stream over bytes whose reads deliver at most the next piece size (cycling), as a
// stream over a pipe may: the reader must gather what it needs itself.
class ShortReadStream : public GBufferedInStream {
public:
    explicit ShortReadStream(std::string const& bytes, std::vector<int> pieces = {1, 2, 3})
        : mInner(new GBuffer(ByteBuffer(bytes))), mPieces(std::move(pieces)) {}

    GInStream* CreateClone() const override { return nullptr; }
    int Read(GBuffer& out, int count) override {
        const int piece = mPieces[mNext++ % mPieces.size()];
        return mInner.Read(out, std::min(count, piece));
    }
    void Reset() override { mInner.Reset(); }
    int Unread(int count) override { return mInner.Unread(count); }
    void SetRollBackPoint() override { mInner.SetRollBackPoint(); }
    int RollBack() override { return mInner.RollBack(); }

private:
    GMemoryInStream mInner;
    std::vector<int> mPieces;
    std::size_t mNext = 0;
};

// The text as UTF-16 units (empty for a string without encoding).
inline std::u16string U(GString const& text) { return UnitsOf(text.GetBuffer(GUnicodeEncoding::GetInstance())); }

// UTF-16 bytes in little- or big-endian order.
inline std::string UTF16LE(std::u16string const& units) {
    std::string bytes;
    for (char16_t u : units) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

inline std::string UTF16BE(std::u16string const& units) {
    std::string bytes;
    for (char16_t u : units) {
        bytes += static_cast<char>(u >> 8);
        bytes += static_cast<char>(u & 0xFF);
    }
    return bytes;
}

// The text in the encoding, as bytes.
inline std::string Bytes(std::u16string const& units, GEncoding const* encoding) {
    return BytesOf(GString(UTF16Buffer(units), GUnicodeEncoding::GetInstance()).GetBuffer(encoding));
}

// A reader that owns a memory stream over the bytes.
inline GBin2TextStream* NewReader(std::string const& bytes, GEncoding const* encoding) {
    return new GBin2TextStream(new GMemoryInStream(new GBuffer(ByteBuffer(bytes))), encoding);
}

// What is left in the reader, raw.
inline std::string Rest(GBin2TextStream& reader) {
    std::string rest;
    GBuffer piece;
    while (reader.Read(piece, 4096) > 0)
        rest += BytesOf(piece);
    return rest;
}
