#include <gtest/gtest.h>

#include <string>

#include "printerprocessor/actors/ActorTestSupport.h"

using namespace actortest;

namespace {

class ActorSettings : public SandboxedUser {
protected:
    // "@" stands for the package cache folder in the paths of the cases.
    GPathName InCache(std::string const& path) const {
        std::string text = path;
        const size_t at = text.find('@');
        if (at != std::string::npos)
            text.replace(at, 1, CacheFolder());
        return P(text);
    }
};

TEST_F(ActorSettings, TheCacheFolderFollowsTheUsersApplicationData) {
    EXPECT_EQ(U8(GPPSettings::GetCacheFolder().GetNativePathString()), CacheFolder());
    EXPECT_EQ(U8(GPPSettings::GetSettingsFolder().GetNativePathString()), CacheFolder() + "/Settings");
}

TEST_F(ActorSettings, TheBuildNumberIsTheFirstFolderBelowTheCache) {
    struct Case {
        char const* applicationPath;
        int build;
    };
    const Case cases[] = {
        {"@/1234/App", 1234},
        {"@/1234/Contents/MacOS/Printer Processor.app", 1234},
        {"@/1234", 1234},
        {"@/0042/x", 42},
        {"@/12abc/App", GString("12abc").GetInt32()},
        {"@/abc/App", GString("abc").GetInt32()},
        {"@/Settings/guid/file", GString("Settings").GetInt32()},
        {"", 0},
        {"@", 0},
        {"@/../99/App", 0},
        {"/Applications/1234/App", 0},
        {"relative/1234/App", 0},
    };
    for (Case const& c : cases) {
        GPPSettings settings;
        settings.ApplicationPath = InCache(c.applicationPath);
        EXPECT_EQ(GPPSettings::GetBuildNumber(settings), c.build) << c.applicationPath;
    }
}

TEST_F(ActorSettings, TheGUIDIsTheFirstFolderBelowTheSettingsFolder) {
    struct Case {
        char const* contextPath;
        bool result;
        char const* guid;
    };
    const Case cases[] = {
        {"@/Settings/abc/context.ctx", true, "abc"},
        {"@/Settings/abc/deeper/still/context.ctx", true, "abc"},
        {"@/Settings/Ünï cødé GUID/a file.ctx", true, "Ünï cødé GUID"},
        {"@/Settings/abc", true, "abc"},
        {"@/Settings", true, ""},
        {"@/1234/App", true, ""},
        {"/elsewhere/abc/file", true, ""},
        {"", false, ""},
        {"relative/Settings/abc/file", false, ""},
    };
    for (Case const& c : cases) {
        GPPSettings settings;
        settings.ContextFilePath = InCache(c.contextPath);
        GString guid("stale");
        EXPECT_EQ(GPPSettings::GetGUID(settings, guid), c.result) << c.contextPath;
        EXPECT_EQ(U8(guid), c.guid) << c.contextPath;
    }
}

// Only the GUID's folder changes, even when its text also stands elsewhere in the path.
TEST_F(ActorSettings, UpdateGUIDRenamesOnlyTheGUIDsFolder) {
    struct Case {
        char const* contextPath;
        char const* newGuid;
        bool result;
        char const* after;
    };
    const Case cases[] = {
        {"@/Settings/abc/context.ctx", "def", true, "@/Settings/def/context.ctx"},
        {"@/Settings/abc/context.ctx", "abc", true, "@/Settings/abc/context.ctx"},
        {"@/Settings/abc/abc/abc.ctx", "new guid ✓", true, "@/Settings/new guid ✓/abc/abc.ctx"},
        {"@/Settings/Settings/file", "x", true, "@/Settings/x/file"},
        {"@/Settings/abc", "xyz", true, "@/Settings/xyz"},
        {"@/Settings/abc/file", "", false, "@/Settings/abc/file"},
        {"@/Settings/abc/file", "a/b", false, "@/Settings/abc/file"},
        {"@/Settings/abc/file", "..", false, "@/Settings/abc/file"},
        {"@/Settings/abc/file", ".", false, "@/Settings/abc/file"},
        {"/elsewhere/abc/file", "def", false, "/elsewhere/abc/file"},
        {"/elsewhere/abc/file", "", true, "/elsewhere/abc/file"},
        {"", "def", false, ""},
    };
    for (Case const& c : cases) {
        GPPSettings settings;
        settings.ContextFilePath = InCache(c.contextPath);
        EXPECT_EQ(GPPSettings::UpdateGUID(T(c.newGuid), settings), c.result) << c.contextPath << " " << c.newGuid;
        EXPECT_EQ(U8(settings.ContextFilePath.GetCrossPlatformString()),
                  U8(InCache(c.after).GetCrossPlatformString()))
            << c.contextPath << " " << c.newGuid;
    }
}

// The cache below a folder whose name holds the GUID: a text replacement would move the path.
TEST_F(ActorSettings, UpdateGUIDLeavesTheSameTextInTheCacheFolderAlone) {
    mEnvironment.Set("XDG_DATA_HOME", mTemp / "abc");
    ForgetSpecialPaths();
    const std::string settingsFolder = mTemp / "abc/Kelvora/Trovelor/Cache/Settings";
    GPPSettings settings;
    settings.ContextFilePath = P(settingsFolder + "/abc/file.ctx");
    ASSERT_TRUE(GPPSettings::UpdateGUID(T("def"), settings));
    EXPECT_EQ(U8(settings.ContextFilePath.GetNativePathString()), settingsFolder + "/def/file.ctx");
    GString guid;
    ASSERT_TRUE(GPPSettings::GetGUID(settings, guid));
    EXPECT_EQ(U8(guid), "def");
}

}  // namespace
