#include "printer-processor/GPPJobPathGuard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/ScopedTempFolder.h"

TEST(GPPJobPathGuard, VerdictsForPathsInsideAndOutside) {
    ScopedTempFolder root;
    const std::string out = root / "out";
    ASSERT_EQ(mkdir(out.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((out + "/sub").c_str(), 0700), 0);
    std::ofstream(out + "/sub/a.pdf") << "abc";
    ASSERT_EQ(mkfifo((out + "/pipe").c_str(), 0600), 0);
    ASSERT_EQ(symlink((out + "/sub").c_str(), (out + "/sublink").c_str()), 0);
    ASSERT_EQ(symlink(out.c_str(), (root / "outlink").c_str()), 0);

    // The folder given through a link: paths may name it either way, and are opened below its
    // real place.
    const GPPJobPathGuard guard(root / "outlink/");
    ASSERT_TRUE(guard.IsUsable());
    struct Case {
        std::string path;
        GPPJobPathGuard::Verdict verdict;
        const char* detail;
    } const cases[] = {
        {root / "outlink/sub/a.pdf", GPPJobPathGuard::kAccepted, "3"},
        {out + "/sub/a.pdf", GPPJobPathGuard::kAccepted, "3"},
        {out + "//sub//a.pdf", GPPJobPathGuard::kAccepted, "3"},
        {out + "/sub", GPPJobPathGuard::kAccepted, "folder"},
        {out + "/sub/none.pdf", GPPJobPathGuard::kMissing, "missing"},
        {out + "/none/a.pdf", GPPJobPathGuard::kMissing, "missing"},
        {out + "/pipe", GPPJobPathGuard::kRefused, "not a regular file"},
        {out + "/sublink/a.pdf", GPPJobPathGuard::kRefused, "symbolic link"},
        {out + "/sublink", GPPJobPathGuard::kRefused, "symbolic link"},
        {out + "/sub/../sub/a.pdf", GPPJobPathGuard::kRefused, "dot component"},
        {out + "/sub/a.pdf/..", GPPJobPathGuard::kRefused, "dot component"},
        {out + "/../out/sub/a.pdf", GPPJobPathGuard::kRefused, "dot component"},
        {out + "/sub/a.pdf/x", GPPJobPathGuard::kRefused, "symbolic link"},
        {out + "x/sub/a.pdf", GPPJobPathGuard::kRefused, "outside folder"},
        {root / "other.pdf", GPPJobPathGuard::kRefused, "outside folder"},
        {"sub/a.pdf", GPPJobPathGuard::kRefused, "not absolute"},
        {"", GPPJobPathGuard::kRefused, "not absolute"},
        {out, GPPJobPathGuard::kRefused, "the folder itself"},
        {out + "/", GPPJobPathGuard::kRefused, "the folder itself"},
        {out + "/sub/a.pdf" + std::string(1, '\0') + "x", GPPJobPathGuard::kRefused, "zero byte"},
    };
    for (const Case& c : cases) {
        std::string detail;
        EXPECT_EQ(guard.Check(c.path, detail), c.verdict) << c.path;
        EXPECT_EQ(detail, c.detail) << c.path;
    }
}

TEST(GPPJobPathGuard, MissingFolderRefusesEverything) {
    ScopedTempFolder root;
    const GPPJobPathGuard guard(root / "nowhere");
    EXPECT_FALSE(guard.IsUsable());
    std::string detail;
    EXPECT_EQ(guard.Check(root / "nowhere/a.pdf", detail), GPPJobPathGuard::kRefused);
}
