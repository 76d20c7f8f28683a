#include "services/strings/GStringPoolSupport.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/text/GStringPoolTable.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GStandardEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "services/strings/GLanguageInfoCache.h"
#include "services/filesystem/GFileSystem.h"
#include "support/StringPoolTestSetup.h"
#include "support/ThreadsTogether.h"
#include "support/UnprivilegedChild.h"
#include "support/Watchdog.h"

namespace {

std::string Table(const char* language, const std::string& entries) {
    return std::string("StringTable ") + language + " WinAnsiEncoding\n" + entries + "EndStringTable\n";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class GStringPoolSupportTest : public StringPoolTest {
protected:
    void RecordFolder() { GStringPoolSupport::ReadStringFiles(Folder(), GString("DUZ"), 0, 0, 0); }

    static std::vector<std::string> Strings(const GTable<GString>& table) {
        std::vector<std::string> out;
        for (const GString& s : table)
            out.push_back(Text(s));
        return out;
    }
};

TEST_F(GStringPoolSupportTest, StringFileNames) {
    struct Case {
        const char* leaf;
        const char* prefix;
        int minVersion, maxVersion, versionLength;
        const char* language;
        bool isStringFile;
    } const cases[] = {
        {"DUZdeDE.lng", "DUZ", 0, 0, 0, "deDE", true},
        {"duzdede.LNG", "DUZ", 0, 0, 0, "deDE", true},
        {"DUZ_plugin_deDE_v2.lng", "DUZ", 0, 0, 0, "deDE", true},
        {"DUZdeDE.txt", "DUZ", 0, 0, 0, "deDE", false},
        {"XDUZdeDE.lng", "DUZ", 0, 0, 0, "deDE", false},
        {"DUZfrFR.lng", "DUZ", 0, 0, 0, "deDE", false},
        {"DUZ.lng", "DUZ", 0, 0, 0, "", true},
        {"DUZanything.lng", "DUZ", 0, 0, 0, "", true},
        {"DUZ\u00e9t\u00e9.lng", "DUZ", 0, 0, 0, "", false},  // not ASCII
        {"DU.lng", "DUZ", 0, 0, 0, "", false},                 // shorter than the prefix
        {"DUZdeDE", "DUZ", 0, 0, 0, "deDE", false},            // no extension
        {"DUZ07deDE.lng", "DUZ", 5, 9, 2, "deDE", true},
        {"DUZ12deDE.lng", "DUZ", 5, 9, 2, "deDE", false},
        {"DUZxxdeDE.lng", "DUZ", 0, 9, 2, "deDE", true},  // no digits read as 0
        {"DUZxxdeDE.lng", "DUZ", 1, 9, 2, "deDE", false},
        {"DUZ99999999999999deDE.lng", "DUZ", 0, 2147483647, 14, "deDE", true},  // held at the bound
    };
    for (const Case& c : cases) {
        GPathName path = Folder();
        path.Append(GString(c.leaf, GUTF8Encoding::GetInstance()));
        EXPECT_EQ(GStringPoolSupport::IsStringFile(path, GString(c.prefix), c.minVersion, c.maxVersion,
                                                   c.versionLength, GString(c.language)),
                  c.isStringFile)
            << c.leaf;
    }
}

TEST_F(GStringPoolSupportTest, IETFTags) {
    struct Case {
        const char* code;
        const char* tag;
    } const cases[] = {{"frFR", "fr-FR"}, {"deDE", "de-DE"}, {"zhCN", "zh-Hans"}, {"zhTW", "zh-Hant"},
                       {"jaJA", "ja-JP"}, {"jaJP", "ja-JP"}, {"x", "x"},          {"", ""}};
    for (const Case& c : cases)
        EXPECT_EQ(Text(GStringPoolSupport::ToIETF(GString(c.code))), c.tag) << c.code;
}

TEST_F(GStringPoolSupportTest, BestLanguageForLocales) {
    // Name order is the folder's order: deDE comes before deCH.
    WriteFile("DUZ1deDE.lng", Table("deDE", "String 1, \"de\"\n"));
    WriteFile("DUZ2deCH.lng", Table("deCH", "String 1, \"ch\"\n"));
    WriteFile("DUZ3frFR.lng", Table("frFR", "String 1, \"fr\"\n"));
    RecordFolder();
    struct Case {
        std::vector<const char*> locales;
        const char* chosen;  // null: none
    } const cases[] = {
        {{"fr-CA", "de-DE"}, "frFR"},  // the first locale's partial match wins over a later exact one
        {{"de-AT"}, "deDE"},           // the first partial match
        {{"de-CH"}, "deCH"},           // an exact match wins over an earlier partial one
        {{"DE-ch"}, "deCH"},           // case does not matter
        {{"en-GB"}, "enUS"},           // English is always there
        {{"it-IT", "fr-BE"}, "frFR"},
        {{"it-IT"}, nullptr},
        {{"d"}, nullptr},
        {{}, nullptr},
    };
    for (const Case& c : cases) {
        GTable<GString> locales;
        for (const char* locale : c.locales)
            locales.AddItem(GString(locale));
        GString out("unchanged");
        const bool found = GStringPoolSupport::GetBestMatchingDefaultAvailableLanguageForLocales(locales, out);
        EXPECT_EQ(found, c.chosen != nullptr) << (c.locales.empty() ? "none" : c.locales[0]);
        EXPECT_EQ(Text(out), c.chosen != nullptr ? c.chosen : "unchanged");
    }
}

TEST_F(GStringPoolSupportTest, AvailableLanguages) {
    GTable<GString> languages;
    GStringPoolSupport::GetDefaultAvailableLanguages(languages);
    EXPECT_EQ(languages.GetCount(), 0);  // nothing recorded yet

    WriteFile("DUZdeDE.lng", Table("deDE", "String 921032, \"Deutsch\"\n"));
    WriteFile("DUZfrFR.lng", Table("frFR", ""));
    WriteFile("OTHERitIT.lng", Table("itIT", ""));
    RecordFolder();
    GStringPoolSupport::GetDefaultAvailableLanguages(languages);
    EXPECT_EQ(Strings(languages), (std::vector<std::string>{"deDE", "frFR"}));
    EXPECT_EQ(Strings(GStringPool::GetAvailableLanguages()), (std::vector<std::string>{"enUS", "deDE", "frFR"}));
    // Listing parsed the files once: their texts are in the pool.
    EXPECT_EQ(TextIn("deDE", 921032), "Deutsch");
    // Computed once.
    WriteFile("DUZesES.lng", Table("esES", ""));
    EXPECT_EQ(GStringPool::GetNumAvailableLanguages(), 3);
}

TEST_F(GStringPoolSupportTest, AFileWithoutATableHeaderAddsNoLanguage) {
    WriteFile("DUZdeDE.lng", Table("deDE", "String 1, \"eins\"\n"));
    WriteFile("DUZxxXX.lng", "String 1, \"no header above\"\n");
    RecordFolder();
    EXPECT_EQ(Strings(GStringPool::GetAvailableLanguages()), (std::vector<std::string>{"enUS", "deDE"}));
    ASSERT_EQ(Traces().size(), 1u);
    EXPECT_NE(Traces()[0].find("DUZxxXX.lng (no string table in it)"), std::string::npos) << Traces()[0];
}

// Threads that list the languages for the first time at once (each listing parses every file
// through the language cache) all get the same list, and every file is learned once; a text
// asked for meanwhile is found whole.
TEST_F(GStringPoolSupportTest, ThreadsListingTheLanguagesForTheFirstTimeAgree) {
    const char* const languages[] = {"deDE", "frFR", "itIT", "esES", "nlNL"};
    std::string entries;
    for (int id = 1; id <= 300; ++id)
        entries += "String " + std::to_string(id) + ", \"text\"\n";
    for (const char* language : languages)
        WriteFile(std::string("DUZ") + language + ".lng", Table(language, entries));
    RecordFolder();
    std::vector<int> counts(4, 0);
    std::vector<std::string> lastTexts(4);
    RunThreadsTogether(4, [&counts, &lastTexts](int t) {
        // Half of them ask a language for a text first, while the others may be listing.
        if (t % 2 == 1)
            lastTexts[size_t(t)] = TextIn("nlNL", 300);
        counts[size_t(t)] = GStringPool::GetNumAvailableLanguages();
    });
    EXPECT_EQ(counts, std::vector<int>(4, 6));
    EXPECT_EQ(lastTexts, (std::vector<std::string>{"", "text", "", "text"}));
    EXPECT_EQ(GLanguageInfoCache::GetInstance()->GetCount(), 5);
    EXPECT_EQ(TextIn("nlNL", 300), "text");
}

TEST_F(GStringPoolSupportTest, ALanguageIsReadFromItsFilesWhenFirstAskedFor) {
    WriteFile("DUZdeDE.lng", Table("German", "String 2450, \"Allgemeine Ausnahme\"\nString 77, \"nur deutsch\"\n"));
    WriteFile("DUZfrFR.lng", Table("frFR", "String 77, \"seulement\"\n"));
    GStringPoolDataStruct const rows[] = {{78, "english only"}};
    GStringPoolData::AddEnglishTexts(rows, 1);
    EXPECT_FALSE(GStringPool::SetLanguage(GString("deDE")));  // nothing recorded: no files
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "enUS");

    Reset();
    GStringPool::Initialize();
    GStringPoolSupport::Initialize();
    GException::Initialize();
    GStringPoolData::AddEnglishTexts(rows, 1);
    RecordFolder();
    EXPECT_TRUE(GStringPool::SetLanguage(GString("deDE")));
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "deDE");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(GStringPool::GetLanguageUTF8().GetPtr()),
                          static_cast<size_t>(GStringPool::GetLanguageUTF8().GetLength())),
              "deDE");
    EXPECT_EQ(Text(GStringPool::GetString(2450)), "Allgemeine Ausnahme");
    EXPECT_EQ(Text(GStringPool::GetString(78)), "english only");  // English fallback
    EXPECT_EQ(Text(GLngString(2450).GetReadableString()), "Allgemeine Ausnahme");
    EXPECT_EQ(Text(GStringPool::GetString(77)), "nur deutsch");
    {
        GStringPool::TempLanguageForcer forcer(GString("frFR"));
        EXPECT_TRUE(forcer.WasForced());
        EXPECT_EQ(Text(GStringPool::GetString(77)), "seulement");
        EXPECT_EQ(Text(GStringPool::GetString(2450)), "General Exception");
    }
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "deDE");
    {
        GStringPool::TempLanguageForcer forcer(GString("deDE"));
        EXPECT_FALSE(forcer.WasForced());
    }

    // A language without files: English, and its files are not looked for again.
    EXPECT_FALSE(GStringPool::SetLanguage(GString("itIT")));
    EXPECT_EQ(Text(GStringPool::GetLanguage()), "enUS");
    WriteFile("DUZitIT.lng", Table("itIT", "String 77, \"solo\"\n"));
    EXPECT_FALSE(GStringPool::SetLanguage(GString("itIT")));
    EXPECT_EQ(TextIn("itIT", 77), "<none>");
}

