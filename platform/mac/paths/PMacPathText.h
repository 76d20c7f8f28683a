#pragma once
// The UTF-16 units of a path's text, for the path code of the platform and the services: paths
// are split and joined at ASCII separators, which are single units in UTF-16, so the path code
// works on units and hands back UTF-16 strings without composing them again.
//
// Callers may rely on:
// - Units() brings the string into UTF-16 first (a string without encoding reads as empty).
// - FromUnits() makes a UTF-16 GString of exactly the given units.
#include <cstdint>
#include <string>
#include <vector>

#include "core/text/GString.h"

class PMacPathText {
public:
    PMacPathText() = delete;

    static std::u16string Units(GString const& text);
    static GString FromUnits(char16_t const* units, std::size_t n);
    static GString FromUnits(std::u16string const& units) { return FromUnits(units.data(), units.size()); }

    // The pieces between the separators (one more than there are separators) and back.
    static std::vector<std::u16string> Split(std::u16string const& text, char16_t separator);
    static std::u16string Join(std::vector<std::u16string> const& parts, char16_t separator);

    // Lower-cased as GString::ToLower does it, unit count unchanged.
    static void ToLower(std::u16string& units);
    // GString::GetHash of the lower-cased text of n UTF-16 units in machine order, read from any
    // address; no allocation, throws nothing.
    static uint32_t HashIgnoringCase(unsigned char const* units, std::size_t n) noexcept;
    // Case-insensitive equality with GString::ToLower's folding; no allocation.
    static bool EqualIgnoringCase(char16_t const* a, std::size_t na, char16_t const* b, std::size_t nb);
};
