#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "FileSystemTestSupport.h"
#include "services/filesystem/GFileSystemIterator.h"
#include "support/ChildCheck.h"
#include "support/PrivateMounts.h"
#include "support/TreeListing.h"
#include "support/UnprivilegedChild.h"
#include "support/Watchdog.h"

namespace {

constexpr int kInternalError = 40275;
constexpr int kIsDirectory = 40032;

class FolderCopy : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
    std::string operator()(std::string const& relative) const { return mFolder / relative; }
    GPathName At(std::string const& relative) const { return PathOf(mFolder / relative); }
    void Folder(std::string const& relative, mode_t mode = 0755) const {
        ASSERT_EQ(mkdir((mFolder / relative).c_str(), mode), 0) << relative;
    }
    ScopedTempFolder mFolder;
};

// ---- Into itself ----

TEST_F(FolderCopy, AFolderCopiedIntoItsOwnSubfolderIsRefusedAtOnce) {
    Folder("a");
    Folder("a/b");
    WriteFile((*this)("a/f"), "x");
    Watchdog watchdog(std::chrono::seconds(60), "copy into itself");
    GPathName copied;
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyFolderTo(At("a"), At("a/b"), copied, true); }), kInternalError);
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyFolderContentsTo(At("a"), At("a/b"), true); }), kInternalError);
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyFolderTo(At("a"), At("a/b/c"), copied, false); }), kInternalError);
    EXPECT_TRUE(TreeListing((*this)("a/b")).empty());
    // Beside itself is fine.
    GFileSystem::CopyFolderTo(At("a"), At("elsewhere"), copied, false);
    EXPECT_EQ(TreeListing((*this)("elsewhere/a")), TreeListing((*this)("a")));
}

// ---- Names without a text form ----

TEST_F(FolderCopy, NamesWithoutATextFormAreCopiedNotLeftOut) {
    Folder("src");
    WriteFile((*this)("src/plain"), "plain");
    WriteFile((*this)("src/caf\xE9"), "latin-1");
    Folder("src/\xFF");
    WriteFile((*this)("src/\xFF/inner"), "inner");
    Folder("src/sub");
    WriteFile((*this)("src/sub/\xC3"), "cut UTF-8");
    GPathName copied;
    GFileSystem::CopyFolderTo(At("src"), At("to"), copied, false);
    EXPECT_EQ(TreeListing((*this)("to/src")), TreeListing((*this)("src")));
    Folder("contents");
    GFileSystem::CopyFolderContentsTo(At("src"), At("contents"), false);
    EXPECT_EQ(TreeListing((*this)("contents")), TreeListing((*this)("src")));
    // Again over the copy: overwriting replaces, not overwriting keeps what is there.
    WriteFile((*this)("src/caf\xE9"), "changed");
    GFileSystem::CopyFolderContentsTo(At("src"), At("contents"), false);
    EXPECT_EQ(ReadFile((*this)("contents/caf\xE9")), "latin-1");
    GFileSystem::CopyFolderContentsTo(At("src"), At("contents"), true);
    EXPECT_EQ(TreeListing((*this)("contents")), TreeListing((*this)("src")));
    GFileSystem::CopyFolderTo(At("src"), At("to"), copied, true);
    EXPECT_EQ(TreeListing((*this)("to/src")), TreeListing((*this)("src")));
}

TEST_F(FolderCopy, ARecursiveWalkThatCannotNameAnEntryThrowsNamingIt) {
    Folder("src");
    WriteFile((*this)("src/caf\xE9"), "x");
    Folder("dst");
    WriteFile((*this)("dst/caf\xE9"), "x");
    try {
        GFileSystem::CopyPermissionsRecursive(At("src"), At("dst"));
        ADD_FAILURE() << "no exception";
    } catch (GException const& e) {
        EXPECT_EQ(e.GetExceptionID(), kInternalError);
        EXPECT_NE(Text(e.GetLngDescription()).find("caf\\xE9"), std::string::npos) << Text(e.GetLngDescription());
    }
}

// ---- Overwriting never replaces a folder by a file ----

TEST_F(FolderCopy, OverwritingReplacesFilesButNeverAFolder) {
    Folder("src");
    WriteFile((*this)("src/item"), "file");
    Folder("dst");
    Folder("dst/item");
    WriteFile((*this)("dst/item/precious"), "keep");
    Folder("dst/src");
    Folder("dst/src/item");
    WriteFile((*this)("dst/src/item/precious"), "keep");
    GPathName copied;
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyFileTo(At("src/item"), At("dst"), copied, true); }), kIsDirectory);
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyAndRenameFile(At("src/item"), At("dst/item"), true, true); }),
              kIsDirectory);
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyAndRenameFile(At("src/item"), At("dst/item"), true, false); }),
              kIsDirectory);
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyFolderTo(At("src"), At("dst"), copied, true); }), kIsDirectory);
    EXPECT_EQ(ThrownID([&] { GFileSystem::MoveFileTo(At("src/item"), At("dst"), true); }), kIsDirectory);
    EXPECT_EQ(ReadFile((*this)("dst/item/precious")), "keep");
    EXPECT_EQ(ReadFile((*this)("dst/src/item/precious")), "keep");
    EXPECT_EQ(ReadFile((*this)("src/item")), "file");
    // A file there is replaced.
    WriteFile((*this)("dst/file"), "old");
    GFileSystem::CopyAndRenameFile(At("src/item"), At("dst/file"), true, false);
    EXPECT_EQ(ReadFile((*this)("dst/file")), "file");
}

