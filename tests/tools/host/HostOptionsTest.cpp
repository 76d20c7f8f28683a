#include "host/HostOptions.h"

#include <gtest/gtest.h>

#include "host/HostScript.h"
#include "support/ScopedTempFolder.h"

#include <fstream>

namespace {

bool Parse(std::vector<const char*> arguments, HostOptions& options, std::string& error) {
    arguments.insert(arguments.begin(), "trovel-host");
    return HostOptions::Parse(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(HostOptionsTest, ReadsRepeatedOptionsInOrder) {
    HostOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--document", "a.json", "B.plugin", "--document", "b.json", "--book", "c.json", "--run",
                       "0x198C04", "--run", "1674240", "--unit", "0X1206", "--fail", "IMenuManager#2", "--calls", "--save-folder", "/x/new", "--pace", "700"},
                      options, error))
        << error;
    EXPECT_EQ(options.bundle, "B.plugin");
    EXPECT_EQ(options.documents, (std::vector<std::string>{"a.json", "b.json"}));
    EXPECT_EQ(options.books, (std::vector<std::string>{"c.json"}));
    EXPECT_EQ(options.runs, (std::vector<std::uint32_t>{0x198C04, 0x198C00}));
    EXPECT_EQ(options.unit, 0x1206u);
    EXPECT_EQ(options.faults, (std::vector<std::string>{"IMenuManager#2"}));
    EXPECT_TRUE(options.calls);
    EXPECT_EQ(options.saveFolder, "/x/new");
    EXPECT_EQ(options.paceMs, 700);
}

TEST(HostOptionsTest, RejectsWhatCannotRun) {
    const std::vector<std::vector<const char*>> cases = {
        {},                                 // no bundle
        {"A.plugin", "B.plugin"},           // two bundles
        {"A.plugin", "--run"},              // no value
        {"A.plugin", "--run", "0x"},        // no digits
        {"A.plugin", "--run", "0x100000000"},  // above 32 bits
        {"A.plugin", "--run", "-1"},
        {"A.plugin", "--unit", "12a"},
        {"A.plugin", "--what", "x"},
        {"A.plugin", "--save-folder"},
        {"A.plugin", "--pace", "0x10"},     // milliseconds are decimal
        {"A.plugin", "--pace", "60001"},
    };
    for (const auto& arguments : cases) {
        HostOptions options;
        std::string error;
        EXPECT_FALSE(Parse(arguments, options, error)) << (arguments.empty() ? "" : arguments.back());
        EXPECT_FALSE(error.empty());
    }
}

TEST(HostScriptTest, ReadsStepsAndSkipsCommentsAndBlankLines) {
    ScopedTempFolder folder;
    std::ofstream(folder / "script") << "# choices\n\nbutton OK\r\n  choose  Trovelor A  \npress-ok\n";
    HostScript script;
    std::string error;
    ASSERT_TRUE(script.Read(folder / "script", error)) << error;
    ASSERT_EQ(script.Steps().size(), 3u);
    EXPECT_EQ(script.Steps()[0].word, "button");
    EXPECT_EQ(script.Steps()[0].value, "OK");
    EXPECT_EQ(script.Steps()[1].line, 4);
    EXPECT_EQ(script.Steps()[1].value, "Trovelor A");
    EXPECT_EQ(script.Steps()[2].word, "press-ok");
    EXPECT_EQ(script.Steps()[2].value, "");
}

TEST(HostScriptTest, ALineThatIsNoStepOrAMissingFileIsAnError) {
    ScopedTempFolder folder;
    std::ofstream(folder / "script") << "button OK\nbutton=OK\n";
    HostScript script;
    std::string error;
    EXPECT_FALSE(script.Read(folder / "script", error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_FALSE(script.Read(folder / "absent", error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

}  // namespace
