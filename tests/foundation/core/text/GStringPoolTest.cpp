// The string pools: lookup order, languages, registration rows and encoding names.
#include "core/text/GStringPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/base/GException.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "core/text/GLngString.h"
#include "core/text/GStringPoolData.h"
#include "core/text/GStringPoolTable.h"
#include "core/values/GDateTime.h"
#include "support/ExceptionTestText.h"
#include "support/ThreadsTogether.h"

namespace {

std::vector<std::string>& Traces() {
    static std::vector<std::string> traces;
    return traces;
}

// Counts the languages whose files the pool asks for; "frFR" has files and gets a table.
std::vector<std::string>& FileRequests() {
    static std::vector<std::string> requests;
    return requests;
}

void ReadLanguage(const GString& language) {
    FileRequests().push_back(Text(language));
    if (language == GString("frFR"))
        GStringPool::SetString(GStringPool::GetTable(language), 77, GString("texte fran\xC3\xA7" "ais", GUTF8Encoding::GetInstance()));
}

// Reads "frFR" slowly: its table appears with the first text, the last comes many yields later.
constexpr int cSlowTexts = 300;

void ReadLanguageSlowly(const GString& language) {
    if (!(language == GString("frFR")))
        return;
    GStringPoolTable* table = GStringPool::GetTable(language);
    for (int id = 1; id <= cSlowTexts; ++id) {
        GStringPool::SetString(table, id, GString("texte"));
        std::this_thread::yield();
    }
}

class GStringPoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundationWithPlatformEncodings();
        GStringPool::Finalize();
        GStringPool::Initialize();
        Traces().clear();
        FileRequests().clear();
        GStringPoolData::SetTraceHook([](const GString& message) { Traces().push_back(Text(message)); });
    }

    void TearDown() override {
        GStringPoolData::SetTraceHook(nullptr);
        GStringPool::SetStringFileHooks(GStringPool::StringFileHooks());
        GStringPool::Finalize();
        GStringPool::Initialize();
        GException::Initialize();
    }

    static void InstallFileHook() {
        GStringPool::StringFileHooks hooks;
        hooks.readLanguage = &ReadLanguage;
        GStringPool::SetStringFileHooks(hooks);
    }

    static void Put(const char* language, int id, const char* text) {
        GStringPool::SetString(GStringPool::GetTable(GString(language)), id, GString(text));
    }

    static std::string Lookup(int id) {
        GString out("stale");
        const bool found = GStringPool::GetString(id, out);
        EXPECT_EQ(Text(GStringPool::GetString(id)), Text(out));  // the reference form agrees
        return found ? Text(out) : "<none>";
    }

    static std::vector<std::string> Strings(const GTable<GString>& table) {
        std::vector<std::string> out;
        for (const GString& s : table)
            out.push_back(Text(s));
        return out;
    }
};

TEST_F(GStringPoolTest, NothingRegisteredGivesTheEmptyString) {
    EXPECT_TRUE(GStringPool::GetString(5).IsEmpty());
    GString out("stale");
    EXPECT_FALSE(GStringPool::GetString(5, out));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_FALSE(GStringPool::GetString(GString("enUS"), 5, out));
    EXPECT_TRUE(GStringPool::GetString(GString("enUS"), 5).IsEmpty());
}

