// What the export dialog remembers between runs, and the pruning of the file-package choices of
// Trovelors that are gone, read from a real actor registry in a private user folder.
#include "plugin/preferences/GCPTPluginPrefTool.h"
#include "plugin/preferences/PluginPrefTestSupport.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"

using namespace plugintest;
using namespace GCPTPluginPrefTool;

namespace {

class PluginPrefTool : public PluginPrefs {
protected:
    // An actor whose package lies in the cache's folder of its GUID.
    static void RegisterActor(std::string const& name, std::string const& guid, bool plugin) {
        GPPSettings settings;
        GPathName package = GPPSettings::GetSettingsFolder();
        package.Append(T(guid));
        package.Append(T("package.zip"));
        settings.ContextFilePath = package;
        settings.IsPlugin = plugin;
        ASSERT_TRUE(GPPActorRegistry().Register(T(name), settings));
    }
    static void Remember(std::string const& guid, bool value) { SetIncludeFilePackageValue(T(guid), value); }
    static bool HasGroup(std::string const& group) {
        GTable<GBuffer> names;
        GPreferences::GetGroupNames(GPreferences::kUserLevel, names);
        for (GBuffer const& name : names)
            if (S(name) == group)
                return true;
        return false;
    }
    // Choices for an offered, a withdrawn and a vanished Trovelor, beside the dialog's own groups.
    static void RememberEverything() {
        Remember("GUID-A", true);
        Remember("GUID-B", false);
        Remember("GUID-C", true);
        SetLastUsedPDFSetting(T("Alpha"));
        GPreferences::Set(GPreferences::kUserLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount, 0);
        GPreferences::Set(GPreferences::kUserLevel, GBuffer("GUID-D"), GBuffer("Other"), T("x"));
    }
};

}  // namespace

TEST_F(PluginPrefTool, TheLastChoiceIsEmptyUntilStored) {
    GString name = T("stale");
    GetLastUsedPDFSetting(name);
    EXPECT_TRUE(name.IsEmpty());
    SetLastUsedPDFSetting(T("Trovelor Ünï"));
    GetLastUsedPDFSetting(name);
    EXPECT_EQ("Trovelor Ünï", Text(name));
    EXPECT_EQ("Trovelor Ünï", Value(cPluginUI_GroupId, cLastSelectedPDFSetting));
}

TEST_F(PluginPrefTool, TheFilePackageChoiceIsKeptPerTrovelor) {
    GString const guid = T("0123abcd-Ü");
    EXPECT_FALSE(HasIncludeFilePackageValue(guid));
    EXPECT_FALSE(GetIncludeFilePackageValue(guid));
    SetIncludeFilePackageValue(guid, true);
    EXPECT_TRUE(HasIncludeFilePackageValue(guid));
    EXPECT_TRUE(GetIncludeFilePackageValue(guid));
    EXPECT_EQ("true", Value(B("0123abcd-Ü"), cIncludeFilePackageChecked));
    SetIncludeFilePackageValue(guid, false);
    EXPECT_TRUE(HasIncludeFilePackageValue(guid));
    EXPECT_FALSE(GetIncludeFilePackageValue(guid));
    GPreferences::Set(GPreferences::kUserLevel, B("0123abcd-Ü"), cIncludeFilePackageChecked, T("TRUE"));
    EXPECT_FALSE(GetIncludeFilePackageValue(guid));
}

TEST_F(PluginPrefTool, PruningDropsTheChoicesOfTrovelorsNoLongerOffered) {
    RegisterActor("Alpha", "GUID-A", true);
    RegisterActor("Beta", "GUID-B", false);
    RememberEverything();
    GTable<GBuffer> guids;
    ASSERT_TRUE(GetOfferedTrovelorGUIDs(guids));
    ASSERT_EQ(1, guids.GetCount());
    EXPECT_EQ("GUID-A", S(guids[0]));

    UpdatePDFSettingsInPreferences();
    EXPECT_TRUE(HasGroup("GUID-A"));
    EXPECT_FALSE(HasGroup("GUID-B")) << "withdrawn from the plug-in";
    EXPECT_FALSE(HasGroup("GUID-C")) << "gone from the registry";
    EXPECT_TRUE(HasGroup("GUID-D")) << "a group without the key is not a choice";
    EXPECT_TRUE(HasGroup("ZARidizoUI"));
    EXPECT_TRUE(HasGroup("SmartFileList"));
}

TEST_F(PluginPrefTool, PruningDoesNothingWhenNoTrovelorIsListed) {
    RememberEverything();
    struct Case {
        char const* what;
        std::function<void(PrivateSandbox&)> registry;
    };
    std::string const file = "/config/Kelvora Prefs Folder/Printer Processor/KelvoraPrinterProcessor.prefs";
    std::vector<Case> const cases = {
        {"no registry file", [](PrivateSandbox&) {}},
        {"a registry without plug-in Trovelors", [](PrivateSandbox&) { RegisterActor("Beta", "GUID-B", false); }},
        {"a registry that is garbage",
         [&](PrivateSandbox& s) { std::ofstream(s.Root() + file, std::ios::binary) << "\xFF\xFE#\0garbage\0"; }},
        {"a folder where the registry should be",
         [&](PrivateSandbox& s) {
             std::remove((s.Root() + file).c_str());
             mkdir((s.Root() + file).c_str(), 0700);
         }},
    };
    for (Case const& c : cases) {
        c.registry(mSandbox);
        GTable<GBuffer> guids;
        EXPECT_FALSE(GetOfferedTrovelorGUIDs(guids)) << c.what;
        UpdatePDFSettingsInPreferences();
        for (char const* group : {"GUID-A", "GUID-B", "GUID-C", "GUID-D", "ZARidizoUI"})
            EXPECT_TRUE(HasGroup(group)) << c.what << ": " << group;
    }
}
