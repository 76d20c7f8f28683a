// The Trovelor lookups over a real actor registry in a private user folder: listing, display
// names, GUIDs and withdrawal.
#include <map>
#include <string>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/preferences/PluginPrefTestSupport.h"
#include "plugin/saveas/GCPTSaveAsAction.h"
#include "plugin/tools/ZARidizoTools.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "support/ForkedChild.h"

using namespace plugintest;

namespace {

class TrovelorLookup : public PluginPrefs {
protected:
    static void RegisterActor(std::string const& name, std::string const& guid, bool plugin,
                              std::string const& pdfSettings = "") {
        GPPSettings settings;
        GPathName package = GPPSettings::GetSettingsFolder();
        package.Append(T(guid));
        package.Append(T("package.zip"));
        settings.ContextFilePath = package;
        settings.IsPlugin = plugin;
        settings.PDFSettings = T(pdfSettings);
        ASSERT_TRUE(GPPActorRegistry().Register(T(name), settings));
    }
    static std::vector<std::string> Listed() {
        GTable<GString> names;
        ZARidizoTools::GetPluginTrovelors(names);
        std::vector<std::string> out;
        for (GString const& name : names)
            out.push_back(Text(name));
        return out;
    }
};

}  // namespace

TEST_F(TrovelorLookup, OnlyOfferedActorsAreListedButAllAreFoundByName) {
    GTable<GString> names;
    names.AddItem(T("stale"));
    EXPECT_FALSE(ZARidizoTools::GetPluginTrovelors(names));
    EXPECT_EQ(0, names.GetCount());

    RegisterActor("Alpha Ü", "GUID-A", true, "Press Quality");
    RegisterActor("Beta", "GUID-B", false);
    EXPECT_EQ(std::vector<std::string>{"Alpha Ü"}, Listed());

    GString text;
    ASSERT_TRUE(ZARidizoTools::GetPDFSettingsName(T("Alpha Ü"), text));
    EXPECT_EQ("Press Quality", Text(text));
    ASSERT_TRUE(ZARidizoTools::GetPDFSettingsName(T("Beta"), text));
    EXPECT_EQ("Beta", Text(text));
    ASSERT_TRUE(ZARidizoTools::GetGUID(T("Beta"), text));
    EXPECT_EQ("GUID-B", Text(text));
}

// The list read in one pass gives each Trovelor what the lookups by its name give.
TEST_F(TrovelorLookup, TheListWithDetailsAnswersAsTheLookupsByName) {
    RegisterActor("Alpha Ü", "GUID-A", true, "Press Quality");
    RegisterActor("Beta", "GUID-B", false);
    GPPSettings loose;
    loose.IsPlugin = true;
    ASSERT_TRUE(GPPActorRegistry().Register(T("Gamma"), loose));
    loose.ContextFilePath = GPathName(T("/elsewhere/package.zip"));
    ASSERT_TRUE(GPPActorRegistry().Register(T("Delta"), loose));

    GTable<ZARidizoTools::PluginTrovelor> trovelors;
    ASSERT_TRUE(ZARidizoTools::GetPluginTrovelors(trovelors));
    std::vector<std::string> names;
    std::map<std::string, std::string> details;
    for (ZARidizoTools::PluginTrovelor const& trovelor : trovelors) {
        names.push_back(Text(trovelor.name));
        details[Text(trovelor.name)] = Text(trovelor.pdfSettingsName) + "|" +
                                       (trovelor.hasGUID ? "guid " + Text(trovelor.guid) : "no guid");
        GString settingsName;
        GString guid;
        ASSERT_TRUE(ZARidizoTools::GetPDFSettingsName(trovelor.name, settingsName));
        EXPECT_EQ(Text(settingsName), Text(trovelor.pdfSettingsName));
        EXPECT_EQ(ZARidizoTools::GetGUID(trovelor.name, guid), trovelor.hasGUID);
        EXPECT_EQ(Text(guid), Text(trovelor.guid));
    }
    EXPECT_EQ(names, Listed());
    EXPECT_EQ(details, (std::map<std::string, std::string>{{"Alpha Ü", "Press Quality|guid GUID-A"},
                                                            {"Gamma", "Gamma|no guid"},
                                                            {"Delta", "Delta|guid "}}));
}

