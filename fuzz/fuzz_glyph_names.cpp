// Glyph-name lookups of names read from fonts and files, in every encoding: any name and any
// code look up without harm, and a name found for a code is stable: it leads to a code whose
// name is the same name again.
//
// Input: byte 0 picks the encoding (modulo 11, as in fuzz_string_convert) and, divided by 11,
// the direction (even: the rest is a glyph name; odd: the rest, up to 4 bytes, is a code).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "support/FuzzEncodings.h"
#include "support/FuzzInput.h"

namespace {

// The code's name, when it has one, names a code with that same name.
void CheckNameOfCode(GEncoding const& encoding, GCharCode const& code) {
    GBuffer name;
    if (!encoding.GetGlyphName(code, name)) {
        Check(name.IsEmpty());
        return;
    }
    Check(!name.IsEmpty());
    GCharCode named;
    encoding.GetCharCode(name, named);
    Check(!named.IsEmpty());
    GBuffer again;
    Check(encoding.GetGlyphName(named, again));
    Check(Text(again) == Text(name));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::vector<GEncoding const*> const& encodings = FuzzEncodings();
    if (size < 1 || size > 1024)
        return 0;
    GEncoding const* encoding = encodings[data[0] % encodings.size()];
    if (encoding == nullptr)
        return 0;
    bool const byCode = (data[0] / encodings.size()) % 2 == 1;
    GBuffer const rest(data + 1, static_cast<int>(size - 1));
    GUnicodeEncoding const* unicode = GUnicodeEncoding::GetInstance();
    if (byCode) {
        if (rest.GetLength() > 4)
            return 0;
        GCharCode const code(rest);
        CheckNameOfCode(*encoding, code);
        GTable<GBuffer> names;
        unicode->GetGlyphNameTable(code, names);
        GBuffer preferred;
        if (unicode->GetGlyphName(code, preferred))
            Check(names.GetCount() >= 1 && Text(names[0]) == Text(preferred));
        else
            Check(names.GetCount() == 0);
        return 0;
    }
    GCharCode code;
    encoding->GetCharCode(rest, code);
    if (!code.IsEmpty())
        CheckNameOfCode(*encoding, code);
    GCharCode ligature;
    unicode->GetLigatureCharCode(rest, ligature);
    Check(ligature.GetLength() % 2 == 0);
    GBuffer utf16;
    if (GUnicodeEncoding::TryGetGlyphUnit(rest, utf16))
        Check(utf16.GetLength() == 2);
    return 0;
}
