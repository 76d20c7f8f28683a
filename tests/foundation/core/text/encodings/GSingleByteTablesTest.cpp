#include "core/text/encodings/generated/GGlyphListTables.h"
#include "core/text/encodings/generated/GSingleByteTables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <string>

#include "support/SingleByteTestSetup.h"

namespace {

// Glyph name -> value, from the glyph-list table (first row wins, as in the lookups built on it).
const std::map<std::string, uint16_t>& GlyphValues()
{
    static const std::map<std::string, uint16_t> values = [] {
        std::map<std::string, uint16_t> m;
        for (const GGlyphNameRow& row : cUnicodeGlyphNames)
            m.emplace(row.name, row.unicode);
        return m;
    }();
    return values;
}

void ExpectMatchesIcu(const uint16_t (&table)[256], const char* converter, const std::map<int, int>& deltas)
{
    const std::map<int, int> icu = IcuToUnicode(converter);
    ASSERT_EQ(icu.size(), 256u) << converter;
    for (int b = 0; b < 256; ++b) {
        const auto delta = deltas.find(b);
        const int expected = delta != deltas.end() ? delta->second : icu.at(b);
        EXPECT_EQ(table[b], expected) << converter << " byte 0x" << std::hex << b;
    }
}

TEST(GSingleByteTables, WinAnsiIsWindows1252WithTheDocumentedDeltas)
{
    std::map<int, int> deltas;
    for (int b = 0x01; b < 0x20; ++b)
        deltas[b] = 0; // controls have no value...
    for (int b : {0x09, 0x0A, 0x0D})
        deltas.erase(b); // ...except tab, line feed and carriage return
    for (int b : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D})
        deltas[b] = 0x2022;
    deltas[0xA0] = 0x0020;
    deltas[0xAD] = 0x002D;
    ExpectMatchesIcu(cWinAnsiToUnicode, "windows-1252", deltas);
    EXPECT_EQ(cWinAnsiToUnicode[0x80], 0x20AC);
    EXPECT_EQ(cWinAnsiToUnicode[0x95], 0x2022);
}

TEST(GSingleByteTables, MacRomanIsMacOSRomanWithTheDocumentedDeltas)
{
    std::map<int, int> deltas;
    for (int b : {0xAD, 0xB0, 0xB2, 0xB3, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBD, 0xC3, 0xC5, 0xC6, 0xD7, 0xF0})
        deltas[b] = 0;
    deltas[0xCA] = 0x0020;
    deltas[0xDB] = 0x00A4;
    ExpectMatchesIcu(cMacRomanToUnicode, "macintosh", deltas);
    EXPECT_EQ(cMacRomanToUnicode[0x00], 0);
    EXPECT_EQ(cMacRomanToUnicode[0x01], 0x01);
    EXPECT_EQ(cMacRomanToUnicode[0x7F], 0x7F);
}

TEST(GSingleByteTables, PDFDocEncoding)
{
    for (int b = 0xA1; b < 0x100; ++b) {
        if (b != 0xAD) {
            EXPECT_EQ(cPDFDocToUnicode[b], b) << std::hex << b; // Latin-1 from 0xA1 up
        }
    }
    for (int b = 0x20; b < 0x7F; ++b)
        EXPECT_EQ(cPDFDocToUnicode[b], b) << std::hex << b;
    const std::map<int, int> spots = {
        {0x09, 0x0009}, {0x0A, 0x000A}, {0x0D, 0x000D}, {0x18, 0x02D8}, {0x19, 0x02C7}, {0x1A, 0x02C6},
        {0x1B, 0x02D9}, {0x1C, 0x02DD}, {0x1D, 0x02DB}, {0x1E, 0x02DA}, {0x1F, 0x02DC}, {0x80, 0x2022},
        {0x86, 0x0192}, {0x87, 0x00F7}, {0x8A, 0x002D}, {0x92, 0x2122}, {0x93, 0xFB01}, {0x9E, 0x017E},
        {0xA0, 0x20AC},
    };
    for (const auto& [b, u] : spots)
        EXPECT_EQ(cPDFDocToUnicode[b], u) << std::hex << b;
    for (int b = 0x00; b < 0x18; ++b) {
        if (b != 0x09 && b != 0x0A && b != 0x0D) {
            EXPECT_EQ(cPDFDocToUnicode[b], 0) << std::hex << b;
        }
    }
    for (int b : {0x7F, 0x9F, 0xAD})
        EXPECT_EQ(cPDFDocToUnicode[b], 0) << std::hex << b;
}

TEST(GSingleByteTables, ASCII)
{
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(cASCIIToUnicode[b], (b >= 0x07 && b <= 0x7F) ? b : 0) << std::hex << b;
}

