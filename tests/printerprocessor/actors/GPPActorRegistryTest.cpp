#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/values/GDateTime.h"
#include "foundation/services/locks/LockTestSupport.h"
#include "printerprocessor/actors/ActorTestSupport.h"
#include "services/locks/GLockByFile.h"
#include "services/preferences/GPrefFileIO.h"
#include "support/FileFixtures.h"
#include "support/ForkedChild.h"
#include "support/Watchdog.h"

using namespace actortest;

namespace {

const char* const kGroup = "PrinterProcessorRegistry";

GPPSettings SampleSettings(std::string const& tag) {
    GPPSettings settings;
    settings.ApplicationPath = P("/Applications/" + tag + ".app");
    settings.ContextFilePath = P("/ctx/" + tag + ".ctx");
    settings.PDFSettings = T("PDF " + tag);
    settings.TrovelorName = T("Trovelor " + tag);
    settings.TrovelorIconPath = P("/icons/" + tag + ".png");
    settings.IsVirtualPrinter = true;
    settings.IsPlugin = true;
    settings.IsActive = false;
    return settings;
}

std::vector<std::string> Names(GPPActorRegistry const& registry) {
    GTable<GString> names;
    registry.GetActorList(names);
    std::vector<std::string> out;
    for (GString const& name : names)
        out.push_back(U8(name));
    return out;
}

std::string TrovelorOf(std::string const& name) {
    GPPSettings settings;
    if (!GPPActorRegistry().GetActor(T(name), settings))
        return "<none>";
    return U8(settings.TrovelorName);
}

class ActorRegistry : public SandboxedUser {
protected:
    GPathName Path() const { return P(RegistryFile()); }

    // Records written straight into the file, as another writer may have left them.
    void WriteRecords(std::vector<std::pair<std::string, GString>> const& records) {
        std::filesystem::create_directories(std::filesystem::path(RegistryFile()).parent_path());
        GPrefSharedFileModule module(Path(), Unicode());
        for (auto const& [key, text] : records)
            module.Set(B(kGroup), B(key), text);
        module.FlushPrefs();
    }
    // The keys in the order the registry tries them.
    std::vector<std::string> Keys() const {
        GPrefSharedFileModule module(Path(), Unicode());
        GTable<GBuffer> keys;
        module.GetGroupPreferences(B(kGroup), keys);
        std::vector<std::string> out;
        for (GBuffer const& key : keys)
            out.push_back(S(key));
        return out;
    }
    GString RawRecord(std::string const& key) const {
        return GPrefSharedFileModule(Path(), Unicode()).Get(B(kGroup), B(key));
    }
    std::string RecordEntry(std::string const& key, std::string const& entry) const {
        GDict<GBuffer, GString> record;
        if (!record.FromString(RawRecord(key)))
            return "<unparsed>";
        int slot = 0;
        return record.GetExistingIndex(B(entry), slot) ? U8(record.GetValueAt(slot)) : "<absent>";
    }
};

TEST_F(ActorRegistry, AMissingFolderIsMadeAndTheFileIsWrittenThereOnTheFirstWrite) {
    GPPActorRegistry registry;
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(RegistryFile()).parent_path()));
    EXPECT_FALSE(Exists(RegistryFile()));
    EXPECT_EQ(U8(GPPActorRegistry::GetRegistryPath().GetNativePathString()), RegistryFile());

    ASSERT_TRUE(registry.Register(T("Actor"), SampleSettings("a")));
    const std::string bytes = ReadFile(RegistryFile());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_EQ(bytes.find('\n'), std::string::npos) << "lines end with CR";
    const std::vector<std::string> keys = Keys();
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].size(), 32u);
    EXPECT_EQ(keys[0].find_first_not_of("0123456789abcdef"), std::string::npos) << keys[0];
    for (char const* entry : {"ActorName", "ApplicationPath", "ContextFilePath", "PDFSettings", "TrovelorName",
                              "TrovelorIconPath", "IsVirtualPrinter", "IsPlugin", "IsActive"})
        EXPECT_NE(RecordEntry(keys[0], entry), "<absent>") << entry;
    EXPECT_EQ(RecordEntry(keys[0], "IsActive"), "false");
}