// ---- The whole family over a hostile tree ----

// A tree with a name without text, a FIFO, a socket, a cycle of links, a sparse file and a
// read-only subfolder.
void MakeHostileTree(std::string const& root) {
    ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
    WriteFile(root + "/plain", "plain");
    WriteFile(root + "/na\xEFve", "latin-1 name");
    ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0644), 0);
    ASSERT_EQ(mknod((root + "/socket").c_str(), S_IFSOCK | 0644, 0), 0);
    ASSERT_EQ(symlink("loop-b", (root + "/loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", (root + "/loop-b").c_str()), 0);
    const int fd = open((root + "/sparse").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, "data", 4, 1 << 22), 4);
    ASSERT_EQ(ftruncate(fd, 1 << 23), 0);
    close(fd);
    ASSERT_EQ(mkdir((root + "/ro").c_str(), 0755), 0);
    WriteFile(root + "/ro/inside", "inside");
    ASSERT_EQ(mkdir((root + "/ro/\xFE").c_str(), 0755), 0);
    WriteFile(root + "/ro/\xFE/deeper", "deeper");
    ASSERT_EQ(chmod((root + "/ro").c_str(), 0555), 0);
    ASSERT_EQ(chmod((root + "/plain").c_str(), 0644), 0);
    ASSERT_EQ(chmod((root + "/na\xEFve").c_str(), 0644), 0);
    ASSERT_EQ(chmod((root + "/ro/inside").c_str(), 0644), 0);
    ASSERT_EQ(chmod((root + "/ro/\xFE/deeper").c_str(), 0644), 0);
}

// Every member of the folder-copy family, fresh and, with merge, again over its own copy (which
// needs the right to write into the copied read-only folder).
void CopyWithTheWholeFamily(std::string const& base, bool merge) {
    const std::string src = base + "/tree";
    const auto source = TreeListing(src, true);
    GPathName copied;
    GFileSystem::CopyFolderTo(PathOf(src), PathOf(base + "/fresh"), copied, false);
    EXPECT_EQ(TreeListing(base + "/fresh/tree", true), source);
    if (merge)
        GFileSystem::CopyFolderTo(PathOf(src), PathOf(base + "/fresh"), copied, true);
    EXPECT_EQ(TreeListing(base + "/fresh/tree", true), source);
    ASSERT_EQ(mkdir((base + "/contents").c_str(), 0755), 0);
    GFileSystem::CopyFolderContentsTo(PathOf(src), PathOf(base + "/contents"), false);
    if (merge)
        GFileSystem::CopyFolderContentsTo(PathOf(src), PathOf(base + "/contents"), true);
    // This member gives folders no attributes of their source: names and contents only.
    EXPECT_EQ(TreeListing(base + "/contents"), TreeListing(src));
    struct stat sparse {};
    ASSERT_EQ(stat((base + "/fresh/tree/sparse").c_str(), &sparse), 0);
    EXPECT_LT(sparse.st_blocks * 512, 1 << 22);
    EXPECT_EQ(TreeListing(src, true), source);
}

TEST_F(FolderCopy, TheWholeFamilyCopiesAHostileTreeByteForByteAsRoot) {
    MakeHostileTree((*this)("tree"));
    CopyWithTheWholeFamily(mFolder.Path(), true);
}

TEST_F(FolderCopy, TheWholeFamilyCopiesAHostileTreeByteForByteUnprivileged) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop privileges";
    ASSERT_EQ(chmod(mFolder.Path().c_str(), 0777), 0);
    MakeHostileTree((*this)("tree"));
    ASSERT_TRUE(GiveTreeToUnprivileged((*this)("tree")));
    EXPECT_EQ(UnprivilegedChild::Run([&] { return RunCollectingFailures([&] { CopyWithTheWholeFamily(mFolder.Path(), false); }); }),
              0);
}

// ---- Deep trees ----

TEST_F(FolderCopy, WalksBeyondThePathLimitReportItInsteadOfHandingOutPart) {
    Folder("deep");
    WriteFile((*this)("deep/top"), "top");
    ASSERT_TRUE(MakeTreeBeyondThePathLimit((*this)("deep")));
    // Which error depends on where the limit is met (a name too long for text or for a call).
    GPathName copied;
    EXPECT_NE(ThrownID([&] { GFileSystem::CopyFolderTo(At("deep"), At("copy"), copied, false); }), 0);
    Folder("contents");
    EXPECT_NE(ThrownID([&] { GFileSystem::CopyFolderContentsTo(At("deep"), At("contents"), false); }), 0);
    EXPECT_NE(ThrownID([&] {
                  for (GFileSystemIterator it(At("deep"), -1, -1); it != GFileSystemIterator::cEnd; ++it) {
                  }
              }),
              0);
    EXPECT_TRUE(GFileSystem::RemoveFolder(At("deep"), -1, 10));
    EXPECT_FALSE(Exists((*this)("deep")));
}

