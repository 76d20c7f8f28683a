// The UTF-8 decoder on arbitrary bytes: no crash, a defined status, the output never longer than
// the input allows. Without the two lenient forms (C0 80 and encoded surrogates) the decoder
// must agree with ICU's strict one, and what it decodes must encode back to the same bytes (all
// of them on success, the bytes before the fault otherwise). The same bytes read as UTF-16 must
// survive encoding and decoding, lone surrogates included.
#include <unicode/ustring.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"

namespace {

bool HasLenientForms(std::uint8_t const* data, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size; ++i) {
        if (data[i] == 0xC0 && data[i + 1] == 0x80)
            return true;
        if (data[i] == 0xED && data[i + 1] >= 0xA0 && data[i + 1] <= 0xBF)
            return true;
    }
    return false;
}

bool ICUAccepts(std::uint8_t const* data, std::size_t size) {
    std::vector<UChar> units(size + 1);
    int32_t length = 0;
    UErrorCode error = U_ZERO_ERROR;
    u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &length, reinterpret_cast<char const*>(data),
                  static_cast<int32_t>(size), &error);
    return U_SUCCESS(error);
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    const int n = static_cast<int>(size);
    GBuffer utf16;
    const int32_t status = GUTF8Encoding::DecodeUTF8(data, n, utf16);
    Check(status == GEncoding::kConvertOK || status == GEncoding::kConvertLossy || status == GEncoding::kConvertFailed);
    Check(utf16.GetLength() % 2 == 0 && utf16.GetLength() <= 2 * n);
    Check((status == GEncoding::kConvertLossy) == (status != GEncoding::kConvertFailed && std::memchr(data, 0, size) != nullptr));

    if (!HasLenientForms(data, size)) {
        Check((status != GEncoding::kConvertFailed) == ICUAccepts(data, size));
        GBuffer back;
        GUTF8Encoding::EncodeUTF16(utf16.GetPtr(), utf16.GetLength(), back);
        if (status != GEncoding::kConvertFailed)
            Check(back.GetLength() == n && std::memcmp(back.GetPtr(), data, size) == 0);
        else
            Check(back.GetLength() < n && std::memcmp(back.GetPtr(), data, static_cast<std::size_t>(back.GetLength())) == 0);
    }

    GBuffer utf8;
    GUTF8Encoding::EncodeUTF16(data, n, utf8);
    GBuffer units;
    const int32_t roundTrip = GUTF8Encoding::DecodeUTF8(utf8.GetPtr(), utf8.GetLength(), units);
    Check(roundTrip != GEncoding::kConvertFailed);
    Check(units.GetLength() == (n & ~1) && std::memcmp(units.GetPtr(), data, static_cast<std::size_t>(n & ~1)) == 0);
    return 0;
}
