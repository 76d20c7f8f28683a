#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "FileSystemTestSupport.h"
#include "support/ScopedEnvironment.h"
#include "support/UnprivilegedChild.h"

namespace {

using Imp = PMacFileSystemImp;

// ---- CheckForErrors: every code with an id of its own, and the codes around them ----

struct CodeCase {
    int16_t code;
    int id;
};

TEST(CheckForErrors, MapsEveryListedCodeToItsId) {
    // Runs of consecutive codes: [first, last] -> ids from firstID on.
    struct Run {
        int first;
        int last;
        int firstID;
    };
    const Run runs[] = {
        {-33, -51, 40000},     {-53, -54, 40019},     {-56, -57, 40021},     {-59, -59, 40023},
        {-61, -61, 40024},     {-120, -120, 40025},   {-122, -123, 40026},   {-127, -127, 40028},
        {-503, -503, 40029},   {-1300, -1304, 40030}, {-1306, -1306, 40035}, {-1309, -1310, 40036},
        {-1401, -1407, 40038}, {-1409, -1411, 40045}, {-1421, -1424, 40048}, {-5000, -5000, 40064},
    };
    int listed = 0;
    for (Run const& run : runs) {
        for (int code = run.first; code >= run.last; --code) {
            const int expected = run.firstID + (run.first - code);
            EXPECT_EQ(ThrownID([&] { Imp::CheckForErrors(static_cast<int16_t>(code)); }), expected) << code;
            ++listed;
        }
    }
    // 19 + 2 + 2 + 1 + 1 + 1 + 2 + 1 + 1 + 5 + 1 + 2 + 7 + 3 + 4 + 1
    EXPECT_EQ(listed, 53);
}

TEST(CheckForErrors, EveryOtherCodeIsAGeneralException) {
    // Every code from 100 down to -5100 that is not listed above, and the extremes.
    auto listed = [](int code) {
        return (code <= -33 && code >= -51) || code == -53 || code == -54 || code == -56 || code == -57 ||
               code == -59 || code == -61 || code == -120 || code == -122 || code == -123 || code == -127 ||
               code == -503 || (code <= -1300 && code >= -1304) || code == -1306 || code == -1309 ||
               code == -1310 || (code <= -1401 && code >= -1407) || (code <= -1409 && code >= -1411) ||
               (code <= -1421 && code >= -1424) || code == -5000;
    };
    for (int code = 100; code >= -5100; --code) {
        if (code == 0 || listed(code))
            continue;
        ASSERT_EQ(ThrownID([&] { Imp::CheckForErrors(static_cast<int16_t>(code)); }), 2450) << code;
    }
    EXPECT_EQ(ThrownID([] { Imp::CheckForErrors(INT16_MIN); }), 2450);
    EXPECT_EQ(ThrownID([] { Imp::CheckForErrors(INT16_MAX); }), 2450);
}

TEST(CheckForErrors, SuccessReturnsAndListedCodesAreSimpleExceptions) {
    EXPECT_NO_THROW(Imp::CheckForErrors(0));
    EXPECT_THROW(Imp::CheckForErrors(-503), GSimpleException);
    EXPECT_EQ(ThrownID([] { Imp::CheckForErrors(-1308); }), 2450);
}

// ---- Creation ----

class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
    ScopedTempFolder mFolder;
    GPathName At(std::string const& relative) const { return PathOf(mFolder / relative); }
};

TEST_F(PlatformFiles, CreationLetsTheUmaskApply) {
    ScopedUmask mask(022);
    EXPECT_TRUE(Imp::CreateFile(At("a/b/c.txt")));
    EXPECT_EQ(ModeOf(mFolder / "a"), 0755);
    EXPECT_EQ(ModeOf(mFolder / "a/b"), 0755);
    EXPECT_EQ(ModeOf(mFolder / "a/b/c.txt"), 0644);
    ScopedUmask strict(077);
    EXPECT_TRUE(Imp::CreateFolder(At("d")));
    EXPECT_EQ(ModeOf(mFolder / "d"), 0700);
}

