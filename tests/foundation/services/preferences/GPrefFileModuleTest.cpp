#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "mac/system/PUNIXSystemException.h"
#include "services/preferences/GPrefFileModule.h"
#include "services/preferences/GPrefSharedFileModule.h"
#include "support/FileFixtures.h"
#include "support/ForkedChild.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/ScopedTempFolder.h"
#include "support/UnprivilegedChild.h"

using namespace preftest;

namespace {

class PrefFileModule : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        mPath = mTemp / "Test.uprefs";
    }
    std::string Value(GPrefModule const& m, char const* group, char const* key) { return U8(m.Get(B(group), B(key))); }

    ScopedTempFolder mTemp;
    std::string mPath;
};

// Both kinds of file module share the save path; the cases that concern it run on each.
using Make = std::function<std::unique_ptr<GPrefModule>(std::string const&, GEncoding const*)>;
Make const kMakers[] = {
    [](std::string const& path, GEncoding const* e) { return std::make_unique<GPrefFileModule>(P(path), e); },
    [](std::string const& path, GEncoding const* e) { return std::make_unique<GPrefSharedFileModule>(P(path), e); },
};

// The framework exception id a call throws (0 for none) and its full description.
int Thrown(std::function<void()> const& call, std::string& text) {
    try {
        call();
    } catch (GException const& e) {
        text = U8(e.GetFullDescription());
        return e.GetExceptionID();
    }
    return 0;
}

