#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/support/GStdSupport.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "services/filesystem/GFileSystemIterator.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"
#include "support/UnprivilegedChild.h"

namespace {

GPathName P(std::string const& utf8) {
    return GPathName(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
}

std::string Text(GPathName const& path) {
    return GStdSupport::ToStdString(path.GetNativePathString(), GUTF8Encoding::GetInstance());
}

class FileSystemIterator : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        // Items come back under the folder's resolved path; the temporary folder may be a link.
        char resolved[PATH_MAX];
        ASSERT_NE(realpath(mTemp.Path().c_str(), resolved), nullptr);
        mRoot = resolved;
    }

    std::string At(std::string const& relative) const { return mRoot + "/" + relative; }
    void Folder(std::string const& relative) const { ASSERT_EQ(mkdir(At(relative).c_str(), 0700), 0) << relative; }
    void File(std::string const& relative) const {
        const int fd = open(At(relative).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0) << relative;
        close(fd);
    }
    void Link(std::string const& relative, std::string const& target) const {
        ASSERT_EQ(symlink(target.c_str(), At(relative).c_str()), 0) << relative;
    }

    // The walk's items relative to the temporary folder.
    std::vector<std::string> Walk(std::string const& folder, int listMask, int descendMask) const {
        std::vector<std::string> items;
        for (GFileSystemIterator it(P(At(folder)), listMask, descendMask); it != GFileSystemIterator::cEnd; ++it) {
            EXPECT_TRUE(it.CurrentFileOrFolderIsValid());
            const std::string path = Text(**it);
            items.push_back(path.compare(0, mRoot.size() + 1, mRoot + "/") == 0 ? path.substr(mRoot.size() + 1) : path);
        }
        return items;
    }

    // root: a, .h, sub/{x, .y}, .hid/{z}, link -> a, dirlink -> sub, broken -> nothing.
    void MakeMixedFolder() const {
        Folder("root");
        File("root/a");
        File("root/.h");
        Folder("root/sub");
        File("root/sub/x");
        File("root/sub/.y");
        Folder("root/.hid");
        File("root/.hid/z");
        Link("root/link", "a");
        Link("root/dirlink", At("root/sub"));
        Link("root/broken", "missing");
    }

    ScopedTempFolder mTemp;
    std::string mRoot;
};

struct MaskCase {
    int listMask;
    int descendMask;
    std::vector<std::string> expected;
};

TEST_F(FileSystemIterator, MasksChooseWhatIsHandedOutAndWhereTheWalkGoes) {
    MakeMixedFolder();
    const MaskCase cases[] = {
        // Visible plain files only: no folders, links or dot names.
        {1, 0, {"root/a"}},
        // Everything once, hidden items too, nothing below the folder.
        {-1, 0, {"root/.h", "root/.hid", "root/a", "root/broken", "root/dirlink", "root/link", "root/sub"}},
        {15, 0, {"root/.h", "root/.hid", "root/a", "root/broken", "root/dirlink", "root/link", "root/sub"}},
        {2, 0, {"root/sub"}},
        {10, 0, {"root/.hid", "root/sub"}},
        // Links are aliases whatever they point at; a broken one is listed too.
        {4, 0, {"root/broken", "root/dirlink", "root/link"}},
        {0, 0, {}},
        // Folders before their contents; hidden folders are not entered without 8.
        {3, 2, {"root/a", "root/sub", "root/sub/x"}},
        // Entering hidden folders does not list hidden items: .hid itself stays out, z comes.
        {3, 10, {"root/.hid/z", "root/a", "root/sub", "root/sub/x"}},
        {11, 10, {"root/.h", "root/.hid", "root/.hid/z", "root/a", "root/sub", "root/sub/.y", "root/sub/x"}},
        // Hidden listed but not entered.
        {11, 2, {"root/.h", "root/.hid", "root/a", "root/sub", "root/sub/.y", "root/sub/x"}},
        // Following aliases: the target comes right after its alias; a broken alias leads nowhere.
        {5, 4, {"root/a", "root/broken", "root/dirlink", "root/link", "root/a"}},
        {1, 4, {"root/a", "root/a"}},
        // A folder reached through an alias is entered once in a walk: sub's contents come after
        // dirlink, and sub itself, met again, is handed out but not walked twice.
        {3, 6, {"root/a", "root/sub", "root/sub/x", "root/a", "root/sub"}},
    };
    for (MaskCase const& c : cases)
        EXPECT_EQ(Walk("root", c.listMask, c.descendMask), c.expected)
            << "list " << c.listMask << ", descend " << c.descendMask;
}

TEST_F(FileSystemIterator, DescendsDepthFirstInNameOrder) {
    Folder("a");
    File("a/b");
    Folder("a/c");
    File("a/c/d");
    Folder("a/c/e");
    File("a/c/e/f");
    File("a/g");
    // Byte order: upper case before lower case, shorter before longer.
    File("a/Z");
    File("a/bb");
    EXPECT_EQ(Walk("a", 3, 2),
              (std::vector<std::string>{"a/Z", "a/b", "a/bb", "a/c", "a/c/d", "a/c/e", "a/c/e/f", "a/g"}));
    EXPECT_EQ(Walk("a", 1, 2), (std::vector<std::string>{"a/Z", "a/b", "a/bb", "a/c/d", "a/c/e/f", "a/g"}));
}