TEST_F(ActorRegistry, AnEmptyOrMissingRegistryFindsNothingAndWritesNothing) {
    for (bool fileExists : {false, true}) {
        if (fileExists) {
            std::filesystem::create_directories(std::filesystem::path(RegistryFile()).parent_path());
            WriteFile(RegistryFile(), UTF16("#BEGINPREFS\r#ENDPREFS\r", true));
        }
        GPPActorRegistry registry;
        GTable<GString> names;
        names.AddItem(T("stale"));
        EXPECT_FALSE(registry.GetActorList(names));
        EXPECT_EQ(names.GetCount(), 0);
        GPPSettings settings;
        GString name;
        EXPECT_FALSE(registry.GetActor(T("Actor"), settings));
        EXPECT_FALSE(registry.GetActorByID(T("guid"), name, settings));
        EXPECT_FALSE(registry.Update(T("Actor"), settings));
        EXPECT_FALSE(registry.UnRegister(T("Actor")));
        GTable<GString> origins;
        registry.GetAllowedOrigins(origins);
        EXPECT_EQ(origins.GetCount(), 0);
        EXPECT_EQ(Exists(RegistryFile()), fileExists);
    }
}

TEST_F(ActorRegistry, EveryFieldComesBackFromAFreshRegistry) {
    GPPSettings written;
    written.ApplicationPath = P(mTemp / "Program Files/Zürich Ünïcødé/日本語 App.app");
    written.ContextFilePath = P("/Volumes/Disk With Spaces/Ordner ä/context file.ctx");
    written.PDFSettings = T("High \"Quality\" Print \\ [PDF/X-4] — 2024");
    written.TrovelorName = T("Trövelör «One» 東京");
    written.TrovelorIconPath = P("/icons/an icon ✓.icns");
    struct Flags {
        bool virtualPrinter, plugin, active;
    };
    const Flags flags[] = {{false, false, true}, {true, false, false}, {false, true, true}, {true, true, false}};
    int n = 0;
    for (Flags const& f : flags) {
        written.IsVirtualPrinter = f.virtualPrinter;
        written.IsPlugin = f.plugin;
        written.IsActive = f.active;
        const GString name = T("Actor Ünï " + std::to_string(n++));
        ASSERT_TRUE(GPPActorRegistry().Register(name, written));

        GPPSettings read;
        read.IsActive = !f.active;
        ASSERT_TRUE(GPPActorRegistry().GetActor(name, read));
        EXPECT_EQ(read.ApplicationPath, written.ApplicationPath);
        EXPECT_EQ(U8(read.ApplicationPath.GetCrossPlatformString()), U8(written.ApplicationPath.GetCrossPlatformString()));
        EXPECT_EQ(U8(read.ContextFilePath.GetCrossPlatformString()), U8(written.ContextFilePath.GetCrossPlatformString()));
        EXPECT_EQ(U8(read.TrovelorIconPath.GetCrossPlatformString()), U8(written.TrovelorIconPath.GetCrossPlatformString()));
        EXPECT_EQ(U8(read.PDFSettings), U8(written.PDFSettings));
        EXPECT_EQ(U8(read.TrovelorName), U8(written.TrovelorName));
        EXPECT_EQ(read.IsVirtualPrinter, f.virtualPrinter);
        EXPECT_EQ(read.IsPlugin, f.plugin);
        EXPECT_EQ(read.IsActive, f.active);
    }
    EXPECT_EQ(Names(GPPActorRegistry()).size(), 4u);
}

