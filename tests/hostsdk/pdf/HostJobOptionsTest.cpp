#include "hostsdk/pdf/HostJobOptions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>

#include "support/ScopedTempFolder.h"

namespace {

TEST(HostJobOptionsTest, ReadsEveryKeyAndKeepsDefaultsForOthers) {
    HostPdfSettings settings;
    settings.colorBars = true;
    std::string error;
    ASSERT_TRUE(HostJobOptions::Parse("# job\r\n\r\nspreads = true\rbleedTop=4.5\n  marksWeight =  0.125 \n",
                                      settings, error))
        << error;
    HostPdfSettings expected;
    expected.spreads = true;
    expected.bleed.top = 4.5;
    expected.marksWeight = 0.125;
    EXPECT_EQ(settings, expected);
    // What Format writes reads back as the same settings.
    expected.useDocumentBleed = expected.includeSlug = expected.cropMarks = expected.bleedMarks = true;
    expected.registrationMarks = expected.colorBars = expected.pageInformation = true;
    expected.bleed = {1, 2, 3, 4.25};
    expected.marksOffset = 72;
    ASSERT_TRUE(HostJobOptions::Parse(HostJobOptions::Format(expected), settings, error)) << error;
    EXPECT_EQ(settings, expected);
}

TEST(HostJobOptionsTest, AnInvalidFileChangesNothing) {
    const char* const cases[] = {
        "spreads = yes",     "spreads",          "colour = true",     "spreads = true\nspreads = false",
        "bleedTop = -1",     "bleedTop = 433",   "bleedTop = 1e999",  "bleedTop = nan",
        "bleedTop = 1,5",    "bleedTop = 1pt",   "marksOffset = 73",  "marksWeight = 0",
        "marksWeight = 10.5", "= true",          "bleedTop =",
    };
    for (const char* text : cases) {
        HostPdfSettings settings;
        settings.cropMarks = true;
        std::string error;
        EXPECT_FALSE(HostJobOptions::Parse(text, settings, error)) << text;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << text << ": " << error;
        EXPECT_TRUE(settings.cropMarks) << text;
    }
    HostPdfSettings settings;
    std::string error;
    EXPECT_FALSE(HostJobOptions::Parse(std::string(64 * 1024 + 1, '#'), settings, error));
    ScopedTempFolder folder;
    EXPECT_FALSE(HostJobOptions::Read(folder / "absent", settings, error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos);
}

TEST(HostJobOptionsTest, NumbersAreReadInTheCLocale) {
    const char* before = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (before == nullptr)
        GTEST_SKIP() << "no de_DE locale";
    HostPdfSettings settings;
    std::string error;
    EXPECT_TRUE(HostJobOptions::Parse("bleedTop = 1.5", settings, error)) << error;
    EXPECT_EQ(settings.bleed.top, 1.5);
    EXPECT_NE(HostJobOptions::Format(settings).find("bleedTop = 1.5\n"), std::string::npos);
    std::setlocale(LC_NUMERIC, "C");
}

// A written file reads back as the same settings, whatever digits a number had.
TEST(HostJobOptionsTest, WrittenNumbersReadBackExactly) {
    HostPdfSettings settings;
    std::string error;
    ASSERT_TRUE(HostJobOptions::Parse("bleedTop = 0.1\nmarksOffset = 6\nmarksWeight = 0.5555555555555555555555", settings,
                                      error))
        << error;
    const std::string written = HostJobOptions::Format(settings);
    EXPECT_NE(written.find("bleedTop = 0.1\n"), std::string::npos) << written;
    EXPECT_NE(written.find("marksOffset = 6\n"), std::string::npos) << written;
    HostPdfSettings again;
    ASSERT_TRUE(HostJobOptions::Parse(written, again, error)) << error;
    EXPECT_TRUE(again == settings) << written;
}

}  // namespace
