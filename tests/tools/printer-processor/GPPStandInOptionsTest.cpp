#include "printer-processor/GPPStandInOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Parse(std::vector<std::string> words, GPPStandInOptions& options) {
    std::vector<char*> argv = {const_cast<char*>("PrinterProcessor")};
    for (std::string& word : words)
        argv.push_back(word.data());
    std::string error;
    return options.Parse(static_cast<int>(argv.size()), argv.data(), error);
}

}  // namespace

TEST(GPPStandInOptions, AcceptedCommandLines) {
    GPPStandInOptions plain;
    ASSERT_TRUE(Parse({"--output", "/o/notices.txt"}, plain));
    EXPECT_EQ(plain.mFolder, "/o");
    EXPECT_FALSE(plain.mNoRead);
    EXPECT_EQ(plain.mReadAfterMs, 0);

    GPPStandInOptions all;
    ASSERT_TRUE(Parse({"--read-after", "250", "--folder", "/jobs", "--output", "n.txt", "--die-holding-lock", "--register-twice"}, all));
    EXPECT_EQ(all.mFolder, "/jobs");
    EXPECT_EQ(all.mReadAfterMs, 250);
    EXPECT_TRUE(all.mDieHoldingLock);
    EXPECT_TRUE(all.mRegisterTwice);

    GPPStandInOptions relative;
    ASSERT_TRUE(Parse({"--output", "n.txt", "--no-read"}, relative));
    EXPECT_EQ(relative.mFolder, ".");
    EXPECT_TRUE(relative.mNoRead);
}

TEST(GPPStandInOptions, RefusedCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--output"},
        {"--output", ""},
        {"--folder", "/x"},
        {"--output", "o", "--read-after"},
        {"--output", "o", "--read-after", "-1"},
        {"--output", "o", "--read-after", "10ms"},
        {"--output", "o", "--read-after", "99999999999"},
        {"--output", "o", "--no-read", "--read-after", "10"},
        {"--output", "o", "--die-holding-lock", "--stop-holding-lock"},
        {"--output", "o", "extra"},
    };
    for (const auto& words : bad) {
        GPPStandInOptions options;
        EXPECT_FALSE(Parse(words, options)) << (words.empty() ? "(none)" : words.back());
    }
}

TEST(GPPStandInOptions, MakeTrovelorCommandLines) {
    GPPStandInOptions least;
    ASSERT_TRUE(Parse({"--make-trovelor", "Press", "--job-options", "j.joboptions"}, least));
    EXPECT_EQ(least.mTrovelorName, "Press");
    EXPECT_EQ(least.mJobOptions, "j.joboptions");
    EXPECT_EQ(least.mBuildNumber, 1);
    EXPECT_TRUE(least.mGUID.empty());
    EXPECT_TRUE(least.mOutput.empty());

    GPPStandInOptions all;
    ASSERT_TRUE(Parse({"--make-trovelor", "Press", "--setting", "Trim=true", "--setting", "MarkOffset=", "--job-options",
                       "j", "--build", "1234", "--guid", "ab-12_C", "--pdf-settings", "High", "--package", "p.zip"},
                      all));
    const std::vector<std::pair<std::string, std::string>> settings = {{"Trim", "true"}, {"MarkOffset", ""}};
    EXPECT_EQ(all.mSettings, settings);
    EXPECT_EQ(all.mBuildNumber, 1234);
    EXPECT_EQ(all.mGUID, "ab-12_C");
    EXPECT_EQ(all.mPDFSettings, "High");
    EXPECT_EQ(all.mPackage, "p.zip");

    const std::vector<std::vector<std::string>> bad = {
        {"--make-trovelor", "Press"},
        {"--make-trovelor", "", "--job-options", "j"},
        {"--make-trovelor", "Press", "--job-options"},
        {"--make-trovelor", "Press", "--job-options", "j", "--setting", "=x"},
        {"--make-trovelor", "Press", "--job-options", "j", "--setting", "NoValue"},
        {"--make-trovelor", "Press", "--job-options", "j", "--build", "-1"},
        {"--make-trovelor", "Press", "--job-options", "j", "--build", "12x"},
        {"--make-trovelor", "Press", "--job-options", "j", "--guid", "../up"},
        {"--make-trovelor", "Press", "--job-options", "j", "--output", "o"},
    };
    for (const auto& words : bad) {
        GPPStandInOptions options;
        EXPECT_FALSE(Parse(words, options)) << words.back();
    }
}
