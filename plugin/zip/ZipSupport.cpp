#include "plugin/zip/ZipSupport.h"

namespace {

struct BitMap {
    quint32 attribute;
    QFileDevice::Permission permission;
};

// Mode bits 8..0 sit at attribute bits 24..16; Qt's "User" permissions have no mode bits.
constexpr BitMap kBits[] = {
    {1u << 24, QFileDevice::ReadOwner}, {1u << 23, QFileDevice::WriteOwner}, {1u << 22, QFileDevice::ExeOwner},
    {1u << 21, QFileDevice::ReadGroup}, {1u << 20, QFileDevice::WriteGroup}, {1u << 19, QFileDevice::ExeGroup},
    {1u << 18, QFileDevice::ReadOther}, {1u << 17, QFileDevice::WriteOther}, {1u << 16, QFileDevice::ExeOther},
};

} // namespace

QFileDevice::Permissions ZipSupport::GetPermissions(quint32 externalAttributes, quint32 defaultAttributes) {
    QFileDevice::Permissions permissions = GetPermissionsFromMacOSExternalFileAttributes(externalAttributes);
    if (permissions == QFileDevice::Permissions())
        permissions = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    permissions |= GetPermissionsFromMacOSExternalFileAttributes(defaultAttributes);
    // An archive is outside input: it must not make what it extracts writable by others.
    permissions &= ~(QFileDevice::WriteGroup | QFileDevice::WriteOther);
    return permissions;
}

QFileDevice::Permissions ZipSupport::GetPermissionsFromMacOSExternalFileAttributes(quint32 attributes) {
    QFileDevice::Permissions permissions;
    for (const BitMap& bit : kBits) {
        if (attributes & bit.attribute)
            permissions |= bit.permission;
    }
    return permissions;
}

quint32 ZipSupport::GetMacOSExternalFileAttributesFromPermissions(QFileDevice::Permissions permissions) {
    quint32 attributes = 0;
    for (const BitMap& bit : kBits) {
        if (permissions & bit.permission)
            attributes |= bit.attribute;
    }
    return attributes;
}

void ZipSupport::GetExternalFileAttributes(const QFileInfo& file, quint32& externalAttributes,
                                           quint32 extraAttributes, int) {
    quint32 attributes = extraAttributes | GetMacOSExternalFileAttributesFromPermissions(file.permissions());
    // 0x41000000 is a folder readable by its owner; adding 0x40000000 turns the type into a file.
    quint32 type = 0x41000000u;
    if (!file.isDir())
        type += 0x40000000u;
    attributes |= type;
    if (file.isWritable())
        attributes |= 0x800000u;
    if (file.isExecutable())
        attributes |= 0x400000u;
    externalAttributes = attributes;
}
