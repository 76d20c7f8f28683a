#pragma once
// GUnicodeTextScanner: reads UTF-16 text in machine order with the text calls of
// GBin2TextStream, for parsers written against either (templates on the reader). It scans a
// window of the stream in place instead of copying each piece out of the stream.
//
// Callers may rely on:
// - For a stream that Reads accepts, every call gives what GBin2TextStream over the same stream
//   and encoding gives: the same texts (in GUnicodeEncoding), results and positions, a lone last
//   byte included. Reads accepts UTF-16 with the machine-order mark, or, when the encoding is
//   given, without a mark; anything else is for GBin2TextStream.
// - UTF-16 is never lossy: GetLossyTextCount stays 0.
// - Unread reaches back at least 512 bytes. The stream is borrowed and read ahead in blocks.
//   One thread at a time.
// - Over a buffer, the scanner reads its bytes in place: the caller keeps the buffer alive and
//   unchanged while scanning. Its results are those of a GBin2TextStream over a GMemoryInStream
//   of that buffer.
#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GEncodingKernels.h"

class GBufferedInStream;
class GInStream;

class GUnicodeTextScanner {
public:
    // encoding is what a GBin2TextStream would be given: null (detection) or GUnicodeEncoding.
    // Looks at the first two bytes and gives them back.
    static bool Reads(GBufferedInStream& in, GEncoding const* encoding);
    static bool Reads(GBuffer const& bytes, GEncoding const* encoding);

    // Both start after the byte-order mark, when there is one.
    explicit GUnicodeTextScanner(GInStream& in);
    explicit GUnicodeTextScanner(GBuffer const& bytes);
    GUnicodeTextScanner(GUnicodeTextScanner const&) = delete;
    GUnicodeTextScanner& operator=(GUnicodeTextScanner const&) = delete;

    int GetUnitSize() const { return 2; }
    int GetLossyTextCount() const { return 0; }

    // Raw bytes; -1 at the end.
    int Read(GBuffer& out, int count);
    // Moves back by whole units, at most count bytes; returns the bytes moved.
    int Unread(int count);

    int SkipWhitespace(bool includeLineEnds);
    int Read(int count, GString& out);
    bool ReadString(GString& out);
    bool ReadLine(GString& out);
    bool ReadQuotedString(GString& out);

private:
    static bool ReadsHead(unsigned char const* bytes, int n, GEncoding const* encoding);
    void Begin();

    // Whether a unit stands at the position, reading on when the window is used up.
    bool More() { return mPos < mUnits || Fill(); }
    bool Fill();
    uint16_t Unit(int i) const { return GEncodingKernels::LoadUnit(mWindow.GetPtr() + 2 * i); }
    static bool IsBlank(uint16_t unit) { return unit == ' ' || unit == '\t'; }
    static bool IsLineEnd(uint16_t unit) { return unit == '\r' || unit == '\n'; }
    static bool IsWhitespace(uint16_t unit) { return IsBlank(unit) || IsLineEnd(unit); }
    static bool EndsQuoted(uint16_t unit) { return unit == '"' || unit == '\\'; }
    // Moves on to the first unit for which stop holds, or the end.
    template <class Stop>
    int SkipUntil(Stop stop);
    void SkipQuotedText();
    // The text from mTokenStart to the position.
    void TakeToken(GString& out);
    void AppendToken();
    void AppendEscaped(uint16_t code);
    // A lone last byte is read by what reads whole units as the stream does: consumed here.
    void DropLoneByte() { mLoneByte = false; }

    GInStream* mIn;  // null over a buffer
    GBuffer mWindow;  // bytes read and not yet dropped; mPos and mUnits count its units
    GBuffer mBlock;
    int mPos = 0;
    int mUnits = 0;
    int mTokenStart = -1;  // kept in the window while a token is read
    bool mEnded = false;
    bool mLoneByte = false;
    GBuffer mLineEnd;  // the platform line end in UTF-16, what the escape \n reads as
    GBuffer mQuoted;
};
