#pragma once
// GTextEscapes: the escapes of quoted strings and the platform line end, shared by the text
// streams and the buffer and string support.
//
// The Uni operations see UTF-16 text in machine order (length / 2 units; an odd last byte is
// carried along unchanged); the ASCII ones see single bytes.
//
// Callers may rely on:
// - Every rewrite builds its result in a new buffer (or makes the buffer own its bytes) before
//   writing, so borrowed bytes are never changed.
// - Escaping then unescaping gives the text back, line ends becoming the platform line end.
// - The line end is CR alone until the platform sets its rule at start-up; it is only read after.
#include "core/bytes/GBuffer.h"

class GString;

class GTextEscapes {
public:
    // Which characters escape. kAll: the backslash, 0x80 and 0xA5 (U+0080, U+00A5), and the writer
    // escapes all three, so that every text reads back unchanged. kBackslashOnly: the form of the
    // quoted strings in the framework's text files, which the text reader and other applications
    // read with the backslash as the only escape; 0x80 and 0xA5 are plain characters there.
    enum class Escapes { kAll, kBackslashOnly };
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

    // The quoted string of the framework's text files: the text escaped with kBackslashOnly
    // between double quotes, as UTF-16 (the result is not composed again, so an escape letter
    // never merges with a combining mark after it).
    static void QuoteString(GString& text);

    // The platform's line end: CR, then LF, as each is needed.
    static void SetLineEnding(bool needsCR, bool needsLF);
    static bool NeedsCR();
    static bool NeedsLF();
    // The line end as ASCII text.
    static GString GetEOLString();
    // Every CR, LF or CR LF becomes the platform line end (nothing when neither flag is set).
    static void UniPlatformLineEndings(GBuffer& text);
    static void ASCIIPlatformLineEndings(GBuffer& text);

    GTextEscapes() = delete;
};