TEST_F(PlatformFiles, CreatingWhatExistsChangesNothing) {
    WriteFile(mFolder / "f", "data");
    EXPECT_FALSE(Imp::CreateFile(At("f")));
    EXPECT_EQ(ReadFile(mFolder / "f"), "data");
    EXPECT_TRUE(Imp::CreateFolder(At("d")));
    EXPECT_FALSE(Imp::CreateFolder(At("d")));
    EXPECT_FALSE(Imp::CreateFolder(PathOf("/")));
    EXPECT_EQ(ThrownID([&] { Imp::CreateFolder(At("f")); }), 40015);
    EXPECT_EQ(ThrownID([&] { Imp::CreateFile(At("d")); }), 40015);
}

TEST_F(PlatformFiles, CreateFileNeverWritesThroughALink) {
    // A dangling link in the file's place must not create its target elsewhere.
    ASSERT_EQ(symlink((mFolder / "elsewhere").c_str(), (mFolder / "f").c_str()), 0);
    EXPECT_FALSE(Imp::CreateFile(At("f")));
    EXPECT_FALSE(Exists(mFolder / "elsewhere"));
}

TEST_F(PlatformFiles, PrivateFolderIsOwnedClosedAndNoLink) {
    ScopedUmask mask(022);
    EXPECT_TRUE(Imp::CreatePrivateFolder(At("mine")));
    EXPECT_EQ(ModeOf(mFolder / "mine"), 0700);
    chmod((mFolder / "mine").c_str(), 0777);
    EXPECT_FALSE(Imp::CreatePrivateFolder(At("mine")));
    EXPECT_EQ(ModeOf(mFolder / "mine"), 0700);
    mkdir((mFolder / "other").c_str(), 0700);
    ASSERT_EQ(symlink((mFolder / "other").c_str(), (mFolder / "link").c_str()), 0);
    EXPECT_EQ(ThrownID([&] { Imp::CreatePrivateFolder(At("link")); }), 40015);
    if (UnprivilegedChild::IsRoot()) {
        mkdir((mFolder / "theirs").c_str(), 0777);
        ASSERT_EQ(chown((mFolder / "theirs").c_str(), 65534, 65534), 0);
        EXPECT_EQ(ThrownID([&] { Imp::CreatePrivateFolder(At("theirs")); }), 40015);
    }
}

// ---- Removal ----

TEST_F(PlatformFiles, RemoveFileCases) {
    EXPECT_FALSE(Imp::RemoveFile(At("missing")));
    mkdir((mFolder / "d").c_str(), 0700);
    EXPECT_EQ(ThrownID([&] { Imp::RemoveFile(At("d")); }), 40032);
    WriteFile(mFolder / "f", "x");
    EXPECT_EQ(ThrownID([&] { Imp::RemoveFolderOnly(At("f")); }), 40044);
    EXPECT_TRUE(Imp::RemoveFile(At("f")));
    EXPECT_FALSE(Exists(mFolder / "f"));
    // A link goes, its target stays.
    WriteFile(mFolder / "target", "keep");
    ASSERT_EQ(symlink((mFolder / "target").c_str(), (mFolder / "link").c_str()), 0);
    EXPECT_TRUE(Imp::RemoveFile(At("link")));
    EXPECT_EQ(ReadFile(mFolder / "target"), "keep");
}

// ---- Moving and copying: an existing destination is replaced in one step ----

TEST_F(PlatformFiles, MoveIntoATakenNameNeedsOverwrite) {
    mkdir((mFolder / "to").c_str(), 0700);
    WriteFile(mFolder / "f", "new");
    WriteFile(mFolder / "to/f", "old");
    EXPECT_EQ(ThrownID([&] { Imp::MoveFileTo(At("f"), At("to"), false); }), 40015);
    EXPECT_EQ(ReadFile(mFolder / "to/f"), "old");
    GPathName moved;
    Imp::MoveFileTo(At("f"), At("to"), moved, true);
    EXPECT_EQ(Utf8(moved), mFolder / "to/f");
    EXPECT_EQ(ReadFile(mFolder / "to/f"), "new");
    EXPECT_FALSE(Exists(mFolder / "f"));
}

TEST_F(PlatformFiles, MoveIntoAMissingFolderCreatesIt) {
    WriteFile(mFolder / "f", "x");
    GPathName moved;
    Imp::MoveFileTo(At("f"), At("new/deep"), moved, false);
    EXPECT_EQ(ReadFile(mFolder / "new/deep/f"), "x");
    EXPECT_EQ(ThrownID([&] { Imp::MoveFileTo(At("new"), At("x"), false); }), 40010);
}

