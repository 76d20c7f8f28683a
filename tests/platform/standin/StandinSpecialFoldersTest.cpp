#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "standin/StandinSpecialFolders.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedTempFolder.h"

namespace {

TEST(StandinSpecialFoldersTest, WithoutHomeThePasswordEntryIsUsed) {
    ScopedEnvironment environment;
    environment.Unset("HOME");
    environment.Unset("XDG_CONFIG_HOME");
    const passwd* entry = getpwuid(getuid());
    if (entry == nullptr || entry->pw_dir == nullptr || entry->pw_dir[0] != '/')
        GTEST_SKIP() << "no password entry with a home folder";
    std::string home(entry->pw_dir);
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    EXPECT_EQ(StandinSpecialFolders::Home(), home);
    EXPECT_EQ(StandinSpecialFolders::ConfigHome(), (home == "/" ? std::string() : home) + "/.config");
}

TEST(StandinSpecialFoldersTest, TrailingSlashesAreDropped) {
    ScopedEnvironment environment;
    environment.Set("HOME", "/home/someone//");
    environment.Set("XDG_DATA_HOME", "/data/");
    EXPECT_EQ(StandinSpecialFolders::Home(), "/home/someone");
    EXPECT_EQ(StandinSpecialFolders::TrashFolder(), "/data/Trash");
}

TEST(StandinSpecialFoldersTest, MakeFoldersMakesEveryMissingLevelAndRefusesAFileInTheWay) {
    ScopedTempFolder dir;
    EXPECT_EQ(StandinSpecialFolders::MakeFolders(dir / "a/b/c"), 0);
    struct stat info {};
    ASSERT_EQ(stat((dir / "a/b/c").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(StandinSpecialFolders::MakeFolders(dir / "a/b/c"), 0);
    std::ofstream(dir / "file") << "x";
    EXPECT_EQ(StandinSpecialFolders::MakeFolders(dir / "file"), ENOTDIR);
    EXPECT_EQ(StandinSpecialFolders::MakeFolders(dir / "file/below"), ENOTDIR);
    ASSERT_EQ(symlink((dir / "a").c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(StandinSpecialFolders::MakeFolders(dir / "link/new"), 0);
    EXPECT_EQ(stat((dir / "a/new").c_str(), &info), 0);
}

TEST(StandinSpecialFoldersTest, TheLocalDomainIsConfigurable) {
    ScopedEnvironment environment;
    environment.Unset("TROVEL_LOCAL_DOMAIN");
    EXPECT_EQ(StandinSpecialFolders::LocalDomainRoot(), "/usr/local/share/trovel");
    environment.Set("TROVEL_LOCAL_DOMAIN", "/opt/site/");
    EXPECT_EQ(StandinSpecialFolders::LocalDomainRoot(), "/opt/site");
    std::string out;
    EXPECT_EQ(StandinSpecialFolders::GetFolder(StandinSpecialFolders::Domain::Local, StandinSpecialFolders::Kind::Desktop,
                                               false, out),
              ENOENT);
}

}  // namespace
