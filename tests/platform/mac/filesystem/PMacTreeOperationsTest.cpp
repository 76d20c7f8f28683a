#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>

#include "mac/filesystem/PMacTreeOperations.h"
#include "support/FileFixtures.h"
#include "support/ForkedChild.h"
#include "support/PrivateMounts.h"
#include "support/ScopedTempFolder.h"
#include "support/TreeListing.h"
#include "support/UnprivilegedChild.h"

namespace {

using Tree = PMacTreeOperations;

// Entries whose names begin with "." (hidden temporaries) in the folder.
int HiddenEntries(std::string const& folder) {
    int count = 0;
    for (std::string const& line : TreeListing(folder))
        count += line.compare(0, 2, "/.") == 0 ? 1 : 0;
    return count;
}

class TreeOperations : public ::testing::Test {
protected:
    std::string operator()(std::string const& leaf) const { return mDir / leaf; }
    ScopedTempFolder mDir;
};

TEST_F(TreeOperations, AFolderCopiedIntoItselfIsRefusedBeforeAnythingIsMade) {
    ASSERT_EQ(mkdir((*this)("a").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((*this)("a/b").c_str(), 0700), 0);
    WriteFile((*this)("a/f"), "x");
    EXPECT_EQ(Tree::CopyItem((*this)("a"), (*this)("a/b/a"), Tree::Sync::kNone), EINVAL);
    EXPECT_EQ(Tree::CopyItem((*this)("a"), (*this)("a/b/new/a"), Tree::Sync::kNone), EINVAL);
    EXPECT_EQ(TreeListing((*this)("a/b")).size(), 0u);
}

TEST_F(TreeOperations, NamesWithoutTextFifosAndSocketsAreCopiedAsTheyAre) {
    const std::string src = (*this)("src");
    ASSERT_EQ(mkdir(src.c_str(), 0700), 0);
    WriteFile(src + "/caf\xE9", "latin-1 name");
    ASSERT_EQ(mkdir((src + "/\xFF\xFE").c_str(), 0700), 0);
    WriteFile(src + "/\xFF\xFE/inner", "below a bad name");
    ASSERT_EQ(mkfifo((src + "/pipe").c_str(), 0640), 0);
    ASSERT_EQ(mknod((src + "/socket").c_str(), S_IFSOCK | 0600, 0), 0);
    for (Tree::Sync sync : {Tree::Sync::kNone, Tree::Sync::kEachFile}) {
        const std::string dst = (*this)(sync == Tree::Sync::kNone ? "plain" : "synced");
        ASSERT_EQ(Tree::CopyItem(src, dst, sync), 0);
        EXPECT_EQ(TreeListing(dst, true), TreeListing(src, true));
    }
}

TEST_F(TreeOperations, ACopyToATakenNameLeavesWhatIsThere) {
    const std::string src = (*this)("src");
    WriteFile(src, "new");
    WriteFile((*this)("file"), "old");
    ASSERT_EQ(symlink("nowhere", (*this)("dangling").c_str()), 0);
    ASSERT_EQ(mkdir((*this)("folder").c_str(), 0700), 0);
    const auto before = TreeListing(mDir.Path(), true);
    for (char const* taken : {"file", "dangling", "folder"}) {
        EXPECT_EQ(Tree::CopyItem(src, (*this)(taken), Tree::Sync::kNone), EEXIST) << taken;
        // A missing source still reports the taken name.
        EXPECT_EQ(Tree::CopyItem((*this)("missing"), (*this)(taken), Tree::Sync::kNone), EEXIST) << taken;
    }
    // Out of descriptors, the copy cannot even make its file: what is at dst is not its to remove.
    rlimit limit {};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const int lowest = dup(0);
    ASSERT_GE(lowest, 0);
    close(lowest);
    rlimit tight = limit;
    tight.rlim_cur = static_cast<rlim_t>(lowest);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const int error = Tree::CopyItem(src, (*this)("file"), Tree::Sync::kNone);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    EXPECT_EQ(error, EMFILE);
    EXPECT_EQ(TreeListing(mDir.Path(), true), before);
    EXPECT_EQ(ReadFile((*this)("file")), "old");
}

TEST_F(TreeOperations, HolesOfASparseFileStayHoles) {
    const std::string src = (*this)("sparse");
    {
        const int fd = open(src.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        ASSERT_GE(fd, 0);
        const std::string data(8192, 'd');
        ASSERT_EQ(pwrite(fd, data.data(), data.size(), off_t(1) << 30), 8192);
        ASSERT_EQ(ftruncate(fd, (off_t(1) << 31)), 0);  // a trailing hole too
        close(fd);
    }
    struct stat source {};
    ASSERT_EQ(stat(src.c_str(), &source), 0);
    if (source.st_blocks * 512 > (1 << 20))
        GTEST_SKIP() << "this file system keeps no holes";
    const std::string dst = (*this)("copy");
    ASSERT_EQ(Tree::CopyItem(src, dst, Tree::Sync::kNone), 0);
    struct stat copy {};
    ASSERT_EQ(stat(dst.c_str(), &copy), 0);
    EXPECT_EQ(copy.st_size, source.st_size);
    EXPECT_LT(copy.st_blocks * 512, 1 << 20);
    const int fd = open(dst.c_str(), O_RDONLY);
    char block[8192];
    ASSERT_EQ(pread(fd, block, sizeof block, off_t(1) << 30), 8192);
    EXPECT_EQ(std::string(block, sizeof block), std::string(8192, 'd'));
    ASSERT_EQ(pread(fd, block, 16, 4096), 16);
    EXPECT_EQ(std::string(block, 16), std::string(16, '\0'));
    close(fd);
}

TEST_F(TreeOperations, SetuidAndSetgidGoWhenTheCopyHasAnotherOwner) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to give the file to another user";
    const std::string theirs = (*this)("theirs");
    const std::string ours = (*this)("ours");
    WriteFile(theirs, "program");
    WriteFile(ours, "program");
    ASSERT_EQ(chown(theirs.c_str(), UnprivilegedChild::Uid(), UnprivilegedChild::Gid()), 0);
    ASSERT_EQ(chmod(theirs.c_str(), 06755), 0);
    ASSERT_EQ(chmod(ours.c_str(), 06755), 0);
    ASSERT_EQ(Tree::CopyItem(theirs, (*this)("theirs-copy"), Tree::Sync::kNone), 0);
    ASSERT_EQ(Tree::CopyItem(ours, (*this)("ours-copy"), Tree::Sync::kEachFile), 0);
    EXPECT_EQ(ModeOf((*this)("theirs-copy")), 0755);
    EXPECT_EQ(ModeOf((*this)("ours-copy")), 06755);
}

TEST_F(TreeOperations, ASourceSwappedForAFifoFailsInsteadOfBlocking) {
    const std::string src = (*this)("src");
    const std::string fifo = (*this)("fifo");
    // The swap races the copy's look and open many times over; a blocked open never ends, so
    // the child is bounded.
    const int result = ForkedChild::RunCheck(
        [&] {
            WriteFile(src, "data");
            mkfifo(fifo.c_str(), 0600);
            std::atomic<bool> stop{false};
            // The source's name changes between the file and the FIFO without ever standing empty.
            std::thread swapper([&] {
                while (!stop)
                    renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, fifo.c_str(), RENAME_EXCHANGE);
            });
            int bad = 0;
            for (int i = 0; i < 3000 && bad == 0; ++i) {
                const std::string dst = mDir / ("copy" + std::to_string(i));
                // Plain, synced, and as a listing that saw a regular file asks for it.
                const Tree::CopyOptions options[] = {{Tree::Sync::kNone, false, false},
                                                     {Tree::Sync::kEachFile, false, false},
                                                     {Tree::Sync::kNone, false, true}};
                const int error = Tree::CopyItem(src, dst, options[i % 3]);
                struct stat info {};
                const bool made = lstat(dst.c_str(), &info) == 0;
                if (error == 0 && made && !S_ISREG(info.st_mode) && !S_ISFIFO(info.st_mode))
                    bad = 1;
                if (error != 0 && error != ENOTSUP && error != ENOENT)
                    bad = 2;
                if (error != 0 && made)
                    bad = 3;
                unlink(dst.c_str());
            }
            stop = true;
            swapper.join();
            return bad;
        },
        std::chrono::seconds(60));
    EXPECT_EQ(result, 0);
}

TEST_F(TreeOperations, TreesBeyondThePathLimitFailWhole) {
    const std::string src = (*this)("deep");
    ASSERT_EQ(mkdir(src.c_str(), 0700), 0);
    ASSERT_TRUE(MakeTreeBeyondThePathLimit(src));
    const std::string dst = (*this)("copy");
    EXPECT_EQ(Tree::CopyItem(src, dst, Tree::Sync::kNone), ENAMETOOLONG);
    EXPECT_FALSE(Exists(dst));
    EXPECT_EQ(HiddenEntries(mDir.Path()), 0);
    EXPECT_EQ(Tree::RemoveTree(src), 0);
}

// ---- Moves across file systems ----

class TreeMoves : public TreeOperations {
protected:
    // src: a tree with a read-only subfolder; other: a tmpfs mount point.
    void SetUp() override {
        ASSERT_EQ(mkdir(Src().c_str(), 0755), 0);
        WriteFile(Src() + "/a", "a");
        ASSERT_EQ(mkdir((Src() + "/ro").c_str(), 0755), 0);
        WriteFile(Src() + "/ro/kept", "kept");
        ASSERT_EQ(chmod((Src() + "/ro").c_str(), 0555), 0);
        ASSERT_EQ(mkdir(Other().c_str(), 0777), 0);
    }
    std::string Src() const { return mDir / "src"; }
    std::string Other() const { return mDir / "other"; }
};

TEST_F(TreeMoves, AMoveThatCannotRemoveItsSourceLeavesItWholeAndTheDestinationAsItWas) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to mount and to drop privileges";
    ASSERT_EQ(chmod(mDir.Path().c_str(), 0755), 0);
    ASSERT_TRUE(GiveTreeToUnprivileged(Src()));
    const auto before = TreeListing(Src(), true);
    RUN_WITH_PRIVATE_MOUNTS([&] {
        ASSERT_TRUE(PrivateMounts::MountTemporary(Other()));
        EXPECT_EQ(UnprivilegedChild::Run([&] {
                      return RunCollectingFailures([&] {
                          const int error = Tree::MoveItem(Src(), Other() + "/src");
                          EXPECT_EQ(error, EACCES);
                          EXPECT_EQ(TreeListing(Src(), true), before);
                          EXPECT_TRUE(TreeListing(Other()).empty());
                          // A single file of the read-only folder cannot go either.
                          EXPECT_EQ(Tree::MoveItem(Src() + "/ro/kept", Other() + "/kept"), EACCES);
                          EXPECT_TRUE(TreeListing(Other()).empty());
                          EXPECT_EQ(ReadFile(Src() + "/ro/kept"), "kept");
                      });
                  }),
                  0);
    });
}

TEST_F(TreeMoves, AMoveAcrossFileSystemsCompletes) {
    ASSERT_EQ(chmod((Src() + "/ro").c_str(), 0755), 0);
    const auto before = TreeListing(Src(), true);
    RUN_WITH_PRIVATE_MOUNTS([&] {
        ASSERT_TRUE(PrivateMounts::MountTemporary(Other()));
        ASSERT_EQ(Tree::MoveItem(Src(), Other() + "/src"), 0);
        EXPECT_FALSE(Exists(Src()));
        EXPECT_EQ(TreeListing(Other() + "/src", true), before);
        EXPECT_EQ(HiddenEntries(Other()), 0);
    });
}

}  // namespace
