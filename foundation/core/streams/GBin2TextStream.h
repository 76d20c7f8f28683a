#pragma once
// GBin2TextStream: reads the framework's text files out of a buffered byte stream, as GStrings in
// a known encoding: a byte-order mark, white space, tokens, lines and double-quoted strings with
// backslash escapes.
//
// Callers may rely on:
// - Without an encoding the reader detects UTF-16 (FF FE or FE FF) and UTF-8 (EF BB BF) by their
//   marks, else reads in the platform encoding. Given an encoding, a mark of that encoding is
//   consumed when present. 16-bit text in the other byte order is swapped as it is read.
// - Characters of a double-byte encoding (Shift-JIS) are scanned whole: a trail byte is never
//   taken for a backslash, quote or terminator, and no text is cut inside a character.
// - Nothing read ahead is lost: the reader gives back with Unread what it did not use, a lone
//   byte at the end of 16-bit text included. The inner stream must reach back at least 513
//   bytes after any read (a GBufferedInStreamDecorator with a buffer of 1024 bytes does).
// - Bytes that are not valid in the stream's encoding still give their text, each invalid byte
//   as the default character; such a text is reported by WasLastTextLossy and counted by
//   GetLossyTextCount. Valid text comes back in the stream's encoding.
// - CR, LF and CR LF each end a line; LF CR ends a line and then an empty one. The escape \n
//   reads as the platform line end (CR here); \t, \", \' and \\ as the character; a backslash
//   before anything else is kept with it. In 8-bit text both the ASCII backslash byte and the
//   encoding's own backslash (0x80 in Mac Japanese, what GText2BinStream writes) escape. In Mac
//   Japanese 0x5C 0x5C reads as the yen sign, and 0x5C before the 0x80 backslash as the yen sign
//   followed by the escape that the 0x80 begins.
// - Exceptions of the inner stream pass through; bad text never throws. One thread at a time.
#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/memory/GSharedObject.h"
#include "core/streams/GBufferedInStream.h"
#include "core/streams/GContainerText.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/GString.h"

class GBin2TextStream : public GBufferedInStream {
public:
    // A null encoding asks for detection. The first form borrows the stream, the second owns it.
    GBin2TextStream(GBufferedInStream& in, GEncoding const* encoding);
    GBin2TextStream(GBufferedInStream* in, GEncoding const* encoding);
    GBin2TextStream(GBin2TextStream const&) = delete;
    GBin2TextStream& operator=(GBin2TextStream const&) = delete;
    ~GBin2TextStream() override;

    // A new encoding is set up at the current position, a mark there consumed (null: detection).
    void SetEncoding(GEncoding const* encoding);
    GEncoding const* GetEncoding() const { return mEncoding.Get(); }
    // Bytes per code unit: 2 for UTF-16, else 1.
    int GetUnitSize() const { return mUnitSize; }

    // Raw bytes, straight from the inner stream.
    GInStream* CreateClone() const override;  // null: a reader is not cloned
    int Read(GBuffer& out, int count) override;
    void Reset() override;  // nothing
    int Unread(int count) override;
    void SetRollBackPoint() override;
    int RollBack() override;

    // Skip blanks, tabs and (with includeLineEnds) CR and LF; return the code units skipped.
    int SkipWhitespace(bool includeLineEnds);
    int SkipChars(GString const& chars);

    // count code units (fewer at the end of input, or one less rather than half a character);
    // returns how many, -1 when none came.
    int Read(int count, GString& out);
    // A token: skips white space, then reads up to the next white space (left in the stream).
    bool ReadString(GString& out);
    // The text before the first terminator character, which stays in the stream. False only when
    // the input had ended. The GBuffer form holds the terminators in the stream's encoding.
    bool ReadTillTerminator(GBuffer const& terminators, GString& out);
    bool ReadTillTerminator(GString const& terminators, GString& out);
    // One line without its line end; false at the end of input.
    bool ReadLine(GString& out);
    // A double-quoted string at the current position (no white space skipped). False when the
    // next character is not a quote (nothing consumed), or the input ends before the closing
    // quote (out then holds what was read).
    bool ReadQuotedString(GString& out);