TEST_F(PlatformFiles, OverwritingKeepsTheDataSafe) {
    mkdir((mFolder / "to").c_str(), 0700);
    WriteFile(mFolder / "to/f", "old");
    GPathName copied;
    // Copying a file onto itself: removing the destination first would lose it.
    Imp::CopyFileTo(At("to/f"), At("to"), copied, true);
    EXPECT_EQ(ReadFile(mFolder / "to/f"), "old");
    // Moving a file onto itself leaves it in place.
    Imp::MoveFileTo(At("to/f"), At("to"), copied, true);
    EXPECT_EQ(ReadFile(mFolder / "to/f"), "old");
    // A copy whose source vanished leaves the old destination intact.
    ASSERT_EQ(symlink((mFolder / "gone").c_str(), (mFolder / "f").c_str()), 0);
    EXPECT_NE(ThrownID([&] { Imp::CopyFileTo(At("f"), At("to"), copied, true); }), 0);
    EXPECT_EQ(ReadFile(mFolder / "to/f"), "old");
    // A real overwrite replaces the content and leaves no temporary behind.
    WriteFile(mFolder / "f2", "new");
    GPathName into;
    Imp::CopyFileTo(At("f2"), At("to"), into, false);
    WriteFile(mFolder / "f2", "newer");
    Imp::CopyFileTo(At("f2"), At("to"), into, true);
    EXPECT_EQ(ReadFile(mFolder / "to/f2"), "newer");
    EXPECT_EQ(ThrownID([&] { Imp::CopyFileTo(At("f2"), At("to"), into, false); }), 40015);
    int entries = 0;
    for (char const* name : {"f", "f2"})
        entries += Exists(mFolder / (std::string("to/") + name)) ? 1 : 0;
    EXPECT_EQ(entries, 2);
}

TEST_F(PlatformFiles, MovedOrCopiedFileKeepsItsDatesOutsideUTC) {
    ScopedEnvironment environment;
    environment.Set("TZ", "America/New_York");
    tzset();
    WriteFile(mFolder / "f", "x");
    const GDateTime when(15, 7, 2021, 10, 30, 12, true);
    Imp::SetModificationDateTime(At("f"), when);
    GDateTime read;
    Imp::GetModificationDateTime(At("f"), read);
    EXPECT_EQ(read, when);
    GPathName copied;
    Imp::CopyFileTo(At("f"), At("copy"), copied, false);
    Imp::GetModificationDateTime(copied, read);
    EXPECT_EQ(read, when);
    GPathName moved;
    Imp::MoveFileTo(At("f"), At("moved"), moved, false);
    Imp::GetModificationDateTime(moved, read);
    EXPECT_EQ(read, when);
    environment.Unset("TZ");
    tzset();
}

// ---- Permissions ----

TEST_F(PlatformFiles, SetPermissionsChangesOnlyTheChosenClasses) {
    WriteFile(mFolder / "f", "x");
    chmod((mFolder / "f").c_str(), 04640);
    Imp::SetPermissions(At("f"), Imp::kGroup | Imp::kOthers, true, false, true);
    EXPECT_EQ(ModeOf(mFolder / "f"), 04655);
    Imp::SetPermissions(At("f"), Imp::kCurrentUser, true, true, true);
    EXPECT_EQ(ModeOf(mFolder / "f"), 04755);
    bool read = false;
    bool write = true;
    bool execute = false;
    Imp::GetPermissions(At("f"), Imp::kGroup, &read, &write, &execute);
    EXPECT_TRUE(read);
    EXPECT_FALSE(write);
    EXPECT_TRUE(execute);
    EXPECT_TRUE(Imp::CheckIfOwner(At("f")));
}

TEST_F(PlatformFiles, HiddenByLeafAndGlobalTempFolderFromTMPDIR) {
    EXPECT_TRUE(Imp::IsHidden(At(".secret")));
    ScopedEnvironment environment;
    environment.Set("TMPDIR", mFolder.Path());
    GPathName temp;
    Imp::GetGlobalTempFolder(temp);
    EXPECT_EQ(Utf8(temp), mFolder.Path());
    Imp::GetDebugFolder(temp);
    EXPECT_EQ(Utf8(temp), mFolder / "KelvoraDebug");
    environment.Unset("TMPDIR");
    Imp::GetGlobalTempFolder(temp);
    EXPECT_EQ(Utf8(temp), "/tmp");
}

}  // namespace

