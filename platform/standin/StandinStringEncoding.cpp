#include "standin/StandinStringEncoding.h"

#include <unicode/ucnv.h>
#include <unicode/unorm2.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>

#include "core/text/encodings/generated/GMacJapaneseTables.h"

namespace {

std::atomic<int> sSystemEncoding{StandinStringEncoding::kMacRoman};

// ICU's tables for the numbers that ICU converts. Names are ICU's canonical ones where its
// aliases are ambiguous ("Shift_JIS", "windows-1252" and "windows-936" name several tables).
struct IcuEncoding {
    int number;
    char const* name;
};

constexpr IcuEncoding cIcuEncodings[] = {
    {StandinStringEncoding::kMacRoman, "macintosh"},
    {StandinStringEncoding::kMacGreek, "x-mac-greek"},
    {StandinStringEncoding::kMacCyrillic, "x-mac-cyrillic"},
    {StandinStringEncoding::kMacCentralEurRoman, "x-mac-centraleurroman"},
    {StandinStringEncoding::kMacTurkish, "x-mac-turkish"},
    {StandinStringEncoding::kISOLatin1, "ISO-8859-1"},
    // Windows-31J: plain Shift-JIS with Microsoft's rows, 0x5C and 0x7E as in ASCII.
    {StandinStringEncoding::kDOSJapanese, "ibm-943_P15A-2003"},
    {StandinStringEncoding::kShiftJIS, "ibm-943_P15A-2003"},
    // Code page 936 (GBK).
    {StandinStringEncoding::kDOSChineseSimplified, "windows-936-2000"},
    {StandinStringEncoding::kWindowsLatin1, "ibm-5348_P100-1997"},
    {StandinStringEncoding::kASCII, "US-ASCII"},
    {StandinStringEncoding::kGB18030, "gb18030"},
    {StandinStringEncoding::kUTF8, "UTF-8"},
};

char const* IcuName(int encoding) {
    for (IcuEncoding const& e : cIcuEncodings)
        if (e.number == encoding)
            return e.name;
    return nullptr;
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A converter that stops at the first byte sequence or character it cannot convert.
Converter OpenStopping(char const* name) {
    UErrorCode error = U_ZERO_ERROR;
    Converter converter(ucnv_open(name, &error));
    if (U_FAILURE(error))
        return nullptr;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    if (U_FAILURE(error))
        return nullptr;
    return converter;
}

bool IsStop(UErrorCode error) {
    return error == U_INVALID_CHAR_FOUND || error == U_ILLEGAL_CHAR_FOUND || error == U_TRUNCATED_CHAR_FOUND;
}

bool DecodeWithIcu(char const* name, unsigned char const* bytes, std::size_t n, std::u16string& units) {
    Converter converter = OpenStopping(name);
    if (!converter)
        return false;
    char const* src = reinterpret_cast<char const*>(bytes);
    char const* const srcEnd = src + n;
    units.resize(n + 16);
    std::size_t written = 0;
    UErrorCode error = U_ZERO_ERROR;
    for (;;) {
        UChar* target = &units[0] + written;
        ucnv_toUnicode(converter.get(), &target, &units[0] + units.size(), &src, srcEnd, nullptr, true, &error);
        written = static_cast<std::size_t>(target - &units[0]);
        if (error != U_BUFFER_OVERFLOW_ERROR)
            break;
        error = U_ZERO_ERROR;
        units.resize(units.size() * 2);
    }
    if (U_FAILURE(error)) {
        units.clear();
        return false;
    }
    units.resize(written);
    return true;
}

std::size_t EncodeWithIcu(char const* name, char16_t const* units, std::size_t n, std::string& bytes) {
    bytes.clear();
    Converter converter = OpenStopping(name);
    if (!converter)
        return 0;
    UChar const* src = units;
    UChar const* const srcEnd = units + n;
    bytes.resize(n * 2 + 16);
    std::size_t written = 0;
    UErrorCode error = U_ZERO_ERROR;
    for (;;) {
        char* target = &bytes[0] + written;
        ucnv_fromUnicode(converter.get(), &target, &bytes[0] + bytes.size(), &src, srcEnd, nullptr, true, &error);
        written = static_cast<std::size_t>(target - &bytes[0]);
        if (error != U_BUFFER_OVERFLOW_ERROR)
            break;
        error = U_ZERO_ERROR;
        bytes.resize(bytes.size() * 2);
    }
    bytes.resize(written);
    std::size_t consumed = static_cast<std::size_t>(src - units);
    if (U_SUCCESS(error))
        return consumed;
    if (!IsStop(error)) {
        bytes.clear();
        return 0;
    }
    // The converter has taken in the character it stopped at; it was not converted.
    UChar invalid[8];
    int8_t invalidLength = 8;
    UErrorCode ignored = U_ZERO_ERROR;
    ucnv_getInvalidUChars(converter.get(), invalid, &invalidLength, &ignored);
    if (U_SUCCESS(ignored))
        consumed -= std::min<std::size_t>(consumed, static_cast<std::size_t>(invalidLength));
    return consumed;
}

// ---- Mac Japanese, through the generated tables ----

bool IsMacJapaneseLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

GMacJapaneseMapping const* FindCode(uint16_t code) {
    GMacJapaneseMapping const* const end = cMacJapaneseToUnicode + cMacJapaneseMappingCount;
    GMacJapaneseMapping const* it = std::lower_bound(
        cMacJapaneseToUnicode, end, code, [](GMacJapaneseMapping const& m, uint16_t c) { return m.code < c; });
    return (it != end && it->code == code) ? it : nullptr;
}

// The user-defined area: lead bytes F0 to FC with the 188 trail bytes 40-7E and 80-FC each, in
// order onto the private-use characters U+E000 to U+E98B, as the system's own table maps them.
constexpr unsigned char cUserDefinedFirstLead = 0xF0;
constexpr unsigned char cUserDefinedLastLead = 0xFC;
constexpr int cUserDefinedTrailsPerLead = 188;
constexpr char16_t cUserDefinedFirstUnit = 0xE000;
constexpr char16_t cUserDefinedLastUnit =
    cUserDefinedFirstUnit + (cUserDefinedLastLead - cUserDefinedFirstLead + 1) * cUserDefinedTrailsPerLead - 1;
static_assert(cUserDefinedLastUnit == 0xE98B, "F040-FCFC ends at U+E98B");

// The private-use unit of a user-defined code, or 0 when the code is none.
char16_t UserDefinedUnit(uint16_t code) {
    const unsigned lead = code >> 8;
    const unsigned trail = code & 0xFF;
    if (lead < cUserDefinedFirstLead || lead > cUserDefinedLastLead || trail < 0x40 || trail == 0x7F || trail > 0xFC)
        return 0;
    const unsigned index = trail < 0x7F ? trail - 0x40 : trail - 0x41;
    return static_cast<char16_t>(cUserDefinedFirstUnit + (lead - cUserDefinedFirstLead) * cUserDefinedTrailsPerLead +
                                 index);
}

// The user-defined code of a private-use unit, or 0 when the unit lies outside the area.
uint16_t UserDefinedCode(char16_t unit) {
    if (unit < cUserDefinedFirstUnit || unit > cUserDefinedLastUnit)
        return 0;
    const unsigned offset = unit - cUserDefinedFirstUnit;
    const unsigned index = offset % cUserDefinedTrailsPerLead;
    const unsigned lead = cUserDefinedFirstLead + offset / cUserDefinedTrailsPerLead;
    const unsigned trail = index < 0x3F ? 0x40 + index : 0x41 + index;
    return static_cast<uint16_t>(lead << 8 | trail);
}

bool DecodeMacJapanese(unsigned char const* bytes, std::size_t n, std::u16string& units) {
    units.clear();
    units.reserve(n);
    for (std::size_t i = 0; i < n;) {
        uint16_t code = bytes[i++];
        if (IsMacJapaneseLead(static_cast<unsigned char>(code))) {
            if (i == n) {
                units.clear();
                return false;
            }
            code = static_cast<uint16_t>(code << 8 | bytes[i++]);
        }
        GMacJapaneseMapping const* m = FindCode(code);
        if (m != nullptr) {
            units.append(reinterpret_cast<char16_t const*>(m->unicode), m->unicodeLength);
            continue;
        }
        const char16_t userDefined = UserDefinedUnit(code);
        if (userDefined == 0) {
            units.clear();
            return false;
        }
        units += userDefined;
    }
    return true;
}

// The mapping with the longest unit sequence found at units[0, n); null when none starts there.
// Sequences sharing a first unit are neighbours in the table, the shorter first.
GMacJapaneseMapping const* LongestMatch(char16_t const* units, std::size_t n) {
    GMacJapaneseMapping const* const end = cUnicodeToMacJapanese + cMacJapaneseMappingCount;
    GMacJapaneseMapping const* it =
        std::lower_bound(cUnicodeToMacJapanese, end, units[0],
                         [](GMacJapaneseMapping const& m, char16_t u) { return m.unicode[0] < u; });
    GMacJapaneseMapping const* best = nullptr;
    for (; it != end && it->unicode[0] == units[0]; ++it) {
        const std::size_t length = it->unicodeLength;
        if (length > n || (best != nullptr && length <= best->unicodeLength))
            continue;
        if (std::equal(it->unicode, it->unicode + length, units))
            best = it;
    }
    return best;
}

std::size_t EncodeMacJapanese(char16_t const* units, std::size_t n, std::string& bytes) {
    bytes.clear();
    bytes.reserve(n * 2);
    std::size_t i = 0;
    while (i < n) {
        GMacJapaneseMapping const* m = LongestMatch(units + i, n - i);
        const uint16_t code = m != nullptr ? m->code : UserDefinedCode(units[i]);
        if (m == nullptr && code == 0)
            break;
        if (code > 0xFF)
            bytes.push_back(static_cast<char>(code >> 8));
        bytes.push_back(static_cast<char>(code & 0xFF));
        i += m != nullptr ? m->unicodeLength : 1;
    }
    return i;
}

// ---- UTF-16 in host order ----

bool DecodeUnicode(unsigned char const* bytes, std::size_t n, std::u16string& units) {
    units.clear();
    if (n % 2 != 0)
        return false;
    units.resize(n / 2);
    if (n != 0)
        std::memcpy(&units[0], bytes, n);
    return true;
}

std::size_t EncodeUnicode(char16_t const* units, std::size_t n, std::string& bytes) {
    bytes.assign(reinterpret_cast<char const*>(units), n * 2);
    return n;
}

UNormalizer2 const* Normalizer(StandinStringEncoding::NormalizationForm form) {
    UErrorCode error = U_ZERO_ERROR;
    UNormalizer2 const* normalizer = form == StandinStringEncoding::NormalizationForm::kKC
                                         ? unorm2_getNFKCInstance(&error)
                                         : unorm2_getNFCInstance(&error);
    return U_SUCCESS(error) ? normalizer : nullptr;
}

}  // namespace

int StandinStringEncoding::GetSystemEncoding() { return sSystemEncoding.load(); }

void StandinStringEncoding::SetSystemEncoding(int encoding) { sSystemEncoding.store(encoding); }

bool StandinStringEncoding::IsSupported(int encoding) {
    if (encoding == kMacJapanese || encoding == kUnicode)
        return true;
    char const* name = IcuName(encoding);
    return name != nullptr && OpenStopping(name) != nullptr;
}

bool StandinStringEncoding::Decode(int encoding, unsigned char const* bytes, std::size_t n, std::u16string& units) {
    units.clear();
    if (encoding == kMacJapanese)
        return DecodeMacJapanese(bytes, n, units);
    if (encoding == kUnicode)
        return DecodeUnicode(bytes, n, units);
    char const* name = IcuName(encoding);
    if (name == nullptr)
        return false;
    return DecodeWithIcu(name, bytes, n, units);
}

std::size_t StandinStringEncoding::Encode(int encoding, char16_t const* units, std::size_t n, std::string& bytes) {
    bytes.clear();
    if (n == 0)
        return 0;
    if (encoding == kMacJapanese)
        return EncodeMacJapanese(units, n, bytes);
    if (encoding == kUnicode)
        return EncodeUnicode(units, n, bytes);
    char const* name = IcuName(encoding);
    if (name == nullptr)
        return 0;
    return EncodeWithIcu(name, units, n, bytes);
}

bool StandinStringEncoding::Normalize(std::u16string& units, NormalizationForm form) {
    UNormalizer2 const* normalizer = Normalizer(form);
    if (normalizer == nullptr || units.size() > static_cast<std::size_t>(INT32_MAX))
        return false;
    const int32_t n = static_cast<int32_t>(units.size());
    UErrorCode error = U_ZERO_ERROR;
    if (unorm2_spanQuickCheckYes(normalizer, units.data(), n, &error) == n && U_SUCCESS(error))
        return true;
    // Decompositions may grow the text many times over (form KC most of all): a result that
    // does not fit is made again at the size ICU measured.
    int64_t capacity = static_cast<int64_t>(n) + n / 2 + 16;
    std::u16string result;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (capacity > INT32_MAX)
            return false;
        result.resize(static_cast<std::size_t>(capacity));
        error = U_ZERO_ERROR;
        const int32_t length =
            unorm2_normalize(normalizer, units.data(), n, &result[0], static_cast<int32_t>(capacity), &error);
        if (error == U_BUFFER_OVERFLOW_ERROR) {
            capacity = length;
            continue;
        }
        if (U_FAILURE(error))
            return false;
        result.resize(static_cast<std::size_t>(length));
        units.swap(result);
        return true;
    }
    return false;
}