TEST_F(ActorRegistry, ANewSettingsObjectIsActiveWithNothingElseSet) {
    const GPPSettings settings;
    EXPECT_TRUE(settings.ApplicationPath.IsEmpty());
    EXPECT_TRUE(settings.ContextFilePath.IsEmpty());
    EXPECT_TRUE(settings.TrovelorIconPath.IsEmpty());
    EXPECT_TRUE(settings.PDFSettings.IsEmpty());
    EXPECT_TRUE(settings.TrovelorName.IsEmpty());
    EXPECT_FALSE(settings.IsVirtualPrinter);
    EXPECT_FALSE(settings.IsPlugin);
    EXPECT_TRUE(settings.IsActive);
}

// Only the exact text "true" sets a flag; a record without "IsActive" is active.
TEST_F(ActorRegistry, OnlyTrueInLowerCaseSetsAFlag) {
    struct Case {
        char const* text;  // null: the entry is absent
        bool flag;
        bool active;
    };
    const Case cases[] = {
        {"true", true, true},    {"True", false, false}, {"TRUE", false, false}, {"1", false, false},
        {"yes", false, false},   {"", false, false},     {"true ", false, false}, {"false", false, false},
        {nullptr, false, true},
    };
    std::vector<std::pair<std::string, GString>> records;
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::vector<std::pair<std::string, std::string>> entries = {{"ActorName", "case" + std::to_string(i)}};
        if (cases[i].text != nullptr)
            for (char const* flag : {"IsVirtualPrinter", "IsPlugin", "IsActive"})
                entries.emplace_back(flag, cases[i].text);
        records.emplace_back("key" + std::to_string(i), RecordText(entries));
    }
    WriteRecords(records);
    GPPActorRegistry registry;
    for (size_t i = 0; i < std::size(cases); ++i) {
        GPPSettings settings;
        settings.IsActive = !cases[i].active;
        ASSERT_TRUE(registry.GetActor(T("case" + std::to_string(i)), settings)) << i;
        if (cases[i].text != nullptr) {
            EXPECT_EQ(settings.IsVirtualPrinter, cases[i].flag) << cases[i].text;
            EXPECT_EQ(settings.IsPlugin, cases[i].flag) << cases[i].text;
        }
        EXPECT_EQ(settings.IsActive, cases[i].active) << (cases[i].text ? cases[i].text : "<absent>");
    }
}

// Entries a record lacks leave the caller's fields as they were (IsActive excepted).
TEST_F(ActorRegistry, ARecordWithOnlyAPathLeavesTheOtherFieldsAsTheyWere) {
    WriteRecords({{"k", RecordText({{"ActorName", "Sparse"}, {"ContextFilePath", "/ctx/s.ctx"}})}});
    GPPSettings settings = SampleSettings("caller");
    ASSERT_TRUE(GPPActorRegistry().GetActor(T("Sparse"), settings));
    EXPECT_EQ(U8(settings.ContextFilePath.GetCrossPlatformString()), "/ctx/s.ctx");
    EXPECT_EQ(U8(settings.ApplicationPath.GetCrossPlatformString()), "/Applications/caller.app");
    EXPECT_EQ(U8(settings.TrovelorName), "Trovelor caller");
    EXPECT_TRUE(settings.IsVirtualPrinter);
    EXPECT_TRUE(settings.IsActive);
}

