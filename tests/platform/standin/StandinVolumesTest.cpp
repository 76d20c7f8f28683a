#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "standin/StandinVolumes.h"
#include "support/FileFixtures.h"
#include "support/PrivateMounts.h"
#include "support/ScopedTempFolder.h"

namespace {

TEST(StandinVolumesTest, AnItemLiesOnTheVolumeOfItsDevice) {
    ScopedTempFolder dir;
    StandinVolumes::Volume volume;
    ASSERT_EQ(StandinVolumes::VolumeOf(dir.Path(), volume), 0);
    struct stat item {};
    struct stat folder {};
    ASSERT_EQ(stat(dir.Path().c_str(), &item), 0);
    ASSERT_EQ(stat(volume.folder.c_str(), &folder), 0);
    EXPECT_EQ(item.st_dev, folder.st_dev);
    EXPECT_TRUE(volume.local);
    EXPECT_TRUE(volume.remountURL.empty());
    EXPECT_EQ(StandinVolumes::VolumeOf(dir / "missing", volume), ENOENT);
}

TEST(StandinVolumesTest, KernelFileSystemsAreNoVolumes) {
    for (const auto& volume : StandinVolumes::Mounted()) {
        EXPECT_NE(volume.type, "proc");
        EXPECT_NE(volume.type, "sysfs");
        EXPECT_FALSE(volume.folder.empty());
        EXPECT_EQ(volume.internal, volume.local && volume.internal);
    }
}

TEST(StandinVolumesTest, AHungMountElsewhereDoesNotStopTheLookUp) {
    ScopedTempFolder dir;
    ASSERT_EQ(mkdir((dir / "hung").c_str(), 0700), 0);
    WriteFile(dir / "file", "x");
    RUN_WITH_PRIVATE_MOUNTS([&] {
        if (PrivateMounts::MountUnanswered(dir / "hung") < 0)
            _exit(PrivateMounts::kUnavailable);
        StandinVolumes::Volume volume;
        EXPECT_EQ(StandinVolumes::VolumeOf(dir / "file", volume), 0);
        EXPECT_NE(volume.folder, dir / "hung");
    });
}

TEST(StandinVolumesTest, TheVolumeIsTheMountThatHoldsThePath) {
    ScopedTempFolder dir;
    ASSERT_EQ(mkdir((dir / "mounted").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((dir / "mounted-not").c_str(), 0700), 0);
    RUN_WITH_PRIVATE_MOUNTS([&] {
        ASSERT_TRUE(PrivateMounts::MountTemporary(dir / "mounted"));
        ASSERT_EQ(mkdir((dir / "mounted/inner").c_str(), 0700), 0);
        StandinVolumes::Volume volume;
        ASSERT_EQ(StandinVolumes::VolumeOf(dir / "mounted/inner", volume), 0);
        EXPECT_EQ(volume.folder, dir / "mounted");
        EXPECT_EQ(volume.type, "tmpfs");
        ASSERT_EQ(StandinVolumes::VolumeOf(dir / "mounted-not", volume), 0);
        EXPECT_NE(volume.folder, dir / "mounted");
    });
}

}  // namespace
