#include "plugin/zip/ZipSupport.h"

#include <gtest/gtest.h>

#include <QtCore/QTemporaryDir>

namespace {

using P = QFileDevice;

TEST(ZipSupportTest, AttributesAndPermissionsMapBothWays) {
    struct Case {
        quint32 attributes;
        QFileDevice::Permissions permissions;
    };
    const Case cases[] = {
        {0, {}},
        {1u << 24, P::ReadOwner},
        {1u << 23, P::WriteOwner},
        {1u << 22, P::ExeOwner},
        {1u << 21, P::ReadGroup},
        {1u << 20, P::WriteGroup},
        {1u << 19, P::ExeGroup},
        {1u << 18, P::ReadOther},
        {1u << 17, P::WriteOther},
        {1u << 16, P::ExeOther},
        {0x01ED0000u, P::ReadOwner | P::WriteOwner | P::ExeOwner | P::ReadGroup | P::ExeGroup | P::ReadOther | P::ExeOther},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        EXPECT_EQ(ZipSupport::GetPermissionsFromMacOSExternalFileAttributes(c.attributes), c.permissions);
        EXPECT_EQ(ZipSupport::GetMacOSExternalFileAttributesFromPermissions(c.permissions), c.attributes);
    }
    // The file type, the MS-DOS bits and Qt's "User" permissions play no part.
    EXPECT_EQ(ZipSupport::GetPermissionsFromMacOSExternalFileAttributes(0x81A40020u),
              P::ReadOwner | P::WriteOwner | P::ReadGroup | P::ReadOther);
    EXPECT_EQ(ZipSupport::GetMacOSExternalFileAttributesFromPermissions(P::ReadUser | P::WriteUser), 0u);
}

TEST(ZipSupportTest, GetPermissions) {
    struct Case {
        const char* name;
        quint32 attributes;
        quint32 defaults;
        QFileDevice::Permissions expected;
    };
    const Case cases[] = {
        {"no bits: execute for all", 0x00000010u, 0, P::ExeOwner | P::ExeGroup | P::ExeOther},
        {"no bits, with defaults", 0, 0x01000000u, P::ExeOwner | P::ExeGroup | P::ExeOther | P::ReadOwner},
        {"the entry's bits", 0x81A40000u, 0, P::ReadOwner | P::WriteOwner | P::ReadGroup | P::ReadOther},
        {"world-writable loses group and other write", 0x81FF0000u, 0,
         P::ReadOwner | P::WriteOwner | P::ExeOwner | P::ReadGroup | P::ExeGroup | P::ReadOther | P::ExeOther},
        {"defaults are joined, but not their group write", 0x81000000u, 0x00140000u, P::ReadOwner | P::ReadOther},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZipSupport::GetPermissions(c.attributes, c.defaults), c.expected);
    }
}

TEST(ZipSupportTest, ExternalAttributesForWriting) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile file(folder.filePath("f"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(file.setPermissions(P::ReadOwner | P::WriteOwner | P::ExeOwner | P::ReadGroup));
    quint32 attributes = 0;
    ZipSupport::GetExternalFileAttributes(QFileInfo(file.fileName()), attributes, 0x20, 0);
    // Regular file, rwxr-----, the writable and executable bits, the MS-DOS archive bit.
    EXPECT_EQ(attributes, 0x81000000u | 0x01E00000u | 0x00800000u | 0x00400000u | 0x20u);

    ZipSupport::GetExternalFileAttributes(QFileInfo(folder.path()), attributes, 0, 0);
    EXPECT_EQ(attributes & 0xF0000000u, 0x40000000u);
}

} // namespace
