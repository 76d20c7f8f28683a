// The built TrovelExport.plugin in the real stand-in host: registration, action states,
// shortcuts, the actions, and a failure of every host call it makes.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "host/HostRun.h"
#include "standin/StandinBundle.h"
#include "support/ShmTestEnvironment.h"

namespace {

constexpr const char* kDocument = R"({"name": "Brochure.indd", "saved": true, "path": "/x/Brochure.indd"})";
constexpr const char* kDocumentAction = "0x198C04";
constexpr const char* kBookAction = "0x198C06";

class TrovelExportBundleTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
            mEnvironment.Set(name, mRun.Folder().Path());
        mEnvironment.Set("TROVEL_SHM_PREFIX", "bundle" + std::to_string(getpid()));
        mEnvironment.Set("QT_QPA_PLATFORM", "offscreen");
    }
    // Host runs whose failure was injected may end without sweeping the inter-process core's
    // segments; they must not outlive the case.
    void TearDown() override {
        const std::string prefix = "bundle" + std::to_string(getpid());
        for (const std::string& name : ShmTestEnvironment::Leftovers(prefix))
            shm_unlink(("/" + name).c_str());
    }

    // The bundle, then `documents` front documents, a book of `chapters` chapters (none: no
    // book), then `more`.
    std::vector<std::string> With(int documents, int chapters, std::vector<std::string> more = {}) {
        std::vector<std::string> arguments{HostRun::Bundle("TrovelExport")};
        for (int i = 0; i < documents; ++i) {
            arguments.push_back("--document");
            arguments.push_back(mRun.Write("doc.json", kDocument));
        }
        if (chapters >= 0) {
            std::string list;
            for (int i = 0; i < chapters; ++i)
                list += std::string(i == 0 ? "" : ", ") + "\"doc.json\"";
            mRun.Write("doc.json", kDocument);
            arguments.push_back("--book");
            arguments.push_back(mRun.Write("book.json", R"({"name": "Catalogue.indb", "chapters": [)" + list + "]}"));
        }
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }

    static void ExpectClean(const HostResult& result) {
        EXPECT_TRUE(result.Printed("references left: 0")) << result.out;
        EXPECT_TRUE(result.Printed("objects left: 0")) << result.out;
        EXPECT_TRUE(result.Printed("modal states held: 0")) << result.out;
        EXPECT_TRUE(result.Printed("broken rules: 0")) << result.out;
    }

    HostRun mRun;
    ScopedEnvironment mEnvironment;
};

TEST_F(TrovelExportBundleTest, RegistersBothActionsOnceWithMenusAndShortcuts) {
    const HostResult result = mRun.Run(With(0, -1, {"--calls"}));
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_TRUE(result.Printed("loaded plug-in \"TrovelExport\" 0x198C00")) << result.out;
    EXPECT_TRUE(result.Printed("host: factory 0x198C00 registered, size 64")) << result.out;
    EXPECT_TRUE(result.Printed("host: factory 0x198C03 registered, size 16")) << result.out;
    EXPECT_TRUE(result.Printed("started: 2 actions, 2 menu items")) << result.out;
    EXPECT_TRUE(result.Printed("call: IActionManager::AddAction 0x198C00 0x198C04 \"\" \"KBSCE File menu\" 0 1 0 1"));
    EXPECT_TRUE(result.Printed("call: IActionManager::AddAction 0x198C00 0x198C06 \"\" \"KBSCE Palette Menus: Book: \" 0 1 0 1"));
    EXPECT_TRUE(result.Printed("action 0x198C04 \"Export to Trovelor...\" disabled, shortcut Opt+Shift+E in "
                               "\"DefaultContext\", menu \"Main:&File\" at 1301"))
        << result.out;
    EXPECT_TRUE(result.Printed("action 0x198C06 \"Export to Trovelor...\" disabled, shortcut Opt+Shift+B in "
                               "\"DefaultContext\", menu \"BookPanelPopup\" at 1101"))
        << result.out;
    ExpectClean(result);
}

