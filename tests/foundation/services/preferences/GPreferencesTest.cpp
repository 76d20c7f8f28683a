#include <gtest/gtest.h>

#include <string>

#include "core/base/GException.h"
#include "core/support/GStringSupport.h"
#include "core/values/GDateTime.h"
#include "mac/system/PUNIXSystemException.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefFileModule.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPreferences.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

using namespace preftest;

namespace {

// A memory module that can be told to fail its saves, and says when it was flushed.
class ProbeModule : public GPrefMemoryModule {
public:
    explicit ProbeModule(bool fail = false, int* flushes = nullptr) : mFail(fail), mFlushes(flushes) {}
    void WriteDict() override {
        if (mFlushes != nullptr)
            ++*mFlushes;
        if (mFail)
            throw PUNIXSystemException(ENOSPC);
        GPrefMemoryModule::WriteDict();
    }
    bool mFail;
    int* mFlushes;
};

class HomeSubstitution : public GVariableSubstitution {
public:
    void SubstituteToVariables(GString& text) override {
        if (U8(text).rfind("/home/me/", 0) == 0)
            text = T("$HOME/" + U8(text).substr(9));
    }
    void SubstituteFromVariables(GString& text) override {
        if (U8(text).rfind("$HOME/", 0) == 0)
            text = T("/home/me/" + U8(text).substr(6));
    }
    bool WillSubstitute(StringType type) override { return type == kPathString; }
};

class Preferences : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        GPreferences::Initialize();
    }
    void TearDown() override {
        try {
            GPreferences::Finalize();
        } catch (...) {
        }
    }
    // Installs owned memory modules at -3 and -5 and returns the -3 one.
    GPrefModule* UserAndMemory() {
        GPreferences::SetPrefModule(-5, new GPrefMemoryModule(), true);
        GPrefModule* user = new GPrefMemoryModule();
        GPreferences::SetPrefModule(-3, user, true);
        return user;
    }
};

}  // namespace

TEST_F(Preferences, HigherLevelAnswersFirstLowerAfterRemove) {
    UserAndMemory();
    GPreferences::Set(-5, B("G"), B("k"), T("low"));
    GPreferences::Set(-3, B("G"), B("k"), T("high"));
    EXPECT_EQ(U8(GPreferences::Get(B("G"), B("k"))), "high");
    GPreferences::Remove(-3, B("G"), B("k"));
    EXPECT_EQ(U8(GPreferences::Get(B("G"), B("k"))), "low");
    GPreferences::Remove(-5, B("G"));
    EXPECT_TRUE(GPreferences::Get(B("G"), B("k")).IsEmpty());
    EXPECT_FALSE(GPreferences::Has(B("G"), B("k")));
}

TEST_F(Preferences, ModuleTableSortedByLevelReplacingInPlace) {
    int flushes = 0;
    GPreferences::SetPrefModule(-5, new GPrefMemoryModule(), true);
    GPreferences::SetPrefModule(-3, new GPrefMemoryModule(), true);
    GPrefModule* top = new GPrefMemoryModule();
    GPreferences::SetPrefModule(0, top, true);
    GPreferences::Set(0, B("G"), B("k"), T("top"));
    GPreferences::Set(-3, B("G"), B("k"), T("user"));
    EXPECT_EQ(U8(GPreferences::Get(B("G"), B("k"))), "top");
    ProbeModule replacement(false, &flushes);
    GPreferences::SetPrefModule(0, &replacement, false);  // the owned one is deleted
    EXPECT_EQ(GPreferences::GetPrefModule(0), &replacement);
    EXPECT_EQ(U8(GPreferences::Get(B("G"), B("k"))), "user");
    GPreferences::RemovePrefModule(0);  // not owned: not deleted
    EXPECT_EQ(GPreferences::GetPrefModule(0), nullptr);
    GPreferences::RemovePrefModule(42);
    replacement.Set(B("x"), B("y"), T("z"));
    EXPECT_EQ(U8(replacement.Get(B("x"), B("y"))), "z");
}

