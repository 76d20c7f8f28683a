// Creating, removing, moving and copying single items.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "PMacFileSystemImpCocoaTestSupport.h"
#include "support/UnprivilegedChild.h"

namespace {

using PMacFileSystemImpCocoaItemsTest = PMacFileSystemImpCocoaTest;

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name(entry->d_name);
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(PMacFileSystemImpCocoaItemsTest, CreateFileGivesEachResultCode) {
    WriteFile((*this)("existing"), "keep");
    mkdir((*this)("folder").c_str(), 0755);
    EXPECT_EQ(FS::CreateFile(G((*this)("new"))), 0);
    EXPECT_TRUE(Exists((*this)("new")));
    EXPECT_EQ(ReadFile((*this)("new")), "");
    EXPECT_EQ(FS::CreateFile(G((*this)("existing"))), -48);
    EXPECT_EQ(ReadFile((*this)("existing")), "keep");
    EXPECT_EQ(FS::CreateFile(G((*this)("folder"))), -48);
    EXPECT_EQ(FS::CreateFile(G((*this)("missing/new"))), -43);
    EXPECT_EQ(FS::CreateFile(G((*this)("existing/new"))), -43);
    EXPECT_EQ(FS::CreateFile(G((*this)(std::string(300, 'n')))), -37);
    EXPECT_EQ(FS::CreateFile(BadText()), -37);
    EXPECT_EQ(FS::CreateFile(GString()), -37);
}

TEST_F(PMacFileSystemImpCocoaItemsTest, CreateFileOverABrokenLinkIsADuplicateAndMakesNothingAtTheTarget) {
    Link((*this)("nowhere"), (*this)("link"));
    EXPECT_EQ(FS::CreateFile(G((*this)("link"))), -48);
    EXPECT_FALSE(Exists((*this)("nowhere")));
}

TEST_F(PMacFileSystemImpCocoaItemsTest, CreateFolderGivesEachResultCode) {
    WriteFile((*this)("file"), "");
    EXPECT_EQ(FS::CreateFolder(G((*this)("new"))), 0);
    struct stat info {};
    ASSERT_EQ(stat((*this)("new").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(FS::CreateFolder(G((*this)("new"))), -48);
    EXPECT_EQ(FS::CreateFolder(G((*this)("file"))), -48);
    EXPECT_EQ(FS::CreateFolder(G((*this)("missing/new"))), -43);
    EXPECT_EQ(FS::CreateFolder(BadText()), -37);
}

TEST_F(PMacFileSystemImpCocoaItemsTest, IsFolderAndFolderExistsLookAtTheItemItself) {
    mkdir((*this)("folder").c_str(), 0755);
    WriteFile((*this)("file"), "");
    Link((*this)("folder"), (*this)("folderLink"));
    Link((*this)("nowhere"), (*this)("broken"));
    const struct {
        const char* leaf;
        int16_t code;
        bool isFolder;
    } cases[] = {{"folder", 0, true}, {"file", 0, false}, {"folderLink", 0, false}, {"broken", 0, false}, {"missing", -43, true}};
    for (const auto& c : cases) {
        bool isFolder = true;
        EXPECT_EQ(FS::IsFolder(G((*this)(c.leaf)), &isFolder), c.code) << c.leaf;
        EXPECT_EQ(isFolder, c.isFolder) << c.leaf;
    }
    EXPECT_EQ(FS::IsFolder(G((*this)("file")), nullptr), 0);
    EXPECT_EQ(FS::IsFolder(BadText(), nullptr), -37);

    EXPECT_TRUE(FS::FolderExists(G((*this)("folder"))));
    EXPECT_FALSE(FS::FolderExists(G((*this)("file"))));
    EXPECT_FALSE(FS::FolderExists(G((*this)("folderLink"))));
    EXPECT_EQ(ThrownID([&] { FS::FolderExists(G((*this)("missing"))); }), 40281);
    EXPECT_EQ(ThrownID([&] { FS::FolderExists(G((*this)("broken"))); }), 40281);
    EXPECT_EQ(ThrownID([&] { FS::FolderExists(BadText()); }), 40004);
}

TEST_F(PMacFileSystemImpCocoaItemsTest, RemoveItemChecksTheKindFirstAndRemovesNothingOnAMismatch) {
    mkdir((*this)("folder").c_str(), 0755);
    WriteFile((*this)("folder/inside"), "x");
    WriteFile((*this)("file"), "x");
    EXPECT_EQ(FS::RemoveItem(G((*this)("folder")), FS::kDeleteFile), -43);
    EXPECT_EQ(FS::RemoveItem(G((*this)("file")), FS::kDeleteFolder), -43);
    EXPECT_TRUE(Exists((*this)("folder/inside")));
    EXPECT_TRUE(Exists((*this)("file")));
    EXPECT_EQ(FS::RemoveItem(G((*this)("missing")), FS::kDeleteAny), -43);
    EXPECT_EQ(FS::RemoveItem(BadText(), FS::kDeleteAny), -37);

    EXPECT_EQ(FS::RemoveItem(G((*this)("file")), FS::kDeleteFile), 0);
    EXPECT_EQ(FS::RemoveItem(G((*this)("folder")), FS::kDeleteFolder), 0);
    EXPECT_FALSE(Exists((*this)("file")));
    EXPECT_FALSE(Exists((*this)("folder")));

    mkfifo((*this)("fifo").c_str(), 0600);
    EXPECT_EQ(FS::RemoveItem(G((*this)("fifo")), FS::kDeleteFile), -43);
    EXPECT_EQ(FS::RemoveItem(G((*this)("fifo")), FS::DeleteItemType(7)), 0);
}

TEST_F(PMacFileSystemImpCocoaItemsTest, RemovalNeverFollowsALink) {
    mkdir((*this)("outside").c_str(), 0755);
    WriteFile((*this)("outside/precious"), "data");
    mkdir((*this)("tree").c_str(), 0755);
    Link((*this)("outside"), (*this)("tree/toOutside"));
    Link((*this)("outside"), (*this)("topLink"));

    EXPECT_EQ(FS::RemoveItem(G((*this)("topLink")), FS::kDeleteFolder), -43);  // a link is no folder
    EXPECT_EQ(FS::RemoveItem(G((*this)("topLink")), FS::kDeleteFile), 0);
    EXPECT_EQ(FS::RemoveItem(G((*this)("tree")), FS::kDeleteFolder), 0);
    EXPECT_FALSE(Exists((*this)("tree")));
    EXPECT_FALSE(Exists((*this)("topLink")));
    EXPECT_EQ(ReadFile((*this)("outside/precious")), "data");
}

TEST_F(PMacFileSystemImpCocoaItemsTest, MoveFileToSucceedsOnlyWhenTheItemArrived) {
    WriteFile((*this)("a"), "A");
    WriteFile((*this)("taken"), "T");
    EXPECT_EQ(FS::MoveFileTo(G((*this)("a")), G((*this)("b"))), 0);
    EXPECT_EQ(ReadFile((*this)("b")), "A");
    EXPECT_FALSE(Exists((*this)("a")));

    // An existing destination is never replaced.
    EXPECT_EQ(FS::MoveFileTo(G((*this)("b")), G((*this)("taken"))), -122);
    EXPECT_EQ(ReadFile((*this)("b")), "A");
    EXPECT_EQ(ReadFile((*this)("taken")), "T");
    EXPECT_EQ(FS::MoveFileTo(G((*this)("missing")), G((*this)("c"))), -122);
    EXPECT_EQ(FS::MoveFileTo(G((*this)("b")), G((*this)("missing/c"))), -122);
    EXPECT_EQ(FS::MoveFileTo(BadText(), G((*this)("c"))), -37);
    EXPECT_EQ(FS::MoveFileTo(G((*this)("b")), BadText()), -37);
}

TEST_F(PMacFileSystemImpCocoaItemsTest, MoveFolderToAndRenameItem) {
    mkdir((*this)("folder").c_str(), 0755);
    WriteFile((*this)("folder/x"), "x");
    WriteFile((*this)("taken"), "T");
    EXPECT_TRUE(FS::MoveFolderTo(G((*this)("folder")), G((*this)("moved"))));
    EXPECT_EQ(ReadFile((*this)("moved/x")), "x");
    EXPECT_FALSE(FS::MoveFolderTo(G((*this)("moved")), G((*this)("taken"))));
    EXPECT_EQ(ThrownID([&] { FS::MoveFolderTo(BadText(), G((*this)("y"))); }), 40004);

    FS::RenameItem(G((*this)("moved")), G((*this)("renamed")));
    EXPECT_TRUE(Exists((*this)("renamed/x")));
    EXPECT_EQ(ThrownID([&] { FS::RenameItem(G((*this)("renamed")), G((*this)("taken"))); }), 40275);
    EXPECT_EQ(ReadFile((*this)("taken")), "T");
    EXPECT_EQ(ThrownID([&] { FS::RenameItem(G((*this)("missing")), G((*this)("other"))); }), 40275);
    EXPECT_EQ(ThrownID([&] { FS::RenameItem(G((*this)("renamed")), BadText()); }), 40004);
}

TEST_F(PMacFileSystemImpCocoaItemsTest, CopyFileToKeepsContentsModeAndDates) {
    WriteFile((*this)("src"), std::string(200000, 'z') + "end");
    chmod((*this)("src").c_str(), 0640);
    const timespec times[2] = {{1000000000, 0}, {1234567890, 0}};
    utimensat(AT_FDCWD, (*this)("src").c_str(), times, 0);

    FS::CopyFileTo(G((*this)("src")), G((*this)("dst")));
    EXPECT_EQ(ReadFile((*this)("dst")), ReadFile((*this)("src")));
    struct stat info {};
    ASSERT_EQ(stat((*this)("dst").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(info.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(Listing(mDir.Path()), (std::vector<std::string>{"dst", "src"}));
}

TEST_F(PMacFileSystemImpCocoaItemsTest, CopyFileToCopiesEveryByteSyncedOrNot) {
    WriteFile((*this)("large"), std::string(3 << 20, 'q') + "end");
    WriteFile((*this)("empty"), "");
    for (bool sync : {false, true}) {
        for (char const* name : {"large", "empty"}) {
            const std::string copy = (*this)(std::string(name) + (sync ? ".synced" : ".plain"));
            FS::CopyFileTo(G((*this)(name)), G(copy), sync);
            EXPECT_EQ(ReadFile(copy), ReadFile((*this)(name))) << copy;
        }
        // A file whose size says nothing still gives its contents.
        const std::string status = (*this)(sync ? "status.synced" : "status.plain");
        FS::CopyFileTo(G("/proc/self/status"), G(status), sync);
        EXPECT_EQ(ReadFile(status).compare(0, 5, "Name:"), 0) << status;
    }
    EXPECT_EQ(Listing(mDir.Path()),
              (std::vector<std::string>{"empty", "empty.plain", "empty.synced", "large", "large.plain", "large.synced",
                                        "status.plain", "status.synced"}));
}

TEST_F(PMacFileSystemImpCocoaItemsTest, CopyFileToNeverWritesThroughALinkAtTheDestination) {
    WriteFile((*this)("src"), "new");
    Link((*this)("elsewhere"), (*this)("dangling"));
    for (bool sync : {false, true}) {
        EXPECT_EQ(ThrownID([&] { FS::CopyFileTo(G((*this)("src")), G((*this)("dangling")), sync); }), 40275);
        EXPECT_FALSE(Exists((*this)("elsewhere")));
    }
}

TEST_F(PMacFileSystemImpCocoaItemsTest, CopyFileToCopiesTreesWithLinksAsLinks) {
    mkdir((*this)("tree").c_str(), 0750);
    mkdir((*this)("tree/sub").c_str(), 0700);
    WriteFile((*this)("tree/sub/f"), "f");
    Link("sub/f", (*this)("tree/rel"));
    Link((*this)("elsewhere"), (*this)("tree/broken"));
    FS::CopyFileTo(G((*this)("tree")), G((*this)("copy")));
    EXPECT_EQ(ReadFile((*this)("copy/sub/f")), "f");
    char text[64] = {};
    ASSERT_GT(readlink((*this)("copy/rel").c_str(), text, sizeof text - 1), 0);
    EXPECT_STREQ(text, "sub/f");
    EXPECT_TRUE(Exists((*this)("copy/broken")));
    struct stat info {};
    ASSERT_EQ(stat((*this)("copy").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0750u);

    Link((*this)("tree"), (*this)("treeLink"));
    FS::CopyFileTo(G((*this)("treeLink")), G((*this)("linkCopy")));
    ASSERT_EQ(lstat((*this)("linkCopy").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(PMacFileSystemImpCocoaItemsTest, AFailedCopyLeavesNeitherDestinationNorTemporary) {
    WriteFile((*this)("src"), "new");
    WriteFile((*this)("dst"), "old");
    EXPECT_EQ(ThrownID([&] { FS::CopyFileTo(G((*this)("src")), G((*this)("dst"))); }), 40275);
    EXPECT_EQ(ReadFile((*this)("dst")), "old");
    EXPECT_EQ(ThrownID([&] { FS::CopyFileTo(G((*this)("missing")), G((*this)("other"))); }), 40275);
    EXPECT_EQ(ThrownID([&] { FS::CopyFileTo(BadText(), G((*this)("other"))); }), 40004);

    // A tree holding something that cannot be copied (a device, which needs root to make) fails
    // part-way through.
    mkdir((*this)("tree").c_str(), 0755);
    WriteFile((*this)("tree/a"), "a");
    if (mknod((*this)("tree/z.dev").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
        EXPECT_EQ(ThrownID([&] { FS::CopyFileTo(G((*this)("tree")), G((*this)("copy"))); }), 40275);
        EXPECT_EQ(Listing(mDir.Path()), (std::vector<std::string>{"dst", "src", "tree"}));
        unlink((*this)("tree/z.dev").c_str());
    }

    // A copy inside its own source is refused before anything is made.
    EXPECT_EQ(ThrownID([&] { FS::CopyFileTo(G((*this)("tree")), G((*this)("tree/inner"))); }), 40275);
    Link((*this)("tree"), (*this)("treeLink"));
    EXPECT_EQ(ThrownID([&] { FS::CopyFileTo(G((*this)("tree")), G((*this)("treeLink/inner"))); }), 40275);
    EXPECT_EQ(Listing((*this)("tree")), (std::vector<std::string>{"a"}));
}

TEST_F(PMacFileSystemImpCocoaItemsTest, ReplaceItemMovesTheReplacementOverTheItem) {
    WriteFile((*this)("item"), "old");
    WriteFile((*this)("replacement"), "new");
    EXPECT_TRUE(FS::ReplaceItem((*this)("item").c_str(), (*this)("replacement").c_str()));
    EXPECT_EQ(ReadFile((*this)("item")), "new");
    EXPECT_FALSE(Exists((*this)("replacement")));
    EXPECT_EQ(ThrownID([&] { FS::ReplaceItem((*this)("item").c_str(), (*this)("replacement").c_str()); }), 40275);
    EXPECT_EQ(ReadFile((*this)("item")), "new");
    EXPECT_EQ(ThrownID([&] { FS::ReplaceItem(nullptr, (*this)("item").c_str()); }), 40004);

    // A folder is replaced whole, by a folder or by a file.
    mkdir((*this)("folder").c_str(), 0755);
    WriteFile((*this)("folder/old"), "o");
    mkdir((*this)("newFolder").c_str(), 0755);
    WriteFile((*this)("newFolder/new"), "n");
    EXPECT_TRUE(FS::ReplaceItem((*this)("folder").c_str(), (*this)("newFolder").c_str()));
    EXPECT_EQ(ReadFile((*this)("folder/new")), "n");
    EXPECT_FALSE(Exists((*this)("folder/old")));
    EXPECT_FALSE(Exists((*this)("newFolder")));
    WriteFile((*this)("plain"), "p");
    EXPECT_TRUE(FS::ReplaceItem((*this)("folder").c_str(), (*this)("plain").c_str()));
    EXPECT_EQ(ReadFile((*this)("folder")), "p");
    EXPECT_EQ(Listing(mDir.Path()), (std::vector<std::string>{"folder", "item"}));
    EXPECT_EQ(ThrownID([&] { FS::ReplaceItem("/tmp/\xff", (*this)("item").c_str()); }), 40004);
}

// Where a second file system is at hand (/dev/shm), a move between them copies completely.
TEST_F(PMacFileSystemImpCocoaItemsTest, MovesAcrossFileSystemsCopyCompletelyThenRemoveTheSource) {
    struct stat here {};
    struct stat there {};
    if (stat(mDir.Path().c_str(), &here) != 0 || stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system beside the temporary folder";
    char pattern[] = "/dev/shm/trovel-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string other(pattern);
    mkdir((other + "/tree").c_str(), 0755);
    WriteFile(other + "/tree/f", "data");
    const timespec times[2] = {{1000000000, 0}, {1111111111, 0}};
    utimensat(AT_FDCWD, (other + "/tree/f").c_str(), times, 0);
    EXPECT_EQ(FS::MoveFileTo(G(other + "/tree"), G((*this)("tree"))), 0);
    EXPECT_EQ(ReadFile((*this)("tree/f")), "data");
    struct stat info {};
    ASSERT_EQ(stat((*this)("tree/f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1111111111);
    EXPECT_FALSE(Exists(other + "/tree"));

    WriteFile(other + "/item", "old");
    WriteFile((*this)("replacement"), "new");
    EXPECT_TRUE(FS::ReplaceItem((other + "/item").c_str(), (*this)("replacement").c_str()));
    EXPECT_EQ(ReadFile(other + "/item"), "new");
    EXPECT_FALSE(Exists((*this)("replacement")));
    std::filesystem::remove_all(other);
}

TEST_F(PMacFileSystemImpCocoaItemsTest, AccessDeniedIsReportedAsSuch) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    chmod(mDir.Path().c_str(), 0755);
    mkdir((*this)("closed").c_str(), 0700);
    WriteFile((*this)("closed/secret"), "s");
    WriteFile((*this)("rootfile"), "r");
    chmod((*this)("rootfile").c_str(), 0600);
    const std::string dir = mDir.Path();
    const int status = UnprivilegedChild::Run([&]() {
        if (FS::CreateFile(G(dir + "/new")) != -5000)
            return 1;
        if (FS::CreateFolder(G(dir + "/newFolder")) != -5000)
            return 2;
        if (FS::RemoveItem(G(dir + "/rootfile"), FS::kDeleteFile) != -5000)
            return 3;
        if (!Exists(dir + "/rootfile"))
            return 4;
        GString out;
        if (FS::ResolveAlias(G(dir + "/closed/secret"), out, nullptr) != -5000)
            return 5;
        bool r = true, w = true, x = true;
        if (FS::GetAliasPermissions(G(dir + "/rootfile"), true, &r, &w, &x) != -1 || r || w || x)
            return 6;
        if (FS::IsFolder(G(dir + "/closed/secret"), nullptr) != -5000)
            return 7;
        return 0;
    });
    if (status == 255)
        GTEST_SKIP() << "could not drop to an unprivileged user";
    EXPECT_EQ(status, 0);
}

}  // namespace
