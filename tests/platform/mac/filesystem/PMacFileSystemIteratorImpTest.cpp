#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/filesystem/PMacFileSystemIteratorImp.h"
#include "support/FoundationStartup.h"
#include "support/NativePathText.h"
#include "support/ScopedTempFolder.h"
#include "support/UnprivilegedChild.h"

namespace {

void MakeFile(std::string const& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0) << path;
    close(fd);
}

void MakeFolder(std::string const& path) { ASSERT_EQ(mkdir(path.c_str(), 0700), 0) << path; }

void MakeLink(std::string const& target, std::string const& path) {
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

class PMacFileSystemIteratorImpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartFoundation(); }

    // Every entry of a walk, as paths relative to the temporary folder.
    std::vector<std::string> Walk(std::string const& folder, int report, int descend) {
        PMacFileSystemIteratorImp iterator;
        std::vector<std::string> seen;
        if (!iterator.BeginIterate(G(folder), report, descend))
            return seen;
        GString entry;
        while (iterator.GetNextFileOrFolder(entry)) {
            seen.push_back(Relative(S(entry)));
            if (seen.size() > 10000)
                break;
        }
        EXPECT_TRUE(entry.IsEmpty());
        EXPECT_EQ(iterator.GetSearchState(), PMacFileSystemIteratorImp::kFinished);
        return seen;
    }

    std::string Relative(std::string const& path) const {
        // mkdtemp's folder may itself sit below a link (TMPDIR): compare with its real path.
        const std::string base = RealBase() + "/";
        return path.compare(0, base.size(), base) == 0 ? path.substr(base.size()) : path;
    }

    std::string RealBase() const {
        char* resolved = realpath(mTemp.Path().c_str(), nullptr);
        std::string result(resolved != nullptr ? resolved : "");
        free(resolved);
        return result;
    }

    ScopedTempFolder mTemp;
};

// root holds a hidden folder, a hidden file, a hidden alias to a file, a file, a folder with a
// hidden and a visible file, a broken alias, an alias to a folder outside root and one to a file.
class IteratorMaskTest : public PMacFileSystemIteratorImpTest {
protected:
    void SetUp() override {
        MakeFolder(mTemp / "root");
        MakeFolder(mTemp / "other");
        MakeFile(mTemp / "other/o1.txt");
        MakeFolder(mTemp / "root/.hdir");
        MakeFile(mTemp / "root/.hdir/h1.txt");
        MakeFile(mTemp / "root/.hid");
        MakeLink("a.txt", mTemp / "root/.lhid");
        MakeFile(mTemp / "root/a.txt");
        MakeFolder(mTemp / "root/b");
        MakeFile(mTemp / "root/b/.bh");
        MakeFile(mTemp / "root/b/b1.txt");
        MakeLink("nowhere", mTemp / "root/broken");
        MakeLink("../other", mTemp / "root/ldir");
        MakeLink("a.txt", mTemp / "root/lfile");
    }
};

struct MaskCase {
    int report;
    int descend;
    std::vector<std::string> expected;
};

