#pragma once
// Our own reading of a zip archive's central directory: the raw extra fields of the entries, which
// may hold the custom name record (tag 0xD3 0xD7, a 4-byte big-endian length, then the name with a
// UTF-8 byte-order mark). That record is not framed like a standard extra field, so libzip refuses
// a whole archive that has one; the patches here give libzip a standard framing of the same bytes.
// Some writers also set the UTF-8 flag on names in another encoding, which libzip refuses too; the
// flag is cleared for those (names are decoded from their raw bytes whatever the flag says).
#include <QtCore/QByteArray>
#include <QtCore/QtGlobal>

#include <vector>

class ZipCentralDirectory {
public:
    struct Entry {
        QByteArray name;  // the stored name bytes
        QByteArray comment;
        quint16 flags = 0;       // the general-purpose flags
        quint64 flagsOffset = 0; // where they lie in the file
        QByteArray extra; // the central extra field as stored
        quint64 extraOffset = 0; // where that extra field lies in the file
    };
    // Replacement bytes at a file offset, of the same length as the bytes they cover.
    struct Patch {
        quint64 offset = 0;
        QByteArray bytes;
    };

    // Reads the end record (zip64 too) and every central header through pread; false when the
    // archive is not laid out as expected, and then no entries and no patches are kept.
    bool Read(int fd, quint64 fileSize);

    const std::vector<Entry>& Entries() const { return mEntries; }
    // One patch for each extra field that is not a sequence of standard fields, and one for the
    // flags of each entry that claims UTF-8 for a name or comment that is not.
    std::vector<Patch> Patches() const;

    // True when the extra field is a sequence of standard fields (2-byte tag, 2-byte
    // little-endian length), allowing fewer than 4 trailing zero bytes of padding.
    static bool IsStandardExtraField(const QByteArray& extra);
    // The name of the first custom name record whose data begins with the UTF-8 byte-order mark,
    // without the mark; false when the extra field has none.
    static bool FindNameRecord(const QByteArray& extra, QByteArray& name);

private:
    std::vector<Entry> mEntries;
};