    bool WasLastTextLossy() const { return mLastTextLossy; }
    int GetLossyTextCount() const { return mLossyTextCount; }

private:
    // Characters compared as raw code units of the stream's encoding: single units (bytes, or
    // 16-bit units in machine order) and, in a double-byte encoding, lead and trail as one code.
    class CharSet {
    public:
        void Clear();
        void Add(uint32_t code);
        bool Contains(uint32_t code) const {
            return code < 256 ? mSmall[code] : mHasWide && ContainsWide(code);
        }

    private:
        bool ContainsWide(uint32_t code) const;

        bool mSmall[256] = {};
        bool mHasWide = false;
        GTable<uint32_t> mWide;
    };

    void SetUp(GEncoding const* encoding);
    void DetectEncoding();
    void ConsumeUnicodeMark();
    // A UTF-16 mark is taken and sets the swap flag; anything else is given back.
    bool TakeUnicodeMark(GBuffer const& mark);
    void ConsumeUTF8Mark();
    void BuildSets();
    void FindMultiByteCharacters();
    GBuffer Encoded(char const* ascii) const;
    // One character in the stream's encoding: its bytes and its code (ASCII when it has no
    // one-unit form there).
    uint32_t EncodedChar(char ascii, GBuffer& bytes) const;
    void FillSet(CharSet& set, GBuffer const& chars) const;

    // Reads up to count bytes, however small the pieces the inner stream delivers.
    int ReadFully(GBuffer& out, int count);
    // Up to units code units into mScratch, in machine order; returns the units, 0 at the end.
    int ReadUnits(int units);
    // One whole unit in machine order; false (got: the bytes read) when none came whole.
    bool ReadOneUnit(uint32_t& unit, int& got);
    // The code and byte length of the character at i in mScratch; in multi-byte text a character
    // cut by the end of mScratch is completed from the stream when extend is set.
    uint32_t CharAt(int i, int& length, bool extend);
    void GiveBack(int bytes);

    int SkipSet(CharSet const& set);
    bool ReadTill(CharSet const& set, GString& out);
    // Byte index of the first character of mScratch whose membership in set is member, or -1.
    int FindInScratch(CharSet const& set, bool member);
    bool IsEscape(uint32_t code) const;
    bool IsYenBeforeEscape(uint32_t escape, uint32_t code) const;
    // The text of the escape that code (length bytes at at in mScratch) makes after escape.
    void AppendEscape(uint32_t escape, uint32_t code, int length, int at);
    void AppendCode(uint32_t code);
    void SetText(GString& out, GBuffer const& bytes);

    GBuffer mWhitespace;
    GBuffer mBlanks;
    GBuffer mLineEnds;
    GBuffer mQuote;
    GBuffer mCR;
    GBuffer mLF;
    GBuffer mScratch;
    GBuffer mQuoted;
    GBuffer mUnit;  // single units read for line ends and opening quotes
    GBufferedInStream* mInner;
    bool mOwnsInner;
    GSharedObject<GEncoding const> mEncoding;
    bool mSwap = false;
    bool mUTF16 = false;
    int32_t mUnitSize = 1;

    CharSet mWhitespaceSet;
    CharSet mBlankSet;
    CharSet mLineEndSet;
    CharSet mTerminatorSet;
    // The escape machinery's characters in the stream's encoding.
    uint32_t mQuoteCode = '"';
    uint32_t mBackslashCode = '\\';
    uint32_t mASCIIBackslashCode = '\\';
    uint32_t mSingleQuoteCode = '\'';
    uint32_t mLetterTCode = 't';
    uint32_t mLetterNCode = 'n';
    uint32_t mCRCode = '\r';
    uint32_t mLFCode = '\n';
    GBuffer mTab;
    GBuffer mBackslash;
    GBuffer mSingleQuote;
    GBuffer mLineEnd;
    // 8-bit text in a multi-byte encoding (UTF-8, Shift-JIS): how many trail bytes each byte
    // may begin, and which bytes can be trail bytes.
    uint8_t mTrailCount[256] = {};
    bool mTrailByte[256] = {};
    bool mMultiByte = false;
    bool mLastTextLossy = false;
    int mLossyTextCount = 0;
};
