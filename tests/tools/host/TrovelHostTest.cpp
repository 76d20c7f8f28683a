// The stand-in host program end to end, with the test plug-in bundle.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tools/host/HostRun.h"

namespace {

constexpr const char* kDocument = R"({"name": "Brochure.indd", "saved": true, "path": "/x/Brochure.indd"})";
constexpr const char* kDocumentAction = "0x7A0004";
constexpr const char* kBookAction = "0x7A0006";

class TrovelHostTest : public ::testing::Test {
protected:
    // The bundle, a front document and a book of `chapters` chapters, then `more`.
    std::vector<std::string> WithDocuments(int chapters, std::vector<std::string> more = {}) {
        std::vector<std::string> arguments{HostRun::Bundle("TestHost"), "--document", mRun.Write("doc.json", kDocument)};
        std::string list;
        for (int i = 0; i < chapters; ++i)
            list += std::string(i == 0 ? "" : ", ") + "\"doc.json\"";
        arguments.push_back("--book");
        arguments.push_back(mRun.Write("book.json", R"({"name": "Catalogue.indb", "chapters": [)" + list + "]}"));
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
};

TEST_F(TrovelHostTest, LoadsStartsOnceAndShowsDisabledActionsWithoutDocuments) {
    const HostResult result = mRun.Run({HostRun::Bundle("TestHost"), "--calls"});
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_TRUE(result.Printed("host: factory 0x7A0000 registered, size 16")) << result.out;
    EXPECT_TRUE(result.Printed("loaded plug-in \"TestHost\" 0x7A0000"));
    // Two start-up classes ran the service: the second found both actions and added nothing.
    EXPECT_TRUE(result.Printed("started: 2 actions, 2 menu items"));
    const std::string second = result.out.substr(result.out.find("call: Startup 0x7A0002"));
    EXPECT_EQ(second.find("AddAction"), std::string::npos);
    EXPECT_EQ(second.find("AddMenuItem"), std::string::npos);
    EXPECT_NE(second.find("call: IActionManager::IsValidAction 0x7A0006"), std::string::npos);
    EXPECT_TRUE(result.Printed(
        "action 0x7A0004 \"Export Document...\" disabled, shortcut Opt+Shift+E in \"DefaultContext\", menu \"Main:&File\" at 1301"));
    EXPECT_TRUE(result.Printed(
        "action 0x7A0006 \"Export Book...\" disabled, shortcut Opt+Shift+B in \"DefaultContext\", menu \"BookPanelPopup\" at 1101"));
    ExpectClean(result);
}

TEST_F(TrovelHostTest, ReadsTheScript) {
    const HostResult result =
        mRun.Run({HostRun::Bundle("TestHost"), "--script", mRun.Write("script.txt", "# choices\nchoose Trovelor A\nbutton OK\n")});
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_TRUE(result.Printed("script: 2 steps")) << result.out;
}

TEST_F(TrovelHostTest, FrontDocumentAndBookWithChaptersEnableTheActions) {
    const HostResult result = mRun.Run(WithDocuments(2));
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_TRUE(result.Printed("host: book \"Catalogue.indb\" opened, 2 chapters, 0 selected"));
    EXPECT_NE(result.out.find("action 0x7A0004 \"Export Document...\" enabled"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("action 0x7A0006 \"Export Book...\" enabled"), std::string::npos);
}

TEST_F(TrovelHostTest, BookWithoutChaptersLeavesTheBookActionDisabled) {
    const HostResult result = mRun.Run(WithDocuments(0, {"--run", kBookAction}));
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_NE(result.out.find("action 0x7A0006 \"Export Book...\" disabled"), std::string::npos) << result.out;
    EXPECT_TRUE(result.Printed("run 0x7A0006: disabled, not run"));
}

TEST_F(TrovelHostTest, RunningActionsShowsNestedModalStatesAndAlerts) {
    const HostResult result =
        mRun.Run(WithDocuments(3, {"--unit", "0x1206", "--run", kDocumentAction, "--run", kBookAction, "--run", "0x7A0000"}));
    ASSERT_EQ(result.exit, 0) << result.out << result.errors;
    const std::string expected =
        "run 0x7A0004\n"
        "host: modal state 1 acquired, depth 1\n"
        "host: modal state 2 acquired, depth 2\n"
        "host: alert \"Unit 0x1206\" buttons \"OK\" \"Cancel\" default 1 icon 2, answered 1\n"
        "host: modal state 2 released, depth 1\n"
        "host: modal state 1 released, depth 0\n"
        "run 0x7A0006\n"
        "host: alert \"Book of 3 chapters\" buttons \"OK\" default 1 icon 1, answered 1\n"
        "run 0x7A0000\n"
        "host: alert \"TestHost version 24\" buttons \"OK\" default 1 icon 1, answered 1\n";
    EXPECT_NE(result.out.find(expected), std::string::npos) << result.out;
    ExpectClean(result);
}

TEST_F(TrovelHostTest, PlugInMisbehaviourIsReportedAndFailsTheRun) {
    struct Case {
        const char* misbehaviour;
        const char* printed;
    };
    const Case cases[] = {
        {"leak", "references left: 1"},
        {"keep-modal", "modal states held: 2"},
        {"out-of-order", "host: broken rule: modal state 1 released before modal state 2"},
    };
    for (const Case& c : cases) {
        const HostResult result = mRun.Run(WithDocuments(1, {"--run", kDocumentAction}), c.misbehaviour);
        EXPECT_EQ(result.exit, 3) << c.misbehaviour << "\n" << result.out;
        EXPECT_TRUE(result.Printed(c.printed)) << c.misbehaviour << "\n" << result.out;
        EXPECT_NE(result.errors.find("the plug-in left the host unclean"), std::string::npos) << result.errors;
    }
}

TEST_F(TrovelHostTest, AnExceptionFromThePlugInIsCaughtAndFailsTheRun) {
    const HostResult result = mRun.Run(WithDocuments(1, {"--run", kDocumentAction}), "throw");
    EXPECT_EQ(result.exit, 3);
    EXPECT_NE(result.errors.find("exception from DoAction 0x7A0004: the test plug-in throws"), std::string::npos)
        << result.errors;
    ExpectClean(result);
}

TEST_F(TrovelHostTest, AnActionWhoseComponentCouldNotBeMadeIsNotRun) {
    const HostResult result = mRun.Run(WithDocuments(1, {"--fail", "create#3", "--run", kDocumentAction}));
    EXPECT_EQ(result.exit, 3) << result.out << result.errors;
    EXPECT_NE(result.errors.find("action component 0x7A0000: creating implementation 0x7A0000 failed"), std::string::npos)
        << result.errors;
    EXPECT_NE(result.errors.find("action 0x7A0004: its component 0x7A0000 was not created"), std::string::npos)
        << result.errors;
    ExpectClean(result);
}

TEST_F(TrovelHostTest, InjectedFailuresReachThePlugIn) {
    struct Case {
        std::vector<std::string> faults;
        const char* printed;
    };
    const Case cases[] = {
        {{"--fail", "IMenuManager"}, "started: 0 actions, 0 menu items"},
        {{"--fail", "GetExecutionContextSession"}, "started: 0 actions, 0 menu items"},
        // The first start-up's second AddAction fails; the second start-up adds it.
        {{"--fail", "IActionManager::AddAction#2", "--calls"}, "call: IActionManager::AddAction 0x7A0000 0x7A0006 \"\" "
                                                              "\"KBSCE Palette Menus: Book: \" 0 1 0 1 -> injected failure"},
        {{"--fail", "IFrontDocumentUtils::QueryFrontDocument", "--run", kDocumentAction}, "run 0x7A0004: disabled, not run"},
        {{"--fail", "IModalDialogUtils::AcquireModalDialogState#2", "--run", kDocumentAction},
         "host: modal state 1 released, depth 0"},
    };
    for (const Case& c : cases) {
        const HostResult result = mRun.Run(WithDocuments(1, c.faults));
        EXPECT_EQ(result.exit, 0) << c.faults[1] << "\n" << result.out << result.errors;
        EXPECT_TRUE(result.Printed(c.printed)) << c.faults[1] << "\n" << result.out;
        ExpectClean(result);
    }
}

TEST_F(TrovelHostTest, UnusableInputGivesClearErrorsAndExitStatus) {
    mkdir((mRun.Folder() / "empty.plugin").c_str(), 0700);
    mkdir((mRun.Folder() / "broken.plugin").c_str(), 0700);
    mkdir((mRun.Folder() / "broken.plugin/Contents").c_str(), 0700);
    mkdir((mRun.Folder() / "broken.plugin/Contents/MacOS").c_str(), 0700);
    mRun.Write("broken.plugin/Contents/MacOS/Broken.so", "not a library");
    const std::string bundle = HostRun::Bundle("TestHost");
    struct Case {
        std::vector<std::string> arguments;
        int exit;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{mRun.Folder() / "missing.plugin"}, 2, "missing.plugin: no such folder"},
        {{mRun.Folder() / "empty.plugin"}, 2, "empty.plugin: no library (.so) in Contents/MacOS"},
        {{mRun.Folder() / "broken.plugin"}, 2, "Broken.so"},
        {{HostRun::Bundle("NoEntry")}, 2, "NoEntry.so exports no GetPlugIn"},
        {{bundle, "--document", mRun.Write("bad.json", "{\n  \"name\": \"A\",\n  \"saved\" true\n}")}, 2,
         "bad.json: is not JSON (line 3"},
        {{bundle, "--document", mRun.Write("noname.json", "{\"saved\": false}")}, 2,
         "noname.json: \"name\" must be a text that is not empty"},
        {{bundle, "--book", mRun.Write("badbook.json", "{\"name\": \"B\", \"chapters\": [\"a\"], \"selection\": [1]}")}, 2,
         "badbook.json: \"selection\" holds something that is not the index of a chapter"},
        {{bundle, "--document", mRun.Folder() / "absent.json"}, 2, "absent.json: cannot be read"},
        {{bundle, "--script", mRun.Write("script.txt", "button OK\n=oops\n")}, 2, "script.txt line 2"},
        {{bundle, "--run", "0x7A0010"}, 2, "action 0x7A0010 is unknown"},
        {{bundle, "--run", "E"}, 1, "--run: not an ID: E"},
        {{bundle, "--fail", "Name#0"}, 1, "--fail: not NAME or NAME#N: Name#0"},
        {{bundle, "--frobnicate"}, 1, "unknown option --frobnicate"},
        {{}, 1, "no bundle given"},
    };
    for (const Case& c : cases) {
        const HostResult result = mRun.Run(c.arguments);
        EXPECT_EQ(result.exit, c.exit) << c.error << "\n" << result.errors;
        EXPECT_NE(result.errors.find(c.error), std::string::npos) << c.error << "\n" << result.errors;
    }
}

TEST_F(TrovelHostTest, ThePlugInsExportsWriteRealPdfsAndChangedSessionPreferencesShow) {
    const std::string pdf = mRun.Folder() / "out.pdf";
    ScopedEnvironment environment;
    environment.Set("TROVEL_TEST_PDF", pdf);
    environment.Set("QT_QPA_PLATFORM", "offscreen");
    mRun.Write("three.json", R"({"name": "Three.indd", "pages": [{}, {}, {}]})");
    const std::string untitled = mRun.Write("untitled.json", R"({"name": "Untitled-1", "pages": [{}, {}]})");
    HostResult result = mRun.Run({HostRun::Bundle("TestHost"), "--document", untitled, "--run", kDocumentAction});
    // No folder for new documents: the untitled document is not saved, so not exported.
    EXPECT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_NE(result.out.find("alert \"Not exported\""), std::string::npos) << result.out;
    result = mRun.Run({HostRun::Bundle("TestHost"), "--document", untitled, "--save-folder", mRun.Folder().Path(),
                       "--run", kDocumentAction});
    EXPECT_NE(result.out.find("host: document \"Untitled-1\" saved to"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("alert \"Exported\""), std::string::npos) << result.out;
    EXPECT_TRUE(result.Printed("session PDF preferences: unchanged")) << result.out;
    struct stat info {};
    ASSERT_EQ(stat(pdf.c_str(), &info), 0);
    const std::string book = mRun.Write("b.json", R"({"name": "B.indb", "chapters": ["three.json", "untitled.json"]})");
    result = mRun.Run({HostRun::Bundle("TestHost"), "--book", book, "--run", kBookAction});
    EXPECT_EQ(result.exit, 0) << result.out << result.errors;
    EXPECT_NE(result.out.find("host: PDF \"" + pdf + "\" written, 2 chapters, 5 pages"), std::string::npos)
        << result.out;
    EXPECT_TRUE(result.Printed("session PDF preferences: changed")) << result.out;
    ExpectClean(result);
}

}  // namespace
