#pragma once
// GStringSupport: text utilities on GString. The guessing of the encoding of a run of bytes and
// the choice of an encoding that holds a text; the escaping and quoting of the framework's text
// files; splitting, joining and replacing; comparisons (localised, case-insensitive, natural
// order, patterns); numeric suffixes for unique names; and the scrambled form in which short
// secrets are stored. Positions and results work on the UTF-16 form of the texts.
//
// Callers may rely on:
// - Nothing throws on bad text: detection and encoding report false, DeScramble gives an empty
//   string, a pattern that does not compile matches nothing. A failed allocation still throws.
// - AssignEncoding tries the encodings in order and the first clean one wins. A byte-order mark
//   decides at once; zero bytes inside the text leave only UTF-16. A dangling odd byte of UTF-16
//   text is dropped, since no conversion can read it.
// - White space is exactly backspace, TAB, LF, vertical tab, CR and blank (not form feed); every
//   white-space test of the framework asks IsWhiteSpace.
// - An empty separator or search string matches nothing.
// - Compare gives the same answer whatever the process locale is.
// - All operations are reentrant.
#include <cstddef>

#include "core/bytes/GBuffer.h"
#include "core/bytes/GCharClass.h"
#include "core/containers/GPair.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "core/values/GRange.h"

class GEncoding;

class GStringSupport {
public:
    GStringSupport() = delete;

    enum RangeSpecifier { kUpperCaseLatin = 0, kCJK = 1, kBasicPlane = 2 };

    // True with out holding the text; false with out cleared. Empty candidates: ASCII, WinAnsi,
    // Mac Roman, the platform encoding, PDFDoc, Shift-JIS, UTF-16.
    static bool AssignEncoding(GBuffer const& bytes, GString& out, GTable<GEncoding*> const& candidates);
    static bool AssignEncoding(GBuffer const& bytes, GString& out);
    // True with out holding the bytes of the first candidate that encodes the text cleanly (the
    // default order when none are given); false with out emptied.
    static bool GetBuffer(GString const& text, GBuffer& out, GTable<GEncoding*> const& candidates);
    static GBuffer GetBuffer(GString const& text, GEncoding const* encoding);

    // TAB as \t, each line end (CR LF and LF CR as one) as \n, the double quote and the escape
    // characters behind a backslash. The text becomes UTF-16.
    static void ReplaceSpecialChars(GString& text);
    // ReplaceSpecialChars, then a double quote on each side.
    static void QuoteString(GString& text);
    // Undoes the escaping; \n gives the platform line end.
    static void SetSpecialCharacters(GString& text);
    static void ReplaceSpecialEndCharsWithDefaultChar(GString& text);

    // out is replaced by the pieces between separators; empty pieces only with keepEmpty (an
    // empty text then gives one empty item). out may hold text or separator.
    static void SeparatedStringToStringTable(GString const& text, GString const& separator, GTable<GString>& out,
                                             bool keepEmpty);
    // out may be one of the items or the separator.
    static void StringTableToSeparatedString(GTable<GString> const& items, GString const& separator, GString& out);
    // Each pair in order replaces every occurrence of its first by its second; inserted text is
    // not searched again by the same pair.
    static void SearchAndReplace(GString& text, GTable<GPair<GString, GString>> const& pairs);

    static GString& StripLeadingWhiteSpace(GString& text);
    static GString& StripTrailingWhiteSpace(GString& text);
    static constexpr bool IsWhiteSpace(unsigned short c) { return GCharClass::IsWhiteSpace(c); }
    static constexpr bool IsWhiteSpace(unsigned char c) { return GCharClass::IsWhiteSpace(c); }

    static bool IsEqualIgnoreCase(GString const& a, GString const& b);
    // The first at sign neither first nor last, and no blank.
    static bool IsPossibleEmailAddress(GString const& text);
    // Localised order: -1, 0 or 1, by the platform's comparison (installed at start-up); until
    // one is installed, code-point order (case-folded when not case-sensitive).
    static int Compare(GString const& a, GString const& b, bool caseSensitive);
    // The platform's localised, non-literal comparison of two UTF-16 texts: -1, 0 or 1.
    using CompareFunction = int (*)(char16_t const* a, std::size_t na, char16_t const* b, std::size_t nb,
                                    bool caseSensitive);
    // Null puts the code-point order back. Set at start-up, before other threads compare.
    static void SetCompareFunction(CompareFunction compare);
    // Pattern against text: equality, containment (partial), or a regular expression matching
    // the whole text or (partial) a part of it; invert negates the answer.
    static bool MatchStrings(GString const& pattern, GString const& text, bool ignoreCase, bool partial, bool invert,
                             bool regExp);
    // Natural order: numbers inside the texts compare by value, so "file2" comes before "file10";
    // a strict weak order, so sorts may use it.
    static bool IsLessThanAlphanumeric(GString const& a, GString const& b);
    // "Name" becomes "Name (2)", "Name (2)" becomes "Name (3)"; with maxLength (0: none) the name
    // is shortened so that the result fits, or is the suffix alone when even that is too long.
    static void IncreaseNumericSuffix(GString& text, unsigned int maxLength);

    static GRange GetUnicodeRange(RangeSpecifier specifier);

    // Lower-case hex of the scrambled UTF-8 bytes, then ">"; DeScramble gives an empty string for
    // text that is not such a form.
    static GString Scramble(GString const& text);
    static GString DeScramble(GString const& text);
};
