#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

#include "FileSystemTestSupport.h"
#include "support/ScopedEnvironment.h"
#include "support/UnprivilegedChild.h"

namespace {

class FileSystem : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
    ScopedTempFolder mFolder;
    GPathName At(std::string const& relative) const { return PathOf(mFolder / relative); }
    void Folder(std::string const& relative) const { mkdir((mFolder / relative).c_str(), 0700); }
    void File(std::string const& relative, std::string const& content = "x") const {
        WriteFile(mFolder / relative, content);
    }
    void Link(std::string const& target, std::string const& relative) const {
        ASSERT_EQ(symlink(target.c_str(), (mFolder / relative).c_str()), 0);
    }
};

// ---- Checked paths and the Try variants ----

TEST_F(FileSystem, RelativeAndEmptyPathsAreRefusedBeforeAnythingIsTouched) {
    const GPathName relative = PathOf("a/b");
    for (GPathName const& path : {relative, GPathName()}) {
        EXPECT_EQ(ThrownID([&] { GFileSystem::FileExists(path); }), 40068);
        EXPECT_EQ(ThrownID([&] { GFileSystem::CreateFolder(path); }), 40068);
        EXPECT_EQ(ThrownID([&] { GFileSystem::RemoveFolder(path, -1, 10); }), 40068);
        EXPECT_FALSE(GFileSystem::TryFileExists(path));
        EXPECT_FALSE(GFileSystem::TryToRemoveFolder(path, -1, 10));
    }
    GPathName copied;
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyFileTo(At("x"), relative, copied, false); }), 40068);
}

TEST_F(FileSystem, TryVariantsAnswerFalseInsteadOfThrowing) {
    EXPECT_TRUE(GFileSystem::TryToRemoveFolder(At("missing"), -1, 10));
    EXPECT_FALSE(GFileSystem::TryFolderExists(At("missing")));
    Folder("d");
    EXPECT_FALSE(GFileSystem::TryToRemoveFile(At("d")));  // 40032 inside
    EXPECT_TRUE(GFileSystem::TryToRemoveFile(At("missing")));
    EXPECT_TRUE(GFileSystem::TryFolderExists(At("d")));
}

// ---- Recursive removal ----

TEST_F(FileSystem, RemovalOverALinkLeavesTheOutsideFolder) {
    ScopedTempFolder outside;
    WriteFile(outside / "precious", "keep");
    mkdir((outside / "sub").c_str(), 0700);
    WriteFile(outside / "sub/inner", "keep");
    Folder("tree");
    Folder("tree/a");
    File("tree/a/f");
    Link(outside.Path(), "tree/a/out");
    Link(outside / "precious", "tree/file-link");
    EXPECT_TRUE(GFileSystem::RemoveFolder(At("tree"), -1, 10));
    EXPECT_FALSE(Exists(mFolder / "tree"));
    EXPECT_EQ(ReadFile(outside / "precious"), "keep");
    EXPECT_EQ(ReadFile(outside / "sub/inner"), "keep");
}

TEST_F(FileSystem, RemovalFollowsAnAliasOnlyWhenAskedTo) {
    ScopedTempFolder outside;
    WriteFile(outside / "f", "x");
    Folder("tree");
    Link(outside.Path(), "tree/alias");
    // Descend mask 4: the alias is followed, its target emptied and removed with it.
    EXPECT_TRUE(GFileSystem::RemoveFolder(At("tree"), -1, 2 | 4 | 8));
    EXPECT_FALSE(Exists(mFolder / "tree"));
    EXPECT_FALSE(Exists(outside.Path()));
}

TEST_F(FileSystem, FollowingAnAliasBackToAnAncestorEnds) {
    Folder("tree");
    Folder("tree/sub");
    File("tree/sub/f");
    Link(mFolder / "tree", "tree/sub/loop");
    EXPECT_TRUE(GFileSystem::RemoveFolder(At("tree"), -1, 2 | 4 | 8));
    // The loop's alias is kept, and with it the folders above it.
    EXPECT_TRUE(Exists(mFolder / "tree/sub/loop"));
    EXPECT_FALSE(Exists(mFolder / "tree/sub/f"));
}

TEST_F(FileSystem, RemovingALinkedFolderRemovesOnlyTheLink) {
    ScopedTempFolder outside;
    WriteFile(outside / "f", "keep");
    Link(outside.Path(), "alias");
    EXPECT_TRUE(GFileSystem::RemoveFolder(At("alias"), -1, 10));
    EXPECT_FALSE(Exists(mFolder / "alias"));
    EXPECT_EQ(ReadFile(outside / "f"), "keep");
}