TEST_F(GStringPoolSupportTest, ReadingByLanguageAndWildCards) {
    WriteFile("DUZdeDE.lng", Table("deDE", "String 1, \"de\"\n"));
    WriteFile("DUZfrFR.lng", Table("frFR", "String 1, \"fr\"\n"));
    WriteFile("DUZnotes.txt", Table("itIT", "String 1, \"it\"\n"));
    const GString prefix("DUZ");
    EXPECT_EQ(GStringPoolSupport::ReadStringFiles(Folder(), prefix, 0, 0, 0, GString("deDE")), 1);
    EXPECT_EQ(TextIn("frFR", 1), "<none>");
    EXPECT_EQ(GStringPoolSupport::ReadStringFiles(Folder(), prefix, 0, 0, 0, GString()), 2);
    EXPECT_EQ(GStringPoolSupport::ReadStringFiles(Folder() / GPathName("missing"), prefix, 0, 0, 0, GString()), 0);
    EXPECT_EQ(GStringPoolSupport::ReadStringFiles(GPathName(), prefix, 0, 0, 0, GString()), 0);

    // Without a wild-card file the parameters are recorded.
    GPathName folder;
    GString recordedPrefix;
    int minVersion = -1, maxVersion = -1, versionLength = -1;
    EXPECT_FALSE(GStringPoolSupport::GetDefaultStringFileParams(folder, recordedPrefix, minVersion, maxVersion, versionLength));
    GStringPoolSupport::ReadStringFilesAndWildCardFiles(Folder(), prefix, 1, 2, 3);
    ASSERT_TRUE(GStringPoolSupport::GetDefaultStringFileParams(folder, recordedPrefix, minVersion, maxVersion, versionLength));
    EXPECT_EQ(Text(recordedPrefix), "DUZ");
    EXPECT_EQ(minVersion * 100 + maxVersion * 10 + versionLength, 123);

    // With one, every file of the prefix and of "WC" is read at once and nothing recorded.
    GStringPoolSupport::Finalize();
    WriteFile("wcAll.lng", Table("esES", "String 1, \"es\"\n"));
    GStringPoolSupport::ReadStringFilesAndWildCardFiles(Folder(), prefix, 0, 0, 0);
    EXPECT_EQ(TextIn("esES", 1), "es");
    EXPECT_FALSE(GStringPoolSupport::GetDefaultStringFileParams(folder, recordedPrefix, minVersion, maxVersion, versionLength));
}