TEST_F(IteratorMaskTest, ReportsAndEntersWhatTheMasksSay) {
    const std::vector<MaskCase> cases = {
        {15, 0, {"root/.hdir", "root/.hid", "root/.lhid", "root/a.txt", "root/b", "root/broken", "root/ldir", "root/lfile"}},
        {1, 0, {"root/a.txt"}},
        {9, 0, {"root/.hid", "root/a.txt"}},
        {2, 0, {"root/b"}},
        {10, 0, {"root/.hdir", "root/b"}},
        {4, 0, {"root/broken", "root/ldir", "root/lfile"}},
        {12, 0, {"root/.lhid", "root/broken", "root/ldir", "root/lfile"}},
        {0, 15, {}},
        {8, 15, {}},
        // Folders entered, hidden ones only with bit 8; a folder comes before its contents.
        {15, 2, {"root/.hdir", "root/.hid", "root/.lhid", "root/a.txt", "root/b", "root/b/.bh", "root/b/b1.txt", "root/broken", "root/ldir", "root/lfile"}},
        {15, 10, {"root/.hdir", "root/.hdir/h1.txt", "root/.hid", "root/.lhid", "root/a.txt", "root/b", "root/b/.bh", "root/b/b1.txt", "root/broken", "root/ldir", "root/lfile"}},
        {1, 2, {"root/a.txt", "root/b/b1.txt"}},
        {1, 10, {"root/.hdir/h1.txt", "root/a.txt", "root/b/b1.txt"}},
        // Aliases followed: the alias, then its target; a broken alias is not followed.
        {7, 6, {"root/a.txt", "root/b", "root/b/b1.txt", "root/broken", "root/ldir", "other", "other/o1.txt", "root/lfile", "root/a.txt"}},
        {1, 4, {"root/a.txt", "root/a.txt"}},
        {3, 4, {"root/a.txt", "root/b", "other", "root/a.txt"}},
        {15, 12, {"root/.hdir", "root/.hid", "root/.lhid", "root/a.txt", "root/a.txt", "root/b", "root/broken", "root/ldir", "other", "root/lfile", "root/a.txt"}},
        {15, 14, {"root/.hdir", "root/.hdir/h1.txt", "root/.hid", "root/.lhid", "root/a.txt", "root/a.txt", "root/b", "root/b/.bh", "root/b/b1.txt", "root/broken", "root/ldir", "other", "other/o1.txt", "root/lfile", "root/a.txt"}},
        // Descent without reporting folders still hands out what lies below them.
        {5, 6, {"root/a.txt", "root/b/b1.txt", "root/broken", "root/ldir", "other/o1.txt", "root/lfile", "root/a.txt"}},
    };
    for (MaskCase const& c : cases)
        EXPECT_EQ(Walk(mTemp / "root", c.report, c.descend), c.expected) << "report " << c.report << " descend " << c.descend;
}

TEST_F(IteratorMaskTest, EveryMaskCombinationHandsOutOnlyWhatItsReportMaskAllows) {
    const std::string base = RealBase() + "/";
    for (int report = 0; report < 16; ++report) {
        for (int descend = 0; descend < 16; ++descend) {
            const std::vector<std::string> seen = Walk(mTemp / "root", report, descend);
            for (std::string const& entry : seen) {
                struct stat status;
                ASSERT_EQ(lstat((base + entry).c_str(), &status), 0) << entry;
                const int kind = S_ISDIR(status.st_mode) ? 2 : S_ISLNK(status.st_mode) ? 4 : 1;
                const std::string leaf = entry.substr(entry.rfind('/') + 1);
                EXPECT_NE(report & kind, 0) << entry << " report " << report << " descend " << descend;
                if (leaf[0] == '.') {
                    EXPECT_NE(report & 8, 0) << entry << " report " << report << " descend " << descend;
                }
                // Only the walk's own entries and the targets of followed aliases.
                if (entry.compare(0, 5, "root/") != 0 || entry == "root/a.txt")
                    continue;
                EXPECT_TRUE(entry.find('/', 5) == std::string::npos || (descend & 2) != 0) << entry;
            }
            EXPECT_LE(seen.size(), 15u);
        }
    }
}

TEST_F(PMacFileSystemIteratorImpTest, ListsInByteOrderOfTheUTF8Names) {
    MakeFolder(mTemp / "f");
    const std::vector<std::string> names = {"b", "a b", "B", "\xC3\xA9", "ab", "Z", "a", "_", "10", "9", "z\xE2\x82\xAC"};
    for (std::string const& name : names)
        MakeFile(mTemp / ("f/" + name));
    std::vector<std::string> expected;
    for (std::string const& name : std::set<std::string>(names.begin(), names.end()))
        expected.push_back("f/" + name);
    EXPECT_EQ(Walk(mTemp / "f", 15, 0), expected);
}

TEST_F(PMacFileSystemIteratorImpTest, ManyEntriesComeSortedWhateverTheOrderOfCreation) {
    MakeFolder(mTemp / "many");
    std::set<std::string> sorted;
    for (int i = 0; i < 500; ++i) {
        const std::string name = std::to_string((i * 7919) % 500) + "-entry";
        MakeFile(mTemp / ("many/" + name));
        sorted.insert("many/" + name);
    }
    EXPECT_EQ(Walk(mTemp / "many", 1, 0), std::vector<std::string>(sorted.begin(), sorted.end()));
}