// The hidden temporaries of a save of leaf in folder: "." + leaf + "." and six characters.
std::vector<std::string> TemporariesOf(std::string const& folder, std::string const& leaf) {
    std::vector<std::string> found;
    for (auto const& item : std::filesystem::directory_iterator(folder)) {
        const std::string name = item.path().filename();
        if (name.size() == leaf.size() + 8 && name.rfind("." + leaf + ".", 0) == 0 &&
            std::all_of(name.end() - 6, name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            found.push_back(name);
    }
    return found;
}

// A save that will pass the file-size limit of a child (the limit stands in for a full disk).
void SetManyKeys(GPrefModule& m) {
    for (int i = 0; i < 1000; ++i)
        m.Set(B("G"), B("key" + std::to_string(i)), T("a value long enough to pass the limit"));
}

// 0 when a save of many keys fails as a full disk does (EFBIG under LimitFileSize).
int SaveToFullDisk(GPrefModule& m) {
    SetManyKeys(m);
    try {
        m.FlushPrefs();
    } catch (PUNIXSystemException const& e) {
        return e.GetErrno() == EFBIG ? 0 : 2;
    }
    return 3;
}

void LimitFileSize() {
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
}

std::string const kTricky = "tab\there, \"quoted\", back\\slash, it's, \xF0\x9F\x98\x80 \xE6\x97\xA5 end";

}  // namespace

TEST_F(PrefFileModule, MissingFileGivesEmptyModuleAndNoFile) {
    GPrefFileModule m(P(mPath), Unicode());
    GTable<GBuffer> names;
    m.GetGroupNames(names);
    EXPECT_EQ(names.GetCount(), 0);
    EXPECT_FALSE(m.IsDirty());
    m.FlushPrefs();  // clean: nothing written
    EXPECT_FALSE(Exists(mPath));
}

TEST_F(PrefFileModule, UnicodeFileIsTheDocumentedBytes) {
    {
        GPrefFileModule m(P(mPath), Unicode());
        m.Set(B("ZARidizoUI"), B("LastSelectedPDFSetting"), T("[High Quality Print]"));
        m.FlushPrefs();
        EXPECT_FALSE(m.IsDirty());
    }
    EXPECT_EQ(ReadFile(mPath), UTF16("#BEGINPREFS\r\r\"ZARidizoUI\"\r#BEGINDICT\r"
                                     "\"LastSelectedPDFSetting\" \"[High Quality Print]\"\r#ENDDICT\r\r#ENDPREFS\r",
                                     true));
}

TEST_F(PrefFileModule, ValuesRoundTripInEveryStoredEncoding) {
    struct Case {
        char const* name;
        GEncoding const* encoding;
        std::string value;
    } const cases[] = {
        {"UTF-16", Unicode(), kTricky},
        {"UTF-8", UTF8(), kTricky},
        {"Mac Roman", MacRoman(), "tab\there, \"q\", b\\s, it's, caf\xC3\xA9 \xE2\x80\xA0"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        {
            GPrefFileModule m(P(mPath), c.encoding);
            m.Set(B("G"), B("k"), T(c.value));
            m.Set(B("G"), B("lines"), T("a\r\nb\nc\rd"));
            m.Set(B("G"), B("empty"), T(""));
            m.Set(B("Other"), B("x"), T("y"));
            m.FlushPrefs();
        }
        GPrefFileModule back(P(mPath), c.encoding);
        EXPECT_EQ(Value(back, "G", "k"), c.value);
        EXPECT_EQ(Value(back, "G", "lines"), "a\rb\rc\rd");
        EXPECT_TRUE(back.Has(B("G"), B("empty")));
        EXPECT_EQ(Value(back, "Other", "x"), "y");
        EXPECT_FALSE(back.IsBackupPending());
    }
}

TEST_F(PrefFileModule, ReadsHandWrittenFilesInEachForm) {
    std::string const text = "#BEGINPREFS\n\n\"G\"\n#BEGINDICT\n\t\"k\"  \"caf\xC3\xA9 it\\'s\"   trailing words\n#ENDDICT\n\n#ENDPREFS\n";
    struct Case {
        char const* name;
        std::string bytes;
        GEncoding const* encoding;
    } const cases[] = {
        {"UTF-16 with mark", UTF16(text, true), Unicode()},
        {"UTF-16 without mark", UTF16(text, false), Unicode()},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + text, UTF8()},
        {"UTF-8 without mark", text, UTF8()},
        {"Mac Roman", Encoded(text, MacRoman()), MacRoman()},
        {"CR LF line ends", UTF16("#BEGINPREFS\r\n\r\n\"G\"\r\n#BEGINDICT\r\n\"k\" \"caf\xC3\xA9 it's\"\r\n#ENDDICT\r\n\r\n#ENDPREFS\r\n", true), Unicode()},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(mPath, c.bytes);
        GPrefFileModule m(P(mPath), c.encoding);
        EXPECT_EQ(Value(m, "G", "k"), "caf\xC3\xA9 it's");
        EXPECT_FALSE(m.IsBackupPending());
    }
}

TEST_F(PrefFileModule, LaterGroupOfTheSameNameReplacesTheEarlier) {
    WriteFile(mPath, "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"a\" \"1\"\r\"b\" \"2\"\r#ENDDICT\r"
                     "\"G\"\r#BEGINDICT\r\"a\" \"3\"\r\"a\" \"4\"\r#ENDDICT\r#ENDPREFS\r");
    GPrefFileModule m(P(mPath), UTF8());
    EXPECT_EQ(Value(m, "G", "a"), "4");
    EXPECT_FALSE(m.Has(B("G"), B("b")));
}

TEST_F(PrefFileModule, DictionaryEndedByEndPrefsIsAccepted) {
    WriteFile(mPath, "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"a\" \"1\"\r#ENDPREFS\r\"H\"\r#BEGINDICT\r\"b\" \"2\"\r#ENDDICT\r");
    GPrefFileModule m(P(mPath), UTF8());
    EXPECT_EQ(Value(m, "G", "a"), "1");
}

// Each malformed file keeps the groups before the fault in the module; the first save keeps the
// whole old file beside the new one, so nothing that was in it is lost.
TEST_F(PrefFileModule, MalformedFilesLoseNothingOnTheNextFlush) {
    std::string const good = "#BEGINPREFS\r\r\"Good\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r";
    struct Case {
        char const* name;
        std::string bytes;
        GEncoding const* encoding;
        bool goodGroupRead;
    } const cases[] = {
        {"unterminated quote", good + "\r\"Bad\"\r#BEGINDICT\r\"k\" \"never closed\r#ENDDICT\r\r#ENDPREFS\r", UTF8(), true},
        {"missing #ENDDICT", good + "\r\"Bad\"\r#BEGINDICT\r\"k\" \"v\"\r\r\"Lost\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r#ENDPREFS\r", UTF8(), true},
        {"blank line in block", good + "\r\"Bad\"\r#BEGINDICT\r\"a\" \"1\"\r\r\"b\" \"2\"\r#ENDDICT\r\r#ENDPREFS\r", UTF8(), true},
        {"LF CR line ends", good + "\r\"Bad\"\n\r#BEGINDICT\n\r\"a\" \"1\"\n\r\"b\" \"2\"\n\r#ENDDICT\n\r#ENDPREFS\n\r", UTF8(), true},
        {"unterminated group name", good + "\r\"Bad\r#BEGINDICT\r#ENDDICT\r#ENDPREFS\r", UTF8(), true},
        {"cut after a group", good, UTF8(), true},
        {"odd-length UTF-16", UTF16(good + "\r#ENDPREFS\r", true) + "x", Unicode(), true},
        {"NUL in text", good + "\r\"Bad\"\r#BEGINDICT\r\"k\" \"a" + std::string(1, '\0') + "b\r#ENDDICT\r#ENDPREFS\r", UTF8(), true},
        {"invalid UTF-8", good + "\r\"Bad\"\r#BEGINDICT\r\"k\" \"\xFF\xFE\"\r#ENDDICT\r\r#ENDPREFS\r", UTF8(), true},
        {"no begin phrase", "#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r", UTF8(), false},
        {"garbage", std::string("\x01\x02 binary \x00 stuff", 18), UTF8(), false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedTempFolder folder;
        std::string const path = folder / "Test.uprefs";
        WriteFile(path, c.bytes);
        {
            GPrefFileModule m(P(path), c.encoding);
            EXPECT_TRUE(m.IsBackupPending());
            EXPECT_EQ(m.Has(B("Good"), B("k")), c.goodGroupRead);
            EXPECT_FALSE(m.Has(B("Lost"), B("k")));
            m.Set(B("New"), B("k"), T("n"));
            m.FlushPrefs();
            EXPECT_FALSE(m.IsBackupPending());
            m.Set(B("New"), B("k"), T("m"));
            m.FlushPrefs();  // a second save keeps no second backup
        }
        EXPECT_EQ(ReadFile(path + ".bak"), c.bytes);
        EXPECT_FALSE(Exists(path + ".bak1"));
        GPrefFileModule back(P(path), c.encoding);
        EXPECT_EQ(Value(back, "New", "k"), "m");
        EXPECT_EQ(back.Has(B("Good"), B("k")), c.goodGroupRead);
    }
}

TEST_F(PrefFileModule, BackupTakesTheFirstFreeName) {
    WriteFile(mPath, "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"v\r");
    WriteFile(mPath + ".bak", "older backup");
    GPrefFileModule m(P(mPath), UTF8());
    m.Set(B("G"), B("k"), T("w"));
    m.FlushPrefs();
    EXPECT_EQ(ReadFile(mPath + ".bak"), "older backup");
    EXPECT_EQ(ReadFile(mPath + ".bak1"), "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"v\r");
}

TEST_F(PrefFileModule, FlushWritesOnlyWhenDirtyAndRemoveOfMissingKeyRewrites) {
    {
        GPrefFileModule m(P(mPath), UTF8());
        m.Set(B("G"), B("k"), T("v"));
        m.FlushPrefs();
    }
    WriteFile(mPath, ReadFile(mPath) + " ");  // a mark that a rewrite would take away
    GPrefFileModule m(P(mPath), UTF8());
    m.FlushPrefs();
    EXPECT_EQ(ReadFile(mPath).back(), ' ');
    m.Remove(B("G"), B("missing"));
    m.FlushPrefs();
    EXPECT_EQ(ReadFile(mPath).back(), '\r');
}

TEST_F(PrefFileModule, RefreshDropsUnsavedChangesAndSeesTheFileAgain) {
    GPrefFileModule m(P(mPath), UTF8());
    m.Set(B("G"), B("k"), T("v"));
    m.FlushPrefs();
    m.Set(B("G"), B("k"), T("unsaved"));
    m.Refresh();
    EXPECT_EQ(Value(m, "G", "k"), "v");
    EXPECT_FALSE(m.IsDirty());
}

// An unreadable file: the constructor swallows the failure, Refresh reports it, and the module
// does not overwrite the file it could not read without keeping it.
TEST_F(PrefFileModule, ReadErrorsAreSwallowedFirstThenPassedOn) {
    WriteFile(mPath, "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r#ENDPREFS\r");
    ASSERT_EQ(::chmod(mPath.c_str(), 0), 0);
    ASSERT_EQ(::chmod(mTemp.Path().c_str(), 0777), 0);
    std::string const path = mPath;
    auto check = [path]() -> int {
        GPrefFileModule m(P(path), UTF8());
        if (m.Has(B("G"), B("k")) || !m.IsBackupPending())
            return 1;
        try {
            m.Refresh();
            return 2;
        } catch (GException const&) {
        }
        return 0;
    };
    const int result = UnprivilegedChild::IsRoot() ? UnprivilegedChild::Run(check) : check();
    ::chmod(mTemp.Path().c_str(), 0700);
    if (result == 255)
        GTEST_SKIP() << "cannot drop privileges";
    EXPECT_EQ(result, 0);
}

TEST_F(PrefFileModule, SaveAsRebindsAndWrites) {
    GPrefFileModule m(P(mPath), UTF8());
    m.Set(B("G"), B("k"), T("v"));
    std::string const other = mTemp / "sub/Other.prefs";
    m.SaveAs(P(other));
    EXPECT_FALSE(m.IsDirty());
    EXPECT_FALSE(Exists(mPath));
    GPrefFileModule back(P(other), UTF8());
    EXPECT_EQ(Value(back, "G", "k"), "v");
    EXPECT_EQ(U8(m.GetPathName().GetNativePathString()), other);
}

// A folder that takes no new files: the save fails before anything is replaced.
TEST_F(PrefFileModule, FailedSaveThrowsLeavesOldFileAndStaysDirty) {
    ASSERT_EQ(::chmod(mTemp.Path().c_str(), 0777), 0);
    std::string const folder = mTemp / "own";
    auto check = [folder]() -> int {
        if (::mkdir(folder.c_str(), 0700) != 0)
            return 10;
        std::string const path = folder + "/Test.uprefs";
        GPrefFileModule m(P(path), UTF8());
        m.Set(B("G"), B("k"), T("old"));
        m.FlushPrefs();
        std::string const before = ReadFile(path);
        m.Set(B("G"), B("k"), T("new"));
        ::chmod(folder.c_str(), 0500);
        try {
            m.FlushPrefs();
            return 1;
        } catch (PUNIXSystemException const& e) {
            if (e.GetErrno() != EACCES)
                return 2;
        }
        ::chmod(folder.c_str(), 0700);
        if (!m.IsDirty() || ReadFile(path) != before)
            return 3;
        m.FlushPrefs();
        return U8(GPrefFileModule(P(path), UTF8()).Get(B("G"), B("k"))) == "new" ? 0 : 4;
    };
    const int result = UnprivilegedChild::IsRoot() ? UnprivilegedChild::Run(check) : check();
    ::chmod(mTemp.Path().c_str(), 0700);
    if (result == 255)
        GTEST_SKIP() << "cannot drop privileges";
    EXPECT_EQ(result, 0);
}

// A file-size limit stands in for a full disk: the write fails part-way in a child.
TEST_F(PrefFileModule, FullDiskDuringFlushReportsTheFailureAndKeepsTheOldFile) {
    {
        GPrefFileModule m(P(mPath), Unicode());
        m.Set(B("G"), B("k"), T("small"));
        m.FlushPrefs();
    }
    std::string const before = ReadFile(mPath);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        GPrefFileModule m(P(mPath), Unicode());
        for (int i = 0; i < 1000; ++i)
            m.Set(B("G"), B(("key" + std::to_string(i)).c_str()), T("a value long enough to pass the limit"));
        int status = 1;
        try {
            m.FlushPrefs();
        } catch (PUNIXSystemException const& e) {
            status = e.GetErrno() == EFBIG && m.IsDirty() ? 0 : 2;
        } catch (...) {
            status = 3;
        }
        _exit(status);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(mPath), before);
    // No temporary file is left behind.
    int entries = 0;
    for (auto const& item : std::filesystem::directory_iterator(mTemp.Path()))
        entries += item.path().filename() != "Test.uprefs";
    EXPECT_EQ(entries, 0);
}

// A text the file's encoding cannot hold would come back as another text, and two such keys as
// one: the save is refused, names the key, and the old file and the module's changes stay.
TEST_F(PrefFileModule, TextTheEncodingCannotHoldIsRefusedByName) {
    struct Case {
        char const* name;
        GEncoding const* encoding;
        std::string group;
        std::string key;
        std::string value;
        std::string otherKey;
        std::string named;  // in the error
    } const cases[] = {
        {"value outside Mac Roman", MacRoman(), "G", "k", "\xF0\x9F\x98\x80 \xE6\x97\xA5", "k2", "\"k\""},
        // Written with the default character, both keys would come back as one.
        {"keys outside ASCII", UTF8(), "G", "k\xC3\xA9", "v", "k\xC3\xA8", "\"k\xC3"},
        {"group outside ASCII", Unicode(), "Gr\xC3\xBC\xC3\x9F", "k", "v", "k2", "\"Gr\xC3\xBC\xC3\x9F\""},
    };
    for (Make const& make : kMakers) {
        for (Case const& c : cases) {
            SCOPED_TRACE(c.name);
            ScopedTempFolder folder;
            std::string const path = folder / "Test.uprefs";
            {
                auto m = make(path, c.encoding);
                m->Set(B("G"), B("kept"), T("old"));
                m->FlushPrefs();
            }
            std::string const before = ReadFile(path);
            auto m = make(path, c.encoding);
            m->Set(B(c.group), B(c.key), T(c.value));
            m->Set(B(c.group), B(c.otherKey), T("other"));
            std::string text;
            EXPECT_EQ(Thrown([&] { m->FlushPrefs(); }, text), 2462);
            EXPECT_NE(text.find(c.named), std::string::npos) << text;
            EXPECT_NE(text.find("Test.uprefs"), std::string::npos) << text;
            EXPECT_TRUE(m->IsDirty());
            EXPECT_EQ(U8(m->Get(B(c.group), B(c.key))), c.value);
            EXPECT_EQ(ReadFile(path), before);
        }
    }
}

// A save that keeps failing after its backup was kept (here a full disk) must not keep the same
// broken file again at every open: one incident, one backup.
TEST_F(PrefFileModule, AnIncompleteFileGetsOneBackupHoweverOftenItIsOpened) {
    std::string const broken = "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"v\r";
    WriteFile(mPath, broken);
    for (int open = 0; open < 3; ++open) {
        const int result = ForkedChild::RunCheck([&] {
            signal(SIGXFSZ, SIG_IGN);
            LimitFileSize();
            GPrefFileModule m(P(mPath), Unicode());
            if (!m.IsBackupPending())
                return 1;
            return SaveToFullDisk(m);
        });
        EXPECT_EQ(result, 0) << open;
    }
    EXPECT_EQ(ReadFile(mPath), broken);
    EXPECT_EQ(ReadFile(mPath + ".bak"), broken);
    EXPECT_FALSE(Exists(mPath + ".bak1"));
    {
        GPrefFileModule m(P(mPath), Unicode());
        m.Set(B("G"), B("n"), T("x"));
        m.FlushPrefs();
    }
    EXPECT_EQ(ReadFile(mPath + ".bak"), broken);
    EXPECT_FALSE(Exists(mPath + ".bak1"));
}

// Saves killed part-way leave their hidden temporaries; the next save of the same file removes
// them, and only them.
TEST_F(PrefFileModule, TheNextSaveRemovesTheTemporariesOfKilledSaves) {
    for (Make const& make : kMakers) {
        ScopedTempFolder folder;
        std::string const path = folder / "Test.uprefs";
        const int result = ForkedChild::RunCheck([&] {
            signal(SIGXFSZ, SIG_DFL);
            LimitFileSize();
            auto m = make(path, Unicode());
            SetManyKeys(*m);
            m->FlushPrefs();
            return 0;
        });
        EXPECT_EQ(result, 100 + SIGXFSZ);
        std::vector<std::string> const killed = TemporariesOf(folder.Path(), "Test.uprefs");
        ASSERT_EQ(killed.size(), 1u);
        // Two more killed earlier, as they would look.
        for (char const* name : {".Test.uprefs.a1B2c3", ".Test.uprefs.ZZZZZZ"})
            WriteFile(folder / name, ReadFile(folder / killed[0]));
        // Names that are not the temporaries of this file's saves, or not this user's.
        std::string const others[] = {".Test.uprefs.AbC1234", ".Test.uprefs.AbC12", ".Other.uprefs.AbC123",
                                      "Test.uprefs.AbC123", ".Test.uprefs.Ab-123"};
        for (std::string const& other : others)
            WriteFile(folder / other, "keep");
        WriteFile(folder / ".Test.uprefs.Nobody", "keep");
        ASSERT_EQ(chown((folder / ".Test.uprefs.Nobody").c_str(), 65534, 65534), 0);
        ASSERT_EQ(symlink("Test.uprefs", (folder / ".Test.uprefs.Linked").c_str()), 0);
        auto m = make(path, Unicode());
        m->Set(B("G"), B("k"), T("v"));
        m->FlushPrefs();
        std::vector<std::string> left = TemporariesOf(folder.Path(), "Test.uprefs");
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{".Test.uprefs.Linked", ".Test.uprefs.Nobody"}));
        for (std::string const& other : others)
            EXPECT_EQ(ReadFile(folder / other), "keep") << other;
        EXPECT_EQ(U8(make(path, Unicode())->Get(B("G"), B("k"))), "v");
    }
}

// Another process stopped in the middle of its save still owns its temporary: a save meanwhile
// leaves it alone, and the stopped save goes on with it afterwards.
TEST_F(PrefFileModule, ASaveLeavesTheTemporaryOfALiveSaveAlone) {
    ForkedChild writer([&](ForkedChild& self) {
        // The limit stops the save in its write; the parent lifts it before letting it go on.
        static ForkedChild* sSelf = nullptr;
        sSelf = &self;
        signal(SIGXFSZ, [](int) {
            sSelf->Signal();
            raise(SIGSTOP);
        });
        LimitFileSize();
        GPrefFileModule m(P(mPath), Unicode());
        return SaveToFullDisk(m);
    });
    ASSERT_TRUE(writer.AwaitSignal());
    std::vector<std::string> const live = TemporariesOf(mTemp.Path(), "Test.uprefs");
    ASSERT_EQ(live.size(), 1u);
    {
        GPrefFileModule m(P(mPath), Unicode());
        m.Set(B("Mine"), B("k"), T("v"));
        m.FlushPrefs();
    }
    EXPECT_EQ(TemporariesOf(mTemp.Path(), "Test.uprefs"), live);
    writer.Kill(SIGCONT);
    EXPECT_EQ(writer.Wait(), 0);
    EXPECT_TRUE(TemporariesOf(mTemp.Path(), "Test.uprefs").empty());
}

// A file its owner made read-only is not replaced behind the mode's back: the save fails as an
// open for writing would, and nothing beside it changes either.
TEST_F(PrefFileModule, AReadOnlyFileIsNotReplaced) {
    if (!UnprivilegedChild::IsRoot())
        GTEST_SKIP() << "needs root to drop to an unprivileged user";
    ASSERT_EQ(::chmod(mTemp.Path().c_str(), 0777), 0);
    for (Make const& make : kMakers) {
        std::string const folder = mTemp / "own";
        const int result = UnprivilegedChild::Run([&]() -> int {
            if (::mkdir(folder.c_str(), 0700) != 0)
                return 10;
            std::string const path = folder + "/Test.uprefs";
            // Incomplete as well: not even its backup may be made.
            WriteFile(path, "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"old\"\r#ENDDICT\r");
            ::chmod(path.c_str(), 0444);
            auto m = make(path, Unicode());
            m->Set(B("G"), B("k"), T("new"));
            try {
                m->FlushPrefs();
                return 1;
            } catch (PUNIXSystemException const& e) {
                if (e.GetErrno() != EACCES)
                    return 2;
            }
            if (!m->IsDirty() || ModeOf(path) != 0444)
                return 3;
            if (ReadFile(path) != "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"old\"\r#ENDDICT\r")
                return 4;
            int entries = 0;
            for (auto const& item : std::filesystem::directory_iterator(folder))
                entries += item.path().filename() != "Test.uprefs" && item.path().filename() != "Test.uprefslock";
            return entries == 0 ? 0 : 5;
        });
        EXPECT_EQ(result, 0);
        std::filesystem::remove_all(folder);
    }
}

// A file far larger than any preference file is not read into memory: reading it is an error of
// its own (40036), and the save that follows keeps it aside whole before it writes.
TEST_F(PrefFileModule, AHugeFileIsNotReadAndIsKeptAsideWhole) {
    std::string const huge = "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r#ENDPREFS\r";
    for (Make const& make : kMakers) {
        ScopedTempFolder folder;
        std::string const path = folder / "Test.uprefs";
        WriteFile(path, huge);
        // Sparse: large on paper, no room on disk.
        ASSERT_EQ(::truncate(path.c_str(), 3LL << 30), 0);
        auto m = make(path, Unicode());
        EXPECT_EQ(m->Has(B("G"), B("k")), false);
        std::string text;
        EXPECT_EQ(Thrown([&] { m->Refresh(); }, text), 40036);
        EXPECT_NE(text.find(path), std::string::npos) << text;
        m->Set(B("New"), B("k"), T("v"));
        m->FlushPrefs();
        struct stat kept {};
        ASSERT_EQ(::stat((path + ".bak").c_str(), &kept), 0);
        EXPECT_EQ(kept.st_size, 3LL << 30);
        EXPECT_EQ(U8(make(path, Unicode())->Get(B("New"), B("k"))), "v");
    }
}

// Unpaired surrogates are not text, but they are kept unit for unit: a save loses nothing of them.
TEST_F(PrefFileModule, UnpairedSurrogatesInUTF16SurviveASave) {
    // "a", a lone high surrogate, "z", a low surrogate before a high one, "b".
    unsigned char const units[] = {'a', 0, 0x00, 0xD8, 'z', 0, 0x00, 0xDC, 0x00, 0xD8, 'b', 0};
    std::string const value(reinterpret_cast<char const*>(units), sizeof units);
    std::string const entry = UTF16("\"k\" \"", false) + value + UTF16("\"", false);
    WriteFile(mPath, UTF16("#BEGINPREFS\r\"G\"\r#BEGINDICT\r", true) + entry + UTF16("\r#ENDDICT\r#ENDPREFS\r", false));
    {
        GPrefFileModule m(P(mPath), Unicode());
        EXPECT_FALSE(m.IsBackupPending());
        m.Set(B("G"), B("other"), T("x"));
        m.FlushPrefs();
    }
    EXPECT_NE(ReadFile(mPath).find(entry), std::string::npos);
    GPrefFileModule back(P(mPath), Unicode());
    EXPECT_EQ(Value(back, "G", "other"), "x");
}
