#include "plugin/zip/ZipCentralDirectory.h"

#include "plugin/text/GBQCEncode.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kEnd64Signature = 0x06064b50;
constexpr quint32 kEnd64LocatorSignature = 0x07064b50;
constexpr quint32 kCentralSignature = 0x02014b50;
constexpr qint64 kEndSize = 22;
constexpr qint64 kCentralSize = 46;
constexpr qint64 kFlagsAt = 8;
constexpr quint16 kUtf8Flag = 0x0800;
// A central directory larger than this is not one of ours; libzip alone reads it.
constexpr quint64 kMaxDirectorySize = quint64(256) << 20;

quint16 Get16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint16(u[0] | (u[1] << 8));
}

quint32 Get32(const char* p) {
    return quint32(Get16(p)) | (quint32(Get16(p + 2)) << 16);
}

quint64 Get64(const char* p) {
    return quint64(Get32(p)) | (quint64(Get32(p + 4)) << 32);
}

bool ReadAt(int fd, quint64 offset, char* buffer, size_t length) {
    while (length > 0) {
        ssize_t n = pread(fd, buffer, length, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        offset += quint64(n);
        length -= size_t(n);
    }
    return true;
}

} // namespace

bool ZipCentralDirectory::Read(int fd, quint64 fileSize) {
    mEntries.clear();
    if (fileSize < quint64(kEndSize))
        return false;
    // The end record is within the last 22 + 65,535 bytes (its comment at most that long); most
    // archives have no comment, so a short tail is tried first.
    QByteArray tail;
    quint64 tailStart = 0;
    qint64 endAt = -1;
    for (quint64 want : {quint64(1024), quint64(kEndSize + 0xFFFF)}) {
        const quint64 tailSize = std::min<quint64>(fileSize, want);
        tail = QByteArray(int(tailSize), '\0');
        tailStart = fileSize - tailSize;
        if (!ReadAt(fd, tailStart, tail.data(), size_t(tailSize)))
            return false;
        // Prefer the last end record whose comment reaches exactly to the end of the file.
        endAt = -1;
        for (qint64 i = qint64(tailSize) - kEndSize; i >= 0; --i) {
            if (Get32(tail.constData() + i) != kEndSignature)
                continue;
            if (endAt < 0)
                endAt = i;
            if (quint64(i) + kEndSize + Get16(tail.constData() + i + 20) == tailSize) {
                endAt = i;
                break;
            }
        }
        const bool exact = endAt >= 0 && quint64(endAt) + kEndSize + Get16(tail.constData() + endAt + 20) == tailSize;
        if (exact || tailSize == fileSize)
            break;
    }
    if (endAt < 0)
        return false;
    const char* end = tail.constData() + endAt;
    quint64 count = Get16(end + 10);
    quint64 directorySize = Get32(end + 12);
    quint64 directoryOffset = Get32(end + 16);
    quint64 endOffset = tailStart + quint64(endAt);
    if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
        char locator[20];
        if (endOffset < 20 || !ReadAt(fd, endOffset - 20, locator, sizeof locator)
            || Get32(locator) != kEnd64LocatorSignature)
            return false;
        quint64 end64Offset = Get64(locator + 8);
        char end64[56];
        if (end64Offset > fileSize - sizeof end64 || !ReadAt(fd, end64Offset, end64, sizeof end64)
            || Get32(end64) != kEnd64Signature)
            return false;
        count = Get64(end64 + 32);
        directorySize = Get64(end64 + 40);
        directoryOffset = Get64(end64 + 48);
    }
    if (directorySize > kMaxDirectorySize || directoryOffset > fileSize || directorySize > fileSize - directoryOffset
        || count > directorySize / kCentralSize)
        return false;
    QByteArray directory(int(directorySize), '\0');
    if (!ReadAt(fd, directoryOffset, directory.data(), size_t(directorySize)))
        return false;

    std::vector<Entry> entries;
    entries.reserve(size_t(count));
    qint64 at = 0;
    for (quint64 i = 0; i < count; ++i) {
        if (at + kCentralSize > directory.size())
            return false;
        const char* header = directory.constData() + at;
        if (Get32(header) != kCentralSignature)
            return false;
        qint64 nameLength = Get16(header + 28);
        qint64 extraLength = Get16(header + 30);
        qint64 commentLength = Get16(header + 32);
        qint64 next = at + kCentralSize + nameLength + extraLength + commentLength;
        if (next > directory.size())
            return false;
        Entry entry;
        entry.name = QByteArray(header + kCentralSize, int(nameLength));
        entry.extra = QByteArray(header + kCentralSize + nameLength, int(extraLength));
        entry.extraOffset = directoryOffset + quint64(at + kCentralSize + nameLength);
        entry.comment = QByteArray(header + kCentralSize + nameLength + extraLength, int(commentLength));
        entry.flags = Get16(header + kFlagsAt);
        entry.flagsOffset = directoryOffset + quint64(at + kFlagsAt);
        entries.push_back(std::move(entry));
        at = next;
    }
    mEntries = std::move(entries);
    return true;
}