// Two records of one name: every operation acts on the first in the registry's key order only.
TEST_F(ActorRegistry, OfTwoRecordsWithOneNameOnlyTheFirstIsReadRewrittenOrRemoved) {
    WriteRecords({{"0123456789abcdef0123456789abcdef", RecordText({{"ActorName", "Dup"}, {"TrovelorName", "A"}})},
                  {"fedcba9876543210fedcba9876543210", RecordText({{"ActorName", "Dup"}, {"TrovelorName", "B"}})}});
    std::vector<std::string> keys = Keys();
    ASSERT_EQ(keys.size(), 2u);
    const std::string first = RecordEntry(keys[0], "TrovelorName");
    const std::string second = RecordEntry(keys[1], "TrovelorName");
    EXPECT_EQ(Names(GPPActorRegistry()), (std::vector<std::string>{"Dup", "Dup"}));
    EXPECT_EQ(TrovelorOf("Dup"), first);

    GPPSettings settings;
    settings.TrovelorName = T("Updated");
    ASSERT_TRUE(GPPActorRegistry().Update(T("Dup"), settings));
    EXPECT_EQ(RecordEntry(keys[0], "TrovelorName"), "Updated");
    EXPECT_EQ(RecordEntry(keys[1], "TrovelorName"), second);

    keys = Keys();
    const std::string firstKey = keys[0];
    const std::string remaining = RecordEntry(keys[1], "TrovelorName");
    ASSERT_TRUE(GPPActorRegistry().UnRegister(T("Dup")));
    EXPECT_EQ(Keys(), (std::vector<std::string>{keys[1]}));
    EXPECT_EQ(TrovelorOf("Dup"), remaining);

    // Registering a name again gives a second record, it does not replace the first.
    ASSERT_TRUE(GPPActorRegistry().Register(T("Dup"), settings));
    EXPECT_EQ(Keys().size(), 2u);
}

// A record without "ActorName" is listed under its key read as UTF-16 text, and that name leads
// back to it; so does a key that is not 32 hexadecimal digits, an odd-length one included.
TEST_F(ActorRegistry, ARecordWithoutANameIsFoundUnderTheNameItsKeyMakes) {
    const std::string keys[] = {"0123456789abcdef0123456789abcdef", "odd", "x", "legacy key with blanks"};
    for (std::string const& key : keys) {
        SCOPED_TRACE(key);
        std::filesystem::remove(RegistryFile());
        WriteRecords({{key, RecordText({{"TrovelorName", "keyed"}})},
                      {"other", RecordText({{"ActorName", "Other"}, {"TrovelorName", "other"}})}});
        GTable<GString> names;
        ASSERT_TRUE(GPPActorRegistry().GetActorList(names));
        ASSERT_EQ(names.GetCount(), 2);
        const GString name = U8(names[0]) == "Other" ? names[1] : names[0];
        EXPECT_NE(U8(name), "Other");
        GPPSettings settings;
        ASSERT_TRUE(GPPActorRegistry().GetActor(name, settings));
        EXPECT_EQ(U8(settings.TrovelorName), "keyed");

        settings.TrovelorName = T("rewritten");
        ASSERT_TRUE(GPPActorRegistry().Update(name, settings));
        EXPECT_EQ(RecordEntry(key, "TrovelorName"), "rewritten");
        EXPECT_EQ(RecordEntry("other", "TrovelorName"), "other");
        ASSERT_TRUE(GPPActorRegistry().UnRegister(name));
        EXPECT_EQ(Keys(), (std::vector<std::string>{"other"}));
    }
}