// An unreadable string file at start-up: the language is not found, English texts remain, the
// other files are still read, and nothing is thrown.
TEST_F(GStringPoolSupportTest, AnUnreadableStringFileIsSkipped) {
    WriteFile("DUZ1deDE.lng", Table("deDE", "String 1, \"readable\"\n"));
    const GPathName bad = WriteFile("DUZ2deDE.lng", Table("deDE", "String 2, \"unreadable\"\n"));
    WriteFile("DUZfrFR.lng", Table("frFR", "String 1, \"fr\"\n"));
    ASSERT_EQ(chmod((mTemp / "DUZ2deDE.lng").c_str(), 0), 0);
    ASSERT_EQ(chmod((mTemp / "DUZfrFR.lng").c_str(), 0), 0);
    ASSERT_EQ(chmod(mTemp.Path().c_str(), 0755), 0);
    RecordFolder();
    auto check = [] {
        try {
            if (!GStringPool::SetLanguage(GString("deDE")))
                return 1;
            if (TextIn("deDE", 1) != "readable" || TextIn("deDE", 2) != "<none>")
                return 2;
            if (GStringPool::SetLanguage(GString("frFR")) || Text(GStringPool::GetLanguage()) != "enUS")
                return 3;
            if (Text(GStringPool::GetString(2450)) != "General Exception")
                return 4;
            if (Traces().size() != 2)
                return 5;
            // Listing the languages meets the same files: skipped again, deDE still listed.
            GTable<GString> languages;
            GStringPoolSupport::GetDefaultAvailableLanguages(languages);
            if (languages.GetCount() != 1 || Text(languages[0]) != "deDE" || Traces().size() != 4)
                return 7;
        } catch (...) {
            return 6;
        }
        return 0;
    };
    EXPECT_EQ(UnprivilegedChild::IsRoot() ? UnprivilegedChild::Run(check) : check(), 0);
}