TEST_F(GStringPoolTest, LookupOrderIsNeutralThenCurrentThenEnglish) {
    Put("enUS", 1, "english 1");
    Put("enUS", 2, "english 2");
    Put("enUS", 3, "english 3");
    Put("deDE", 2, "deutsch 2");
    Put("deDE", 3, "deutsch 3");
    Put("Neutral", 3, "neutral 3");
    struct Case {
        const char* current;
        const char* texts[4];  // ids 1 to 4
    } const cases[] = {
        {"enUS", {"english 1", "english 2", "neutral 3", "<none>"}},
        {"deDE", {"english 1", "deutsch 2", "neutral 3", "<none>"}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(GStringPool::SetLanguage(GString(c.current)));
        for (int id = 1; id <= 4; ++id)
            EXPECT_EQ(Lookup(id), c.texts[id - 1]) << c.current << " " << id;
    }
    // A language's own lookup has no fallback.
    GString out;
    EXPECT_FALSE(GStringPool::GetString(GString("deDE"), 1, out));
    EXPECT_EQ(Text(GStringPool::GetString(GString("Neutral"), 3)), "neutral 3");
}

TEST_F(GStringPoolTest, StringListsStopAtTheFirstMissingID) {
    GDateTime::Initialize();
    GTable<GString> months;
    GStringPool::GetStringList(2401, months);
    ASSERT_EQ(months.GetCount(), 14);
    EXPECT_EQ(Text(months[0]), "January");
    EXPECT_EQ(Text(months[13]), "%3:%2:%1");
    GTable<GString>* none = GStringPool::GetStringList(2415);
    EXPECT_EQ(none->GetCount(), 0);
    delete none;
    Put("enUS", 2147483647, "last");
    GStringPool::GetStringList(2147483647, months);
    EXPECT_EQ(Strings(months), std::vector<std::string>{"last"});
}

TEST_F(GStringPoolTest, LanguagesWithoutTablesFallBackToEnglishAndAreLookedForOnce) {
    InstallFileHook();
    EXPECT_TRUE(GStringPool::SetLanguage(GString("enUS")));
    EXPECT_TRUE(FileRequests().empty());  // English has its table from the start
    EXPECT_FALSE(GStringPool::SetLanguage(GString("itIT")));
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "enUS");
    EXPECT_FALSE(GStringPool::SetLanguage(GString("itIT")));
    EXPECT_EQ(FileRequests(), std::vector<std::string>{"itIT"});

    EXPECT_TRUE(GStringPool::SetLanguage(GString("frFR")));
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "frFR");
    EXPECT_EQ(Lookup(77), "texte fran\u00e7ais");
    EXPECT_EQ(Strings(GStringPool::GetLanguages()), (std::vector<std::string>{"enUS", "frFR"}));
}

TEST_F(GStringPoolTest, DeletingLanguages) {
    Put("enUS", 1, "english");
    Put("Neutral", 2, "neutral");
    Put("deDE", 1, "deutsch");
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    // English and Neutral stay: the lookups reach them directly.
    GStringPool::DeleteLanguage(GString("enUS"));
    GStringPool::DeleteLanguage(GString("Neutral"));
    EXPECT_EQ(Lookup(2), "neutral");
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "deDE");
    // The current language goes back to English.
    GStringPool::DeleteLanguage(GString("deDE"));
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "enUS");
    EXPECT_EQ(Lookup(1), "english");
    EXPECT_EQ(Strings(GStringPool::GetLanguages()), std::vector<std::string>{"enUS"});
    // Its files are not read again.
    InstallFileHook();
    EXPECT_FALSE(GStringPool::SetLanguage(GString("deDE")));
}

TEST_F(GStringPoolTest, AvailableLanguagesAreComputedOnce) {
    Put("deDE", 1, "x");
    GStringPool::StringFileHooks hooks;
    hooks.availableLanguages = [](GTable<GString>& out) {
        out.AddItem(GString("frFR"));
        out.AddItem(GString("deDE"));
        out.AddItem(GString("frFR"));
    };
    GStringPool::SetStringFileHooks(hooks);
    EXPECT_EQ(Strings(GStringPool::GetAvailableLanguages()), (std::vector<std::string>{"enUS", "deDE", "frFR"}));
    Put("esES", 1, "y");
    EXPECT_EQ(GStringPool::GetNumAvailableLanguages(), 3);
}

TEST_F(GStringPoolTest, PreferredLanguageWithoutHookIsEnglish) {
    GTable<GString> available;
    available.AddItem(GString("deDE"));
    GString out;
    GStringPool::GetPreferredLanguage(available, out);
    EXPECT_EQ(Text(out), "enUS");
}

