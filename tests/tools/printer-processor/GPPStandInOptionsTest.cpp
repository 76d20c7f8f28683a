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
