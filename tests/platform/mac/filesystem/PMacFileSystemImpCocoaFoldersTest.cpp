// Special folders under a sandboxed HOME and XDG_*; the trash; the current folder; listings.
#include <unistd.h>

#include <vector>

#include "PMacFileSystemImpCocoaTestSupport.h"
#include "support/ScopedEnvironment.h"

namespace {

constexpr uint32_t Code(const char (&code)[5]) {
    return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) | (uint32_t(uint8_t(code[2])) << 8) |
           uint32_t(uint8_t(code[3]));
}

class PMacFileSystemImpCocoaSpecialFoldersTest : public PMacFileSystemImpCocoaTest {
protected:
    void SetUp() override {
        mEnvironment.Set("HOME", (*this)("home"));
        mEnvironment.Set("XDG_CONFIG_HOME", (*this)("config"));
        mEnvironment.Set("XDG_DATA_HOME", (*this)("data"));
        mEnvironment.Set("TMPDIR", (*this)("tmp"));
        mEnvironment.Set("TROVEL_LOCAL_DOMAIN", (*this)("machine"));
        mEnvironment.Unset("XDG_DESKTOP_DIR");
        mEnvironment.Unset("XDG_DOCUMENTS_DIR");
    }

    std::string Folder(int16_t domain, const char (&code)[5], bool create) {
        GString out;
        FS::GetSpecialFolder(domain, Code(code), out, create);
        return S(out);
    }

    ScopedEnvironment mEnvironment;
};

TEST_F(PMacFileSystemImpCocoaSpecialFoldersTest, EachKindAndDomainHasItsFolder) {
    const struct {
        int16_t domain;
        const char* code;
        std::string folder;
        bool made;
    } cases[] = {
        {FS::kUserDomain, "cusr", (*this)("home"), false},
        {FS::kUserDomain, "temp", (*this)("tmp"), false},
        {FS::kUserDomain, "pref", (*this)("config"), true},
        {FS::kUserDomain, "asup", (*this)("data"), true},
        {FS::kUserDomain, "apps", (*this)("data/applications"), true},
        {FS::kUserDomain, "desk", (*this)("home/Desktop"), true},
        {FS::kUserDomain, "docs", (*this)("home/Documents"), true},
        {FS::kUserDomain, "trsh", (*this)("data/Trash"), true},
        {FS::kUserDomain, "macs", "/System/", false},
        {FS::kLocalDomain, "macs", "/System/", false},
        {FS::kLocalDomain, "temp", (*this)("tmp"), false},
        {FS::kLocalDomain, "cusr", (*this)("home"), false},
        {FS::kLocalDomain, "pref", (*this)("machine/config"), true},
        {FS::kLocalDomain, "asup", (*this)("machine/data"), true},
        {FS::kLocalDomain, "apps", (*this)("machine/applications"), true},
    };
    for (const auto& c : cases) {
        char code[5] = {};
        std::memcpy(code, c.code, 4);
        const bool before = Exists(c.folder);
        EXPECT_EQ(Folder(c.domain, code, false), c.folder) << c.code;
        EXPECT_EQ(Exists(c.folder), before) << c.code;
        EXPECT_EQ(Folder(c.domain, code, true), c.folder) << c.code;
        EXPECT_EQ(Exists(c.folder), c.made || before) << c.code;
    }
    EXPECT_TRUE(Exists((*this)("data/Trash/files")));
    EXPECT_TRUE(Exists((*this)("data/Trash/info")));
    struct stat info {};
    ASSERT_EQ(stat((*this)("config").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(PMacFileSystemImpCocoaSpecialFoldersTest, BadDomainsAndKindsThrow) {
    GString out;
    EXPECT_EQ(ThrownID([&] { FS::GetSpecialFolder(-32766, Code("pref"), out, false); }), 40276);
    EXPECT_EQ(ThrownID([&] { FS::GetSpecialFolder(0, Code("cusr"), out, false); }), 40276);
    EXPECT_EQ(ThrownID([&] { FS::GetSpecialFolder(FS::kUserDomain, Code("xxxx"), out, false); }), 40277);
    // The machine-wide domain has no desktop, documents or trash.
    for (auto code : {Code("desk"), Code("docs"), Code("trsh")})
        EXPECT_EQ(ThrownID([&] { FS::GetSpecialFolder(FS::kLocalDomain, code, out, false); }), 40275);
    // A folder that cannot be made.
    WriteFile((*this)("data"), "a file in the way");
    EXPECT_EQ(ThrownID([&] { FS::GetSpecialFolder(FS::kUserDomain, Code("asup"), out, true); }), 40275);
}

TEST_F(PMacFileSystemImpCocoaSpecialFoldersTest, UserFoldersComeFromUserDirsThenTheEnvironment) {
    mkdir((*this)("config").c_str(), 0700);
    WriteFile((*this)("config/user-dirs.dirs"),
              "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_MUSIC_DIR=\"$HOME/Musique\"\n"
              "XDG_DOCUMENTS_DIR=\"relative/ignored\"\n");
    mEnvironment.Set("XDG_DOCUMENTS_DIR", (*this)("docs-from-env"));
    EXPECT_EQ(Folder(FS::kUserDomain, "desk", false), (*this)("home/Bureau"));
    EXPECT_EQ(Folder(FS::kUserDomain, "docs", false), (*this)("docs-from-env"));
}

TEST_F(PMacFileSystemImpCocoaSpecialFoldersTest, RelativeOrEmptyVariablesCountAsUnset) {
    mEnvironment.Set("XDG_CONFIG_HOME", "relative/config");
    mEnvironment.Set("XDG_DATA_HOME", "");
    mEnvironment.Set("TMPDIR", "tmp");
    EXPECT_EQ(Folder(FS::kUserDomain, "pref", false), (*this)("home/.config"));
    EXPECT_EQ(Folder(FS::kUserDomain, "asup", false), (*this)("home/.local/share"));
    EXPECT_EQ(Folder(FS::kUserDomain, "temp", false), "/tmp");
}

TEST_F(PMacFileSystemImpCocoaSpecialFoldersTest, MoveObjectToTrashKeepsEveryItemUnderItsOwnName) {
    WriteFile((*this)("doc.txt"), "one");
    GString trashed;
    FS::MoveObjectToTrash(G((*this)("doc.txt")), trashed);
    EXPECT_EQ(S(trashed), (*this)("data/Trash/files/doc.txt"));
    EXPECT_EQ(ReadFile((*this)("data/Trash/files/doc.txt")), "one");
    EXPECT_FALSE(Exists((*this)("doc.txt")));
    const std::string info = ReadFile((*this)("data/Trash/info/doc.txt.trashinfo"));
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + (*this)("doc.txt") + "\nDeletionDate=", 0), 0u) << info;

    WriteFile((*this)("doc.txt"), "two");
    FS::MoveObjectToTrash(G((*this)("doc.txt")), trashed);
    EXPECT_EQ(S(trashed), (*this)("data/Trash/files/doc.txt.2"));
    EXPECT_EQ(ReadFile((*this)("data/Trash/files/doc.txt")), "one");
    EXPECT_EQ(ReadFile((*this)("data/Trash/files/doc.txt.2")), "two");

    EXPECT_EQ(ThrownID([&] { FS::MoveObjectToTrash(G((*this)("missing")), trashed); }), 40275);
    EXPECT_FALSE(Exists((*this)("data/Trash/info/missing.trashinfo")));
    EXPECT_EQ(ThrownID([&] { FS::MoveObjectToTrash(BadText(), trashed); }), 40004);
}

TEST_F(PMacFileSystemImpCocoaTest, GetCurrentFolderIsTheProcesssWorkingFolder) {
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(mDir.Path().c_str()), 0);
    GString out;
    FS::GetCurrentFolder(out);
    char resolved[4096];
    ASSERT_NE(realpath(mDir.Path().c_str(), resolved), nullptr);
    EXPECT_EQ(S(out), resolved);
    ASSERT_EQ(chdir(here), 0);
}

