#include <gtest/gtest.h>

#include <mntent.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "mac/paths/PMachOPathNameImp.h"
#include "mac/paths/PMacPathNameImpBase.h"
#include "support/ExceptionTestText.h"

namespace {

// The platform half over a plain text, as GPathName fills it (without normalising).
class TextPath : public PMachOPathNameImp {
public:
    explicit TextPath(char const* text) : mText(text) {}
    GString const& GetPortablePath() const override { return mText; }
    void SetPortablePath(GString const& text) override { mText = text; }
    void SetCrossPlatformString(GString const& text) override { mText = text; }
    void ConvertPortableToMachO(GString const& in, GString& out) const override { out = in; }
    void ConvertMachOToPortable(GString const& in, GString& out) const override { out = in; }

private:
    GString mText;
};

std::string MachOVolume(char const* name) { return Text(PMacPathNameImpBase::GetMachOVolumeName(GString(name))); }

class MountTable : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
    void TearDown() override { PMacPathNameImpBase::SetMountTableFile(""); }

    static std::string Fixture() {
        char const* data = std::getenv("TROVEL_TEST_DATA");
        return data == nullptr ? std::string() : std::string(data) + "/mounts";
    }
};

}  // namespace

TEST_F(MountTable, VolumesAreTheMountPointsByTheirLastComponent) {
    PMacPathNameImpBase::SetMountTableFile(Fixture());
    EXPECT_EQ(MachOVolume("Macintosh HD"), "/");
    EXPECT_EQ(MachOVolume("Data"), "/Volumes/Data");
    // Escaped blanks of the table are read as blanks.
    EXPECT_EQ(MachOVolume("Backup Disk"), "/mnt/Backup Disk");
    // Two volumes named usb: the one at its own /Volumes folder wins.
    EXPECT_EQ(MachOVolume("usb"), "/Volumes/usb");
    // A ":" in a mount folder is a "/" in its name.
    EXPECT_EQ(MachOVolume("a/b"), "/run/a:b");
    // Kernel tables are no volumes.
    EXPECT_EQ(MachOVolume("proc"), "/Volumes/proc");
    EXPECT_EQ(MachOVolume("sys"), "/Volumes/sys");
    // The match is exact.
    EXPECT_EQ(MachOVolume("data"), "/Volumes/data");
}

TEST_F(MountTable, AnotherTableIsReadWhenItIsSet) {
    PMacPathNameImpBase::SetMountTableFile(Fixture());
    EXPECT_EQ(MachOVolume("Backup Disk"), "/mnt/Backup Disk");
    PMacPathNameImpBase::SetMountTableFile("/dev/null");
    EXPECT_EQ(MachOVolume("Backup Disk"), "/Volumes/Backup Disk");
    // A table that cannot be read has no volumes but the boot volume.
    PMacPathNameImpBase::SetMountTableFile("/no/such/table");
    EXPECT_EQ(MachOVolume("Backup Disk"), "/Volumes/Backup Disk");
    EXPECT_EQ(MachOVolume("Macintosh HD"), "/");
}

// The process's own table: a volume on a disk or in memory maps to a mount folder of its name.
TEST_F(MountTable, TheProcessTableIsRead) {
    FILE* table = setmntent("/proc/self/mounts", "re");
    if (table == nullptr)
        GTEST_SKIP() << "no /proc/self/mounts";
    const std::set<std::string> volumeTypes = {"ext2", "ext3", "ext4", "xfs", "btrfs", "tmpfs", "vfat",
                                               "exfat", "nfs", "nfs4", "overlay", "zfs", "fuseblk"};
    std::vector<std::string> folders;
    while (mntent* entry = getmntent(table)) {
        const std::string dir = entry->mnt_dir;
        if (dir != "/" && dir.back() != '/' && dir.find(':') == std::string::npos && volumeTypes.count(entry->mnt_type) > 0)
            folders.push_back(dir);
    }
    endmntent(table);
    if (folders.empty())
        GTEST_SKIP() << "no volume besides the root";
    const std::string name = folders[0].substr(folders[0].rfind('/') + 1);
    std::set<std::string> named;
    for (std::string const& folder : folders)
        if (folder.substr(folder.rfind('/') + 1) == name)
            named.insert(folder);
    const std::string found = MachOVolume(name.c_str());
    EXPECT_EQ(named.count(found), 1u) << name << " gave " << found;
}

TEST(PathRules, PlatformHalfReadsThePortableText) {
    StartFoundation();
    EXPECT_EQ(TextPath("/a/b").GetLeafStartPosition(), 3);
    EXPECT_EQ(TextPath("/a/").GetLeafStartPosition(), -1);
    EXPECT_EQ(TextPath("name").GetLeafStartPosition(), 0);
    EXPECT_EQ(TextPath("").GetLeafStartPosition(), -1);
    EXPECT_TRUE(TextPath("").IsRelative());
    EXPECT_EQ(TextPath("/x").GetRootDirectoryLength(), 1);
    EXPECT_EQ(TextPath("x").GetRootDirectoryLength(), 0);
    // What would be a drive or a server elsewhere is a plain name here.
    for (char const* text : {"/a/b", "C:/x", "C:", "//server/share", ""}) {
        TextPath path(text);
        EXPECT_EQ(path.GetRootNameLength(), 0) << text;
        EXPECT_FALSE(path.HasRootName()) << text;
    }
    EXPECT_TRUE(TextPath("/A/b").Equals(TextPath("/a/B")));
    EXPECT_EQ(TextPath("/A/b").GetHash(), TextPath("/a/B").GetHash());
    EXPECT_FALSE(TextPath("/a").Equals(TextPath("/a/")));
    EXPECT_EQ(TextPath("/Volumes/Data").GetVolumePathLength(), 13);
    EXPECT_EQ(TextPath("/Volumes/").GetVolumePathLength(), 1);
    EXPECT_EQ(TextPath("/Volumes//x").GetVolumePathLength(), 1);

    TextPath relative("a/b");
    relative.MakeRootDirectory();
    EXPECT_EQ(Text(relative.GetPortablePath()), "/a/b");
    TextPath empty("");
    empty.SetCrossPlatformRootPathString(GString("ignored"));
    EXPECT_EQ(Text(empty.GetPortablePath()), "/");
    TextPath up("../a");
    try {
        up.MakeRootDirectory();
        ADD_FAILURE() << "no exception";
    } catch (GException const& error) {
        EXPECT_EQ(error.GetExceptionID(), PMachOPathNameImp::kInvalidPath);
    }
    EXPECT_EQ(Text(up.GetPortablePath()), "../a");
}

TEST(PathRules, PinsCountAndCopiesStartUnpinned) {
    StartFoundation();
    TextPath path("/a");
    path.Pin();
    path.Pin();
    path.Unpin();
    EXPECT_EQ(path.GetPinCount(), 1u);
    TextPath copy(path);
    EXPECT_EQ(copy.GetPinCount(), 0u);
    path.Unpin();
    path.Unpin();
    EXPECT_EQ(path.GetPinCount(), 0u);
}