// The one-pass read gives each listed actor what a lookup of its name finds: the first record in
// key order whose actor name or key name it is, so a repeated name (also one written composed
// and decomposed) and a name that is another record's key lead to the earlier record; a broken
// record is left out.
TEST_F(ActorRegistry, AllActorsAtOnceAreTheListWithWhatEachNameFinds) {
    std::string const keyName = U8(GString(B("a4"), Unicode(), false));
    WriteRecords({{"a1", RecordText({{"ActorName", "Dup"}, {"TrovelorName", "dup 1"}, {"IsPlugin", "true"}})},
                  {"a2", RecordText({{"ActorName", "Dup"}, {"TrovelorName", "dup 2"}})},
                  {"a3", T("not a dictionary")},
                  {"a4", RecordText({{"TrovelorName", "keyed"}, {"PDFSettings", "Keyed PDF"}})},
                  {"a5", RecordText({{"ActorName", keyName}, {"TrovelorName", "named like a key"}})},
                  {"a6", RecordText({{"ActorName", "Cafe\xCC\x81"}, {"TrovelorName", "decomposed"}})},
                  {"a7", RecordText({{"ActorName", "Caf\xC3\xA9"}, {"TrovelorName", "composed"}})}});
    // Listed in key order, each name leading to the first of its records in that order.
    std::vector<std::string> const keys = Keys();
    auto before = [&keys](char const* a, char const* b) {
        return std::find(keys.begin(), keys.end(), a) < std::find(keys.begin(), keys.end(), b);
    };
    std::string const dup = before("a1", "a2") ? "dup 1" : "dup 2";
    std::string const keyed = before("a4", "a5") ? "keyed" : "named like a key";
    // Canonically equal names are one name.
    std::string const cafe = before("a6", "a7") ? "decomposed" : "composed";
    std::map<std::string, std::pair<std::string, std::string>> const byKey{
        {"a1", {"Dup", dup}},         {"a2", {"Dup", dup}},
        {"a4", {keyName, keyed}},     {"a5", {keyName, keyed}},
        {"a6", {"Caf\xC3\xA9", cafe}},       {"a7", {"Caf\xC3\xA9", cafe}}};
    std::vector<std::pair<std::string, std::string>> expected;
    for (std::string const& key : keys)
        if (byKey.count(key) != 0)
            expected.push_back(byKey.at(key));
    GTable<GPPActorRegistry::Actor> actors;
    ASSERT_TRUE(GPPActorRegistry().GetActors(actors));
    std::vector<std::pair<std::string, std::string>> got;
    for (GPPActorRegistry::Actor const& actor : actors)
        got.emplace_back(U8(actor.name), U8(actor.settings.TrovelorName));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(Names(GPPActorRegistry()).size(), got.size());
    for (GPPActorRegistry::Actor const& actor : actors) {
        GPPSettings one;
        ASSERT_TRUE(GPPActorRegistry().GetActor(actor.name, one));
        EXPECT_EQ(U8(one.TrovelorName), U8(actor.settings.TrovelorName));
        EXPECT_EQ(one.IsPlugin, actor.settings.IsPlugin);
        EXPECT_EQ(U8(one.PDFSettings), U8(actor.settings.PDFSettings));
    }

    std::filesystem::remove(RegistryFile());
    EXPECT_FALSE(GPPActorRegistry().GetActors(actors));
    EXPECT_EQ(actors.GetCount(), 0);
}

TEST_F(ActorRegistry, UpdateRewritesTheNineEntriesAndKeepsAnyOther) {
    WriteRecords({{"k", RecordText({{"ActorName", "Old"},
                                    {"TrovelorName", "before"},
                                    {"IsActive", "true"},
                                    {"Extra", "kept ✓"},
                                    {"AnotherExtra", ""}})}});
    GPPSettings settings = SampleSettings("new");
    ASSERT_TRUE(GPPActorRegistry().Update(T("Old"), settings));
    EXPECT_EQ(RecordEntry("k", "Extra"), "kept ✓");
    EXPECT_EQ(RecordEntry("k", "AnotherExtra"), "");
    EXPECT_EQ(RecordEntry("k", "ActorName"), "Old");
    EXPECT_EQ(RecordEntry("k", "TrovelorName"), "Trovelor new");
    EXPECT_EQ(RecordEntry("k", "ApplicationPath"), "/Applications/new.app");
    EXPECT_EQ(RecordEntry("k", "IsActive"), "false");
    EXPECT_EQ(RecordEntry("k", "IsPlugin"), "true");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"k"}));
    EXPECT_FALSE(GPPActorRegistry().Update(T("Nobody"), settings));
}