TEST_F(PMacFileSystemImpCocoaTest, FillCacheListsEveryEntrySortedByName) {
    mkdir((*this)("b-folder").c_str(), 0755);
    WriteFile((*this)("c-file"), "");
    WriteFile((*this)(".hidden"), "");
    WriteFile((*this)("A-upper"), "");
    Link((*this)("b-folder"), (*this)("a-link"));
    WriteFile((*this)("bad\xff"), "");  // no text can name it
    GTable<FS::IteratorCacheItem> cache;
    ASSERT_TRUE(FS::FillCache(cache, G(mDir.Path())));
    const struct {
        const char* leaf;
        bool folder, hidden, alias;
    } expected[] = {{".hidden", false, true, false},
                    {"A-upper", false, false, false},
                    {"a-link", false, false, true},
                    {"b-folder", true, false, false},
                    {"c-file", false, false, false}};
    ASSERT_EQ(cache.GetCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(S(cache[i].path), (*this)(expected[i].leaf));
        EXPECT_EQ(cache[i].isFolder, expected[i].folder) << expected[i].leaf;
        EXPECT_EQ(cache[i].isHidden, expected[i].hidden) << expected[i].leaf;
        EXPECT_EQ(cache[i].isAlias, expected[i].alias) << expected[i].leaf;
    }
    EXPECT_FALSE(FS::FillCache(cache, G((*this)("missing"))));
    EXPECT_FALSE(FS::FillCache(cache, G((*this)("c-file"))));
    EXPECT_EQ(cache.GetCount(), 5);
    EXPECT_EQ(ThrownID([&] { FS::FillCache(cache, BadText()); }), 40004);
}

}  // namespace