TEST_F(GStringPoolTest, TempLanguageForcer) {
    Put("frFR", 1, "un");
    Put("enUS", 1, "one");
    {
        GStringPool::TempLanguageForcer forcer(GString("frFR"));
        EXPECT_TRUE(forcer.WasForced());
        EXPECT_EQ(Lookup(1), "un");
        {
            GStringPool::TempLanguageForcer again(GString("frFR"));
            EXPECT_FALSE(again.WasForced());
        }
        EXPECT_EQ(Lookup(1), "un");
    }
    EXPECT_EQ(Lookup(1), "one");
    GStringPool::TempLanguageForcer unknown(GString("xxXX"));
    EXPECT_FALSE(unknown.WasForced());  // no table: English, as before
}

TEST_F(GStringPoolTest, RegistrationRows) {
    GStringPoolDataStruct const rows[] = {{10, "ten"}, {-1, "eleven"}, {-1, "twelve"}, {20, "line\none\r\ntwo"}};
    GStringPoolData::AddEnglishTexts(rows, 4);
    EXPECT_EQ(Lookup(10), "ten");
    EXPECT_EQ(Lookup(11), "eleven");
    EXPECT_EQ(Lookup(12), "twelve");
    EXPECT_EQ(Lookup(20), "line\rone\rtwo");  // the platform's line ends
    EXPECT_EQ(GStringPool::GetTable(GString("enUS"))->FindStringForID(10)->second, GWinAnsiEncoding::GetInstance());

    // The first registration wins; a text set since (as a string file does) stays.
    GStringPoolDataStruct const again[] = {{10, "TEN"}, {-1, "ELEVEN"}};
    Put("enUS", 11, "from a file");
    GStringPoolData::AddEnglishTexts(again, 2);
    EXPECT_EQ(Lookup(10), "ten");
    EXPECT_EQ(Lookup(11), "from a file");

    GStringPoolDataStruct const first[] = {{-1, "zero"}, {-1, "one"}};
    GStringPoolData::AddStringPoolData(GBuffer("deDE"), "MacRomanEncoding", first, 2, false);
    EXPECT_EQ(Text(GStringPool::GetString(GString("deDE"), 0)), "zero");
    EXPECT_EQ(Text(GStringPool::GetString(GString("deDE"), 1)), "one");
    EXPECT_EQ(GStringPool::GetTable(GString("deDE"))->FindStringForID(0)->second, GMacRomanEncoding::GetInstance());

    // Hexadecimal rows: digits decoded, line ends left alone, "\t" and "\n" written as bytes.
    GStringPoolDataStruct const hex[] = {{1, "480a49"}, {2, "415c74425c6e43"}, {3, "4"}};
    GStringPoolData::AddStringPoolData(GBuffer("hxHX"), "WinAnsiEncoding", hex, 3, true);
    EXPECT_EQ(Text(GStringPool::GetString(GString("hxHX"), 1)), "H\nI");
    EXPECT_EQ(Text(GStringPool::GetString(GString("hxHX"), 2)), "A\tB\rC");
    EXPECT_EQ(Text(GStringPool::GetString(GString("hxHX"), 3)), "@");

    // No rows: the table is made all the same.
    GStringPoolData::AddStringPoolData(GBuffer("esES"), "WinAnsiEncoding", nullptr, 0, false);
    EXPECT_EQ(Strings(GStringPool::GetLanguages()).back(), "esES");
    EXPECT_TRUE(Traces().empty());
}

TEST_F(GStringPoolTest, AnUnknownEncodingNameRegistersNothing) {
    GStringPoolDataStruct const rows[] = {{500, "x"}};
    GStringPoolData::AddStringPoolData(GBuffer("ruRU"), "KOI8Encoding", rows, 1, false);
    EXPECT_EQ(Lookup(500), "<none>");
    EXPECT_EQ(Strings(GStringPool::GetLanguages()), std::vector<std::string>{"enUS"});
    EXPECT_EQ(Traces().size(), 1u);
}