TEST_F(Preferences, MissingLevelReadsNothingAndTakesNoWrites) {
    GPreferences::Set(-3, B("G"), B("k"), T("v"));
    GPreferences::SetDefault(-3, B("G"), B("k"), T("v"));
    GPreferences::SetScramble(-3, B("G"), B("k"), 7);
    GPreferences::SetPrefSharing(-3, B("G"), true);
    GPreferences::Remove(-3, B("G"), B("k"));
    EXPECT_FALSE(GPreferences::Has(-3, B("G"), B("k")));
    EXPECT_TRUE(GPreferences::Get(-3, B("G"), B("k")).IsEmpty());
    GTable<GBuffer> names;
    GPreferences::GetGroupNames(-3, names);
    EXPECT_EQ(names.GetCount(), 0);
    EXPECT_FALSE(GPreferences::IsDirty());
}

TEST_F(Preferences, TypedValuesAreStoredAsText) {
    UserAndMemory();
    GPreferences::Set(-3, B("G"), B("int"), -42);
    GPreferences::Set(-3, B("G"), B("yes"), true);
    GPreferences::Set(-3, B("G"), B("no"), false);
    GPreferences::Set(-3, B("G"), B("real"), 0.1);
    GPreferences::Set(-3, B("G"), B("c"), "text");
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("int"))), "-42");
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("yes"))), "true");
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("no"))), "false");
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("c"))), "text");
    EXPECT_EQ(GPreferences::GetInt32(B("G"), B("int")), -42);
    EXPECT_DOUBLE_EQ(GPreferences::GetReal(B("G"), B("real")), 0.1);
    EXPECT_TRUE(GPreferences::GetBool(B("G"), B("yes")));
    EXPECT_FALSE(GPreferences::GetBool(B("G"), B("no")));
    EXPECT_FALSE(GPreferences::GetBool(B("G"), B("missing")));
    GPreferences::Set(-3, B("G"), B("odd"), T("True"));
    EXPECT_FALSE(GPreferences::GetBool(B("G"), B("odd")));
    int i = 1;
    GPreferences::Get(B("G"), B("missing"), i);
    EXPECT_EQ(i, 0);
}

TEST_F(Preferences, DatesArePDFDates) {
    UserAndMemory();
    GDateTime const date(24, 12, 2025, 18, 30, 5, true);
    GPreferences::Set(-3, B("G"), B("when"), date);
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("when"))).substr(0, 2), "D:");
    GDateTime back;
    EXPECT_TRUE(GPreferences::Get(B("G"), B("when"), back));
    EXPECT_TRUE(back == date);
    GPreferences::Set(-3, B("G"), B("bad"), T("yesterday"));
    GDateTime untouched;
    EXPECT_FALSE(GPreferences::Get(B("G"), B("bad"), untouched));
    EXPECT_TRUE(untouched == GDateTime());
}

TEST_F(Preferences, ScrambledValuesAreNotStoredPlain) {
    UserAndMemory();
    GPreferences::SetScramble(-3, B("G"), B("serial"), T("secret \xE6\x97\xA5"));
    GPreferences::SetScramble(-3, B("G"), B("n"), 1234);
    GString const stored = GPreferences::Get(-3, B("G"), B("serial"));
    EXPECT_EQ(U8(stored).find("secret"), std::string::npos);
    EXPECT_EQ(U8(stored), U8(GStringSupport::Scramble(T("secret \xE6\x97\xA5"))));
    EXPECT_EQ(U8(GPreferences::GetUnscramble(B("G"), B("serial"))), "secret \xE6\x97\xA5");
    EXPECT_EQ(GPreferences::GetUnscrambleInt32(B("G"), B("n")), 1234);
    GPreferences::Set(-3, B("G"), B("plain"), T("not scrambled"));
    EXPECT_TRUE(GPreferences::GetUnscramble(B("G"), B("plain")).IsEmpty());
}