// A strings folder that cannot be listed holds no languages: English stays, nothing throws.
TEST_F(GStringPoolSupportTest, AnUnreadableStringsFolderGivesEnglish) {
    ASSERT_EQ(mkdir((mTemp / "Strings").c_str(), 0700), 0);
    std::ofstream(mTemp / "Strings/DUZdeDE.lng") << Table("deDE", "String 1, \"de\"\n");
    ASSERT_EQ(chmod((mTemp / "Strings").c_str(), 0), 0);
    ASSERT_EQ(chmod(mTemp.Path().c_str(), 0755), 0);
    GStringPoolSupport::ReadStringFiles(Folder() / GPathName("Strings"), GString("DUZ"), 0, 0, 0);
    auto check = [] {
        try {
            if (GStringPool::SetLanguage(GString("deDE")) || Text(GStringPool::GetLanguage()) != "enUS")
                return 1;
            if (Text(GStringPool::GetString(2450)) != "General Exception")
                return 2;
            GTable<GString> locales;
            locales.AddItem(GString("de-DE"));
            GString chosen;
            if (GStringPoolSupport::GetBestMatchingDefaultAvailableLanguageForLocales(locales, chosen))
                return 3;
        } catch (...) {
            return 4;
        }
        return 0;
    };
    EXPECT_EQ(UnprivilegedChild::IsRoot() ? UnprivilegedChild::Run(check) : check(), 0);
}

