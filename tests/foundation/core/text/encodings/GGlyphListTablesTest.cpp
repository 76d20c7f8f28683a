#include "core/text/encodings/generated/GGlyphListTables.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// The glyph lists the tables were generated from, in the shared data folder CTest names.
std::string GlyphListFolder()
{
    char const* data = std::getenv("TROVEL_SHARED_DATA");
    return std::string(data != nullptr ? data : "") + "/glyphlists/";
}

// name;value rows of a glyph list file whose value is one code point, in file order.
std::vector<std::pair<std::string, uint16_t>> ReadSingleValueRows(const std::string& path)
{
    std::vector<std::pair<std::string, uint16_t>> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const size_t semicolon = line.find(';');
        const std::string values = line.substr(semicolon + 1);
        if (values.find(' ') != std::string::npos)
            continue;
        rows.emplace_back(line.substr(0, semicolon), static_cast<uint16_t>(std::stoul(values, nullptr, 16)));
    }
    return rows;
}

const GGlyphNameRow* FindRow(const char* name)
{
    for (const GGlyphNameRow& row : cUnicodeGlyphNames) {
        if (std::strcmp(row.name, name) == 0)
            return &row;
    }
    return nullptr;
}

TEST(GGlyphListTables, TheGlyphListPartHas4200SortedRows)
{
    EXPECT_EQ(cAdobeGlyphListRowCount, 4200);
    EXPECT_STREQ(cUnicodeGlyphNames[0].name, "A");
    EXPECT_STREQ(cUnicodeGlyphNames[cAdobeGlyphListRowCount - 1].name, "zukatakana");
    for (int i = 1; i < cAdobeGlyphListRowCount; ++i)
        ASSERT_LT(std::strcmp(cUnicodeGlyphNames[i - 1].name, cUnicodeGlyphNames[i].name), 0) << i;
}

TEST(GGlyphListTables, MatchesTheGlyphListFiles)
{
    const std::string folder = GlyphListFolder();
    const auto agl = ReadSingleValueRows(folder + "glyphlist.txt");
    const auto dingbats = ReadSingleValueRows(folder + "zapfdingbats.txt");
    if (agl.empty())
        GTEST_SKIP() << "glyph list sources not found in " << folder;
    ASSERT_EQ(agl.size(), 4200u);
    for (int i = 0; i < cAdobeGlyphListRowCount; ++i) {
        EXPECT_EQ(cUnicodeGlyphNames[i].name, agl[i].first);
        EXPECT_EQ(cUnicodeGlyphNames[i].unicode, agl[i].second) << agl[i].first;
    }
    // Each dingbat: its character name where it has one, then its number name.
    ASSERT_EQ(dingbats.size(), static_cast<size_t>(cZapfDingbatsCount));
    int row = cAdobeGlyphListRowCount;
    for (const auto& [name, value] : dingbats) {
        char charName[128] = {};
        UErrorCode status = U_ZERO_ERROR;
        u_charName(value, U_UNICODE_CHAR_NAME, charName, sizeof charName, &status);
        ASSERT_TRUE(U_SUCCESS(status));
        if (charName[0] != '\0') {
            ASSERT_LT(row, cUnicodeGlyphNameRowCount);
            EXPECT_STREQ(cUnicodeGlyphNames[row].name, charName);
            EXPECT_EQ(cUnicodeGlyphNames[row].unicode, value);
            ++row;
        }
        ASSERT_LT(row, cUnicodeGlyphNameRowCount);
        EXPECT_EQ(cUnicodeGlyphNames[row].name, name);
        EXPECT_EQ(cUnicodeGlyphNames[row].unicode, value);
        ++row;
    }
    EXPECT_EQ(row, cUnicodeGlyphNameRowCount);
}

TEST(GGlyphListTables, KnownRows)
{
    const std::map<std::string, uint16_t> known = {
        {"space", 0x0020},   {"spacehackarabic", 0x0020}, {"nbspace", 0x00A0}, {"nonbreakingspace", 0x00A0},
        {"ffi", 0xFB03},     {"afii10017", 0x0410},       {"AEsmall", 0xF7E6}, {"Euro", 0x20AC},
        {"ahiragana", 0x3042}, {"T", 0x0054},             {"h", 0x0068},       {"bullet", 0x2022},
        {"UPPER BLADE SCISSORS", 0x2701}, {"a1", 0x2701}, {"a191", 0x27BE},
    };
    for (const auto& [name, value] : known) {
        const GGlyphNameRow* row = FindRow(name.c_str());
        ASSERT_NE(row, nullptr) << name;
        EXPECT_EQ(row->unicode, value) << name;
    }
    for (const char* absent : {"uni0041", "f_f_i", "A.sc", "dalethatafpatah", ".notdef"})
        EXPECT_EQ(FindRow(absent), nullptr) << absent;
    // The dingbat's character name comes right before its number name.
    const GGlyphNameRow* scissors = FindRow("UPPER BLADE SCISSORS");
    ASSERT_NE(scissors, nullptr);
    EXPECT_STREQ(scissors[1].name, "a1");
}

TEST(GGlyphListTables, NamesAreUniqueAndCountsHold)
{
    std::set<std::string> names;
    std::map<uint16_t, int> namesPerValue;
    for (const GGlyphNameRow& row : cUnicodeGlyphNames) {
        EXPECT_TRUE(names.insert(row.name).second) << row.name;
        ++namesPerValue[row.unicode];
    }
    int multi = 0;
    for (const auto& entry : namesPerValue)
        multi += entry.second > 1;
    EXPECT_EQ(static_cast<int>(namesPerValue.size()), cGlyphNameValueCount);
    EXPECT_EQ(multi, cGlyphNameMultiNameValueCount);
    EXPECT_EQ(cGlyphNameValueCount - multi, cGlyphNameSingleNameValueCount);
    EXPECT_EQ(cAdobeGlyphListRowCount + cZapfDingbatsRowCount, cUnicodeGlyphNameRowCount);
}

} // namespace