TEST_F(PMacFileSystemIteratorImpTest, HiddenFileIsReturnedOnlyWithTheHiddenBit) {
    MakeFolder(mTemp / "h");
    MakeFile(mTemp / "h/.hidden");
    MakeFile(mTemp / "h/a");
    EXPECT_EQ(Walk(mTemp / "h", 1, 0), (std::vector<std::string>{"h/a"}));
    EXPECT_EQ(Walk(mTemp / "h", 15, 15), (std::vector<std::string>{"h/.hidden", "h/a"}));
}

TEST_F(PMacFileSystemIteratorImpTest, LinksBackToAnAncestorAreEnteredAtMostOnce) {
    MakeFolder(mTemp / "c");
    MakeFolder(mTemp / "c/d");
    MakeFile(mTemp / "c/d/f");
    MakeLink("..", mTemp / "c/d/up");
    MakeLink("../..", mTemp / "c/d/upup");
    MakeLink("d", mTemp / "c/same");
    // Every folder is listed once; the links still show as aliases and their targets as folders.
    // upup leads above the walk's folder: that folder is new and entered, its "c" is not again.
    EXPECT_EQ(Walk(mTemp / "c", 15, 15),
              (std::vector<std::string>{"c/d", "c/d/f", "c/d/up", "c", "c/d/upup", RealBase(), "c", "c/same", "c/d"}));
}

TEST_F(PMacFileSystemIteratorImpTest, CyclesOfLinksAreNotFollowed) {
    MakeFolder(mTemp / "cy");
    MakeLink("loop2", mTemp / "cy/loop1");
    MakeLink("loop1", mTemp / "cy/loop2");
    MakeLink("self", mTemp / "cy/self");
    MakeFile(mTemp / "cy/z");
    EXPECT_EQ(Walk(mTemp / "cy", 15, 15), (std::vector<std::string>{"cy/loop1", "cy/loop2", "cy/self", "cy/z"}));
}

TEST_F(PMacFileSystemIteratorImpTest, BeginningResolvesTheFolderAndRefusesWhatIsNoFolder) {
    MakeFolder(mTemp / "real");
    MakeFile(mTemp / "real/x");
    MakeLink("real", mTemp / "alias");
    EXPECT_EQ(Walk(mTemp / "alias", 15, 0), (std::vector<std::string>{"real/x"}));

    PMacFileSystemIteratorImp iterator;
    EXPECT_EQ(iterator.GetSearchState(), PMacFileSystemIteratorImp::kFinished);
    EXPECT_FALSE(iterator.BeginIterate(G(mTemp / "missing"), 15, 0));
    EXPECT_FALSE(iterator.BeginIterate(G(mTemp / "real/x"), 15, 0));
    EXPECT_FALSE(iterator.BeginIterate(GString(), 15, 0));
    GString out("left over");
    EXPECT_FALSE(iterator.GetNextFileOrFolder(out));
    EXPECT_TRUE(out.IsEmpty());

    // The same iterator walks again after a refusal, and after an early end.
    ASSERT_TRUE(iterator.BeginIterate(G(mTemp / "real"), 15, 0));
    iterator.EndIterate();
    EXPECT_FALSE(iterator.GetNextFileOrFolder(out));
    ASSERT_TRUE(iterator.BeginIterate(G(mTemp / "real"), 15, 0));
    ASSERT_TRUE(iterator.GetNextFileOrFolder(out));
    EXPECT_EQ(Relative(S(out)), "real/x");
}

