#include "services/strings/GStringFileReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <string>

#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "core/text/GStringPoolTable.h"
#include "support/Fixtures.h"
#include "support/StringPoolTestSetup.h"
#include "support/Watchdog.h"

namespace {

class GStringFileReaderTest : public StringPoolTest {
protected:
    // Parses bytes as a string file; returns the reader's language.
    std::string Parse(const std::string& bytes) {
        Watchdog watchdog(std::chrono::seconds(20), "parsing a string file");
        GStringFileReader reader(WriteFile("DUZtest.lng", bytes));
        reader.ParseStringFile();
        return Text(reader.GetLanguageID());
    }

    static GEncoding* EncodingOf(const char* language, int id) {
        const GStringPoolTable::Entry* entry = GStringPool::GetTable(GString(language))->FindStringForID(id);
        return entry != nullptr ? entry->second : nullptr;
    }
};

// The four fixtures hold the same German table and an English one, in four encodings.
TEST_F(GStringFileReaderTest, FixturesInEveryEncodingReadTheSameTexts) {
    struct Case {
        const char* fixture;
        std::string native;
        GEncoding* encoding;
    } const cases[] = {
        {"strings/winansi.lng", "Gr\u00fc\u00dfe", GWinAnsiEncoding::GetInstance()},
        {"strings/utf16le.lng", "Gr\u00fc\u00dfe", GUnicodeEncoding::GetInstance()},
        {"strings/utf8.lng", "Gr\u00fc\u00dfe \u65e5\u672c\u8a9e", GUTF8Encoding::GetInstance()},
        {"strings/shiftjis.lng", "\u65e5\u672c\u8a9e\u8868\u793a", GShiftJISEncoding::GetInstance()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        Reset();
        GStringPool::Initialize();
        ASSERT_NE(c.encoding, nullptr);
        EXPECT_EQ(Parse(ReadFixture(c.fixture)), "enUS");  // the last header's language
        struct Text {
            int id;
            std::string text;
        } const texts[] = {
            {100, "A"},
            {101, "B"},  // "Next,"
            {200, "one two three"},  // continued lines, joined without line ends
            {201, "after the comment"},  // given back from the token that closed the comment
            {300, "mac"},  // #ifdef of this platform's symbol
            {301, "<none>"}, {302, "<none>"}, {303, "<none>"},  // #ifdef WIN, nested block included
            {304, "not win"},
            {400, c.native + " \"quoted\" tab\tend"},
            {401, ""},  // the id apart from its comma: no text, and the comma ends the table
            {402, "<none>"},
            {999, "<none>"},  // inside a line comment
            {5, "<none>"},  // before any table
        };
        for (const Text& t : texts)
            EXPECT_EQ(TextIn("deDE", t.id), t.text) << t.id;
        EXPECT_EQ(EncodingOf("deDE", 100), c.encoding);
        // "English" in a header is the English table.
        EXPECT_EQ(TextIn("enUS", 100), "English A");
    }
}

// Grammar cases written in the test, ASCII and WinAnsi.
TEST_F(GStringFileReaderTest, GrammarCases) {
    struct Case {
        const char* name;
        std::string file;
        int id;
        std::string text;
    } const cases[] = {
        {"Next, first in a table", "StringTable deDE WinAnsiEncoding\n String Next, \"x\"\n", 1, "x"},
        {"quoted string on the next line", "StringTable deDE WinAnsiEncoding\nString 7,\n\"late\"\nString 8, \"y\"\n", 7, ""},
        {"...which ends the table", "StringTable deDE WinAnsiEncoding\nString 7,\n\"late\"\nString 8, \"y\"\n", 8, "<none>"},
        {"#else ends the table", "StringTable deDE WinAnsiEncoding\n#ifdef EA_OS_MACOSX\nString 1, \"a\"\n#else\nString 2, \"b\"\n#endif\n", 2, "<none>"},
        {"before #else", "StringTable deDE WinAnsiEncoding\n#ifdef EA_OS_MACOSX\nString 1, \"a\"\n#else\nString 2, \"b\"\n#endif\n", 1, "a"},
        {"missing EndStringTable", "StringTable deDE WinAnsiEncoding\nString 3, \"c\"", 3, "c"},
        {"id without digits", "StringTable deDE WinAnsiEncoding\nString abc, \"zero\"\n", 0, "zero"},
        {"huge id held at the bound", "StringTable deDE WinAnsiEncoding\nString 99999999999999999999, \"big\"\n", INT_MAX, "big"},
        {"huge negative id", "StringTable deDE WinAnsiEncoding\nString -99999999999999999999, \"small\"\n", INT_MIN, "small"},
        {"Next, after the largest id", "StringTable deDE WinAnsiEncoding\nString 2147483647, \"a\"\nString Next, \"b\"\n", INT_MAX, "b"},
        {"comment opened and closed in one token runs on", "StringTable deDE WinAnsiEncoding\n/*x*/ String 1, \"a\"\nString 2, \"b\" */\nString 3, \"c\"\n", 1, "<none>"},
        {"...to the next close", "StringTable deDE WinAnsiEncoding\n/*x*/ String 1, \"a\"\nString 2, \"b\" */\nString 3, \"c\"\n", 3, "c"},
        {"escapes", "StringTable deDE WinAnsiEncoding\nString 1, \"a\\\\b\\'c\\qd\"\n", 1, "a\\b'c\\qd"},
        {"\\n is the platform line end", "StringTable deDE WinAnsiEncoding\nString 1, \"a\\nb\"\n", 1, "a\rb"},
        {"quoted Neutral", "StringTable \"Neutral\" WinAnsiEncoding\nString 12, \"n\"\n", 12, "n"},
        {"unterminated quoted string at the end", "StringTable deDE WinAnsiEncoding\nString 1, \"open", 1, "open"},
        {"a second table of the same language starts its own count",
         "StringTable deDE WinAnsiEncoding\nString 50, \"a\"\nEndStringTable\nStringTable deDE WinAnsiEncoding\nString Next, \"b\"\n", 1, "b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        GStringPool::Initialize();
        Parse(c.file);
        const char* language = c.file.find("\"Neutral\"") != std::string::npos ? "Neutral" : "deDE";
        EXPECT_EQ(TextIn(language, c.id), c.text);
    }
}

TEST_F(GStringFileReaderTest, EndOfFileInsideACommentOrASkippedBlockEndsTheParse) {
    struct Case {
        const char* name;
        std::string file;
    } const cases[] = {
        {"block comment", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\n/* never closed\nString 2, \"b\"\n"},
        {"skipped block", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\n#ifdef WIN\nString 2, \"b\"\n"},
        {"nested skipped block", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\n#ifndef EA_OS_MACOSX\n#ifdef X\n#endif\n"},
        {"#ifdef without a symbol", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\n#ifdef"},
        {"String without an id", "StringTable deDE WinAnsiEncoding\nString 1, \"a\"\nString"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        GStringPool::Initialize();
        Parse(c.file);
        EXPECT_EQ(TextIn("deDE", 1), "a");
        EXPECT_EQ(TextIn("deDE", 2), "<none>");
    }
}

TEST_F(GStringFileReaderTest, ATableInAnUnknownEncodingIsSkippedWithATrace) {
    Parse("StringTable frFR KOI8Encoding\nString 1, \"skipped\"\nEndStringTable\n"
          "StringTable deDE WinAnsiEncoding\nString 1, \"kept\"\nEndStringTable\n");
    EXPECT_EQ(TextIn("deDE", 1), "kept");
    EXPECT_EQ(TextIn("frFR", 1), "<none>");
    ASSERT_EQ(Traces().size(), 1u);
    EXPECT_NE(Traces()[0].find("KOI8Encoding"), std::string::npos);
}

TEST_F(GStringFileReaderTest, TheUTF8EncodingsOwnNameIsAcceptedInAHeader) {
    Parse("\xEF\xBB\xBFStringTable deDE UTF-8Encoding\nString 1, \"\xC3\xBC\"\n");
    EXPECT_EQ(TextIn("deDE", 1), "\u00fc");
    EXPECT_TRUE(Traces().empty());
}

TEST_F(GStringFileReaderTest, TwoTablesOfTwoLanguagesFillTheirOwnTables) {
    EXPECT_EQ(Parse("StringTable deDE WinAnsiEncoding\nString 1, \"de\"\nEndStringTable\n"
                    "StringTable frFR MacRomanEncoding\nString 1, \"fr\"\nEndStringTable\n"),
              "frFR");
    EXPECT_EQ(TextIn("deDE", 1), "de");
    EXPECT_EQ(TextIn("frFR", 1), "fr");
}

TEST_F(GStringFileReaderTest, AFileTextReplacesARegisteredOne) {
    GStringPoolDataStruct const rows[] = {{2450, "registered"}};
    GStringPoolData::AddEnglishTexts(rows, 1);
    Parse("StringTable English WinAnsiEncoding\nString 2450, \"from the file\"\n");
    EXPECT_EQ(TextIn("enUS", 2450), "from the file");
}

TEST_F(GStringFileReaderTest, AMissingFileThrows) {
    GStringFileReader reader(Folder() / GPathName("DUZmissing.lng"));
    EXPECT_THROW(reader.ParseStringFile(), GException);
}

}  // namespace