TEST_F(Preferences, PathsGoThroughVariableSubstitutions) {
    UserAndMemory();
    EXPECT_FALSE(GPreferences::WillSubstituteVariablesInPrefType(GVariableSubstitution::kPathString));
    GPreferences::AddVariableSubstitution(GAutoPtr<GVariableSubstitution, GDeletePtr>(new HomeSubstitution));
    EXPECT_TRUE(GPreferences::WillSubstituteVariablesInPrefType(GVariableSubstitution::kPathString));
    GPreferences::Set(-3, B("G"), B("path"), P("/home/me/Documents/a.pdf"));
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("path"))), "$HOME/Documents/a.pdf");
    EXPECT_EQ(U8(GPreferences::GetPathName(B("G"), B("path")).GetCrossPlatformString()), "/home/me/Documents/a.pdf");
}

TEST_F(Preferences, SetDefaultWritesOnlyWhatTheLevelLacks) {
    UserAndMemory();
    GPreferences::Set(-5, B("G"), B("k"), T("lower"));
    GPreferences::SetDefault(-3, B("G"), B("k"), T("default"));
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("k"))), "default");
    GPreferences::SetDefault(-3, B("G"), B("k"), T("again"));
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("k"))), "default");
}

TEST_F(Preferences, SharedGroupsLiveInTheSharedModule) {
    UserAndMemory();
    GPrefModule* shared = new GPrefMemoryModule();
    GPreferences::SetPrefModule(-2, shared, true);
    GPreferences::Set(-3, B("G"), B("mine"), T("user value"));
    GPreferences::SetPrefSharing(-3, B("G"), true);
    EXPECT_TRUE(GPreferences::IsPrefSharing(B("G")));
    // Sharing brought the existing value over.
    EXPECT_EQ(U8(shared->Get(B("G"), B("mine"))), "user value");
    GPreferences::Set(-3, B("G"), B("k"), T("to shared"));
    EXPECT_EQ(U8(shared->Get(B("G"), B("k"))), "to shared");
    EXPECT_FALSE(GPreferences::Has(-3, B("G"), B("k")));
    shared->Set(B("G"), B("mine"), T("changed by another process"));
    EXPECT_EQ(U8(GPreferences::Get(B("G"), B("mine"))), "changed by another process");
    EXPECT_EQ(U8(GPreferences::GetNonSharedPref(B("G"), B("mine"))), "user value");
    // The sharing group itself stays where it is written.
    GPreferences::Set(-3, B("PrefSharing"), B("PrefSharing"), T("true"));
    EXPECT_FALSE(GPreferences::IsPrefSharing(B("PrefSharing")));
    EXPECT_TRUE(GPreferences::Has(-3, B("PrefSharing"), B("G")));
    EXPECT_FALSE(shared->Has(B("PrefSharing"), B("G")));
}

TEST_F(Preferences, OnlyLowerCaseTrueShares) {
    UserAndMemory();
    GPreferences::SetPrefModule(-2, new GPrefMemoryModule(), true);
    GPreferences::Set(-3, B("PrefSharing"), B("G"), T("TRUE"));
    EXPECT_FALSE(GPreferences::IsPrefSharing(B("G")));
    GPreferences::Set(-3, B("PrefSharing"), B("G"), T("true"));
    EXPECT_TRUE(GPreferences::IsPrefSharing(B("G")));
    // The highest level with the mark decides.
    GPreferences::Set(-5, B("PrefSharing"), B("H"), T("true"));
    GPreferences::Set(-3, B("PrefSharing"), B("H"), T("false"));
    EXPECT_FALSE(GPreferences::IsPrefSharing(B("H")));
}

// Without a shared module a group marked shared stays with its own modules: it neither reads
// empty nor drops its writes.
TEST_F(Preferences, MarkedGroupWithoutSharedModuleKeepsItsValues) {
    UserAndMemory();
    GPreferences::Set(-3, B("G"), B("k"), T("kept"));
    GPreferences::SetPrefSharing(-3, B("G"), true);
    EXPECT_FALSE(GPreferences::IsPrefSharing(B("G")));
    EXPECT_EQ(U8(GPreferences::Get(B("G"), B("k"))), "kept");
    GPreferences::Set(-3, B("G"), B("k2"), T("written"));
    EXPECT_EQ(U8(GPreferences::Get(B("G"), B("k2"))), "written");
}

