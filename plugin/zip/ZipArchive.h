#pragma once
// Reads one zip archive: walks its entries, decodes their names and extracts the current entry
// into a folder or into memory, with or without a password (traditional zip encryption), over
// libzip. Entries are outside input: extraction stays inside the destination, never follows or
// makes a link, and leaves nothing half-written. An entry is read to its declared size and no
// further: one whose data is longer or shorter is damaged. Why an entry is refused or damaged goes
// to the log.
#include <QtCore/QByteArray>
#include <QtCore/QObject>
#include <QtCore/QRegExp>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

struct zip;
struct zip_file;
class ZipCentralDirectory;

namespace Kelvora {

class ZipArchive : public QObject {
    Q_OBJECT
public:
    // The largest entry read into memory (64 MiB): the package's settings and job options are far
    // smaller, and a declared size above it is refused before anything is allocated.
    static constexpr quint64 kMaxMemoryEntrySize = quint64(64) << 20;
    // The largest entry extracted to a file (256 MiB): a job-options file is a few hundred KiB,
    // so this only stops a bomb before it fills the temporary folder.
    static constexpr quint64 kMaxFileEntrySize = quint64(256) << 20;

    explicit ZipArchive(const QString& archivePath);
    ~ZipArchive() override;
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool OpenArchive() const;
    // 0 when an open archive was closed, -1 when none was open.
    int CloseArchive();

    // The number of entries, 0 when the archive cannot be opened or read; the first is current.
    int StartIterate() const;
    bool AtEnd() const;
    bool Next() const;
    QString GetCurrentFileName() const;
    int GetCurrentIndex() const;
    void SetAtEnd();
    QStringList GetFileList() const;

    // Extracts the current entry below the folder, keeping its path; false with GetLastError's
    // text when the entry cannot be read or written (and then no file of it is left). An entry
    // above maxSize bytes is refused: by its declared size before anything is written, and by
    // what it gives while it is written.
    bool ExtractCurrentFile(const QString& folder, const QString& password, int defaultPermissions,
                            quint64 maxSize = kMaxFileEntrySize) const;
    // The current entry's bytes; empty, and *ok false when given, after any failure (a refused or
    // damaged entry, one above kMaxMemoryEntrySize, a lack of memory). Never throws.
    QByteArray ExtractCurrentToMemory(const QString& password, bool* ok = nullptr) const;
    // The bytes of the first entry whose name matches the pattern exactly (names and pattern are
    // compared in composed form); empty when none.
    QByteArray ExtractToMemory(const QRegExp& pattern, const QString& password, bool* ok = nullptr) const;

    QString GetLastError() const;

private:
    bool OpenWithPatches(int fd, bool patched) const;
    bool UpdateCurrentEntry() const;
    // The current entry opened for reading, with its declared size; null with the reason why not.
    ::zip_file* OpenCurrentEntry(const QString& password, quint64& declaredSize, QString& reason) const;
    void LogEntryFailure(const QString& reason, const QString& location) const;
    QString TooLarge(const QString& entryPath, quint64 maxSize) const;

    QString mArchivePath;
    mutable ::zip* mHandle = nullptr;
    mutable int mCurrentIndex = 0;
    mutable int mEntryCount = 0;
    mutable bool mCurrentValid = false;
    mutable quint32 mCurrentAttributes = 0;
    mutable QString mCurrentFileName;
    mutable QString mLastError;
    mutable std::unique_ptr<ZipCentralDirectory> mDirectory; // none when libzip's reading differs
};

} // namespace Kelvora