namespace {

TEST_F(PlatformFiles, CopyAndRenameFileKeepsLinksOrFollowsThem) {
    WriteFile(mFolder / "target", "data");
    ASSERT_EQ(symlink("target", (mFolder / "link").c_str()), 0);
    Imp::CopyAndRenameFile(At("link"), At("as-link"), false, false);
    char text[64] = {};
    ASSERT_EQ(readlink((mFolder / "as-link").c_str(), text, sizeof text - 1), 6);
    EXPECT_STREQ(text, "target");
    Imp::CopyAndRenameFile(At("link"), At("sub/as-file"), false, true);
    EXPECT_EQ(ReadFile(mFolder / "sub/as-file"), "data");
    EXPECT_EQ(ModeOf(mFolder / "sub/as-file") & 0200, 0200);
    WriteFile(mFolder / "other", "other");
    EXPECT_EQ(ThrownID([&] { Imp::CopyAndRenameFile(At("other"), At("sub/as-file"), false, false); }), 40015);
    Imp::CopyAndRenameFile(At("other"), At("sub/as-file"), true, false);
    EXPECT_EQ(ReadFile(mFolder / "sub/as-file"), "other");
    // Overwriting a link by a link: the old one is replaced, its target untouched.
    Imp::CopyAndRenameFile(At("link"), At("as-link"), true, false);
    EXPECT_EQ(ReadFile(mFolder / "target"), "data");
}

TEST_F(PlatformFiles, PackageRootsAndVersions) {
    mkdir((mFolder / "Tool.app").c_str(), 0700);
    mkdir((mFolder / "Tool.app/Contents").c_str(), 0700);
    mkdir((mFolder / "Tool.app/Contents/MacOS").c_str(), 0700);
    mkdir((mFolder / "Kit.framework").c_str(), 0700);
    mkdir((mFolder / "plain").c_str(), 0700);
    EXPECT_TRUE(Imp::IsMacPackage(At("Tool.app")));
    EXPECT_FALSE(Imp::IsMacPackage(At("plain")));
    EXPECT_TRUE(Imp::IsMacFramework(At("Kit.framework")));
    GPathName root;
    Imp::FindMacPackageRoot(At("Tool.app/Contents/MacOS"), root);
    EXPECT_EQ(Utf8(root), mFolder / "Tool.app");
    EXPECT_EQ(ThrownID([&] { Imp::FindMacPackageRoot(At("plain"), root); }), 40061);
    EXPECT_EQ(ThrownID([&] { Imp::FindMacFrameworkRoot(At("plain"), root); }), 40062);
    int major = -1;
    int minor = -1;
    EXPECT_EQ(ThrownID([&] { Imp::GetApplicationVersion(At("plain"), major, minor); }), 40060);
}

TEST(PlatformFileSystemValues, FourCharacterCodesAreBigEndian) {
    unsigned char bytes[4] = {};
    PMacFileSystemImp::UInt32ToBytes(0x62727A20u, bytes);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "brz ");
}

TEST_F(PlatformFiles, TryUnlinkFile) {
    WriteFile(mFolder / "f", "x");
    GPathName final;
    EXPECT_TRUE(Imp::TryUnlinkFile(At("f"), final));
    EXPECT_EQ(Utf8(final), mFolder / "f");
    EXPECT_FALSE(Imp::TryUnlinkFile(At("f"), final));
}

}  // namespace

namespace {

TEST_F(PlatformFiles, FailuresNameTheirPaths) {
    GException::Initialize();
    mkdir((mFolder / "to").c_str(), 0700);
    WriteFile(mFolder / "f", "x");
    WriteFile(mFolder / "to/f", "y");
    try {
        Imp::MoveFileTo(At("f"), At("to"), false);
        FAIL() << "no exception";
    } catch (GException const& e) {
        EXPECT_EQ(e.GetExceptionID(), 40015);
        const std::string message = Text(e.GetFullDescription());
        EXPECT_NE(message.find("Moving " + (mFolder / "f") + " to " + (mFolder / "to/f")), std::string::npos)
            << message;
    }
    try {
        Imp::RemoveFile(At("to"));
        FAIL() << "no exception";
    } catch (GException const& e) {
        EXPECT_NE(Text(e.GetFullDescription()).find(mFolder / "to"), std::string::npos);
    }
}

}  // namespace