TEST_F(Preferences, CopySharedPreferencesNeverOverwritesAndHighestLevelWins) {
    GPrefModule* user = UserAndMemory();
    GPrefModule* memory = GPreferences::GetPrefModule(-5);
    GPrefModule* shared = new GPrefMemoryModule();
    GPreferences::SetPrefModule(-2, shared, true);
    shared->Set(B("G"), B("there"), T("shared"));
    user->Set(B("G"), B("there"), T("user"));
    user->Set(B("G"), B("both"), T("user"));
    memory->Set(B("G"), B("both"), T("memory"));
    memory->Set(B("G"), B("low"), T("memory"));
    memory->Set(B("PrefSharing"), B("G"), T("true"));
    GPreferences::CopySharedPreferences();
    EXPECT_EQ(U8(shared->Get(B("G"), B("there"))), "shared");
    EXPECT_EQ(U8(shared->Get(B("G"), B("both"))), "user");
    EXPECT_EQ(U8(shared->Get(B("G"), B("low"))), "memory");
}

TEST_F(Preferences, TransactionsAndDirtyAcrossTheStack) {
    UserAndMemory();
    GPreferences::FlushPrefs();
    EXPECT_FALSE(GPreferences::IsDirty());
    GPreferences::StartUsingTempModules();
    GPreferences::Set(-3, B("G"), B("k"), T("temp"));
    GPreferences::SetIgnoreTemp(-5, B("G"), B("s"), T("sticky"));
    EXPECT_TRUE(GPreferences::IsDirty());
    GPreferences::EndUsingTempModules(false);
    EXPECT_FALSE(GPreferences::Has(-3, B("G"), B("k")));
    EXPECT_TRUE(GPreferences::Has(-5, B("G"), B("s")));
    EXPECT_TRUE(GPreferences::IsDirty());
    GPreferences::Refresh();
    EXPECT_FALSE(GPreferences::IsDirty());
}

TEST_F(Preferences, UpdatePreferencesWithCopiesIntoInstalledLevels) {
    UserAndMemory();
    GPrefMemoryModule source;
    source.Set(B("G"), B("k"), T("v"));
    GTable<GPair<int, GPrefModule const*>> updates;
    updates.AddItem(GPair<int, GPrefModule const*>(-3, &source));
    updates.AddItem(GPair<int, GPrefModule const*>(7, &source));  // no such level
    GPreferences::UpdatePreferencesWith(updates);
    EXPECT_EQ(U8(GPreferences::Get(-3, B("G"), B("k"))), "v");
}

// Every module is flushed even when one fails; the first failure is what comes out.
TEST_F(Preferences, FlushAndFinalizeFlushEveryModuleThenReportTheFirstFailure) {
    int flushes[3] = {0, 0, 0};
    for (int pass = 0; pass < 2; ++pass) {
        GPreferences::Initialize();
        ProbeModule* failing = new ProbeModule(true, &flushes[0]);
        ProbeModule* alsoFailing = new ProbeModule(true, &flushes[1]);
        ProbeModule* last = new ProbeModule(false, &flushes[2]);
        GPreferences::SetPrefModule(0, failing, true);
        GPreferences::SetPrefModule(-1, alsoFailing, true);
        GPreferences::SetPrefModule(-9, last, true);
        GPreferences::Set(-9, B("G"), B("k"), T("v"));
        GPreferences::AddVariableSubstitution(GAutoPtr<GVariableSubstitution, GDeletePtr>(new HomeSubstitution));
        if (pass == 0) {
            EXPECT_THROW(GPreferences::FlushPrefs(), PUNIXSystemException);
            EXPECT_FALSE(last->IsDirty());
            GPreferences::RemovePrefModule(0);
            GPreferences::RemovePrefModule(-1);
            GPreferences::Finalize();
        } else {
            try {
                GPreferences::Finalize();
                ADD_FAILURE() << "the failure was not reported";
            } catch (PUNIXSystemException const& e) {
                EXPECT_EQ(e.GetErrno(), ENOSPC);
            }
            EXPECT_EQ(GPreferences::GetPrefModule(-9), nullptr);
            EXPECT_EQ(GPreferences::GetEncoding(), nullptr);
            EXPECT_FALSE(GPreferences::WillSubstituteVariablesInPrefType(GVariableSubstitution::kPathString));
        }
    }
    EXPECT_EQ(flushes[0], 2);
    EXPECT_EQ(flushes[1], 2);
    EXPECT_EQ(flushes[2], 3);  // FlushPrefs and Finalize in the first pass
}

