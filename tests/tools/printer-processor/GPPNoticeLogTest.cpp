#include "printer-processor/GPPNoticeLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/ScopedTempFolder.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(GPPNoticeLog, AppendsEscapedTabSeparatedCRLines) {
    ScopedTempFolder root;
    const std::string path = root / "log.txt";
    std::ofstream(path, std::ios::binary) << "earlier\r";
    {
        GPPNoticeLog log(path);
        ASSERT_TRUE(log.IsOpen());
        EXPECT_TRUE(log.Append({"1", "a\tb", "c\rd\ne", "back\\slash", ""}));
        EXPECT_TRUE(log.Append({"2"}));
    }
    EXPECT_EQ(ReadFile(path), "earlier\r1\ta\\tb\tc\\rd\\ne\tback\\\\slash\t\r2\r");
}

TEST(GPPNoticeLog, NewFileIsPrivateAndALinkIsNotFollowed) {
    ScopedTempFolder root;
    {
        GPPNoticeLog log(root / "new.txt");
        ASSERT_TRUE(log.IsOpen());
    }
    struct stat info {};
    ASSERT_EQ(stat((root / "new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    std::ofstream(root / "target.txt") << "keep";
    ASSERT_EQ(symlink((root / "target.txt").c_str(), (root / "link.txt").c_str()), 0);
    GPPNoticeLog linked(root / "link.txt");
    EXPECT_FALSE(linked.IsOpen());
    EXPECT_FALSE(linked.Append({"x"}));
    EXPECT_EQ(ReadFile(root / "target.txt"), "keep");
}
