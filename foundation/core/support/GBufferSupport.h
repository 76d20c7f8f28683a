#pragma once
// GBufferSupport: static operations on GBuffer for the framework's text files and outputs:
// escaping of quoted strings, line ends, byte order of 16-bit text, compact reals, separated
// lists, white space, bit blocks, Roman numerals and a real-number syntax test.
//
// The Uni operations see UTF-16 text in machine order (length / 2 units; an odd last byte is
// carried along unchanged); the ASCII ones see single bytes.
//
// Callers may rely on:
// - Every rewrite builds its result in a new buffer (or makes the buffer own its bytes) before
//   writing, so borrowed bytes are never changed.
// - Escaping then unescaping gives the text back, line ends becoming the platform line end.
// - Lists written by MergeIntoSeparatedBuffer read back item for item with SplitSeparatedBuffer.
// - Numbers are written with "." as decimal point whatever the process locale.
// - The line-end flags are set once at start-up (CR alone until then) and only read afterwards.
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/text/GTextEscapes.h"

class GEncoding;

class GBufferSupport {
public:
    // Escapes, line ends: see GTextEscapes.
    using Escapes = GTextEscapes::Escapes;
    // Escaping for a quoted string: TAB as \t, every line end as \n, the quote and the escape
    // characters behind a backslash.
    static void UniReplaceSpecialChars(GBuffer& text, Escapes escapes = Escapes::kAll);
    static void ASCIIReplaceSpecialChars(GBuffer& text, Escapes escapes = Escapes::kAll);
    // Unescaping: \n gives the platform line end, \t a TAB, an escaped quote, apostrophe or escape
    // character itself; any other pair stays as it is.
    static void UniReplaceEscapeCodes(GBuffer& text, Escapes escapes = Escapes::kAll);
    static void ASCIIReplaceEscapeCodes(GBuffer& text, Escapes escapes = Escapes::kAll);
    // Every CR or LF (a CR LF or LF CR pair as one) becomes the encodings' default character.
    static void UniReplaceSpecialEndCharsWithDefaultChar(GBuffer& text);
    // True for the three escape characters: the backslash, 0x80 and 0xA5.
    static bool IsBackSlashCharacter(unsigned char c) { return c == 0x5C || c == 0x80 || c == 0xA5; }

    static void SetLineEnding(bool needsCR, bool needsLF);
    // Every CR, LF or CR LF becomes the platform line end (nothing when neither flag is set).
    static void UniPlatformLineEndings(GBuffer& text);
    static void ASCIIPlatformLineEndings(GBuffer& text);
    // Removes the first language tag: U+001B up to and including the next U+001B.
    static void RemoveUnicodeLanguageTags(GBuffer& text);

    static void SwapUnicodeBytes(GBuffer& text);
    static void SwapBigEndian(GBuffer& text);     // machine order <-> big-endian
    static void SwapLittleEndian(GBuffer& text);  // machine order <-> little-endian

    // White space: backspace, TAB, LF, vertical tab, CR and blank.
    static void StripLeadingWhiteSpace(GBuffer& text);
    static void StripTrailingWhiteSpace(GBuffer& text);
    // With units set only whole zero units go; a buffer of odd length keeps its bytes.
    static void StripTrailingZeroes(GBuffer& text, bool units);

    // The text, taken in the given encoding, as composed UTF-16 (needs the Unicode encoding set
    // up; no encoding throws GException 2450).
    static GBuffer GetUnicodeBuffer(char const* text, GEncoding const* encoding);
    static GBuffer GetUnicodeBuffer(GBuffer const& text, GEncoding const* encoding);

    // At most 255 bytes behind a length byte; returns the result's GetPtr().
    static unsigned char const* ConvertToPString(GBuffer& text);
    // "%1.<n>f", n taken into 0 to 99.
    static void GenerateFormatStringForReals(int n, GBuffer& out);
    // Short real text: at most 5 fractional digits, 6 significant ones below 0.1, "nan" for NaN,
    // infinities as +-1e50; a blank appended when trailingBlank is set.
    static void RealToBuffer(double value, GBuffer& out, bool trailingBlank);

    // Splits at any of the separator bytes; empty items only when keepEmpty is set.
    static void SeparatedBufferToBufferTable(GBuffer const& text, GTable<unsigned char> const& separators,
                                             GTable<GBuffer>& items, bool keepEmpty);
    static void BufferTableToSeparatedBuffer(GTable<GBuffer> const& items, GBuffer const& separator, GBuffer& out);
    // The self-describing list form: escape byte, separator byte, then the escaped items.
    static void MergeIntoSeparatedBuffer(GTable<GBuffer> const& items, GBuffer& out);
    static void SplitSeparatedBuffer(GBuffer const& text, GTable<GBuffer>& items);

    // Copies count bits (bit i is bit i % 8 of byte i / 8); the destination grows with zero bytes
    // as needed, its other bits keep their values. src and dst may be the same buffer.
    static void CopyBitBlock_LBE_LBE(GBuffer const& src, int srcBit, int count, GBuffer& dst, int dstBit);

    // Additive Roman numerals: one "m" per thousand, so large values give long texts; 0 gives "".
    static GBuffer IntToRomanNumeralLower(unsigned int value);
    static GBuffer IntToRomanNumeralUpper(unsigned int value);

    // The whole text up to its first zero byte is a decimal real: sign, digits, point, exponent.
    static bool IsReal(GBuffer const& text);
};