TEST_F(TrovelExportBundleTest, StatesFollowTheFrontDocumentAndTheActiveBook) {
    struct Case {
        int documents;
        int chapters;
        const char* document;
        const char* book;
    } const cases[] = {{0, -1, "disabled", "disabled"},
                       {1, -1, "enabled", "disabled"},
                       {0, 0, "disabled", "disabled"},
                       {1, 0, "enabled", "disabled"},
                       {0, 2, "disabled", "enabled"},
                       {1, 1, "enabled", "enabled"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.documents) + " documents, chapters " + std::to_string(c.chapters));
        const HostResult result = mRun.Run(With(c.documents, c.chapters));
        ASSERT_EQ(result.exit, 0) << result.out << result.errors;
        EXPECT_NE(result.out.find("action 0x198C04 \"Export to Trovelor...\" " + std::string(c.document)),
                  std::string::npos)
            << result.out;
        EXPECT_NE(result.out.find("action 0x198C06 \"Export to Trovelor...\" " + std::string(c.book)), std::string::npos)
            << result.out;
        ExpectClean(result);
    }
}

// The names the host shows are the plug-in's, in the user's language.
TEST_F(TrovelExportBundleTest, TheActionNamesAreShownInTheUsersLanguage) {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        mEnvironment.Unset(name);
    mEnvironment.Set("LANG", "de_DE.UTF-8");
    const HostResult result = mRun.Run(With(1, 1));
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    for (const char* action : {kDocumentAction, kBookAction})
        EXPECT_NE(result.out.find("action " + std::string(action) + " \"Nach Trovelor exportieren...\" enabled"),
                  std::string::npos)
            << result.out;
    ExpectClean(result);
}

// Without a script the host closes each export dialog with Escape: nothing is exported.
TEST_F(TrovelExportBundleTest, AboutAlertsAndTheExportActionsOpenTheirDialog) {
    const HostResult result =
        mRun.Run(With(1, 1, {"--run", "0x198C00", "--run", kDocumentAction, "--run", kBookAction}));
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_TRUE(result.Printed("host: alert \"Trovel Export, version 24\" buttons \"OK\" default 1 icon 1, answered 1"))
        << result.out;
    EXPECT_TRUE(result.Printed("host: modal state 1 acquired, depth 1")) << result.out;
    EXPECT_TRUE(result.Printed("host: modal state 2 acquired, depth 1")) << result.out;
    EXPECT_EQ(result.out.find("not available"), std::string::npos) << result.out;
    const auto escape = result.out.find("script: no steps left, Escape");
    ASSERT_NE(escape, std::string::npos) << result.out;
    EXPECT_NE(result.out.find("script: no steps left, Escape", escape + 1), std::string::npos) << result.out;
    ExpectClean(result);
}

TEST_F(TrovelExportBundleTest, TheMeasurementUnitIsReadForAnExport) {
    const HostResult result = mRun.Run(With(1, -1, {"--unit", "0x1206", "--run", kDocumentAction, "--calls"}));
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_NE(result.out.find("IMeasurementUnitPrefs"), std::string::npos) << result.out;
    ExpectClean(result);
}

