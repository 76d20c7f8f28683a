#pragma once
// GText2BinStream: writes the framework's text files: GStrings and C strings converted to the
// bytes of one encoding, the platform line end, and double-quoted strings with the escapes that
// GBin2TextStream reads back.
//
// Callers may rely on:
// - A UTF-16 writer starts its output with a byte-order mark in machine order (FF FE here) when
//   it is made, so a writer over an empty file starts that file; UTF-8 and 8-bit text get none.
// - The line end is CR alone on this platform (CR, then LF, as PSystem asks for them).
// - A quoted string written here reads back through GBin2TextStream::ReadQuotedString as the same
//   text, except that every line end comes back as the platform line end. In Mac Japanese the
//   yen sign (0x5C) is written 0x5C 0x5C, which readers that take 0x5C for the backslash read
//   back as one yen sign too.
// - A character the encoding cannot hold is written as the default character and the rest of the
//   text still follows; such a text is reported by WasLastTextLossy and counted.
// - The text writes return whether the inner stream took every byte. Exceptions of the inner
//   stream pass through. One thread at a time.
#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/memory/GSharedObject.h"
#include "core/streams/GContainerText.h"
#include "core/streams/GOutStream.h"
#include "core/text/encodings/GEncoding.h"

class GString;

class GText2BinStream : public GOutStream {
public:
    // A null encoding writes in the platform encoding. The first form borrows the stream, the
    // second owns it.
    GText2BinStream(GOutStream& out, GEncoding const* encoding);
    GText2BinStream(GOutStream* out, GEncoding const* encoding);
    GText2BinStream(GText2BinStream const&) = delete;
    GText2BinStream& operator=(GText2BinStream const&) = delete;
    ~GText2BinStream() override;

    // writeMark asks for the byte-order mark of a UTF-16 encoding.
    void SetEncoding(GEncoding const* encoding, bool writeMark);
    GEncoding const* GetEncoding() const { return mEncoding.Get(); }

    // Raw bytes to the inner stream.
    int Write(GBuffer const& data) override;
    void Flush() override;
    void Reserve(long long bytes) override;

    bool Write(GString const& text);
    // Taken as ASCII; null writes nothing.
    bool Write(char const* text);
    bool WriteEOL();
    bool WriteQuotedString(GString const& text);
    // A line of two quoted texts with separator between them: the bytes and the result of
    // WriteQuotedString(key), Write(separator), WriteQuotedString(value) and WriteEOL(), given to
    // the inner stream in one write where the encoding allows.
    bool WriteQuotedPairLine(GString const& key, GString const& separator, GString const& value);

    bool WasLastTextLossy() const { return mLastTextLossy; }
    int GetLossyTextCount() const { return mLossyTextCount; }

private:
    // UTF-16 written straight from the units, where that gives the bytes Encode would: false
    // when the text needs the general way.
    bool WriteUnicodeDirect(GString const& text, bool quoted);
    int AppendUnicodeDirect(GString const& text, bool quoted, int at);
    void Encode(GString const& text, GBuffer& bytes);
    void EncodeByCharacter(GString const& text, GBuffer& bytes) const;
    bool WriteAll(GBuffer const& bytes);
    static unsigned short StrayEscapeUnit(GEncoding const* encoding);

    GSharedObject<GEncoding const> mEncoding;
    GOutStream* mInner;
    bool mOwnsInner;
    // The platform line end in the stream's encoding.
    GBuffer mLineEnd;
    unsigned short mStrayEscapeUnit = 0;
    // The encoding is GUnicodeEncoding's: texts are written as their UTF-16 units.
    bool mDirectUnicode = false;
    GEncoding const* mPlainASCII = nullptr;
    GBuffer mOut;
    bool mLastTextLossy = false;
    int mLossyTextCount = 0;
};