// Items named like string files that are no readable files: a folder, a pipe without a writer
// (opening it must not wait), links (not followed, so /dev/zero is never read). The real file
// beside them is read; nothing hangs or throws.
TEST_F(GStringPoolSupportTest, LookalikesOfStringFilesAreSkipped) {
    Watchdog watchdog(std::chrono::seconds(30), "reading a folder of look-alike string files");
    WriteFile("DUZ1deDE.lng", Table("deDE", "String 1, \"readable\"\n"));
    ASSERT_EQ(mkdir((mTemp / "DUZ2deDE.lng").c_str(), 0700), 0);
    std::ofstream(mTemp / "DUZ2deDE.lng/DUZ9deDE.lng") << Table("deDE", "String 9, \"inside\"\n");
    ASSERT_EQ(mkfifo((mTemp / "DUZ3deDE.lng").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", (mTemp / "DUZ4deDE.lng").c_str()), 0);
    ASSERT_EQ(symlink("/nowhere/at/all", (mTemp / "DUZ5deDE.lng").c_str()), 0);
    RecordFolder();
    EXPECT_NO_THROW({
        EXPECT_TRUE(GStringPool::SetLanguage(GString("deDE")));
        GTable<GString> languages;
        GStringPoolSupport::GetDefaultAvailableLanguages(languages);
    });
    EXPECT_EQ(TextIn("deDE", 1), "readable");
    EXPECT_EQ(TextIn("deDE", 9), "<none>");  // folders are not entered
    EXPECT_EQ(Text(GStringPool::GetString(2450)), "General Exception");
}

TEST_F(GStringPoolSupportTest, WrittenStringFilesReadBack) {
    GStringPoolDataStruct const english[] = {{1, "one\nline two"}, {-1, "\"quoted\" and \\ back\tslash"}};
    GStringPoolData::AddEnglishTexts(english, 2);
    GStringPoolDataStruct const german[] = {{1, "Gr\xC3\xBC\xC3\x9F" "e"}, {2, "\xE6\x97\xA5\xE6\x9C\xAC"}};
    GStringPoolData::AddStringPoolData(GBuffer("deDE"), "UTF8Encoding", german, 2, false);
    GStringPoolDataStruct const japanese[] = {{5, "\x93\xFA\x96\x7B\x95\x5C"}};  // Shift-JIS, 0x5C trail byte
    GStringPoolData::AddStringPoolData(GBuffer("jaJP"), "ShiftJISEncoding", japanese, 1, false);
    GStringPool::SetString(GStringPool::GetTable(GString("frFR")), 9, GString("sans encodage"), nullptr);

    std::vector<std::vector<std::string>> before;
    const char* const languages[] = {"enUS", "deDE", "jaJP", "frFR"};
    const int ids[] = {1, 2, 5, 9};
    for (const char* language : languages) {
        before.emplace_back();
        for (int id : ids)
            before.back().push_back(TextIn(language, id));
    }

    GStringPoolSupport::SetProductPrefix(GString("DUZ"));
    GStringPoolSupport::WriteStringFiles(Folder());
    GStringPoolSupport::SetProductPrefix(GString());
    // Shift-JIS and encoding-less tables are written in UTF-16 and say so.
    const std::string japaneseFile = ReadAll(mTemp / "DUZ__StringFile_jaJP_0.lng");
    ASSERT_GE(japaneseFile.size(), 2u);
    EXPECT_EQ(japaneseFile.substr(0, 2), "\xFF\xFE");
    EXPECT_NE(japaneseFile.find(std::string("U\0n\0i\0c\0o\0d\0e\0E\0", 16)), std::string::npos);
    EXPECT_EQ(ReadAll(mTemp / "DUZ__StringFile_deDE_0.lng").substr(0, 29), "StringTable deDE UTF-8Encodin");

    Reset();
    GStringPool::Initialize();
    GStringPoolSupport::Initialize();
    EXPECT_GE(GStringPoolSupport::ReadStringFiles(Folder(), GString("DUZ"), 0, 0, 0, GString()), 4);
    EXPECT_TRUE(Traces().empty());
    for (size_t i = 0; i < 4; ++i) {
        for (size_t j = 0; j < 4; ++j)
            EXPECT_EQ(TextIn(languages[i], ids[j]), before[i][j]) << languages[i] << " " << ids[j];
    }
    EXPECT_EQ(TextIn("jaJP", 5), "\u65e5\u672c\u8868");
    EXPECT_EQ(TextIn("enUS", 1), "one\rline two");
}

// Tables in encodings that the reader does not know by name, or whose texts the encoding cannot
// hold, are written in UTF-16; a language that no header can carry as itself is not written.
TEST_F(GStringPoolSupportTest, EveryWrittenStringFileReadsBackOrIsNotWritten) {
    struct Written {
        const char* language;
        GEncoding* encoding;
        const char* utf8Text;
    };
    const Written written[] = {
        {"asAS", GASCIIEncoding::GetInstance(), "plain ascii"},
        {"pdPD", GPDFDocEncoding::GetInstance(), "pdf \xE2\x80\xA2 bullet"},
        {"stST", GStandardEncoding::GetInstance(), "standard"},
        {"waWA", GWinAnsiEncoding::GetInstance(), "\xE6\x97\xA5 not in WinAnsi"},
        {"mrMR", GMacRomanEncoding::GetInstance(), "caf\xC3\xA9"},
        {"j\xC3\xA4JA", GUnicodeEncoding::GetInstance(), "non-ASCII language"},
    };
    for (const Written& w : written) {
        GString const language(w.language, GUTF8Encoding::GetInstance());
        GStringPool::SetString(GStringPool::GetTable(language), 7, GString(w.utf8Text, GUTF8Encoding::GetInstance()),
                               w.encoding);
    }
    const char* const refused[] = {"de DE", "fr\tFR", "English", "\"Neutral\""};
    for (const char* language : refused)
        GStringPool::SetString(GStringPool::GetTable(GString(language)), 7, GString("lost"), GWinAnsiEncoding::GetInstance());

    GStringPoolSupport::SetProductPrefix(GString("DUZ"));
    GStringPoolSupport::WriteStringFiles(Folder());
    GStringPoolSupport::SetProductPrefix(GString());
    EXPECT_EQ(Traces().size(), 4u);
    for (const std::string& trace : Traces())
        EXPECT_NE(trace.find("a header cannot name it"), std::string::npos) << trace;
    EXPECT_EQ(ReadAll(mTemp / "DUZ__StringFile_mrMR_0.lng").substr(0, 29), "StringTable mrMR MacRomanEnco");

    Reset();
    Traces().clear();
    GStringPool::Initialize();
    GStringPoolSupport::Initialize();
    GStringPoolSupport::ReadStringFiles(Folder(), GString("DUZ"), 0, 0, 0, GString());
    EXPECT_TRUE(Traces().empty());
    for (const Written& w : written) {
        GString text;
        EXPECT_TRUE(GStringPool::GetString(GString(w.language, GUTF8Encoding::GetInstance()), 7, text)) << w.language;
        EXPECT_EQ(Text(text), w.utf8Text) << w.language;
    }
    std::vector<std::string> names = Strings(GStringPool::GetTableNames());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Neutral", "asAS", "enUS", "j\xC3\xA4JA", "mrMR", "pdPD", "stST",
                                               "waWA"}));
}

