// The comparisons and names made from users' texts: MatchStrings without regular expressions,
// natural order and numeric suffixes. No crash, and the answers keep their laws: invert negates,
// equal texts contain each other, natural order is a strict weak order, and a numeric suffix
// always makes a new name that fits the length asked for.
//
// Input: byte 0 picks the operation (modulo 3: MatchStrings, natural order, numeric suffix) and
// for the first two its flags; byte 1 for the suffix is the length limit; the rest is UTF-16 text
// (machine order), split into pieces at the unit 0xFFFF.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/support/GStringSupport.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GString.h"
#include "support/FuzzInput.h"

namespace {

std::vector<GString> Pieces(std::uint8_t const* data, std::size_t size) {
    std::vector<GString> pieces;
    std::size_t from = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        if (data[i] == 0xFF && data[i + 1] == 0xFF) {
            pieces.emplace_back(GBuffer(data + from, static_cast<int>(i - from)), GUnicodeEncoding::GetInstance());
            from = i + 2;
        }
    }
    pieces.emplace_back(GBuffer(data + from, static_cast<int>(size - from)), GUnicodeEncoding::GetInstance());
    return pieces;
}

int UnitCount(GString const& s) { return s.GetBuffer(GUnicodeEncoding::GetInstance()).GetLength() / 2; }

void MatchPlain(GString const& pattern, GString const& text, bool ignoreCase) {
    for (bool partial : {false, true}) {
        bool const matched = GStringSupport::MatchStrings(pattern, text, ignoreCase, partial, false, false);
        Check(GStringSupport::MatchStrings(pattern, text, ignoreCase, partial, true, false) == !matched);
    }
    // A text matches itself whole, and so contains itself.
    Check(GStringSupport::MatchStrings(text, text, ignoreCase, false, false, false));
    Check(GStringSupport::MatchStrings(text, text, ignoreCase, true, false, false));
    if (GStringSupport::MatchStrings(pattern, text, ignoreCase, false, false, false))
        Check(GStringSupport::MatchStrings(pattern, text, ignoreCase, true, false, false));
}

void NaturalOrder(std::vector<GString> const& p) {
    auto const less = [](GString const& a, GString const& b) { return GStringSupport::IsLessThanAlphanumeric(a, b); };
    GString const& a = p[0];
    GString const& b = p.size() > 1 ? p[1] : p[0];
    GString const& c = p.size() > 2 ? p[2] : b;
    Check(!less(a, a));
    Check(!(less(a, b) && less(b, a)));
    if (less(a, b) && less(b, c))
        Check(less(a, c));
    // Incomparability is transitive too: a ~ b and b ~ c give a ~ c.
    if (!less(a, b) && !less(b, a) && !less(b, c) && !less(c, b))
        Check(!less(a, c) && !less(c, a));
}

void NumericSuffix(GString const& name, unsigned maxLength) {
    GString next(name);
    GStringSupport::IncreaseNumericSuffix(next, maxLength);
    Check(!(next == name));
    // Fits, unless it is the suffix alone: " (2)" or "(" and at most 20 digits and ")".
    if (maxLength != 0 && UnitCount(next) > static_cast<int>(maxLength))
        Check(UnitCount(next) <= 22);
    GString again(next);
    GStringSupport::IncreaseNumericSuffix(again, maxLength);
    Check(!(again == next));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 2, 4096))
        return 0;
    unsigned const op = data[0] % 3;
    bool const ignoreCase = (data[0] / 3) & 1;
    std::vector<GString> const pieces = Pieces(data + 2, size - 2);
    switch (op) {
    case 0:
        MatchPlain(pieces[0], pieces.size() > 1 ? pieces[1] : pieces[0], ignoreCase);
        break;
    case 1:
        NaturalOrder(pieces);
        break;
    default:
        NumericSuffix(pieces[0], data[1] % 32);
        break;
    }
    return 0;
}
