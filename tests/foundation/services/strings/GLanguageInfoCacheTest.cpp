#include "services/strings/GLanguageInfoCache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "support/StringPoolTestSetup.h"
#include "support/ThreadsTogether.h"

namespace {

class GLanguageInfoCacheTest : public StringPoolTest {
protected:
    static std::string UTF16(const std::string& ascii) {
        std::string out("\xFF\xFE");
        for (char c : ascii) {
            out += c;
            out += '\0';
        }
        return out;
    }
};

TEST_F(GLanguageInfoCacheTest, AFileIsParsedOnce) {
    const GPathName path = WriteFile("DUZdeDE.lng", "StringTable deDE WinAnsiEncoding\nString 921032, \"Deutsch\"\n"
                                                    "String 921033, \"\x83\x68\"\nString 5, \"f\xFCnf\"\n");
    GLanguageInfoCache cache;
    cache.SetLanguageScript(GLanguageInfoCache::kRomanScript);
    const GLanguageInfo* info = cache.AddLanguageInfo(path);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(Text(info->GetLanguageID()), "deDE");
    EXPECT_EQ(Text(info->GetLanguageNameRomanScript()), "Deutsch");
    EXPECT_EQ(Text(info->GetLanguageNameJapaneseScript()), "\u0192h");  // as WinAnsi reads it
    EXPECT_EQ(TextIn("deDE", 5), "f\u00fcnf");  // the file's texts entered the pool

    std::remove((mTemp / "DUZdeDE.lng").c_str());
    EXPECT_EQ(cache.AddLanguageInfo(path), info);  // not parsed again
    EXPECT_EQ(cache.GetCount(), 1);
    EXPECT_EQ(cache.GetLanguageInfoFromID(GString("deDE")), info);
    EXPECT_EQ(cache.GetLanguageInfoFromName(GString("Deutsch")), info);
    EXPECT_EQ(cache.GetLanguageInfoFromID(GString("frFR")), nullptr);
}

// Threads adding the same files in different orders while others look them up: one entry per
// file, the same for every thread, and lookups see only whole entries.
TEST_F(GLanguageInfoCacheTest, ThreadsAddingAndLookingUpShareOneEntryPerFile) {
    const char* const languages[] = {"deDE", "frFR", "itIT", "esES", "nlNL", "svSE"};
    std::vector<GPathName> paths;
    for (const char* language : languages)
        paths.push_back(WriteFile(std::string("DUZ") + language + ".lng",
                                  std::string("StringTable ") + language + " WinAnsiEncoding\nString 921032, \"" +
                                      language + " name\"\n"));
    GLanguageInfoCache cache;
    cache.SetLanguageScript(GLanguageInfoCache::kRomanScript);
    std::atomic<bool> wrong{false};
    std::vector<std::vector<const GLanguageInfo*>> seen(2);
    RunThreadsTogether(4, [&](int t) {
        if (t < 2) {
            for (size_t i = 0; i < paths.size(); ++i)
                seen[size_t(t)].push_back(cache.AddLanguageInfo(paths[t == 0 ? i : paths.size() - 1 - i]));
            if (t == 1)
                std::reverse(seen[1].begin(), seen[1].end());
            return;
        }
        for (int round = 0; round < 200; ++round) {
            for (const char* language : languages) {
                GString name;
                cache.GetLanguageName(GString(language), name);
                const GLanguageInfo* info = cache.GetLanguageInfoFromID(GString(language));
                if (info != nullptr && Text(info->GetLanguageNameRomanScript()) != std::string(language) + " name")
                    wrong = true;
            }
        }
    });
    EXPECT_FALSE(wrong);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(cache.GetCount(), 6);
}

TEST_F(GLanguageInfoCacheTest, AFileWithoutNamesGivesEmptyNames) {
    GLanguageInfoCache cache;
    const GLanguageInfo* info = cache.AddLanguageInfo(WriteFile("DUZfrFR.lng", "StringTable frFR WinAnsiEncoding\nString 1, \"un\"\n"));
    EXPECT_EQ(Text(info->GetLanguageID()), "frFR");
    EXPECT_TRUE(info->GetLanguageNameRomanScript().IsEmpty());
    EXPECT_TRUE(info->GetLanguageNameJapaneseScript().IsEmpty());
}

TEST_F(GLanguageInfoCacheTest, NamesAndCodes) {
    GLanguageInfoCache cache;
    cache.SetLanguageScript(GLanguageInfoCache::kRomanScript);
    EXPECT_EQ(Text(cache.GetLanguageNameRomanScript(GString("enUS"))), "English");  // registered
    EXPECT_EQ(Text(cache.GetLanguageNameJapaneseScript(GString("enUS"))), "English");
    EXPECT_EQ(Text(cache.GetLanguageNameRomanScript(GString("xxXX"))), "");

    struct Case {
        GLanguageInfoCache::LanguageScript script;
        const char* name;
        const char* id;
    } const cases[] = {
        {GLanguageInfoCache::kRomanScript, "English", "enUS"},
        {GLanguageInfoCache::kJapaneseScript, "English", "enUS"},
        {GLanguageInfoCache::kRomanScript, "Klingon", ""},
        {GLanguageInfoCache::kRomanScript, "", ""},
        {static_cast<GLanguageInfoCache::LanguageScript>(7), "", "enUS"},
        {static_cast<GLanguageInfoCache::LanguageScript>(7), "English", ""},
    };
    for (const Case& c : cases) {
        cache.SetLanguageScript(c.script);
        GString out("stale");
        cache.GetLanguageID(GString(c.name), out);
        EXPECT_EQ(Text(out), c.id) << c.name << " " << c.script;
    }

    cache.AddLanguageInfo(WriteFile("DUZdeDE.lng", "StringTable deDE WinAnsiEncoding\nString 921032, \"Deutsch\"\nString 921033, \"Doitsu\"\n"));
    GString out;
    cache.SetLanguageScript(GLanguageInfoCache::kJapaneseScript);
    cache.GetLanguageName(GString("deDE"), out);
    EXPECT_EQ(Text(out), "Doitsu");
    cache.GetLanguageID(GString("Doitsu"), out);
    EXPECT_EQ(Text(out), "deDE");
    cache.SetLanguageScript(GLanguageInfoCache::kRomanScript);
    cache.GetLanguageName(GString("deDE"), out);
    EXPECT_EQ(Text(out), "Deutsch");
    cache.GetLanguageName(GString("enUS"), out);
    EXPECT_EQ(Text(out), "English");
}

TEST_F(GLanguageInfoCacheTest, CacheFileBlocks) {
    const std::string text =
        "#BEGINDICT\r\"PathName\" \"Disk:Strings:DUZdeDE.lng\"\r\"LanguageID\" \"deDE\"\r"
        "\"LanguageNameRomanScript\" \"Deutsch\"\r\"LanguageNameJapaneseScript\" \"Doitsu\"\r#ENDDICT\r"
        // No Japanese name: skipped.
        "#BEGINDICT\r\"PathName\" \"Disk:Strings:DUZfrFR.lng\"\r\"LanguageID\" \"frFR\"\r"
        "\"LanguageNameRomanScript\" \"Francais\"\r#ENDDICT\r"
        // Ended by another word starting with "#": accepted.
        "#BEGINDICT\r\"PathName\" \"Disk:Strings:DUZesES.lng\"\r\"LanguageID\" \"esES\"\r"
        "\"LanguageNameRomanScript\" \"Espanol\"\r\"LanguageNameJapaneseScript\" \"Supein\"\r#END\r"
        // Not a block: reading stops.
        "junk\r"
        "#BEGINDICT\r\"PathName\" \"Disk:Strings:DUZitIT.lng\"\r\"LanguageID\" \"itIT\"\r"
        "\"LanguageNameRomanScript\" \"Italiano\"\r\"LanguageNameJapaneseScript\" \"Itaria\"\r#ENDDICT\r";
    const GPathName cacheFile = WriteFile("languages.cache", UTF16(text));
    {
        GLanguageInfoCache cache;
        cache.SetCacheFile(cacheFile);
        ASSERT_EQ(cache.GetCount(), 2);
        EXPECT_NE(cache.GetLanguageInfoFromID(GString("deDE")), nullptr);
        EXPECT_EQ(cache.GetLanguageInfoFromID(GString("frFR")), nullptr);
        EXPECT_NE(cache.GetLanguageInfoFromID(GString("esES")), nullptr);
        cache.AddLanguageInfo(WriteFile("DUZjaJP.lng", "StringTable jaJP WinAnsiEncoding\nString 921032, \"Japanese\"\n"));
    }  // written back when the cache ends
    GLanguageInfoCache again;
    again.SetCacheFile(cacheFile);
    ASSERT_EQ(again.GetCount(), 3);
    const GLanguageInfo* japanese = again.GetLanguageInfoFromID(GString("jaJP"));
    ASSERT_NE(japanese, nullptr);
    EXPECT_EQ(Text(japanese->GetLanguageNameRomanScript()), "Japanese");
    EXPECT_EQ(Text(japanese->GetPathName().GetCrossPlatformString()), mTemp / "DUZjaJP.lng");
    EXPECT_EQ(Text(again.GetLanguageInfoFromID(GString("deDE"))->GetLanguageNameJapaneseScript()), "Doitsu");
}

TEST_F(GLanguageInfoCacheTest, TheInstanceWritesItsCacheWhenReplaced) {
    auto* cache = new GLanguageInfoCache;
    cache->SetCacheFile(Folder() / GPathName("languages.cache"));
    cache->AddLanguageInfo(WriteFile("DUZdeDE.lng", "StringTable deDE WinAnsiEncoding\n"));
    GLanguageInfoCache::SetInstance(cache);
    EXPECT_EQ(GLanguageInfoCache::GetInstance(), cache);
    GLanguageInfoCache::SetInstance(nullptr);
    GLanguageInfoCache reread;
    reread.SetCacheFile(Folder() / GPathName("languages.cache"));
    EXPECT_EQ(reread.GetCount(), 1);
}

}  // namespace