TEST(GSingleByteTables, LatinRowsAgreeWithTheVectorsAndCounts)
{
    int counts[4] = {};
    const char* const* vectors[4] = {cStandardEncodingVector, cMacRomanEncodingVector, cWinAnsiEncodingVector,
                                     cPDFDocEncodingVector};
    int vectorEntries[4] = {};
    for (const GLatinGlyphRow& row : cLatinGlyphNames) {
        const uint8_t codes[4] = {row.standardCode, row.macRomanCode, row.winAnsiCode, row.pdfDocCode};
        for (int e = 0; e < 4; ++e) {
            if (codes[e] == 0)
                continue;
            ++counts[e];
            ASSERT_NE(vectors[e][codes[e]], nullptr) << row.name;
            EXPECT_STREQ(vectors[e][codes[e]], row.name);
        }
    }
    for (int e = 0; e < 4; ++e) {
        for (int b = 0; b < 256; ++b)
            vectorEntries[e] += vectors[e][b] != nullptr;
        EXPECT_EQ(vectorEntries[e], counts[e]) << "encoding " << e;
    }
    EXPECT_EQ(counts[0], 149);
    EXPECT_EQ(counts[1], 208);
    EXPECT_EQ(counts[2], 218);
    EXPECT_EQ(counts[3], 229);

    EXPECT_STREQ(cLatinGlyphNames[0].name, "A");
    EXPECT_STREQ(cLatinGlyphNames[228].name, "zero");
    const GLatinGlyphRow& hyphen = cLatinGlyphNames[229];
    EXPECT_STREQ(hyphen.name, "hyphen");
    EXPECT_EQ((std::array<int, 4>{hyphen.standardCode, hyphen.macRomanCode, hyphen.winAnsiCode, hyphen.pdfDocCode}),
              (std::array<int, 4>{0, 0, 0xAD, 0}));
    const GLatinGlyphRow& space = cLatinGlyphNames[230];
    EXPECT_STREQ(space.name, "space");
    EXPECT_EQ((std::array<int, 4>{space.standardCode, space.macRomanCode, space.winAnsiCode, space.pdfDocCode}),
              (std::array<int, 4>{0, 0xCA, 0xA0, 0}));
    for (int i = 1; i < 229; ++i)
        EXPECT_LT(std::strcmp(cLatinGlyphNames[i - 1].name, cLatinGlyphNames[i].name), 0) << i;
}

TEST(GSingleByteTables, GlyphNamesGiveTheUnicodeValues)
{
    // The to-Unicode tables follow the glyph names, except where the encoding deliberately differs.
    const std::map<int, int> pdfDocExceptions = {{0x87, 0x00F7}, {0x8A, 0x002D}};
    for (int b = 0; b < 256; ++b) {
        if (cMacRomanEncodingVector[b]) {
            EXPECT_EQ(cMacRomanToUnicode[b], GlyphValues().at(cMacRomanEncodingVector[b])) << std::hex << b;
        }
        if (cWinAnsiEncodingVector[b]) {
            EXPECT_EQ(cWinAnsiToUnicode[b], GlyphValues().at(cWinAnsiEncodingVector[b])) << std::hex << b;
        }
        if (cPDFDocEncodingVector[b] && !pdfDocExceptions.count(b)) {
            EXPECT_EQ(cPDFDocToUnicode[b], GlyphValues().at(cPDFDocEncodingVector[b])) << std::hex << b;
        }
    }
    EXPECT_STREQ(cStandardEncodingVector[0xE1], "AE");
    EXPECT_EQ(GlyphValues().at("AE"), 0x00C6);
    EXPECT_EQ(cStandardEncodingVector[0x80], nullptr);
    EXPECT_STREQ(cMacRomanEncodingVector[0xCA], "space");
    EXPECT_STREQ(cWinAnsiEncodingVector[0x95], "bullet");
    EXPECT_EQ(cWinAnsiEncodingVector[0x81], nullptr);
}

TEST(GSingleByteTables, MacExpert)
{
    int privateUse = 0;
    int vectorEntries = 0;
    for (int i = 0; i < cMacExpertGlyphRowCount; ++i) {
        const GMacExpertGlyphRow& row = cMacExpertGlyphNames[i];
        if (i > 0) {
            EXPECT_LT(cMacExpertGlyphNames[i - 1].code, row.code);
        }
        EXPECT_STREQ(cMacExpertEncodingVector[row.code], row.name);
        const auto value = GlyphValues().find(row.name);
        ASSERT_NE(value, GlyphValues().end()) << row.name;
        privateUse += value->second >= 0xE000 && value->second <= 0xF8FF;
    }
    for (const char* name : cMacExpertEncodingVector)
        vectorEntries += name != nullptr;
    EXPECT_EQ(cMacExpertGlyphRowCount, 165);
    EXPECT_EQ(vectorEntries, 165);
    EXPECT_EQ(privateUse, 115);
    EXPECT_STREQ(cMacExpertEncodingVector[0xBE], "AEsmall");
    EXPECT_STREQ(cMacExpertEncodingVector[0x30], "zerooldstyle");
}

void ExpectReverseOf(const uint8_t (&reverse)[256], const uint16_t (&forward)[256], int skipFrom, int skipTo)
{
    uint8_t expected[256] = {};
    for (int b = 0; b < 256; ++b) {
        if (b >= skipFrom && b <= skipTo)
            continue;
        const uint16_t v = forward[b];
        if (v >= 1 && v <= 255 && expected[v] == 0)
            expected[v] = static_cast<uint8_t>(b);
    }
    for (int u = 0; u < 256; ++u)
        EXPECT_EQ(reverse[u], expected[u]) << std::hex << u;
}

TEST(GSingleByteTables, ReverseTablesGiveTheLowestByte)
{
    ExpectReverseOf(cUnicodeToMacRoman, cMacRomanToUnicode, -1, -1);
    ExpectReverseOf(cUnicodeToWinAnsi, cWinAnsiToUnicode, 0x7F, 0x9F);
    ExpectReverseOf(cUnicodeToPDFDoc, cPDFDocToUnicode, -1, -1);
    EXPECT_EQ(cUnicodeToMacRoman[0x20], 0x20);
    EXPECT_EQ(cUnicodeToWinAnsi[0x20], 0x20);
    EXPECT_EQ(cUnicodeToWinAnsi[0x2D], 0x2D);
    EXPECT_EQ(cUnicodeToPDFDoc[0xF7], 0x87);
    for (int u : {0xA0, 0xAD}) {
        EXPECT_EQ(cUnicodeToMacRoman[u], 0) << std::hex << u;
        EXPECT_EQ(cUnicodeToWinAnsi[u], 0) << std::hex << u;
    }
}

} // namespace
