#include "mac/encodings/PMacPlatformEncoding.h"

#include <cstring>
#include <string>

#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "standin/StandinStringEncoding.h"

namespace {

// The whole UTF-16 units of a buffer, copied: a borrowed buffer need not be aligned for them.
std::u16string UnitsOf(GBuffer const& text) {
    std::u16string units(static_cast<std::size_t>(text.GetLength() / 2), u'\0');
    if (!units.empty())
        std::memcpy(&units[0], text.GetPtr(), units.size() * 2);
    return units;
}

}  // namespace

PMacPlatformEncoding::PMacPlatformEncoding()
    : PMacPlatformEncoding(PMacPlatformEncodingFactory::GetCurrentCFStringEncoding()) {}

PMacPlatformEncoding::PMacPlatformEncoding(int encoding) : mEncoding(encoding) {
    mDescription = "MacPlatformEncoding_TextEncoding";
    GBuffer number;
    number.Set(encoding);
    mDescription += number;
}

PMacPlatformEncoding::~PMacPlatformEncoding() = default;

GBuffer const& PMacPlatformEncoding::GetASCIIDescription() const { return mDescription; }

int32_t PMacPlatformEncoding::ConvertTo(GBuffer const& source, GUnicodeEncoding const*, GBuffer& output) const {
    if (source.IsEmpty()) {
        output.Clear();
        return kConvertOK;
    }
    std::u16string units;
    const bool decoded = StandinStringEncoding::Decode(mEncoding, source.GetPtr(),
                                                       static_cast<std::size_t>(source.GetLength()), units);
    if (!decoded || units.empty()) {
        output.Clear();
        return kConvertFailed;
    }
    output.Set(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2));
    return kConvertOK;
}

int32_t PMacPlatformEncoding::ConvertFromUnicode(GBuffer const& source, GBuffer& output) const {
    if (source.IsEmpty()) {
        output.Clear();
        return kConvertOK;
    }
    const std::u16string units = UnitsOf(source);
    std::string bytes;
    const std::size_t converted = StandinStringEncoding::Encode(mEncoding, units.data(), units.size(), bytes);
    output.Set(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
    if (converted == 0)
        return kConvertFailed;
    return converted < units.size() ? kConvertLossy : kConvertOK;
}

void PMacPlatformEncoding::EnsureComposedUnicode(GBuffer& text, bool compatibility) const {
    std::u16string units = UnitsOf(text);
    if (units.empty())
        return;
    const auto form = compatibility ? StandinStringEncoding::NormalizationForm::kKC
                                    : StandinStringEncoding::NormalizationForm::kC;
    if (!StandinStringEncoding::Normalize(units, form))
        return;
    GBuffer result(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2));
    if ((text.GetLength() & 1) != 0)
        result += text.GetPtr()[text.GetLength() - 1];
    text.Swap(result);
}
