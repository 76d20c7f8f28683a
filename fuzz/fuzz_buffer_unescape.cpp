// The readers of quoted strings: unescaping any bytes or units stays inside the text, and
// escaping then unescaping gives the text back with every line end as the platform's CR.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/support/GBufferSupport.h"
#include "support/LineEndsAsCR.h"

namespace {

std::string Bytes(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

std::u16string Units(GBuffer const& b) {
    std::u16string units(static_cast<std::size_t>(b.GetLength() / 2), u'\0');
    if (!units.empty())
        std::memcpy(&units[0], b.GetPtr(), units.size() * 2);
    return units;
}

GBuffer FromUnits(std::u16string const& units) {
    return GBuffer(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    // Borrowed without a terminator: the readers must stay inside the length.
    GBuffer borrowed;
    borrowed.TakeByteArray(data, static_cast<int>(size), static_cast<int>(size));
    GBuffer ascii = borrowed;
    GBufferSupport::ASCIIReplaceEscapeCodes(ascii);
    GBuffer uni = borrowed;
    GBufferSupport::UniReplaceEscapeCodes(uni);
    if (ascii.GetLength() > static_cast<int>(size) || uni.GetLength() > static_cast<int>(size))
        std::abort();
    if (uni.GetLength() % 2 != static_cast<int>(size % 2))
        std::abort();

    std::string text(reinterpret_cast<char const*>(data), size);
    GBuffer bytes = borrowed;
    GBufferSupport::ASCIIReplaceSpecialChars(bytes);
    GBufferSupport::ASCIIReplaceEscapeCodes(bytes);
    if (Bytes(bytes) != LineEndsAsCR(text))
        std::abort();

    std::u16string units = Units(borrowed);
    GBuffer unitText = FromUnits(units);
    GBufferSupport::UniReplaceSpecialChars(unitText);
    GBufferSupport::UniReplaceEscapeCodes(unitText);
    if (Units(unitText) != LineEndsAsCR(units))
        std::abort();
    return 0;
}
