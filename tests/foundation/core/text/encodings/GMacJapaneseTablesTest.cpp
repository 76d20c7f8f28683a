#include "core/text/encodings/generated/GMacJapaneseTables.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

std::vector<uint16_t> Units(const GMacJapaneseMapping& m)
{
    return std::vector<uint16_t>(m.unicode, m.unicode + m.unicodeLength);
}

const GMacJapaneseMapping* Decode(uint16_t code)
{
    const auto* end = cMacJapaneseToUnicode + cMacJapaneseMappingCount;
    const auto* it = std::lower_bound(cMacJapaneseToUnicode, end, code,
                                      [](const GMacJapaneseMapping& m, uint16_t c) { return m.code < c; });
    return (it != end && it->code == code) ? it : nullptr;
}

const GMacJapaneseMapping* Encode(const std::vector<uint16_t>& units)
{
    const auto* end = cUnicodeToMacJapanese + cMacJapaneseMappingCount;
    const auto* it = std::lower_bound(cUnicodeToMacJapanese, end, units,
                                      [](const GMacJapaneseMapping& m, const std::vector<uint16_t>& u) {
                                          return Units(m) < u;
                                      });
    return (it != end && Units(*it) == units) ? it : nullptr;
}

bool IsLead(int b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

TEST(GMacJapaneseTables, BothDirectionsHoldTheSameSortedMappings)
{
    for (int i = 0; i < cMacJapaneseMappingCount; ++i) {
        const GMacJapaneseMapping& m = cMacJapaneseToUnicode[i];
        ASSERT_GE(m.unicodeLength, 1);
        ASSERT_LE(m.unicodeLength, cMacJapaneseMaxUnicodeLength);
        if (i > 0) {
            EXPECT_LT(cMacJapaneseToUnicode[i - 1].code, m.code);
            EXPECT_LT(Units(cUnicodeToMacJapanese[i - 1]), Units(cUnicodeToMacJapanese[i]));
        }
        if (m.code < 0x100) {
            EXPECT_FALSE(IsLead(m.code)) << std::hex << m.code;
        } else {
            const int trail = m.code & 0xFF;
            EXPECT_TRUE(IsLead(m.code >> 8)) << std::hex << m.code;
            EXPECT_TRUE((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)) << std::hex << m.code;
        }
        const GMacJapaneseMapping* back = Encode(Units(m));
        ASSERT_NE(back, nullptr) << std::hex << m.code;
        EXPECT_EQ(back->code, m.code);
    }
}

TEST(GMacJapaneseTables, KnownMappings)
{
    struct Case {
        uint16_t code;
        std::vector<uint16_t> units;
    };
    const Case cases[] = {
        {0x82A0, {0x3042}}, {0x0041, {0x0041}}, {0x005C, {0x00A5}}, {0x0080, {0x005C}}, {0x007F, {0x007F}},
        {0x00A0, {0x00A0}}, {0x00B1, {0xFF71}}, {0x00FD, {0x00A9}}, {0x00FF, {0x2026, 0xF87F}},
        {0x8140, {0x3000}}, {0x889F, {0x4E9C}}, {0x8591, {0xF860, 0x0030, 0x002E}},
        {0x85AB, {0xF862, 0x0058, 0x0049, 0x0049, 0x0049}},
    };
    for (const Case& c : cases) {
        const GMacJapaneseMapping* m = Decode(c.code);
        ASSERT_NE(m, nullptr) << std::hex << c.code;
        EXPECT_EQ(Units(*m), c.units) << std::hex << c.code;
        const GMacJapaneseMapping* e = Encode(c.units);
        ASSERT_NE(e, nullptr) << std::hex << c.code;
        EXPECT_EQ(e->code, c.code);
    }
    for (uint16_t unmapped : {0x0081, 0x00A0 + 0x0100, 0x8140 - 1, 0xFCFD})
        EXPECT_EQ(Decode(unmapped), nullptr) << std::hex << unmapped;
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// Kana and the JIS X 0208 kanji are the same in every Shift-JIS; only Apple's symbol rows differ.
TEST(GMacJapaneseTables, KanaAndKanjiAgreeWithIcuShiftJIS)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open("Shift_JIS", &status));
    ASSERT_TRUE(U_SUCCESS(status));
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    int compared = 0;
    for (const GMacJapaneseMapping& m : cMacJapaneseToUnicode) {
        const int lead = m.code >> 8;
        const bool kana = lead >= 0x82 && lead <= 0x84;
        const bool kanji = (lead == 0x88 && (m.code & 0xFF) >= 0x9F) || (lead >= 0x89 && lead <= 0x9F) ||
                           (lead >= 0xE0 && lead <= 0xEA);
        if (!kana && !kanji)
            continue;
        const char bytes[2] = {static_cast<char>(lead), static_cast<char>(m.code & 0xFF)};
        UChar out[4] = {};
        status = U_ZERO_ERROR;
        ucnv_reset(converter.get());
        const int32_t n = ucnv_toUChars(converter.get(), out, 4, bytes, 2, &status);
        ASSERT_TRUE(U_SUCCESS(status)) << std::hex << m.code;
        EXPECT_EQ(std::vector<uint16_t>(out, out + n), Units(m)) << std::hex << m.code;
        ++compared;
    }
    EXPECT_GT(compared, 6700);
}

} // namespace
