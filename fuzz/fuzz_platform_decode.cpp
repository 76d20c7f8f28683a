// The platform decoders on outside bytes: the first byte picks the code page, the rest is the
// text. A decoding is whole or nothing, and what decodes must encode back to a text that decodes
// the same (Mac Japanese, our own table, back to the very bytes).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "standin/StandinStringEncoding.h"

namespace {

constexpr int cEncodings[] = {
    StandinStringEncoding::kMacJapanese, StandinStringEncoding::kMacRoman,
    StandinStringEncoding::kDOSChineseSimplified, StandinStringEncoding::kShiftJIS,
    StandinStringEncoding::kGB18030, StandinStringEncoding::kUTF8,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < 1 || size > 1 << 16)
        return 0;
    const int encoding = cEncodings[data[0] % (sizeof cEncodings / sizeof cEncodings[0])];
    std::u16string units;
    if (!StandinStringEncoding::Decode(encoding, data + 1, size - 1, units)) {
        if (!units.empty())
            std::abort();
        return 0;
    }
    std::string bytes;
    if (StandinStringEncoding::Encode(encoding, units.data(), units.size(), bytes) != units.size())
        std::abort();
    std::u16string again;
    if (!StandinStringEncoding::Decode(encoding, reinterpret_cast<unsigned char const*>(bytes.data()), bytes.size(),
                                       again) ||
        again != units)
        std::abort();
    if (encoding == StandinStringEncoding::kMacJapanese &&
        bytes != std::string(reinterpret_cast<char const*>(data + 1), size - 1))
        std::abort();
    for (auto form : {StandinStringEncoding::NormalizationForm::kC, StandinStringEncoding::NormalizationForm::kKC}) {
        std::u16string normal = units;
        StandinStringEncoding::Normalize(normal, form);
    }
    return 0;
}
