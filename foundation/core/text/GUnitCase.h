#pragma once
// The simple case mapping of UTF-16 units, one code point at a time, as GString::ToLower and
// ToUpper apply it; for code that works on units without a GString (path text).
//
// Callers may rely on: the number of units never changes. A surrogate pair maps as one code
// point, a lone surrogate has no case, and a mapping that would need another number of units
// is skipped (the code point stays as it is).
class GUnitCase {
public:
    GUnitCase() = delete;

    // The code point that begins with unit (a pair with next when they form one; pass 0 as next
    // at the end of the text) mapped into out; returns the units read and written, 1 or 2.
    static int Lower(char16_t unit, char16_t next, char16_t out[2]);
    static int Upper(char16_t unit, char16_t next, char16_t out[2]);
};
