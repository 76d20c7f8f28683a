#pragma once
// Unix permission bits of zip entries (the upper 16 bits of the external attributes) to Qt's file
// permissions and back.
#include <QtCore/QFileDevice>
#include <QtCore/QFileInfo>
#include <QtCore/QtGlobal>

class ZipSupport {
public:
    // The permissions an extraction may add: the entry's mode bits (or execute for owner, group
    // and others when it has none) joined with the defaults' bits, never group or other write.
    static QFileDevice::Permissions GetPermissions(quint32 externalAttributes, quint32 defaultAttributes);

    static QFileDevice::Permissions GetPermissionsFromMacOSExternalFileAttributes(quint32 attributes);
    static quint32 GetMacOSExternalFileAttributesFromPermissions(QFileDevice::Permissions permissions);

    // The external attributes of a file or folder to be written to an archive.
    static void GetExternalFileAttributes(const QFileInfo& file, quint32& externalAttributes,
                                          quint32 extraAttributes, int unused);
};