// Every host call the plug-in makes, failed in turn (each time it is made): the host sees no
// exception, keeps no reference, and the plug-in's layers stop.
TEST_F(TrovelExportBundleTest, AFailureOfEveryHostCallLeavesNothingBehind) {
    const std::vector<std::string> run{"--run", "0x198C00", "--run", kDocumentAction, "--run", kBookAction};
    const HostResult all = mRun.Run(With(1, 1, [&] {
        std::vector<std::string> more = run;
        more.push_back("--calls");
        return more;
    }()));
    ASSERT_EQ(all.exit, 0) << all.out << all.errors;
    std::set<std::string> names;
    std::istringstream lines(all.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("call: ", 0) != 0)
            continue;
        std::string name = line.substr(6);
        name = name.substr(0, name.find(' '));
        if (name != "create" && name != "destroy")
            names.insert(name);
    }
    ASSERT_GT(names.size(), 10u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::vector<std::string> more = run;
        more.push_back("--fail");
        more.push_back(name);
        const HostResult result = mRun.Run(With(1, 1, more));
        if (name == "IModalDialogUtils::ReleaseModalDialogState") {
            // The host that refused the release still holds its state; the plug-in asked once
            // and let go of its token, and nothing else is left.
            EXPECT_TRUE(result.Printed("references left: 0")) << result.out;
            EXPECT_TRUE(result.Printed("objects left: 0")) << result.out;
            EXPECT_EQ(result.errors.find("exception"), std::string::npos) << result.errors;
            continue;
        }
        // 2: an action the failure kept from being registered cannot be run; 3 would be an
        // exception, a leak or a broken rule seen by the host.
        EXPECT_TRUE(result.exit == 0 || result.exit == 2) << result.exit << result.out << result.errors;
        EXPECT_EQ(result.errors.find("exception"), std::string::npos) << result.errors;
        ExpectClean(result);
    }
}

TEST_F(TrovelExportBundleTest, AComponentThatCannotBeMadeLeavesNothingBehind) {
    const HostResult result = mRun.Run(With(1, 1, {"--fail", "create#2", "--run", kDocumentAction}));
    EXPECT_NE(result.errors.find("creating implementation 0x198C00 failed"), std::string::npos) << result.errors;
    ExpectClean(result);
}

// The bundle's Info.plist as the plug-in's own bundle reader sees it: the version the about text
// names, and the library that is really there.
TEST(TrovelExportBundleFiles, InfoPlistNamesTheVersionAndTheLibrary) {
    std::string const bundle = HostRun::Bundle("TrovelExport");
    struct Case {
        char const* key;
        char const* value;
    } const cases[] = {{"CFBundleShortVersionString", "24"},
                       {"CFBundleVersion", "24"},
                       {"CFBundleExecutable", "TrovelExport.so"},
                       {"CFBundleName", "TrovelExport"}};
    for (Case const& c : cases) {
        std::string value;
        EXPECT_TRUE(StandinBundle::InfoString(bundle, c.key, value)) << c.key;
        EXPECT_EQ(value, c.value) << c.key;
    }
    EXPECT_EQ(StandinBundle::Executable(bundle), bundle + "/Contents/MacOS/TrovelExport.so");
    EXPECT_TRUE(std::filesystem::is_regular_file(bundle + "/Contents/MacOS/TrovelExport.so"));
}

// Resources/Strings holds the string files of every language and the Qt translations, each the
// same as the build made it.
TEST(TrovelExportBundleFiles, ResourcesStringsHoldsTheStringFilesAsBuilt) {
    namespace fs = std::filesystem;
    fs::path const strings = fs::path(HostRun::Bundle("TrovelExport")) / "Contents/Resources/Strings";
    fs::path const built = TROVEL_PLUGIN_STRINGS_DIR;
    auto const read = [](fs::path const& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    ASSERT_TRUE(fs::is_directory(strings)) << strings;
    for (char const* leaf : {"DUZ__StringFile_enUS_0.lng", "DUZ__StringFile_deDE_0.lng", "Plugin_deDE.qm"}) {
        SCOPED_TRACE(leaf);
        ASSERT_TRUE(fs::is_regular_file(strings / leaf));
        EXPECT_GT(fs::file_size(strings / leaf), 0u);
    }
    std::size_t compared = 0;
    for (fs::directory_entry const& entry : fs::directory_iterator(built)) {
        std::string const extension = entry.path().extension().string();
        if (extension != ".lng" && extension != ".qm")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++compared;
        fs::path const copy = strings / entry.path().filename();
        ASSERT_TRUE(fs::is_regular_file(copy));
        EXPECT_TRUE(read(copy) == read(entry.path())) << "the bundle's copy differs from the build's";
    }
    EXPECT_GE(compared, 3u);
}

}  // namespace