TEST_F(FileSystem, MasksDecideWhatIsKept) {
    struct Case {
        char const* name;
        int removeKinds;
        int descendKinds;
        std::set<std::string> kept;
    };
    const Case cases[] = {
        {"everything", -1, 10, {}},
        {"hidden kept without bit 8", 1 | 2 | 4, 2, {"t/.hidden", "t/sub", "t/sub/.h2"}},
        {"files only, no descent", 1, 0, {"t/sub", "t/sub/.h2", "t/sub/g", "t/.hidden", "t/empty"}},
        {"folders only", 2, 2, {"t/sub", "t/sub/g", "t/sub/.h2", "t/f", "t/.hidden"}},
        {"nothing but .DS_Store", 0, 0, {"t/sub", "t/sub/g", "t/sub/.h2", "t/f", "t/.hidden", "t/empty"}},
    };
    for (Case const& c : cases) {
        Folder("t");
        Folder("t/sub");
        Folder("t/empty");
        File("t/f");
        File("t/.hidden");
        File("t/.DS_Store");
        File("t/sub/g");
        File("t/sub/.h2");
        GFileSystem::RemoveFolder(At("t"), c.removeKinds, c.descendKinds);
        std::set<std::string> kept;
        for (char const* name : {"t/sub", "t/sub/g", "t/sub/.h2", "t/f", "t/.hidden", "t/empty", "t/.DS_Store"}) {
            if (Exists(mFolder / name))
                kept.insert(name);
        }
        EXPECT_EQ(kept, c.kept) << c.name;
        EXPECT_EQ(Exists(mFolder / "t"), !c.kept.empty()) << c.name;
        GFileSystem::RemoveFolder(At("t"), -1, 10);
    }
}

TEST_F(FileSystem, RemoveFolderContentKeepsTheFolder) {
    Folder("t");
    Folder("t/sub");
    File("t/sub/f");
    GFileSystem::RemoveFolderContent(At("t"), -1, 10);
    EXPECT_TRUE(Exists(mFolder / "t"));
    EXPECT_FALSE(Exists(mFolder / "t/sub"));
}

// ---- Copying folders ----

TEST_F(FileSystem, CopyFolderToRefusesATakenNameUnlessOverwritingThenMerges) {
    Folder("src");
    Folder("src/sub");
    File("src/a", "new-a");
    File("src/sub/b", "new-b");
    Link("a", "src/rel-link");
    Folder("dest");
    Folder("dest/src");
    File("dest/src/a", "old-a");
    File("dest/src/only-old", "old");
    GPathName copied;
    EXPECT_EQ(ThrownID([&] { GFileSystem::CopyFolderTo(At("src"), At("dest"), copied, false); }), 40065);
    EXPECT_EQ(ReadFile(mFolder / "dest/src/a"), "old-a");
    GFileSystem::CopyFolderTo(At("src"), At("dest"), copied, true);
    EXPECT_EQ(Utf8(copied), mFolder / "dest/src");
    EXPECT_EQ(ReadFile(mFolder / "dest/src/a"), "new-a");
    EXPECT_EQ(ReadFile(mFolder / "dest/src/sub/b"), "new-b");
    EXPECT_EQ(ReadFile(mFolder / "dest/src/only-old"), "old");
    // A link to a file is copied as its content.
    EXPECT_EQ(ReadFile(mFolder / "dest/src/rel-link"), "new-a");
}

TEST_F(FileSystem, CopyFolderKeepsDatesAndPermissionsUnderAnotherZone) {
    ScopedEnvironment environment;
    environment.Set("TZ", "Asia/Tokyo");
    tzset();
    Folder("src");
    Folder("src/sub");
    File("src/sub/f");
    chmod((mFolder / "src/sub/f").c_str(), 0640);
    chmod((mFolder / "src/sub").c_str(), 0750);
    const GDateTime when(1, 3, 2019, 23, 59, 58, true);
    GFileSystem::SetModificationDateTime(At("src/sub/f"), when);
    GFileSystem::SetModificationDateTime(At("src/sub"), when);
    GPathName copied;
    GFileSystem::CopyFolderTo(At("src"), At("dest"), copied, false);
    GDateTime read;
    GFileSystem::GetModificationDateTime(At("dest/src/sub/f"), read);
    EXPECT_EQ(read, when);
    GFileSystem::GetModificationDateTime(At("dest/src/sub"), read);
    EXPECT_EQ(read, when);
    EXPECT_EQ(ModeOf(mFolder / "dest/src/sub/f"), 0640);
    EXPECT_EQ(ModeOf(mFolder / "dest/src/sub"), 0750);
    environment.Unset("TZ");
    tzset();
}

