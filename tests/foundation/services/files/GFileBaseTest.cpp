#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/filesystem/PUNIXFileImp.h"
#include "services/files/GFileBase.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/ScopedTempFolder.h"

namespace {

using File = GFileBase<PUNIXFileImp>;

GPathName P(std::string const& utf8) {
    return GPathName(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
}

class FileBase : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        mPath = mTemp / "file";
        WriteFile(mPath, "0123456789");
    }

    ScopedTempFolder mTemp;
    std::string mPath;
};

TEST_F(FileBase, ANewHandleIsClosedAtZeroWithItsLengthUnknown) {
    File file(P(mPath), false);
    EXPECT_FALSE(file.GetIsOpen());
    EXPECT_EQ(file.GetCachedPos(), 0);
    EXPECT_EQ(file.GetCachedLength(), -1);
    EXPECT_FALSE(file.GetReopenWritable());
    EXPECT_EQ(file.GetFilePath(), P(mPath).GetNativePathString());
    // Closed: the length comes from the file system, -1 for a missing file.
    EXPECT_EQ(file.GetLength(), 10);
    EXPECT_EQ(File(P(mTemp / "missing"), false).GetLength(), -1);
}

TEST_F(FileBase, AnUnknownPositionIsAskedFromTheDescriptor) {
    File file(P(mPath), false);
    file.Open(PUNIXFileImp::kRead);
    GBuffer buffer;
    EXPECT_EQ(file.Read(buffer, 4), 4);
    EXPECT_EQ(file.GetCachedPos(), 4);
    file.SetCachedPos(-1);
    EXPECT_EQ(file.GetPos(), 4);
    EXPECT_EQ(file.GetCachedPos(), 4);
    // A position set with MoveTo is applied before the next read only.
    file.MoveTo(8);
    EXPECT_TRUE(file.GetPositionDirty());
    EXPECT_EQ(file.GetFilePosition(), 4);
    EXPECT_EQ(file.Read(buffer, 10), 2);
    EXPECT_FALSE(file.GetPositionDirty());
    EXPECT_EQ(file.Read(buffer, 10), 0);
    EXPECT_EQ(buffer.GetLength(), 0);
}

TEST_F(FileBase, DeleteOnCloseRemovesTheFileQuietly) {
    {
        File file(P(mPath), true);
        file.Open(PUNIXFileImp::kRead);
    }
    EXPECT_FALSE(Exists(mPath));
    // Nothing left to remove: no complaint.
    EXPECT_NO_THROW({ File gone(P(mPath), true); });
}

TEST_F(FileBase, DeleteOnCloseRemovesALinkNotItsTarget) {
    const std::string link = mTemp / "link";
    ASSERT_EQ(symlink(mPath.c_str(), link.c_str()), 0);
    {
        File file(P(link), true);
        file.Open(PUNIXFileImp::kRead);
    }
    EXPECT_FALSE(Exists(link));
    EXPECT_TRUE(Exists(mPath));
}

}  // namespace