// ---- Moves across file systems ----

TEST_F(FolderCopy, AMoveThatCannotCompleteThrowsAndLeavesBothSidesAsTheyWere) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to mount and to drop privileges";
    ASSERT_EQ(chmod(mFolder.Path().c_str(), 0755), 0);
    Folder("src");
    WriteFile((*this)("src/a"), "a");
    Folder("src/ro");
    WriteFile((*this)("src/ro/kept"), "kept");
    ASSERT_EQ(chmod((*this)("src/ro").c_str(), 0555), 0);
    ASSERT_TRUE(GiveTreeToUnprivileged((*this)("src")));
    Folder("other", 0777);
    const auto before = TreeListing((*this)("src"), true);
    RUN_WITH_PRIVATE_MOUNTS([&] {
        ASSERT_TRUE(PrivateMounts::MountTemporary((*this)("other")));
        WriteFile((*this)("other/existing"), "there before");
        ASSERT_EQ(chmod((*this)("other/existing").c_str(), 0644), 0);
        const auto destination = TreeListing((*this)("other"), true);
        EXPECT_EQ(UnprivilegedChild::Run([&] {
                      return RunCollectingFailures([&] {
                          GPathName moved;
                          for (bool overwrite : {false, true})
                              EXPECT_EQ(ThrownID([&] { GFileSystem::MoveFolderTo(At("src"), At("other"), moved, overwrite); }),
                                        kInternalError);
                          EXPECT_EQ(TreeListing((*this)("src"), true), before);
                          EXPECT_EQ(TreeListing((*this)("other"), true), destination);
                      });
                  }),
                  0);
        // Once the source can go, the move completes, overwriting or not.
        ASSERT_EQ(chmod((*this)("src/ro").c_str(), 0755), 0);
        const auto movable = TreeListing((*this)("src"), true);
        GPathName moved;
        GFileSystem::MoveFolderTo(At("src"), At("other"), moved, false);
        EXPECT_FALSE(Exists((*this)("src")));
        EXPECT_EQ(TreeListing((*this)("other/src"), true), movable);
        EXPECT_EQ(TreeListing((*this)("other")).size(), movable.size() + 2);  // no hidden temporary
    });
}

// ---- Permissions and unique folders ----

TEST_F(FolderCopy, SetWritableFalseOnlyTakesWriteBitsAway) {
    WriteFile((*this)("mine"), "x");
    ASSERT_EQ(chmod((*this)("mine").c_str(), 0664), 0);
    GFileSystem::SetWritable(At("mine"), false);
    EXPECT_EQ(ModeOf((*this)("mine")), 0444);
    if (!UnprivilegedChild::IsRoot())
        return;
    // An item of another user, where the caller falls in the others' class.
    WriteFile((*this)("theirs"), "x");
    ASSERT_EQ(chmod((*this)("theirs").c_str(), 0600), 0);
    ASSERT_EQ(chown((*this)("theirs").c_str(), UnprivilegedChild::Uid(), UnprivilegedChild::Gid()), 0);
    GFileSystem::SetWritable(At("theirs"), false);
    EXPECT_EQ(ModeOf((*this)("theirs")), 0400);
}

TEST_F(FolderCopy, UniqueFoldersInASharedFolderLeaveFoldersTheyDidNotMake) {
    Folder("shared", 0777);
    ASSERT_EQ(chmod((*this)("shared").c_str(), 01777), 0);
    // A run of one X: ten names, nine of them taken by folders of others' modes.
    for (int i = 0; i < 9; ++i)
        Folder("shared/job_" + std::to_string(i), 0755);
    GPathName made;
    GFileSystem::CreateUniqueFolder(At("shared/job_X"), made);
    EXPECT_EQ(Utf8(made), (*this)("shared/job_9"));
    EXPECT_EQ(ModeOf((*this)("shared/job_9")), 0700);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(ModeOf((*this)("shared/job_" + std::to_string(i))), 0755) << i;
}

// ---- Mounts ----

TEST_F(FolderCopy, LocalOperationsDoNotWaitForAHungMountElsewhere) {
    Folder("hung");
    WriteFile((*this)("file"), "x");
    RUN_WITH_PRIVATE_MOUNTS([&] {
        if (PrivateMounts::MountUnanswered((*this)("hung")) < 0)
            _exit(PrivateMounts::kUnavailable);
        EXPECT_EQ(GFileSystem::GetObjectLocked(At("file")), 1);
        EXPECT_FALSE(GFileSystem::FileInUse(At("file")));
        EXPECT_TRUE(GFileSystem::IsWritable(At("file")));
        GFileSystem::SetWritable(At("file"), true);
        GFileSystem::CopyAndRenameFile(At("file"), At("copy"), false, true);
        EXPECT_EQ(ReadFile((*this)("copy")), "x");
        EXPECT_FALSE(GFileSystem::VolumeNameExists(GString("No Such Volume 7f3a")));
    });
}

}  // namespace
