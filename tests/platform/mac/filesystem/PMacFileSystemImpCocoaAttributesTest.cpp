// Attributes: what exists here (hidden by name, owner, permission bits, volumes, bundles) and
// what does not (creator and type, labels, icons, the locked flag: read as none).
#include <sys/statvfs.h>
#include <unistd.h>

#include "PMacFileSystemImpCocoaTestSupport.h"
#include "support/UnprivilegedChild.h"

namespace {

class PMacFileSystemImpCocoaAttributesTest : public PMacFileSystemImpCocoaTest {
protected:
    void SetUp() override {
        WriteFile((*this)("file"), "x");
        WriteFile((*this)(".dot"), "x");
        Link((*this)("file"), (*this)("link"));
    }
};

TEST_F(PMacFileSystemImpCocoaAttributesTest, HiddenIsALeadingDot) {
    EXPECT_TRUE(FS::IsHidden(G((*this)(".dot"))));
    EXPECT_FALSE(FS::IsHidden(G((*this)("file"))));
    EXPECT_EQ(ThrownID([&] { FS::IsHidden(G((*this)("missing"))); }), 40275);
    EXPECT_EQ(ThrownID([&] { FS::IsHidden(BadText()); }), 40004);
    FS::SetHidden(G((*this)(".dot")), true);
    FS::SetHidden(G((*this)("file")), false);
    // The other state would need a rename: refused rather than reported as done.
    EXPECT_EQ(ThrownID([&] { FS::SetHidden(G((*this)("file")), true); }), 40275);
    EXPECT_TRUE(Exists((*this)("file")));
}

TEST_F(PMacFileSystemImpCocoaAttributesTest, FinderAttributesReadAsNoneAndSettingChangesNothing) {
    uint32_t creator = 1;
    uint32_t type = 1;
    FS::GetMacCreatorAndType(G((*this)("file")), creator, type);
    EXPECT_EQ(creator, 0u);
    EXPECT_EQ(type, 0u);
    FS::SetMacCreatorAndType(G((*this)("file")), 0x4D414353, 0x62726F6B);  // "MACS", "brok"
    EXPECT_FALSE(FS::IsFileBusy(G((*this)("file"))));
    EXPECT_FALSE(FS::GetFileLockStatus(G((*this)("file"))));
    FS::SetAliasObjectLocked(G((*this)("file")), true);
    EXPECT_FALSE(FS::GetFileLockStatus(G((*this)("file"))));
    FS::CopyAttributes(G((*this)("file")), G((*this)(".dot")));
    EXPECT_EQ(ReadFile((*this)("file")), "x");

    for (const std::string& leaf : {std::string("missing"), std::string("missing/below")}) {
        const GString missing = G((*this)(leaf));
        EXPECT_EQ(ThrownID([&] { FS::GetMacCreatorAndType(missing, creator, type); }), 40275);
        EXPECT_EQ(ThrownID([&] { FS::SetMacCreatorAndType(missing, 0, 0); }), 40275);
        EXPECT_EQ(ThrownID([&] { FS::IsFileBusy(missing); }), 40275);
        EXPECT_EQ(ThrownID([&] { FS::GetFileLockStatus(missing); }), 40275);
        EXPECT_EQ(ThrownID([&] { FS::SetAliasObjectLocked(missing, false); }), 40275);
        EXPECT_EQ(ThrownID([&] { FS::CopyAttributes(G((*this)("file")), missing); }), 40275);
    }
    EXPECT_EQ(ThrownID([&] { FS::GetFileLockStatus(BadText()); }), 40004);
}

TEST_F(PMacFileSystemImpCocoaAttributesTest, OwnerAndGroupOfTheItemItself) {
    int owner = -1;
    int group = -1;
    FS::GetOwnerAndGroup(G((*this)("file")), owner, group);
    struct stat info {};
    ASSERT_EQ(stat((*this)("file").c_str(), &info), 0);
    EXPECT_EQ(owner, static_cast<int>(info.st_uid));
    EXPECT_EQ(group, static_cast<int>(info.st_gid));
    EXPECT_EQ(ThrownID([&] { FS::GetOwnerAndGroup(G((*this)("missing")), owner, group); }), 40275);
    if (!UnprivilegedChild::IsRoot())
        return;
    FS::SetOwnerAndGroup(G((*this)("link")), 65534, 65534);
    ASSERT_EQ(lstat((*this)("link").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    ASSERT_EQ(stat((*this)("file").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);  // the link's target keeps its owner
    EXPECT_EQ(ThrownID([&] { FS::SetOwnerAndGroup(G((*this)("missing")), 0, 0); }), 40275);
}

TEST_F(PMacFileSystemImpCocoaAttributesTest, PermissionBitsAndEffectiveAccess) {
    FS::SetAliasPermissions(G((*this)("file")), 04751);
    struct stat info {};
    ASSERT_EQ(stat((*this)("file").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 04751u);
    EXPECT_EQ(FS::GetAliasPermissions(G((*this)("file")), false, nullptr, nullptr, nullptr), 04751);

    // A link's own bits do not exist here; its target is left alone.
    FS::SetAliasPermissions(G((*this)("link")), 0600);
    ASSERT_EQ(stat((*this)("file").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 04751u);

    chmod((*this)("file").c_str(), 0644);
    bool r = false, w = false, x = true;
    EXPECT_EQ(FS::GetAliasPermissions(G((*this)("file")), true, &r, &w, &x), -1);
    EXPECT_TRUE(r);
    EXPECT_TRUE(w);
    EXPECT_FALSE(x);
    EXPECT_EQ(FS::GetAliasPermissions(G((*this)("file")), true, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(ThrownID([&] { FS::GetAliasPermissions(G((*this)("missing")), false, nullptr, nullptr, nullptr); }), 40275);
    EXPECT_EQ(ThrownID([&] { FS::SetAliasPermissions(G((*this)("missing")), 0644); }), 40275);
}

TEST_F(PMacFileSystemImpCocoaAttributesTest, VolumesOfItemsInTheSandbox) {
    mkdir((*this)("folder").c_str(), 0755);
    EXPECT_TRUE(FS::IsOnSameVolume(G((*this)("file")), G((*this)("folder"))));
    EXPECT_TRUE(FS::IsOnSameVolume(G((*this)("file")), G(mDir.Path())));
    EXPECT_EQ(ThrownID([&] { FS::IsOnSameVolume(G((*this)("file")), G((*this)("missing"))); }), 40275);
    EXPECT_TRUE(FS::IsVolumeLocal(G((*this)("file"))));
    EXPECT_FALSE(FS::GetVolumeLockStatusByFilePath(G((*this)("missing/not/made/yet"))));
    EXPECT_TRUE(FS::GetVolumeUrlForRemounting(G((*this)("file"))).IsEmpty());
    EXPECT_EQ(ThrownID([&] { FS::IsVolumeLocal(G((*this)("missing"))); }), 40275);
    EXPECT_EQ(ThrownID([&] { FS::IsVolumeRemovable(BadText()); }), 40004);
    // The flag is the one the system reports for the item's file system.
    for (const std::string& path : {std::string("/"), std::string("/proc/sys"), mDir.Path()}) {
        struct statvfs vfs {};
        if (statvfs(path.c_str(), &vfs) == 0) {
            EXPECT_EQ(FS::GetVolumeLockStatusByFilePath(G(path)), (vfs.f_flag & ST_RDONLY) != 0) << path;
        }
    }

    EXPECT_TRUE(FS::VolumeNameExists(GString("Macintosh HD")));
    EXPECT_FALSE(FS::VolumeNameExists(GString("No Such Volume 7f3a")));
    EXPECT_FALSE(FS::VolumeNameExists(GString()));
    const GTable<GString> urls = FS::GetMountedVolumeUrls();
    for (int i = 0; i < urls.GetCount(); ++i)
        EXPECT_FALSE(urls[i].IsEmpty());
}

class PMacFileSystemImpCocoaBundlesTest : public PMacFileSystemImpCocoaTest {
protected:
    void MakeBundle(const std::string& folder, const std::string& plistBody) {
        mkdir(folder.c_str(), 0755);
        mkdir((folder + "/Contents").c_str(), 0755);
        WriteFile(folder + "/Contents/Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + plistBody + "</dict>\n</plist>\n");
    }
};

TEST_F(PMacFileSystemImpCocoaBundlesTest, ApplicationVersionIsTheFirstTwoPartsOfTheShortVersion) {
    const struct {
        const char* version;
        int major, minor;
    } cases[] = {{"3.14.1", 3, 14}, {"7", 7, 0}, {"2.0b3", 2, 0}, {"beta", 0, 0}, {"10.5", 10, 5}};
    for (const auto& c : cases) {
        const std::string bundle = (*this)(std::string("V") + c.version + ".app");
        MakeBundle(bundle, std::string("  <key>CFBundleShortVersionString</key>\n  <string>") + c.version + "</string>\n");
        int major = -1, minor = -1;
        EXPECT_TRUE(FS::GetApplicationVersion(G(bundle), major, minor)) << c.version;
        EXPECT_EQ(major, c.major) << c.version;
        EXPECT_EQ(minor, c.minor) << c.version;
    }
    MakeBundle((*this)("NoVersion.app"), "  <key>CFBundleIdentifier</key>\n  <string>x</string>\n");
    int major = -1, minor = -1;
    EXPECT_FALSE(FS::GetApplicationVersion(G((*this)("NoVersion.app")), major, minor));
    EXPECT_FALSE(FS::GetApplicationVersion(G((*this)("missing.app")), major, minor));
    EXPECT_EQ(major, -1);
}

TEST_F(PMacFileSystemImpCocoaBundlesTest, PackagesAndTheirExecutables) {
    MakeBundle((*this)("Tool.plugin"), "  <key>CFBundleExecutable</key>\n  <string>Tool &amp; Co</string>\n");
    MakeBundle((*this)("Plain"), "");
    mkdir((*this)("Empty.app").c_str(), 0755);
    mkdir((*this)("folder").c_str(), 0755);
    WriteFile((*this)("file.app"), "");
    EXPECT_TRUE(FS::IsMacPackage(G((*this)("Tool.plugin"))));
    EXPECT_TRUE(FS::IsMacPackage(G((*this)("Plain"))));
    EXPECT_TRUE(FS::IsMacPackage(G((*this)("Empty.app"))));
    EXPECT_FALSE(FS::IsMacPackage(G((*this)("folder"))));
    EXPECT_FALSE(FS::IsMacPackage(G((*this)("file.app"))));
    EXPECT_EQ(ThrownID([&] { FS::IsMacPackage(G((*this)("missing"))); }), 40275);

    GString out;
    FS::FindRealExecutable(G((*this)("Tool.plugin")), out);
    EXPECT_EQ(S(out), (*this)("Tool.plugin/Contents/MacOS/Tool & Co"));
    FS::FindRealExecutable(G((*this)("Plain")), out);
    EXPECT_EQ(S(out), (*this)("Plain/Contents/MacOS/Plain"));
    FS::FindRealExecutable(G((*this)("folder")), out);
    EXPECT_EQ(S(out), (*this)("folder"));
}

TEST_F(PMacFileSystemImpCocoaBundlesTest, TheRunningProgramAndLoadedBundles) {
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    GString out;
    FS::GetApplicationMainExecutable(out);
    EXPECT_EQ(S(out), self);
    // A test program lies in no bundle: its folder stands for the main bundle.
    FS::GetApplicationBundleRoot(out);
    const std::string exe(self);
    EXPECT_EQ(S(out), exe.substr(0, exe.find_last_of('/')));
    EXPECT_FALSE(FS::GetResourceFolder(GBuffer(), out));
    EXPECT_EQ(S(out), exe.substr(0, exe.find_last_of('/')));
    FS::GetDLLPath(GBuffer("com.example.none"), out);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(ThrownID([&] { FS::GetResourceFolder(GBuffer("com.example.none"), out); }), 40275);
}

}  // namespace
