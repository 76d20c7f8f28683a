#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "standin/StandinTrash.h"
#include "support/ScopedEnvironment.h"
#include "support/PrivateMounts.h"
#include "support/ScopedTempFolder.h"

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(StandinTrashTest, PathsArePercentEncodedAsURLs) {
    EXPECT_EQ(StandinTrash::PercentEncode("/home/u/a b/%x.txt"), "/home/u/a%20b/%25x.txt");
    EXPECT_EQ(StandinTrash::PercentEncode("/caf\xc3\xa9#?"), "/caf%C3%A9%23%3F");
    EXPECT_EQ(StandinTrash::PercentEncode("-_.!~*'()"), "-_.!~*'()");
}

TEST(StandinTrashTest, NamesAreReservedByTheirInfoFile) {
    ScopedTempFolder dir;
    ScopedEnvironment environment;
    environment.Set("XDG_DATA_HOME", dir / "data");
    std::filesystem::create_directories(dir / "data/Trash/info");
    std::filesystem::create_directories(dir / "data/Trash/files");
    // Someone else's reservation, and a file left behind without its info.
    std::ofstream(dir / "data/Trash/info/a.trashinfo") << "[Trash Info]\n";
    std::ofstream(dir / "data/Trash/files/a.2") << "orphan";
    std::ofstream(dir / "a") << "mine";
    std::string moved;
    ASSERT_EQ(StandinTrash::MoveToTrash(dir / "a", moved), 0);
    EXPECT_EQ(moved, dir / "data/Trash/files/a.3");
    EXPECT_EQ(Read(moved), "mine");
    EXPECT_EQ(Read(dir / "data/Trash/files/a.2"), "orphan");
    EXPECT_FALSE(std::filesystem::exists(dir / "data/Trash/info/a.2.trashinfo"));
    EXPECT_TRUE(std::filesystem::exists(dir / "data/Trash/info/a.3.trashinfo"));
    EXPECT_EQ(StandinTrash::MoveToTrash("relative", moved), EINVAL);
    EXPECT_EQ(StandinTrash::MoveToTrash(dir / "missing", moved), ENOENT);
}

TEST(StandinTrashTest, ItemsOnAnotherFileSystemGoToItsOwnTrash) {
    ScopedTempFolder dir;
    struct stat here {};
    struct stat there {};
    if (stat(dir.Path().c_str(), &here) != 0 || stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system beside the temporary folder";
    ScopedEnvironment environment;
    environment.Set("XDG_DATA_HOME", dir / "data");
    const std::string top = "/dev/shm";
    const std::string trash = top + "/.Trash-" + std::to_string(getuid());
    const bool trashExisted = std::filesystem::exists(trash);
    char pattern[] = "/dev/shm/trovel-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string item = std::string(pattern) + "/f";
    std::ofstream(item) << "x";
    std::string moved;
    EXPECT_EQ(StandinTrash::MoveToTrash(item, moved), 0);
    EXPECT_EQ(moved.rfind(trash + "/files/f", 0), 0u) << moved;
    const std::string leaf = moved.substr(moved.find_last_of('/') + 1);
    const std::string info = Read(trash + "/info/" + leaf + ".trashinfo");
    EXPECT_NE(info.find("\nPath=" + std::string(pattern).substr(top.size() + 1) + "/f\n"), std::string::npos) << info;
    std::filesystem::remove(moved);
    std::filesystem::remove(trash + "/info/" + leaf + ".trashinfo");
    std::filesystem::remove_all(pattern);
    if (!trashExisted)
        std::filesystem::remove_all(trash);
}

TEST(StandinTrashTest, ItemsOnABindMountOfTheHomeFileSystemGoToTheMountsTrash) {
    ScopedTempFolder dir;
    ASSERT_EQ(mkdir((dir / "data").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((dir / "src").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((dir / "bind").c_str(), 0700), 0);
    RUN_WITH_PRIVATE_MOUNTS([&] {
        ScopedEnvironment environment;
        environment.Set("XDG_DATA_HOME", dir / "data");
        ASSERT_TRUE(PrivateMounts::Bind(dir / "src", dir / "bind"));
        const std::string item = dir / "bind/f";
        std::ofstream(item) << "x";
        std::string moved;
        ASSERT_EQ(StandinTrash::MoveToTrash(item, moved), 0);
        const std::string trash = dir / ("bind/.Trash-" + std::to_string(getuid()));
        EXPECT_EQ(moved, trash + "/files/f");
        EXPECT_NE(Read(trash + "/info/f.trashinfo").find("\nPath=f\n"), std::string::npos);
        EXPECT_EQ(Read(dir / "src/.Trash-" + std::to_string(getuid()) + "/files/f"), "x");
    });
}

}  // namespace