TEST_F(TrovelorLookup, EmptyAndUnknownNamesLeaveTheOutputAlone) {
    RegisterActor("Alpha", "GUID-A", true);
    for (char const* name : {"", "Nobody", "alpha"}) {
        GString text = T("kept");
        EXPECT_FALSE(ZARidizoTools::GetPDFSettingsName(T(name), text)) << name;
        EXPECT_FALSE(ZARidizoTools::GetGUID(T(name), text)) << name;
        EXPECT_FALSE(ZARidizoTools::DeletePluginTrovelor(T(name))) << name;
        EXPECT_EQ("kept", Text(text)) << name;
    }
    EXPECT_EQ(std::vector<std::string>{"Alpha"}, Listed());
}

TEST_F(TrovelorLookup, AWithdrawnTrovelorKeepsItsRecord) {
    RegisterActor("Alpha", "GUID-A", true);
    RegisterActor("Gamma", "GUID-C", true);
    ASSERT_TRUE(ZARidizoTools::DeletePluginTrovelor(T("Alpha")));
    EXPECT_EQ(std::vector<std::string>{"Gamma"}, Listed());
    GPPSettings settings;
    ASSERT_TRUE(GPPActorRegistry().GetActor(T("Alpha"), settings));
    EXPECT_FALSE(settings.IsPlugin);
    GString guid;
    ASSERT_TRUE(ZARidizoTools::GetGUID(T("Alpha"), guid));
    EXPECT_EQ("GUID-A", Text(guid));
}

TEST_F(TrovelorLookup, TrovelorNamesBecomeOneSafeFolderName) {
    struct Case {
        std::string name, folder;
    };
    std::string const longName = std::string(199, 'a') + "é" + "tail";
    for (Case const& c : std::vector<Case>{{"Press Ü", "Press Ü"},
                                           {"../../etc", ".._.._etc"},
                                           {"a/b\\c", "a_b_c"},
                                           {"tab\there\n", "tab_here_"},
                                           {"", "_"},
                                           {".", "_."},
                                           {"..", "_.."},
                                           {longName, std::string(199, 'a')}})
        EXPECT_EQ(c.folder, Text(ZARidizoTools::GetSafeFolderName(T(c.name)))) << c.name;
}

TEST_F(TrovelorLookup, TheOutputFolderIsPrivateAndNeverALink) {
    GPathName folder;
    ASSERT_TRUE(ZARidizoTools::GetOutputPDFPath(folder));
    std::string const native = Text(folder.GetNativePathString());
    std::string const root = Text(GCPTTemporaryFolder::GetRoot().GetNativePathString());
    EXPECT_EQ(root + "/", native.substr(0, root.size() + 1));
    struct stat info;
    ASSERT_EQ(0, lstat(native.c_str(), &info));
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(0700u, info.st_mode & 0777);

    // A link or a shared folder standing there instead is refused, and left as it is.
    std::string const elsewhere = mSandbox.Root() + "/elsewhere";
    ASSERT_EQ(0, mkdir(elsewhere.c_str(), 0700));
    ASSERT_EQ(0, rmdir(native.c_str()));
    ASSERT_EQ(0, symlink(elsewhere.c_str(), native.c_str()));
    GPathName untouched;
    EXPECT_FALSE(ZARidizoTools::GetOutputPDFPath(untouched));
    EXPECT_TRUE(untouched.IsEmpty());
    ASSERT_EQ(0, unlink(native.c_str()));
    ASSERT_EQ(0, mkdir(native.c_str(), 0777));
    ASSERT_EQ(0, chmod(native.c_str(), 0777));
    EXPECT_FALSE(ZARidizoTools::GetOutputPDFPath(untouched));
}

// The logon name comes from the user's password entry; a user without one gets no output folder
// and sends no job notice, and the outputs stay as they were.
TEST_F(TrovelorLookup, WithoutALogonNameThereIsNoOutputFolderNorNotice) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to take a user id without a password entry";
    int const status = ForkedChild::RunCheck([] {
        uid_t uid = 47113;
        while (getpwuid(uid) != nullptr && uid < 47213)
            ++uid;
        if (setuid(uid) != 0)
            return 77;
        GPathName folder(T("/kept"));
        if (ZARidizoTools::GetOutputPDFPath(folder))
            return 1;
        if (Text(folder.GetNativePathString()) != "/kept")
            return 2;
        if (ZARidizoTools::NotifyPrinterProcessor(T("Press"), GPathName(T("/tmp/a.pdf"))))
            return 3;
        GPathName output;
        if (GCPTSaveAsAction::GetOutputFolder(T("Press"), output) || !output.IsEmpty())
            return 4;
        return 0;
    });
    EXPECT_EQ(0, status);
}