TEST_F(FileSystemIterator, StartsAtItsEndWhereThereIsNothingToList) {
    Folder("empty");
    File("file");
    Link("dangling", "nowhere");
    for (std::string const& path : {At("empty"), At("file"), At("missing"), At("missing/deeper"), At("dangling"),
                                    std::string()}) {
        GFileSystemIterator it(P(path), -1, 2);
        EXPECT_TRUE(it == GFileSystemIterator::cEnd) << path;
        EXPECT_FALSE(it != GFileSystemIterator::cEnd) << path;
        EXPECT_FALSE(it.CurrentFileOrFolderIsValid()) << path;
        EXPECT_EQ(*it, nullptr) << path;
        // Advancing at the end stays at the end.
        ++it;
        EXPECT_TRUE(it == GFileSystemIterator::cEnd) << path;
    }
    GFileSystemIterator fresh;
    EXPECT_TRUE(fresh == GFileSystemIterator::cEnd);
    EXPECT_EQ(*fresh, nullptr);
}

TEST_F(FileSystemIterator, WalksAnAliasOfAFolderAsItsTarget) {
    Folder("real");
    File("real/one");
    Link("alias", At("real"));
    EXPECT_EQ(Walk("alias", 1, 0), (std::vector<std::string>{"real/one"}));
}

TEST_F(FileSystemIterator, LinksBackToAnAncestorDoNotMakeTheWalkLoop) {
    Folder("top");
    Folder("top/in");
    File("top/in/f");
    Link("top/in/up", At("top"));
    Link("top/in/self", ".");
    // Every folder is entered once however the links lead back.
    EXPECT_EQ(Walk("top", 3, 6), (std::vector<std::string>{"top/in", "top/in/f", "top/in", "top"}));
}

TEST_F(FileSystemIterator, EqualityComparesCurrentPathsAndEnds) {
    Folder("f");
    File("f/a");
    File("f/b");
    GFileSystemIterator first(P(At("f")), 1, 0);
    GFileSystemIterator second(P(At("f")), 1, 0);
    EXPECT_TRUE(first == second);
    ++second;
    EXPECT_TRUE(first != second);
    ++first;
    EXPECT_TRUE(first == second);
    ++first;
    EXPECT_TRUE(first == GFileSystemIterator::cEnd);
    EXPECT_TRUE(first != second);
    EXPECT_TRUE(second != first);
    ++second;
    EXPECT_TRUE(first == second);
}

TEST_F(FileSystemIterator, ItemsAddedOrRemovedDuringTheWalkDoNotDisturbIt) {
    Folder("f");
    File("f/a");
    File("f/b");
    File("f/c");
    std::vector<std::string> seen;
    for (GFileSystemIterator it(P(At("f")), 1, 0); it != GFileSystemIterator::cEnd; ++it) {
        seen.push_back(Text(**it));
        // The folder was read once at the start, as the recursive removal relies on.
        unlink(Text(**it).c_str());
        if (seen.size() == 1)
            File("f/d");
    }
    EXPECT_EQ(seen, (std::vector<std::string>{At("f/a"), At("f/b"), At("f/c")}));
}

TEST_F(FileSystemIterator, AFolderThatCannotBeReadEndsOnlyItsOwnPartOfTheWalk) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    ASSERT_EQ(chmod(mTemp.Path().c_str(), 0755), 0);
    Folder("u");
    ASSERT_EQ(chmod(At("u").c_str(), 0755), 0);
    File("u/a");
    Folder("u/locked");
    File("u/locked/x");
    ASSERT_EQ(chmod(At("u/locked").c_str(), 0), 0);
    File("u/z");
    const int status = UnprivilegedChild::Run([&]() {
        if (Walk("u", 3, 2) != std::vector<std::string>{"u/a", "u/locked", "u/z"})
            return 1;
        if (GFileSystemIterator(P(At("u/locked")), -1, 0) != GFileSystemIterator::cEnd)
            return 2;
        return ::testing::Test::HasFailure() ? 3 : 0;
    });
    if (status == 255)
        GTEST_SKIP() << "could not drop to an unprivileged user";
    EXPECT_EQ(status, 0);
}

TEST_F(FileSystemIterator, HandedOutPathsNameTheListedItems) {
    Folder("n");
    // Names that path rules might take apart: separators of other platforms, dots ("..." is
    // hidden, hence 9), accents.
    const std::vector<std::string> names = {"...", "a b", "a:b", "back\\slash", "caf\xC3\xA9", "x..y", "\xE6\x97\xA5"};
    for (std::string const& name : names)
        File("n/" + name);
    std::vector<std::string> seen;
    for (GFileSystemIterator it(P(At("n")), 9, 0); it != GFileSystemIterator::cEnd; ++it) {
        const std::string path = Text(**it);
        struct stat status;
        EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
        seen.push_back(path);
    }
    std::vector<std::string> expected;
    for (std::string const& name : names)
        expected.push_back(At("n/" + name));
    EXPECT_EQ(seen, expected);
}

}  // namespace
