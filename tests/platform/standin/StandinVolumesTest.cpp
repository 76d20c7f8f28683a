#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "standin/StandinVolumes.h"
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

}  // namespace