TEST_F(GStringPoolSupportTest, TheSwitchFileLiesBesideTheApplicationBundle) {
    GPathName executable = Folder();
    executable.Append(GString("Host.app/Contents/MacOS/Host"));
    GFileSystem::AddSpecialPath(-5, executable);
    GPathName out;
    EXPECT_FALSE(GStringPoolSupport::NeedToWriteStringFiles(out));
    GPathName expected = Folder();
    expected.Append(GString("KelvoraStringFiles.prefs"));
    EXPECT_EQ(Text(out.GetCrossPlatformString()), Text(expected.GetCrossPlatformString()));
    WriteFile("KelvoraStringFiles.prefs", "");
    EXPECT_TRUE(GStringPoolSupport::NeedToWriteStringFiles(out));
    GFileSystem::RemoveSpecialPath(-5);
}


// The switch file beside the application bundle asks for the tables to be written out, into
// <OutputFolder>/StringFiles/strings from run <name> UTC_<DDMMYYYY>_<HHMM>_<pid>/.
class WriteStringFilesForRun : public GStringPoolSupportTest {
protected:
    void SetUp() override {
        GStringPoolSupportTest::SetUp();
        GPathName executable = Folder();
        executable.Append(GString("Host.app/Contents/MacOS/Host"));
        GFileSystem::AddSpecialPath(-5, executable);
        GStringPoolDataStruct const english[] = {{1, "one"}, {2, "two"}};
        GStringPoolData::AddEnglishTexts(english, 2);
        GStringPoolDataStruct const german[] = {{1, "eins"}};
        GStringPoolData::AddStringPoolData(GBuffer("deDE"), "WinAnsiEncoding", german, 1, false);
        GStringPoolSupport::SetProductPrefix(GString("DUZ"));
    }
    void TearDown() override {
        GStringPoolSupport::SetProductPrefix(GString());
        GFileSystem::RemoveSpecialPath(-5);
        GStringPoolSupportTest::TearDown();
    }

