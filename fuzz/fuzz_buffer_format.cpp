// GBuffer::Set(double, format) over outside formats: the first 8 bytes are the value, the rest the
// format. Any format must end quickly within bounded memory, give a terminated text or none, and
// give the same text when the format is the target buffer itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/bytes/GBuffer.h"

namespace {

std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

// The rule applied after printing: with a point and no exponent, trailing zeros and then a final
// point are cut.
std::string CutZeros(std::string text) {
    if (text.find('.') == std::string::npos || text.find_first_of("eE") != std::string::npos)
        return text;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < sizeof(double) || size > 4096)
        return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    auto const* formatBytes = data + sizeof value;
    int const formatLength = static_cast<int>(size - sizeof value);
    GBuffer const format(formatBytes, formatLength);

    GBuffer text("previous");
    text.Set(value, format);
    if (!text.IsEmpty() && (!text.IsOwned() || text.GetPtr()[text.GetLength()] != 0))
        std::abort();
    // Literal text and one conversion of at most 1024 columns or digits (plus the integer
    // digits of the largest double, a sign, a point and an exponent).
    if (text.GetLength() > formatLength + 1400)
        std::abort();

    // The format is read as a C text: up to its first zero byte.
    std::string const formatText(reinterpret_cast<char const*>(format.GetPtr()));
    if (formatText.find('%') == std::string::npos && Text(text) != CutZeros(formatText))
        std::abort();

    GBuffer self(format);
    self.Set(value, self);
    if (Text(self) != Text(text))
        std::abort();
    GBuffer again;
    again.Set(value, format);
    if (Text(again) != Text(text))
        std::abort();
    return 0;
}