// A record that does not parse is skipped by every reader, kept by every write of another record,
// and can still be removed by the name its key makes.
TEST_F(ActorRegistry, ARecordThatDoesNotParseIsSkippedKeptAndRemovableByKey) {
    const std::string broken[] = {"not a dictionary", "#BEGINDICT\r\"ActorName\" \"Cut",
                                  "#BEGINTABLE\r\"x\"\r#ENDTABLE\r", "#BEGINDICT\r\"ActorName\"\r#ENDDICT\r"};
    for (std::string const& text : broken) {
        SCOPED_TRACE(text);
        std::filesystem::remove(RegistryFile());
        WriteRecords({{"bad", T(text)}, {"good", RecordText({{"ActorName", "Good"}})}});
        EXPECT_EQ(Names(GPPActorRegistry()), (std::vector<std::string>{"Good"}));
        GPPSettings settings;
        EXPECT_FALSE(GPPActorRegistry().GetActor(T("Cut"), settings));

        ASSERT_TRUE(GPPActorRegistry().Register(T("New"), settings));
        ASSERT_TRUE(GPPActorRegistry().Update(T("Good"), SampleSettings("g")));
        ASSERT_TRUE(GPPActorRegistry().UnRegister(T("New")));
        EXPECT_EQ(U8(RawRecord("bad")), U8(T(text)));

        // The key's bytes as UTF-16, the odd last one a unit of its own.
        GString keyName(B(std::string("bad\0", 4)), Unicode(), false);
        ASSERT_TRUE(GPPActorRegistry().UnRegister(keyName));
        EXPECT_EQ(Keys(), (std::vector<std::string>{"good"}));
    }
}

TEST_F(ActorRegistry, ARecordIsFoundByTheGUIDOfItsContextPath) {
    const std::string settingsFolder = CacheFolder() + "/Settings";
    WriteRecords({{"a", RecordText({{"ActorName", "Outside"}, {"ContextFilePath", "/elsewhere/x/file.ctx"}})},
                  {"b", RecordText({{"ActorName", "Bad"}, {"ContextFilePath", "relative/file.ctx"}})},
                  {"c", RecordText({{"TrovelorName", "No path"}})},
                  {"d", RecordText({{"ActorName", "Pkg"},
                                    {"ContextFilePath", settingsFolder + "/guid-1/Job Options.ctx"},
                                    {"TrovelorName", "T1"}})},
                  {"e", RecordText({{"ContextFilePath", settingsFolder + "/guid-2/file.ctx"}, {"TrovelorName", "T2"}})}});
    GPPActorRegistry registry;
    GString name("unchanged");
    GPPSettings settings;
    ASSERT_TRUE(registry.GetActorByID(T("guid-1"), name, settings));
    EXPECT_EQ(U8(name), "Pkg");
    EXPECT_EQ(U8(settings.TrovelorName), "T1");

    name = GString("unchanged");
    ASSERT_TRUE(registry.GetActorByID(T("guid-2"), name, settings));
    EXPECT_EQ(U8(name), "unchanged") << "a record without a name leaves it";
    EXPECT_EQ(U8(settings.TrovelorName), "T2");

    // A path outside the settings folder has no GUID: neither ".." nor an empty one finds it.
    for (char const* guid : {"", "..", "elsewhere", "guid-3"})
        EXPECT_FALSE(registry.GetActorByID(T(guid), name, settings)) << guid;
}

