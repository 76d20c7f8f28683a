#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "standin/StandinBundle.h"
#include "support/ScopedTempFolder.h"

namespace {

TEST(StandinBundleTest, InfoStringsAreTheStringValuesOfTheirKeys) {
    ScopedTempFolder dir;
    const std::string bundle = dir / "X.plugin";
    std::filesystem::create_directories(bundle + "/Contents");
    std::ofstream(bundle + "/Contents/Info.plist")
        << "<plist><dict>\n<key>CFBundleIdentifier</key>\n\t<string>com.example.&lt;x&gt;</string>\n"
           "<key>Flag</key><true/>\n<key>Empty</key><string></string>\n</dict></plist>\n";
    std::string value;
    ASSERT_TRUE(StandinBundle::InfoString(bundle, "CFBundleIdentifier", value));
    EXPECT_EQ(value, "com.example.<x>");
    EXPECT_FALSE(StandinBundle::InfoString(bundle, "Flag", value));
    EXPECT_FALSE(StandinBundle::InfoString(bundle, "Missing", value));
    ASSERT_TRUE(StandinBundle::InfoString(bundle, "Empty", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(StandinBundle::InfoString(dir / "none", "CFBundleIdentifier", value));
    EXPECT_TRUE(StandinBundle::IsBundle(bundle));
    EXPECT_EQ(StandinBundle::Executable(bundle), bundle + "/Contents/MacOS/X");
    EXPECT_EQ(StandinBundle::ResourceFolder(bundle), bundle + "/Contents/Resources");
}

TEST(StandinBundleTest, TheBundleAroundAnExecutable) {
    EXPECT_EQ(StandinBundle::BundleOfExecutable("/a/X.plugin/Contents/MacOS/X"), "/a/X.plugin");
    EXPECT_EQ(StandinBundle::BundleOfExecutable("/a/bin/tool"), "");
    EXPECT_EQ(StandinBundle::BundleOfExecutable("/Contents/MacOS/X"), "/");
    EXPECT_EQ(StandinBundle::BundleOfExecutable("X"), "");
    EXPECT_EQ(StandinBundle::FindLoaded("com.example.not-loaded"), "");
}

}  // namespace