std::vector<ZipCentralDirectory::Patch> ZipCentralDirectory::Patches() const {
    std::vector<Patch> patches;
    for (const Entry& entry : mEntries) {
        if ((entry.flags & kUtf8Flag) != 0
            && (!GBQCEncode::isValidUtf8(entry.name) || !GBQCEncode::isValidUtf8(entry.comment))) {
            const quint16 flags = entry.flags & ~kUtf8Flag;
            const char bytes[2] = {char(flags & 0xFF), char(flags >> 8)};
            patches.push_back(Patch{entry.flagsOffset, QByteArray(bytes, 2)});
        }
        if (IsStandardExtraField(entry.extra))
            continue;
        Patch patch;
        patch.offset = entry.extraOffset;
        patch.bytes = entry.extra;
        char* p = patch.bytes.data();
        if (patch.bytes.size() >= 4) {
            // One field of our own tag over all the bytes; libzip keeps unknown tags as they are.
            quint16 length = quint16(patch.bytes.size() - 4);
            p[0] = char(0xD3);
            p[1] = char(0xD7);
            p[2] = char(length & 0xFF);
            p[3] = char(length >> 8);
        } else {
            std::memset(p, 0, size_t(patch.bytes.size()));
        }
        patches.push_back(std::move(patch));
    }
    return patches;
}

bool ZipCentralDirectory::IsStandardExtraField(const QByteArray& extra) {
    qint64 at = 0;
    const qint64 size = extra.size();
    while (size - at >= 4) {
        qint64 length = Get16(extra.constData() + at + 2);
        if (at + 4 + length > size)
            return false;
        at += 4 + length;
    }
    for (; at < size; ++at) {
        if (extra[int(at)] != '\0')
            return false;
    }
    return true;
}

bool ZipCentralDirectory::FindNameRecord(const QByteArray& extra, QByteArray& name) {
    static const char kBom[] = "\xEF\xBB\xBF";
    const auto* bytes = reinterpret_cast<const unsigned char*>(extra.constData());
    const qint64 size = extra.size();
    qint64 at = 0;
    while (size - at >= 6) {
        quint64 length = (quint64(bytes[at + 2]) << 24) | (quint64(bytes[at + 3]) << 16)
                         | (quint64(bytes[at + 4]) << 8) | quint64(bytes[at + 5]);
        // A record claiming more than is left ends the walk: its data is not there.
        if (length > quint64(size - at - 6))
            return false;
        const char* data = extra.constData() + at + 6;
        if (bytes[at] == 0xD3 && bytes[at + 1] == 0xD7 && length >= 3 && std::memcmp(data, kBom, 3) == 0) {
            name = QByteArray(data + 3, int(length - 3));
            return true;
        }
        at += 6 + qint64(length);
    }
    return false;
}