TEST_F(ActorRegistry, CleanUpRemovesEveryRecordButKeepsTheAllowedOrigins) {
    GPPActorRegistry registry;
    GTable<GString> origins;
    origins.AddItem(T("https://example.com"));
    origins.AddItem(T("http://localhost:8080/a \"quoted\" path"));
    origins.AddItem(T("ünïcødé"));
    registry.SetAllowedOrigins(origins);
    registry.Register(T("One"), GPPSettings());
    registry.Register(T("Two"), GPPSettings());
    GPPActorRegistry().CleanUp();

    GPPActorRegistry fresh;
    EXPECT_TRUE(Names(fresh).empty());
    GTable<GString> read;
    fresh.GetAllowedOrigins(read);
    ASSERT_EQ(read.GetCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(U8(read[i]), U8(origins[i]));
}

TEST_F(ActorRegistry, AllowedOriginsThatAreNotATableReadAsNone) {
    struct Case {
        char const* text;
        int count;
    };
    const Case cases[] = {{"", 0},
                          {"just text", 0},
                          {"#BEGINDICT\r\"a\" \"b\"\r#ENDDICT\r", 0},
                          {"#BEGINTABLE\r#ENDTABLE\r", 0},
                          {"#BEGINTABLE\r\"a\" rest ignored\r\"b\"\r#ENDTABLE\r", 2}};
    std::filesystem::create_directories(std::filesystem::path(RegistryFile()).parent_path());
    for (Case const& c : cases) {
        {
            GPrefSharedFileModule module(Path(), Unicode());
            module.Set(B("HTTPServerSettings"), B("AllowedOriginRequest"), T(c.text));
            module.FlushPrefs();
        }
        GTable<GString> origins;
        origins.AddItem(T("stale"));
        GPPActorRegistry().GetAllowedOrigins(origins);
        EXPECT_EQ(origins.GetCount(), c.count) << c.text;
    }
}

TEST_F(ActorRegistry, TheModificationTimeIsTheFilesOrLeftAlone) {
    GDateTime when(1, 2, 2003, 4, 5, 6, true);
    const GDateTime untouched = when;
    GPPActorRegistry::GetModificationDateTime(when);
    EXPECT_TRUE(when == untouched);

    GPPActorRegistry().Register(T("A"), GPPSettings());
    GPPActorRegistry::GetModificationDateTime(when);
    EXPECT_TRUE(GDateTime::AreEqual(when, GDateTime(true), 120.0));
}

// A write that cannot take the lock in time reports it and changes nothing, neither then nor with
// the next write of the same registry object.
TEST_F(ActorRegistry, AWriteThatCannotLockFailsAndLeavesTheFile) {
    GPPActorRegistry().Register(T("Kept"), GPPSettings());
    GTable<GString> origins;
    origins.AddItem(T("https://kept.example"));
    GPPActorRegistry().SetAllowedOrigins(origins);
    const std::string before = ReadFile(RegistryFile());
    ScopedWaitLimit limit(200);
    GPPActorRegistry registry;
    {
        LockHolder holder(RegistryFile() + "lock", GLockFile::kExclusive);
        ASSERT_TRUE(holder.Locked());
        EXPECT_THROW(registry.Register(T("New"), GPPSettings()), GException);
        EXPECT_THROW(registry.UnRegister(T("Kept")), GException);
        EXPECT_THROW(registry.Update(T("Kept"), SampleSettings("lost")), GException);
        EXPECT_THROW(registry.CleanUp(), GException);
        EXPECT_THROW(registry.SetAllowedOrigins(GTable<GString>()), GException);
    }
    EXPECT_EQ(ReadFile(RegistryFile()), before);
    EXPECT_EQ(Names(registry), (std::vector<std::string>{"Kept"}));

    ASSERT_TRUE(registry.Register(T("Later"), GPPSettings()));
    GPPActorRegistry fresh;
    std::vector<std::string> names = Names(fresh);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Kept", "Later"}));
    GPPSettings kept;
    ASSERT_TRUE(fresh.GetActor(T("Kept"), kept));
    EXPECT_NE(U8(kept.TrovelorName), "Trovelor lost");
    GTable<GString> read;
    fresh.GetAllowedOrigins(read);
    EXPECT_EQ(read.GetCount(), 1);
}

// Every child keeps one registry from the start and writes from that stale view; the records of
// the others must all survive, and each child's removals take its own records only.
TEST_F(ActorRegistry, ConcurrentRegistriesInChildProcessesLoseNoRecord) {
    constexpr int kChildren = 6;
    constexpr int kRecords = 12;
    auto name = [](int c, int r) { return "child " + std::to_string(c) + " record " + std::to_string(r); };
    auto removed = [](int r) { return r % 3 == 1; };
    std::filesystem::create_directories(std::filesystem::path(RegistryFile()).parent_path());
    std::vector<std::unique_ptr<ForkedChild>> children;
    for (int c = 0; c < kChildren; ++c) {
        children.push_back(std::make_unique<ForkedChild>([&, c](ForkedChild& self) {
            GLockByFile::SetWaitLimit(60000);
            GPPActorRegistry registry;
            self.Signal();
            if (!self.AwaitGo())
                return 2;
            for (int r = 0; r < kRecords; ++r) {
                GPPSettings settings;
                settings.TrovelorName = T(name(c, r));
                if (!registry.Register(T(name(c, r)), settings))
                    return 3;
                if (r > 0 && removed(r - 1) && !registry.UnRegister(T(name(c, r - 1))))
                    return 4;
            }
            return 0;
        }));
    }
    // Made once the children are forked: a child forked while the watchdog's thread starts up may
    // inherit a lock of the allocator that no thread of its own will ever release.
    Watchdog watchdog(std::chrono::seconds(180), "concurrent registry writers");
    for (auto& child : children)
        ASSERT_TRUE(child->AwaitSignal());
    for (auto& child : children)
        child->Go();
    for (auto& child : children)
        EXPECT_EQ(child->Wait(120000), 0);

    GPrefModule::Groups groups;
    EXPECT_TRUE(GPrefFileIO::Read(Path(), nullptr, groups)) << "the file parses whole";
    std::vector<std::string> names = Names(GPPActorRegistry());
    std::map<std::string, int> counts;
    for (std::string const& n : names)
        ++counts[n];
    for (int c = 0; c < kChildren; ++c) {
        for (int r = 0; r < kRecords; ++r) {
            const bool gone = removed(r) && r + 1 < kRecords;
            EXPECT_EQ(counts[name(c, r)], gone ? 0 : 1) << name(c, r);
            if (!gone) {
                EXPECT_EQ(TrovelorOf(name(c, r)), name(c, r));
            }
        }
    }
    int expected = 0;
    for (int r = 0; r < kRecords; ++r)
        expected += removed(r) && r + 1 < kRecords ? 0 : 1;
    EXPECT_EQ(names.size(), static_cast<size_t>(kChildren * expected));
}

// A writer killed at any moment of a write leaves the old file or the new one, never a cut one.
TEST_F(ActorRegistry, AWriterKilledMidWriteLeavesAWholeFile) {
    // Each write is a safe save of a 400 KB file (two fsyncs): slow on a busy disk.
    Watchdog watchdog(std::chrono::seconds(300), "killed registry writer");
    GPPActorRegistry seed;
    GPPSettings big;
    big.PDFSettings = T(std::string(20000, 'p'));
    for (int i = 0; i < 20; ++i)
        seed.Register(T("seed " + std::to_string(i)), big);
    for (int round = 0; round < 6; ++round) {
        ForkedChild writer([&](ForkedChild& self) {
            GPPSettings settings = big;
            for (int i = 0;; ++i) {
                GPPActorRegistry registry;
                settings.TrovelorName = T(std::to_string(i));
                registry.Update(T("seed 0"), settings);
                registry.Register(T("extra"), settings);
                registry.UnRegister(T("extra"));
                if (i == 0)
                    self.Signal();
            }
            return 0;
        });
        ASSERT_TRUE(writer.AwaitSignal(120000));
        std::this_thread::sleep_for(std::chrono::microseconds(500 + 2300 * round));
        writer.Kill(SIGKILL);
        EXPECT_EQ(writer.Wait(), -2);

        GPrefModule::Groups groups;
        ASSERT_TRUE(GPrefFileIO::Read(Path(), nullptr, groups)) << "round " << round;
        std::vector<std::string> names = Names(GPPActorRegistry());
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(std::count(names.begin(), names.end(), "seed " + std::to_string(i)), 1) << round;
        EXPECT_LE(std::count(names.begin(), names.end(), "extra"), 1);
        // The lock died with the writer: the next write goes through.
        EXPECT_TRUE(GPPActorRegistry().Update(T("seed 1"), big));
    }
}

}  // namespace