TEST_F(FileSystem, CopyFolderDoesNotFollowAFolderLinkOutOfTheTree) {
    Folder("src");
    Link(mFolder / "src", "src/loop");  // would copy without end if followed
    GPathName copied;
    GFileSystem::CopyFolderTo(At("src"), At("dest"), copied, false);
    struct stat info {};
    ASSERT_EQ(lstat((mFolder / "dest/src/loop").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(FileSystem, CopyFolderContentsToSkipsExistingFiles) {
    Folder("src");
    Folder("src/sub");
    File("src/a", "new");
    File("src/sub/b", "b");
    Folder("dest");
    File("dest/a", "old");
    GFileSystem::CopyFolderContentsTo(At("src"), At("dest"), false);
    EXPECT_EQ(ReadFile(mFolder / "dest/a"), "old");
    EXPECT_EQ(ReadFile(mFolder / "dest/sub/b"), "b");
}

// ---- Special paths ----

TEST_F(FileSystem, SpecialPathsDefaultOnFirstUse) {
    GFileSystem::RemoveAllSpecialPaths();
    EXPECT_TRUE(GFileSystem::GetSpecialPath(99).IsEmpty());
    GFileSystem::AddSpecialPath(11, At("res"));
    EXPECT_EQ(Utf8(GFileSystem::GetSpecialPath(22)), mFolder / "res/Lng");
    GFileSystem::AddSpecialPath(11, At("other"));
    EXPECT_EQ(Utf8(GFileSystem::GetSpecialPath(22)), mFolder / "res/Lng");
    GFileSystem::RemoveSpecialPath(22);
    EXPECT_EQ(Utf8(GFileSystem::GetSpecialPath(7)), mFolder / "other/CMap");
    EXPECT_EQ(Utf8(GFileSystem::GetSpecialPath(22)), mFolder / "other/Lng");
    ScopedEnvironment environment;
    environment.Set("TMPDIR", mFolder.Path());
    GFileSystem::RemoveSpecialPath(-2);
    EXPECT_EQ(Utf8(GFileSystem::GetSpecialPath(-2)), mFolder.Path());
    GFileSystem::RemoveAllSpecialPaths();
}

// ---- Unique names ----

TEST_F(FileSystem, UniqueNamesFollowTheTemplate) {
    struct Case {
        char const* tmpl;
        bool isFile;
        char const* prefix;
        int digits;
        char const* suffix;
    };
    const Case cases[] = {
        {"job_XXXX", false, "job_", 4, ""},
        {"report.pdf", true, "report", 5, ".pdf"},
        {"a_XXb_X", true, "a_", 2, "b_X"},
        {"folder", false, "folder", 5, ""},
        {"longXXXXXXXXXXX.tmp", true, "long", 11, ".tmp"},
    };
    for (Case const& c : cases) {
        GPathName made;
        GFileSystem::CreateUniqueObject(At(std::string("u/") + c.tmpl), c.isFile, made);
        const std::string leaf = Utf8(made).substr((mFolder / "u/").size());
        const std::string prefix(c.prefix);
        const std::string suffix(c.suffix);
        ASSERT_EQ(leaf.size(), prefix.size() + static_cast<std::size_t>(c.digits) + suffix.size()) << leaf;
        EXPECT_EQ(leaf.substr(0, prefix.size()), prefix) << leaf;
        EXPECT_EQ(leaf.substr(leaf.size() - suffix.size()), suffix) << leaf;
        const std::string number = leaf.substr(prefix.size(), static_cast<std::size_t>(c.digits));
        EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << leaf;
        struct stat info {};
        ASSERT_EQ(lstat(Utf8(made).c_str(), &info), 0);
        EXPECT_EQ(S_ISDIR(info.st_mode), !c.isFile) << leaf;
    }
}

TEST_F(FileSystem, SuccessiveUniqueFoldersCountUp) {
    GPathName first;
    GPathName second;
    GFileSystem::CreateUniqueFolder(At("job_XXXX"), first);
    GFileSystem::CreateUniqueFolder(At("job_XXXX"), second);
    const int a = std::stoi(Utf8(first).substr(Utf8(first).size() - 4));
    const int b = std::stoi(Utf8(second).substr(Utf8(second).size() - 4));
    EXPECT_EQ(b, (a + 1) % 10000);
}

TEST_F(FileSystem, OneDigitRunsOutAfterTenNames) {
    for (int i = 0; i < 10; ++i)
        File("file" + std::to_string(i) + ".txt");
    GPathName made = At("keep");
    EXPECT_EQ(ThrownID([&] { GFileSystem::CreateUniqueFile(At("fileX.txt"), made); }), 40063);
    EXPECT_TRUE(made.IsEmpty());
}

TEST_F(FileSystem, UniqueFolderInASharedFolderIsPrivate) {
    ScopedUmask mask(022);
    Folder("shared");
    chmod((mFolder / "shared").c_str(), 01777);
    GPathName made;
    GFileSystem::CreateUniqueFolder(At("shared/job_XXXX"), made);
    EXPECT_EQ(ModeOf(Utf8(made)), 0700);
    GFileSystem::CreateUniqueFolder(At("plain_XXXX"), made);
    EXPECT_EQ(ModeOf(Utf8(made)), 0755);
}

TEST_F(FileSystem, UniqueNameInAnUnwritableFolderStopsAtOnce) {
    Folder("locked");
    chmod((mFolder / "locked").c_str(), 0555);
    chmod(mFolder.Path().c_str(), 0755);
    const GPathName tmpl = At("locked/many_XXXXXX");
    auto check = [&] {
        const std::time_t start = std::time(nullptr);
        GPathName made;
        const int id = ThrownID([&] { GFileSystem::CreateUniqueFolder(tmpl, made); });
        if (id != 40063)
            return 1;
        // A million tries would take far longer than this.
        return std::time(nullptr) - start < 5 ? 0 : 2;
    };
    if (UnprivilegedChild::IsRoot())
        EXPECT_EQ(UnprivilegedChild::Run(check), 0);
    else
        EXPECT_EQ(check(), 0);
}

}  // namespace

// ---- File types ----

namespace {

class FileSystemTypes : public FileSystem {
protected:
    void SetUp() override {
        FileSystem::SetUp();
        GFileType::Initialize();
    }
    void TearDown() override { GFileType::Finalize(); }
    static GFileType const& Pdf() { return *GFileType::GetFromUserID(1); }
    std::string Leaf(GPathName const& path) const { return Utf8(path).substr(mFolder.Path().size() + 1); }
};

TEST_F(FileSystemTypes, CreateFileTakesTheTypesExtensionOnlyWhenAsked) {
    struct Case {
        char const* name;
        bool typed;
        bool setExtension;
        char const* made;
    };
    const Case cases[] = {
        {"a.txt", true, true, "a.pdf"},
        {"b.txt", true, false, "b.txt"},
        {"c.txt", false, true, "c.txt"},
        {"d", true, true, "d.pdf"},
    };
    for (Case const& c : cases) {
        GPathName path = At(c.name);
        EXPECT_TRUE(GFileSystem::CreateFile(path, c.typed ? &Pdf() : nullptr, c.setExtension)) << c.name;
        EXPECT_EQ(Leaf(path), c.made);
        EXPECT_TRUE(Exists(mFolder / c.made)) << c.made;
        GPathName again = At(c.name);
        EXPECT_FALSE(GFileSystem::CreateFile(again, c.typed ? &Pdf() : nullptr, c.setExtension)) << c.name;
    }
    GPathName relative = PathOf("a.txt");
    EXPECT_EQ(ThrownID([&] { GFileSystem::CreateFile(relative, &Pdf(), true); }), 40068);
}

TEST_F(FileSystemTypes, RenameFileWithATypeNamesTheNewPath) {
    File("a.txt");
    File("b.txt");
    GPathName a = At("a.txt");
    GFileSystem::RenameFile(a, GString("renamed.txt"), &Pdf(), true);
    EXPECT_EQ(Leaf(a), "renamed.pdf");
    EXPECT_TRUE(Exists(mFolder / "renamed.pdf"));
    EXPECT_FALSE(Exists(mFolder / "a.txt"));
    GPathName b = At("b.txt");
    GFileSystem::RenameFile(b, GString("kept"), &Pdf(), false);
    EXPECT_EQ(Leaf(b), "kept");
    GPathName missing = At("missing.txt");
    EXPECT_EQ(ThrownID([&] { GFileSystem::RenameFile(missing, GString("x"), &Pdf(), true); }), 40010);
    EXPECT_EQ(Leaf(missing), "missing.txt");
}

TEST_F(FileSystemTypes, TypeOfAnItemComesFromItsExtensionHere) {
    File("doc.PDF");
    File("data.xml");
    File("odd.xyz");
    Folder("folder.icc");
    Link("doc.PDF", "link");
    struct Case {
        char const* name;
        int userID;
    };
    const Case cases[] = {
        {"doc.PDF", 1}, {"data.xml", 26}, {"folder.icc", 6}, {"link", 1}, {"absent.ps", 15}, {"odd.xyz", 0},
    };
    for (Case const& c : cases) {
        GFileType const* type = GFileSystem::GetFileTypePtr(At(c.name));
        ASSERT_NE(type, nullptr) << c.name;
        EXPECT_EQ(type->GetUserID(), c.userID) << c.name;
    }
    EXPECT_EQ(Text(GFileSystem::GetFileTypePtr(At("odd.xyz"))->GetExtension()), "xyz");
}

TEST_F(FileSystemTypes, SetFileTypeRenamesOnlyToAnotherExtension) {
    File("a.txt", "content");
    GPathName path = At("a.txt");
    GFileSystem::SetFileType(path, Pdf(), true);
    EXPECT_EQ(Leaf(path), "a.pdf");
    EXPECT_EQ(ReadFile(mFolder / "a.pdf"), "content");
    EXPECT_FALSE(Exists(mFolder / "a.txt"));
    GFileSystem::SetFileType(path, Pdf(), true);  // already right: codes only
    GPathName untouched = At("a.pdf");
    GFileSystem::SetFileType(untouched, *GFileType::GetFromUserID(14), false);
    EXPECT_EQ(Leaf(untouched), "a.pdf");
}

TEST_F(FileSystemTypes, SetFileTypeFollowsAnAliasAndRefusesWhatIsNoFile) {
    File("target.txt");
    Link("target.txt", "alias");
    GPathName alias = At("alias");
    GFileSystem::SetFileType(alias, Pdf(), true);
    EXPECT_EQ(Leaf(alias), "target.pdf");
    EXPECT_TRUE(Exists(mFolder / "target.pdf"));
    EXPECT_TRUE(Exists(mFolder / "alias"));  // the alias itself is left as it was
    Folder("folder");
    for (char const* name : {"folder", "missing.pdf"}) {
        GPathName path = At(name);
        EXPECT_EQ(ThrownID([&] { GFileSystem::SetFileType(path, Pdf(), false); }), 40032) << name;
    }
}

TEST_F(FileSystemTypes, SetExtensionFromTypeTouchesOnlyThePath) {
    struct Case {
        char const* name;
        char const* extension;
        char const* result;
    };
    const Case cases[] = {{"a.txt", "pdf", "a.pdf"}, {"a", "pdf", "a.pdf"}, {"a.txt", "", "a.txt"}};
    for (Case const& c : cases) {
        GPathName path = At(c.name);
        PMacFileSystemImp::SetExtensionFromType(path, GFileType(GString(c.extension)));
        EXPECT_EQ(Leaf(path), c.result);
        EXPECT_FALSE(Exists(mFolder / c.result));
    }
}

TEST_F(FileSystemTypes, ItemsOfABusyTypeAreBeingCopied) {
    GFileType::AddFileType(GString("busy"), GString("bsy"), GBuffer("????"), GBuffer("brok"), 90);
    GFileType::AddFileType(GString("busy family"), GString("bz1"), GBuffer("????"), GBuffer("bzy1"), 91);
    GFileType::AddFileType(GString("not busy"), GString("bzx"), GBuffer("????"), GBuffer("bzyA"), 92);
    struct Case {
        char const* name;
        bool busy;
    };
    const Case cases[] = {{"a.bsy", true}, {"a.bz1", true}, {"a.bzx", false}, {"a.pdf", false}};
    for (Case const& c : cases) {
        File(c.name);
        EXPECT_EQ(GFileSystem::IsBeingCopied(At(c.name)), c.busy) << c.name;
    }
    EXPECT_EQ(ThrownID([] { GFileSystem::IsBeingCopied(PathOf("a.pdf")); }), 40068);
}

TEST_F(FileSystemTypes, UniqueFileTakesTheTypesExtensionWhenAsked) {
    GPathName made;
    GFileSystem::CreateUniqueFile(At("report.txt"), made, &Pdf(), true);
    EXPECT_EQ(Leaf(made).substr(0, 6), "report");
    EXPECT_EQ(Leaf(made).size(), std::string("report00000.pdf").size());
    EXPECT_EQ(Leaf(made).substr(11), ".pdf");
    EXPECT_TRUE(Exists(Utf8(made)));
    GFileSystem::CreateUniqueFile(At("report.txt"), made, &Pdf(), false);
    EXPECT_EQ(Leaf(made).substr(11), ".txt");
    EXPECT_TRUE(Exists(Utf8(made)));
}

}  // namespace