TEST_F(PMacFileSystemIteratorImpTest, TheStateShowsWhatComesNext) {
    MakeFolder(mTemp / "s");
    MakeFolder(mTemp / "s/dir");
    MakeFile(mTemp / "s/dir/in");
    MakeLink("dir/in", mTemp / "s/link");
    PMacFileSystemIteratorImp iterator;
    ASSERT_TRUE(iterator.BeginIterate(G(mTemp / "s"), 15, 6));
    EXPECT_EQ(iterator.GetSearchState(), PMacFileSystemIteratorImp::kListing);
    GString out;
    ASSERT_TRUE(iterator.GetNextFileOrFolder(out));
    EXPECT_EQ(Relative(S(out)), "s/dir");
    EXPECT_EQ(iterator.GetSearchState(), PMacFileSystemIteratorImp::kInSubIterator);
    ASSERT_TRUE(iterator.GetNextFileOrFolder(out));
    EXPECT_EQ(Relative(S(out)), "s/dir/in");
    ASSERT_TRUE(iterator.GetNextFileOrFolder(out));
    EXPECT_EQ(Relative(S(out)), "s/link");
    EXPECT_EQ(iterator.GetSearchState(), PMacFileSystemIteratorImp::kAliasPending);
    ASSERT_TRUE(iterator.GetNextFileOrFolder(out));
    EXPECT_EQ(Relative(S(out)), "s/dir/in");
    EXPECT_EQ(iterator.GetSearchState(), PMacFileSystemIteratorImp::kListing);
    EXPECT_FALSE(iterator.GetNextFileOrFolder(out));

    // Listing again on request rewinds over the same folder, walked or not.
    ASSERT_TRUE(iterator.FillCache(G(mTemp / "s")));
    EXPECT_FALSE(iterator.FillCache(G(mTemp / "s/link")));
    EXPECT_FALSE(iterator.FillCache(G(mTemp / "nothing")));
    ASSERT_TRUE(iterator.BeginIterate(G(mTemp / "s"), 15, 0));
    std::vector<std::string> seen;
    while (iterator.GetNextFileOrFolder(out))
        seen.push_back(Relative(S(out)));
    EXPECT_EQ(seen, (std::vector<std::string>{"s/dir", "s/link"}));
}

TEST_F(PMacFileSystemIteratorImpTest, TakesTheFolderInEitherFormAndHandsOutItsEntries) {
    MakeFolder(mTemp / "\xC3\xA9t\xC3\xA9");
    MakeFile(mTemp / "\xC3\xA9t\xC3\xA9/\xE2\x82\xAC");
    // The folder held as UTF-8 bytes and as UTF-16 units: the system gets the same UTF-8 bytes.
    const std::string utf8 = mTemp / "\xC3\xA9t\xC3\xA9";
    const GString held(reinterpret_cast<unsigned char const*>(utf8.data()), static_cast<int>(utf8.size()),
                       GEncodingFallback::Get<GUTF8Encoding>(), true);
    for (GString const& folder : {held, G(utf8)}) {
        PMacFileSystemIteratorImp iterator;
        ASSERT_TRUE(iterator.BeginIterate(folder, 15, 0));
        GString out;
        ASSERT_TRUE(iterator.GetNextFileOrFolder(out));
        EXPECT_EQ(Relative(S(out)), "\xC3\xA9t\xC3\xA9/\xE2\x82\xAC");
    }
}

TEST_F(PMacFileSystemIteratorImpTest, NamesThatAreNotUTF8AreLeftOut) {
    MakeFolder(mTemp / "bad");
    MakeFile(mTemp / "bad/\xFF\xFE.txt");
    MakeFile(mTemp / "bad/ok.txt");
    EXPECT_EQ(Walk(mTemp / "bad", 15, 0), (std::vector<std::string>{"bad/ok.txt"}));
}

TEST_F(PMacFileSystemIteratorImpTest, AFolderThatCannotBeListedEndsItsPartQuietly) {
    MakeFolder(mTemp / "p");
    MakeFolder(mTemp / "p/closed");
    MakeFile(mTemp / "p/closed/inside");
    MakeFile(mTemp / "p/z");
    ASSERT_EQ(chmod((mTemp / "p/closed").c_str(), 0), 0);
    const std::vector<std::string> expected = {"p/closed", "p/z"};
    if (!UnprivilegedChild::IsRoot()) {
        EXPECT_EQ(Walk(mTemp / "p", 15, 15), expected);
        return;
    }
    // Permissions do not stop the superuser: the walk runs in a child without privileges.
    ASSERT_EQ(chmod(mTemp.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((mTemp / "p").c_str(), 0755), 0);
    EXPECT_EQ(UnprivilegedChild::Run([&] { return Walk(mTemp / "p", 15, 15) == expected ? 0 : 1; }), 0);
}

TEST_F(PMacFileSystemIteratorImpTest, TheRootFolderItselfIsListedWithoutADoubleSlash) {
    PMacFileSystemIteratorImp iterator;
    ASSERT_TRUE(iterator.BeginIterate(GString("/"), 2, 0));
    GString out;
    ASSERT_TRUE(iterator.GetNextFileOrFolder(out));
    const std::string first = S(out);
    EXPECT_EQ(first[0], '/');
    EXPECT_NE(first[1], '/');
}

}  // namespace
