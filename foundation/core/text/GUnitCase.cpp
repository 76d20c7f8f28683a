#include "core/text/GUnitCase.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace {

template <class Map>
int MapAt(char16_t unit, char16_t next, char16_t out[2], Map map) {
    if (U16_IS_LEAD(unit) && U16_IS_TRAIL(next)) {
        const UChar32 mapped = map(U16_GET_SUPPLEMENTARY(unit, next));
        if (U_IS_SUPPLEMENTARY(mapped)) {
            out[0] = U16_LEAD(mapped);
            out[1] = U16_TRAIL(mapped);
        } else {
            out[0] = unit;
            out[1] = next;
        }
        return 2;
    }
    out[0] = unit;
    if (!U16_IS_SURROGATE(unit)) {
        const UChar32 mapped = map(unit);
        if (!U_IS_SUPPLEMENTARY(mapped))
            out[0] = static_cast<char16_t>(mapped);
    }
    return 1;
}

}  // namespace

int GUnitCase::Lower(char16_t unit, char16_t next, char16_t out[2]) {
    // ASCII, the common case of names, without the table look-up.
    if (unit < 0x80) {
        out[0] = unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit;
        return 1;
    }
    return MapAt(unit, next, out, [](UChar32 c) { return u_tolower(c); });
}

int GUnitCase::Upper(char16_t unit, char16_t next, char16_t out[2]) {
    if (unit < 0x80) {
        out[0] = unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
        return 1;
    }
    return MapAt(unit, next, out, [](UChar32 c) { return u_toupper(c); });
}
