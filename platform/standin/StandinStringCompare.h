#pragma once
// Stands in for CoreFoundation's string comparison (CFStringCompare) with the options the
// framework passes: case-insensitive, non-literal and localized.
//
// Behaviour kept from the original call:
// - The result is -1, 0 or 1 (less, equal, greater), never another value.
// - Non-literal: canonically equivalent texts are equal (a precomposed "é" and "e" with a
//   combining acute). Without it the texts are compared unit by unit.
// - Localized: the order of the Unicode collation algorithm (ICU's Collator) tailored to the
//   user's first language, where case and accents weigh less than the letters themselves
//   ("a" < "B" < "c"). Like the original, which takes the locale from the user's settings, the
//   language is the first entry of StandinUserLanguages (LANGUAGE, then LC_ALL, LC_MESSAGES,
//   LANG), read on every call; with none, or one ICU cannot read, it is the root order. So
//   Swedish puts "ö" after "z" where the root order puts it with "o", while setlocale and ICU's
//   default locale change nothing. Case-insensitive: case differences are ignored, accents still
//   count. Case-sensitive: a lower-case letter sorts before its upper-case form, unless the
//   language orders upper case first (Danish does).
// - Case-insensitive without localized: the texts are case-folded before the comparison.
// - Should ICU's collation data be missing, a localized comparison is made as a literal one.
// Any thread may call Compare at any time. Each thread keeps its own collators for the current
// language (ICU's are not for concurrent use); they share ICU's loaded tailoring.
#include <cstddef>

class StandinStringCompare {
public:
    // The option bits, as CoreFoundation numbers them.
    static constexpr unsigned kCompareCaseInsensitive = 1;
    static constexpr unsigned kCompareNonliteral = 16;
    static constexpr unsigned kCompareLocalized = 32;

    // UTF-16 texts of na and nb units (null only with a count of 0).
    static int Compare(char16_t const* a, std::size_t na, char16_t const* b, std::size_t nb, unsigned options);
};
