// GBuffer's readers of outside text (numbers) and its search and replace, checked against
// plain reference implementations on the same bytes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/bytes/GBuffer.h"

namespace {

// Reference replace: left to right, resuming after each inserted copy.
std::string ReplaceAll(std::string text, std::string const& what, std::string const& with, std::size_t start) {
    if (what.empty())
        return text;
    for (std::size_t at = text.find(what, start); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    // Borrowed without a terminator: the readers must stay inside the length.
    GBuffer whole;
    whole.TakeByteArray(data, static_cast<int>(size), static_cast<int>(size));
    double real = whole.GetReal();
    (void)whole.GetInt32();
    (void)whole.GetUInt32();
    (void)whole.GetInt64();

    GBuffer text;
    text.SetWithHighPrecision(real);
    text.SetWithPrecision(real, static_cast<int>(size % 20));
    text.Set(real);
    // Six decimals, rounded half up: the text reads back within a millionth.
    if (std::isfinite(real) && std::fabs(real) < 1e15 &&
        std::fabs(GBuffer(real).GetReal() - real) > 1e-6 + std::fabs(real) * 1e-15)
        std::abort();

    // hay | what | with, split at the first two 0xFF bytes.
    std::string_view all(reinterpret_cast<char const*>(data), size);
    std::size_t a = all.find('\xFF');
    std::size_t b = a == std::string_view::npos ? a : all.find('\xFF', a + 1);
    if (b == std::string_view::npos)
        return 0;
    std::string hay(all.substr(0, a));
    std::string what(all.substr(a + 1, b - a - 1));
    std::string with(all.substr(b + 1));
    std::size_t start = hay.empty() ? 0 : static_cast<unsigned char>(what.empty() ? 0 : what[0]) % (hay.size() + 1);

    GBuffer h(reinterpret_cast<unsigned char const*>(hay.data()), static_cast<int>(hay.size()));
    GBuffer w(reinterpret_cast<unsigned char const*>(what.data()), static_cast<int>(what.size()));
    GBuffer r(reinterpret_cast<unsigned char const*>(with.data()), static_cast<int>(with.size()));
    std::size_t expected = std::string_view(hay).find(what, start);
    int found = h.FindSubBuffer(w, static_cast<int>(start));
    if (!what.empty() && found != (expected == std::string_view::npos ? -1 : static_cast<int>(expected)))
        std::abort();
    h.FindAndReplace(static_cast<int>(start), w, r);
    if (Text(h) != ReplaceAll(hay, what, with, start))
        std::abort();
    return 0;
}
