#pragma once
// Stands in for CoreFoundation's string comparison (CFStringCompare) with the options the
// framework passes: case-insensitive, non-literal and localized.
//
// Behaviour kept from the original call:
// - The result is -1, 0 or 1 (less, equal, greater), never another value.
// - Non-literal: canonically equivalent texts are equal (a precomposed "é" and "e" with a
//   combining acute). Without it the texts are compared unit by unit.
// - Localized: the order of the Unicode collation algorithm (ICU's Collator), where case and
//   accents weigh less than the letters themselves ("a" < "B" < "c"). The original takes the
//   user's locale from the user's settings, never from the C library's process locale; here it
//   is the root collation, so setlocale, LANG, LC_* and ICU's default locale change nothing.
//   Case-insensitive: case differences are ignored, accents still count. Case-sensitive: a
//   lower-case letter sorts before its upper-case form.
// - Case-insensitive without localized: the texts are case-folded before the comparison.
// - Should ICU's collation data be missing, a localized comparison is made as a literal one.
// Any thread may call Compare at any time.
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