TEST_F(GStringPoolTest, EncodingNames) {
    struct Case {
        const char* name;
        GEncoding* encoding;
    } const cases[] = {
        {"WinAnsiEncoding", GWinAnsiEncoding::GetInstance()},
        {"MacRomanEncoding", GMacRomanEncoding::GetInstance()},
        {"UnicodeEncoding", GUnicodeEncoding::GetInstance()},
        {"ShiftJISEncoding", GShiftJISEncoding::GetInstance()},
        {"UTF8Encoding", GUTF8Encoding::GetInstance()},
        // What the writer puts in the header of a UTF-8 table, so that it reads back.
        {"UTF-8Encoding", GUTF8Encoding::GetInstance()},
        {"unicodeencoding", nullptr},
        {"WinAnsiEncoding ", nullptr},
        {"", nullptr},
        {"ASCIIEncoding", nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GStringPoolData::GetEncoding(GBuffer(c.name)), c.encoding) << c.name;
    EXPECT_NE(GShiftJISEncoding::GetInstance(), nullptr);
}

TEST_F(GStringPoolTest, MessagesRenderInTheCurrentLanguageWithEnglishFallback) {
    Put("enUS", 40066, "Could not export %1");
    Put("enUS", 40067, "the book");
    Put("enUS", 40068, "Could not open %1");
    Put("deDE", 40066, "Export von %1 fehlgeschlagen");
    Put("deDE", 40067, "dem Buch");
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    GLngString message(40066);
    message.AddStringID(40067);
    EXPECT_EQ(Text(message.GetReadableString()), "Export von dem Buch fehlgeschlagen");
    // No German text for the message: all of it in English, its items too.
    GLngString english(40068);
    english.AddStringID(40067);
    EXPECT_EQ(Text(english.GetReadableString()), "Could not open the book");
    GString out;
    EXPECT_FALSE(GLngString(40068).GetReadableString(GString("deDE"), out));
    GStringPool::SetLanguage(GString("enUS"));
    EXPECT_EQ(Text(message.GetReadableString()), "Could not export the book");
}

// Messages are rendered on worker threads while the main thread registers texts.
TEST_F(GStringPoolTest, NeutralIsNoLanguageToChoose) {
    Put("deDE", 1, "deutsch");
    ASSERT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    EXPECT_FALSE(GStringPool::SetLanguage(GString("Neutral")));
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "enUS");
    GStringPool::TempLanguageForcer forcer(GString("Neutral"));
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "enUS");
}

// Threads that ask for a language at once, while its files are being read, all wait for the
// whole table: none finds it missing or half filled.
TEST_F(GStringPoolTest, ThreadsReadingALanguageForTheFirstTimeAllGetItWhole) {
    GStringPool::StringFileHooks hooks;
    hooks.readLanguage = &ReadLanguageSlowly;
    for (int round = 0; round < 20; ++round) {
        GStringPool::Finalize();
        GStringPool::Initialize();
        GStringPool::SetStringFileHooks(hooks);
        std::atomic<int> missing{0};
        RunThreadsTogether(4, [&missing](int t) {
            GString out;
            const bool found = t % 2 == 0 ? GStringPool::GetString(GString("frFR"), cSlowTexts, out)
                                          : GStringPool::SetLanguage(GString("frFR")) &&
                                                GStringPool::GetString(GString("frFR"), cSlowTexts, out);
            if (!found)
                ++missing;
        });
        EXPECT_EQ(missing, 0) << "round " << round;
    }
}

TEST_F(GStringPoolTest, ConcurrentLookupsAndRegistrations) {
    Put("enUS", 1, "one %1");
    std::atomic<bool> wrong{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&wrong] {
            for (int i = 0; i < 2000; ++i) {
                GLngString message(1);
                message.AddInt32(i);
                GString out;
                message.GetReadableString(out);
                if (Text(out) != "one " + std::to_string(i))
                    wrong = true;
            }
        });
    }
    for (int id = 1000; id < 3000; ++id) {
        GStringPoolDataStruct const row[] = {{id, "registered"}};
        GStringPoolData::AddEnglishTexts(row, 1);
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_FALSE(wrong);
    EXPECT_EQ(Lookup(2999), "registered");
}

}  // namespace
