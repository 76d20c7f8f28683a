#include "core/text/encodings/generated/GCompatCharTables.h"

#include <gtest/gtest.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>

#include <map>

namespace {

const GCompatCharRow* Find(uint16_t character)
{
    for (const GCompatCharRow& row : cUnicodeCompatChars) {
        if (row.character == character)
            return &row;
    }
    return nullptr;
}

TEST(GCompatCharTables, SortedAndKnownRows)
{
    EXPECT_EQ(cUnicodeCompatCharCount, 365);
    for (int i = 1; i < cUnicodeCompatCharCount; ++i)
        EXPECT_LT(cUnicodeCompatChars[i - 1].character, cUnicodeCompatChars[i].character) << i;
    const std::map<uint16_t, uint16_t> known = {
        {0x03D0, 0x03B2}, {0x00B5, 0x03BC}, {0x017F, 0x0073}, {0x00A0, 0x0020}, {0x00AD, 0x002D},
        {0x2F00, 0x4E00}, {0x3131, 0x1100}, {0x2135, 0x05D0}, {0xFE49, 0x203E}, {0xFE4D, 0x005F},
    };
    for (const auto& [character, replacement] : known) {
        const GCompatCharRow* row = Find(character);
        ASSERT_NE(row, nullptr) << std::hex << character;
        EXPECT_EQ(row->replacement, replacement) << std::hex << character;
    }
    for (uint16_t absent : {0x0041, 0xFF21, 0x2007, 0x00BD})
        EXPECT_EQ(Find(absent), nullptr) << std::hex << absent;
    int kangxi = 0;
    int hangul = 0;
    for (const GCompatCharRow& row : cUnicodeCompatChars) {
        kangxi += row.character >= 0x2F00 && row.character <= 0x2FD5;
        hangul += row.character >= 0x3131 && row.character <= 0x318E;
    }
    EXPECT_EQ(kangxi, 214);
    EXPECT_EQ(hangul, 94);
}

// The table is exactly ICU's one-character <compat> decompositions in the BMP, plus two extras.
TEST(GCompatCharTables, MatchesIcuDecompositions)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    ASSERT_TRUE(U_SUCCESS(status));
    std::map<uint16_t, uint16_t> expected = {{0x00A0, 0x0020}, {0x00AD, 0x002D}};
    for (UChar32 c = 0; c < 0x10000; ++c) {
        if (u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE) != U_DT_COMPAT)
            continue;
        icu::UnicodeString raw;
        if (nfkc->getRawDecomposition(c, raw) && raw.length() == 1)
            expected[static_cast<uint16_t>(c)] = raw.charAt(0);
    }
    std::map<uint16_t, uint16_t> actual;
    for (const GCompatCharRow& row : cUnicodeCompatChars)
        actual[row.character] = row.replacement;
    EXPECT_EQ(actual, expected);
}

} // namespace