// The default modules live in the special folders of preference files, 35 for the user's and 33
// for the machine's, so that a peer that moves those folders finds them there.
TEST_F(Preferences, DefaultModulesInTheSpecialPreferenceFolders) {
    ScopedTempFolder home;
    ScopedEnvironment env;
    env.Set("XDG_CONFIG_HOME", home / "config");
    GFileSystem::RemoveSpecialPath(35);
    GFileSystem::RemoveSpecialPath(33);
    GPreferences::SetDefaultModules(T("Trovel"), GPreferences::PrefDefaultModule(GPreferences::kUserFileModule |
                                                                                 GPreferences::kMemoryModule));
    auto* user = dynamic_cast<GPrefFileModule*>(GPreferences::GetPrefModule(-3));
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(U8(user->GetPathName().GetNativePathString()), home / "config/Kelvora Prefs Folder/Trovel.uprefs");
    EXPECT_EQ(user->GetEncoding(), Unicode());
    EXPECT_NE(dynamic_cast<GPrefMemoryModule*>(GPreferences::GetPrefModule(-5)), nullptr);
    EXPECT_EQ(GPreferences::GetPrefModule(-4), nullptr);
    GPreferences::Set(-3, B("G"), B("k"), T("v"));
    GPreferences::Finalize();
    EXPECT_EQ(ReadFile(home / "config/Kelvora Prefs Folder/Trovel.uprefs").substr(0, 2), "\xFF\xFE");
    GPreferences::Initialize();

    GFileSystem::AddSpecialPath(35, P(home / "user prefs"));
    GFileSystem::AddSpecialPath(33, P(home / "machine prefs"));
    GPreferences::SetDefaultModules(T("Trovel"), GPreferences::PrefDefaultModule(GPreferences::kUserFileModule |
                                                                                 GPreferences::kSharedFileModule |
                                                                                 GPreferences::kSystemFileModule));
    struct Case {
        int level;
        std::string path;
    } const cases[] = {
        {-3, home / "user prefs/Trovel.uprefs"},
        {-2, home / "user prefs/Kelvora.uprefs"},
        {-4, home / "machine prefs/Trovel.sprefs"},
    };
    for (Case const& c : cases) {
        GPreferences::Set(c.level, B("G"), B("level"), T(std::to_string(c.level)));
        GPreferences::FlushPrefs();
        EXPECT_EQ(U8(GPrefFileModule(P(c.path), Unicode()).Get(B("G"), B("level"))), std::to_string(c.level)) << c.path;
    }
    GFileSystem::RemoveSpecialPath(35);
    GFileSystem::RemoveSpecialPath(33);
}

TEST_F(Preferences, SetEncodingReachesEveryModule) {
    GPrefModule* user = UserAndMemory();
    GPreferences::SetEncoding(UTF8());
    EXPECT_EQ(GPreferences::GetEncoding(), UTF8());
    EXPECT_EQ(user->GetEncoding(), UTF8());
    EXPECT_EQ(GPreferences::GetPrefModule(-5)->GetEncoding(), UTF8());
}