    // The run folders below folder/StringFiles.
    static std::vector<std::string> RunFolders(const std::string& folder) {
        std::vector<std::string> out;
        if (DIR* dir = opendir((folder + "/StringFiles").c_str())) {
            while (const dirent* entry = readdir(dir)) {
                if (entry->d_name[0] != '.')
                    out.push_back(entry->d_name);
            }
            closedir(dir);
        }
        return out;
    }

    static std::string Switch(const std::string& outputFolder) {
        return "\xFF\xFE" + Utf16("#BEGINPREFS\r\"General\"\r#BEGINDICT\r\"OutputFolder\" \"" + outputFolder +
                                 "\"\r#ENDDICT\r#ENDPREFS\r");
    }

    static std::string Utf16(const std::string& ascii) {
        std::string out;
        for (char c : ascii) {
            out += c;
            out += '\0';
        }
        return out;
    }
};

TEST_F(WriteStringFilesForRun, NothingWithoutTheSwitchFile) {
    GStringPoolSupport::WriteStringFiles(GString("first"));
    EXPECT_TRUE(RunFolders(mTemp.Path()).empty());
}

TEST_F(WriteStringFilesForRun, AnEmptyOutputFolderMeansTheSwitchFilesFolderAndIsStored) {
    WriteFile("KelvoraStringFiles.prefs", Switch(""));
    GStringPoolSupport::WriteStringFiles(GString("first/second"));
    const std::vector<std::string> runs = RunFolders(mTemp.Path());
    ASSERT_EQ(runs.size(), 1u);
    // One leaf whatever the run's name holds; the time in UTC, then this process.
    const std::string& run = runs[0];
    EXPECT_EQ(run.rfind("strings from run first_second UTC_", 0), 0u) << run;
    const std::string stamp = run.substr(std::string("strings from run first_second UTC_").size());
    ASSERT_EQ(stamp.size(), 8u + 1 + 4 + 1 + std::to_string(getpid()).size()) << stamp;
    EXPECT_EQ(stamp.substr(8, 1) + stamp.substr(13, 1), "__");
    EXPECT_EQ(stamp.substr(14), std::to_string(getpid()));
    const time_t now = time(nullptr);
    tm utc{};
    gmtime_r(&now, &utc);
    EXPECT_EQ(stamp.substr(4, 4), std::to_string(utc.tm_year + 1900));

    // The folder is remembered in the switch file.
    const std::string stored = ReadAll(mTemp / "KelvoraStringFiles.prefs");
    EXPECT_NE(stored.find(Utf16("\"OutputFolder\" \"" + mTemp.Path() + "\"")), std::string::npos);

    // What was written reads back.
    const GPathName written = Folder() / GPathName("StringFiles") / GPathName(GString(run.c_str()));
    Reset();
    GStringPool::Initialize();
    GStringPoolSupport::Initialize();
    EXPECT_EQ(GStringPoolSupport::ReadStringFiles(written, GString("DUZ"), 0, 0, 0, GString()), 2);
    EXPECT_EQ(TextIn("enUS", 2), "two");
    EXPECT_EQ(TextIn("deDE", 1), "eins");
    EXPECT_TRUE(Traces().empty());
}

TEST_F(WriteStringFilesForRun, AStoredOutputFolderIsUsed) {
    ASSERT_EQ(mkdir((mTemp / "out").c_str(), 0700), 0);
    WriteFile("KelvoraStringFiles.prefs", Switch(mTemp / "out"));
    GStringPoolSupport::WriteStringFiles(GString("second"));
    EXPECT_TRUE(RunFolders(mTemp.Path()).empty());
    const std::vector<std::string> runs = RunFolders(mTemp / "out");
    ASSERT_EQ(runs.size(), 1u);
    const std::string folder = mTemp / "out/StringFiles/" + runs[0];
    EXPECT_EQ(ReadAll(folder + "/DUZ__StringFile_deDE_0.lng").substr(0, 33), "StringTable deDE WinAnsiEncoding\r");
}

// An output folder that cannot be made drops the run with a trace; nothing throws.
TEST_F(WriteStringFilesForRun, AnOutputFolderThatCannotBeMadeIsReported) {
    WriteFile("blocked", "a file where a folder should be");
    WriteFile("KelvoraStringFiles.prefs", Switch(mTemp / "blocked"));
    EXPECT_NO_THROW(GStringPoolSupport::WriteStringFiles(GString("third")));
    EXPECT_EQ(Traces().size(), 1u);
}

}  // namespace
