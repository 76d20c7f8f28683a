#include "plugin/zip/ZipArchive.h"

#include "plugin/logging/EncodeEnvironment.h"
#include "plugin/logging/ILogInterface.h"
#include "plugin/text/GBQCEncode.h"
#include "plugin/zip/ZipArchiveSource.h"
#include "plugin/zip/ZipCentralDirectory.h"
#include "plugin/zip/ZipSupport.h"
#include "mac/filesystem/PUNIXDescriptor.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <vector>

namespace Kelvora {

namespace {

// 64 KiB reads: libzip's per-call cost stays small beside the inflating and the decryption.
constexpr zip_uint64_t kChunkSize = 64 * 1024;
constexpr int kMaxNameLength = 65536;
constexpr quint32 kDosDirectory = 0x10;

using Descriptor = PUNIXDescriptor;

mode_t ModeOf(QFileDevice::Permissions permissions) {
    mode_t mode = 0;
    const std::pair<QFileDevice::Permission, mode_t> bits[] = {
        {QFileDevice::ReadOwner, S_IRUSR}, {QFileDevice::WriteOwner, S_IWUSR}, {QFileDevice::ExeOwner, S_IXUSR},
        {QFileDevice::ReadGroup, S_IRGRP}, {QFileDevice::WriteGroup, S_IWGRP}, {QFileDevice::ExeGroup, S_IXGRP},
        {QFileDevice::ReadOther, S_IROTH}, {QFileDevice::WriteOther, S_IWOTH}, {QFileDevice::ExeOther, S_IXOTH},
    };
    for (const auto& bit : bits) {
        if (permissions & bit.first)
            mode |= bit.second;
    }
    return mode;
}

// Adds the entry's permissions to what the item has; group and other write never stay.
bool AddPermissions(int fd, QFileDevice::Permissions permissions) {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    mode_t mode = ((st.st_mode & 0777) | ModeOf(permissions)) & ~mode_t(S_IWGRP | S_IWOTH);
    return fchmod(fd, mode) == 0;
}

// The components of an entry path below the destination, or false for a name that would leave
// it: absolute, empty, or with an empty or ".." component ("." components are dropped). A
// trailing "/" (a folder entry) is allowed.
bool SplitEntryPath(const QString& entryPath, std::vector<QByteArray>& components) {
    components.clear();
    if (entryPath.isEmpty() || entryPath.startsWith(QLatin1Char('/')))
        return false;
    QString path = entryPath;
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty())
        return false;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".."))
            return false;
        if (part == QLatin1String("."))
            continue;
        QByteArray bytes = QFile::encodeName(part);
        if (bytes.contains('\0') || bytes.size() > NAME_MAX)
            return false;
        components.push_back(bytes);
    }
    return !components.empty();
}

// Opens (and when missing makes) one folder below another, never through a link.
Descriptor OpenFolderBelow(int parent, const QByteArray& name) {
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = openat(parent, name.constData(), flags);
    if (fd < 0 && errno == ENOENT) {
        if (mkdirat(parent, name.constData(), 0755) != 0 && errno != EEXIST)
            return Descriptor();
        fd = openat(parent, name.constData(), flags);
    }
    return Descriptor(fd);
}

// A fresh file beside the target, renamed onto it once complete.
Descriptor CreateTemporaryBeside(int parent, QByteArray& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = ".trovel-zip-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        int fd = openat(parent, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return Descriptor(fd);
    }
    return Descriptor();
}

// Why an entry cannot be read, empty when it can: traditional encryption only, and stored or
// deflated data; the packages use nothing else.
QString RefusalOf(const zip_stat_t& st) {
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && st.encryption_method != ZIP_EM_NONE
        && st.encryption_method != ZIP_EM_TRAD_PKWARE) {
        const bool aes = st.encryption_method == ZIP_EM_AES_128 || st.encryption_method == ZIP_EM_AES_192
                         || st.encryption_method == ZIP_EM_AES_256;
        return aes ? QStringLiteral("encrypted with AES, which is not supported")
                   : QStringLiteral("encryption method %1 is not supported").arg(st.encryption_method);
    }
    if ((st.valid & ZIP_STAT_COMP_METHOD) == 0 || (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE))
        return QStringLiteral("compression method %1 is not supported").arg(st.comp_method);
    if ((st.valid & ZIP_STAT_SIZE) == 0)
        return QStringLiteral("no declared size");
    return QString();
}

QString LibzipText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

enum class ReadOutcome { kComplete, kReadFailed, kLonger, kShorter, kStopped };

// Reads the open entry to its declared size, then checks that nothing follows (that last read is
// also where libzip checks the CRC). The sink takes each piece and may stop the read with false;
// the reason is set for the read failures.
ReadOutcome ReadEntry(zip_file_t* entry, quint64 declaredSize, const std::function<bool(const char*, size_t)>& sink,
                      QString& reason) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kChunkSize]);
    if (buffer == nullptr) {
        reason = QStringLiteral("not enough memory");
        return ReadOutcome::kReadFailed;
    }
    quint64 done = 0;
    for (;;) {
        const zip_uint64_t want = done < declaredSize ? std::min<quint64>(kChunkSize, declaredSize - done) : 1;
        const zip_int64_t n = zip_fread(entry, buffer.get(), want);
        if (n < 0) {
            reason = QString::fromUtf8(zip_file_strerror(entry));
            return ReadOutcome::kReadFailed;
        }
        if (n == 0 && done == declaredSize)
            return ReadOutcome::kComplete;
        if (n == 0 || done == declaredSize) {
            reason = QStringLiteral("damaged: %1 than its declared size of %2 bytes")
                         .arg(n == 0 ? QStringLiteral("shorter") : QStringLiteral("longer"))
                         .arg(declaredSize);
            return n == 0 ? ReadOutcome::kShorter : ReadOutcome::kLonger;
        }
        if (!sink(buffer.get(), size_t(n)))
            return ReadOutcome::kStopped;
        done += quint64(n);
    }
}

bool WriteAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= size_t(n);
    }
    return true;
}

} // namespace

ZipArchive::ZipArchive(const QString& archivePath)
    : mArchivePath(QDir::toNativeSeparators(archivePath)),
      mLastError(tr("No last error, the user should not get this message.")) {}

ZipArchive::~ZipArchive() {
    CloseArchive();
}

bool ZipArchive::OpenArchive() const {
    if (mHandle != nullptr)
        return true;
    // The path as given; its cleaned-up local form only when that names nothing.
    int fd = ::open(QFile::encodeName(mArchivePath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(GBQCEncode::normalizeFilepathForLocalToUtf8(mArchivePath).constData(),
                    O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    Descriptor file(fd);
    struct stat st;
    bool opened = file.Get() >= 0 && fstat(file.Get(), &st) == 0 && S_ISREG(st.st_mode);
    if (opened) {
        mDirectory = std::make_unique<ZipCentralDirectory>();
        if (!mDirectory->Read(file.Get(), quint64(st.st_size)))
            mDirectory.reset();
        const bool patched = mDirectory != nullptr && !mDirectory->Patches().empty();
        opened = OpenWithPatches(file.Get(), patched);
        if (!opened && patched) {
            mDirectory.reset();
            opened = OpenWithPatches(file.Get(), false);
        }
    }
    if (!opened) {
        mDirectory.reset();
        log_assert(QStringLiteral("Can't open zip archive: ") + mArchivePath, QStringLiteral("OpenArchive"));
        return false;
    }
    // Our reading of the directory holds only when it names the entries that libzip names.
    if (mDirectory != nullptr) {
        const auto& entries = mDirectory->Entries();
        bool same = zip_get_num_entries(mHandle, 0) == zip_int64_t(entries.size());
        for (size_t i = 0; same && i < entries.size(); ++i) {
            const char* name = zip_get_name(mHandle, i, ZIP_FL_ENC_RAW);
            same = name != nullptr && entries[i].name == QByteArray(name);
        }
        if (!same) {
            const bool patched = !mDirectory->Patches().empty();
            mDirectory.reset();
            if (patched) {
                zip_discard(mHandle);
                mHandle = nullptr;
                if (!OpenWithPatches(file.Get(), false)) {
                    log_assert(QStringLiteral("Can't open zip archive: ") + mArchivePath, QStringLiteral("OpenArchive"));
                    return false;
                }
            }
        }
    }
    return true;
}

bool ZipArchive::OpenWithPatches(int fd, bool patched) const {
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return false;
    zip_error_t error;
    zip_error_init(&error);
    std::vector<ZipCentralDirectory::Patch> patches;
    if (patched && mDirectory != nullptr)
        patches = mDirectory->Patches();
    zip_source_t* source = ZipArchiveSource::Create(copy, quint64(st.st_size), std::move(patches), &error);
    if (source != nullptr) {
        mHandle = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (mHandle == nullptr)
            zip_source_free(source);
    }
    zip_error_fini(&error);
    return mHandle != nullptr;
}

int ZipArchive::CloseArchive() {
    mDirectory.reset();
    if (mHandle == nullptr)
        return -1;
    zip_discard(mHandle);
    mHandle = nullptr;
    mCurrentValid = false;
    return 0;
}

int ZipArchive::StartIterate() const {
    mCurrentIndex = 0;
    mEntryCount = 0;
    mCurrentValid = false;
    mCurrentFileName.clear();
    if (!OpenArchive())
        return 0;
    zip_int64_t count = zip_get_num_entries(mHandle, 0);
    if (count < 0) {
        log_assert(QStringLiteral("Error with zipfile in unzGetGlobalInfo"), QStringLiteral("StartIterate"));
        return 0;
    }
    mEntryCount = count > INT_MAX ? INT_MAX : int(count);
    if (mEntryCount > 0)
        UpdateCurrentEntry();
    return mEntryCount;
}

bool ZipArchive::AtEnd() const {
    return mCurrentIndex >= mEntryCount;
}

bool ZipArchive::Next() const {
    ++mCurrentIndex;
    if (mCurrentIndex >= mEntryCount) {
        mCurrentIndex = mEntryCount;
        mCurrentValid = false;
        return false;
    }
    return UpdateCurrentEntry();
}

bool ZipArchive::UpdateCurrentEntry() const {
    mCurrentValid = false;
    mCurrentFileName.clear();
    mCurrentAttributes = 0;
    if (mHandle == nullptr)
        return false;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(mHandle, zip_uint64_t(mCurrentIndex), ZIP_FL_ENC_RAW, &st) != 0 || st.name == nullptr)
        return false;
    QByteArray storedName(st.name);
    QByteArray extra;
    if (mDirectory != nullptr)
        extra = mDirectory->Entries()[size_t(mCurrentIndex)].extra;
    if (storedName.size() > kMaxNameLength || extra.size() > kMaxNameLength)
        return false;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(mHandle, zip_uint64_t(mCurrentIndex), 0, &system, &attributes) != 0)
        return false;

    QString name;
    QByteArray recordName;
    if (ZipCentralDirectory::FindNameRecord(extra, recordName) && !recordName.isEmpty())
        name = GBQCEncode::fromUtf8(recordName);
    else if (!recordName.isNull() || GBQCEncode::isValidUtf8(storedName))
        name = GBQCEncode::fromUtf8(storedName);
    else if (EncodeEnvironment::runningInJapaneseEnvironment())
        name = GBQCEncode::fromShiftJis(storedName);
    else
        name = GBQCEncode::fromMacRoman(storedName);

    mCurrentFileName = GBQCEncode::normalizeFilepathForLocal(name);
    mCurrentAttributes = attributes;
    mCurrentValid = true;
    return true;
}

QString ZipArchive::GetCurrentFileName() const {
    return mCurrentFileName;
}

int ZipArchive::GetCurrentIndex() const {
    return mCurrentIndex;
}

void ZipArchive::SetAtEnd() {
    mCurrentIndex = mEntryCount;
    mCurrentValid = false;
}

QStringList ZipArchive::GetFileList() const {
    QStringList names;
    StartIterate();
    while (!AtEnd()) {
        names.append(GetCurrentFileName());
        Next();
    }
    return names;
}

zip_file_t* ZipArchive::OpenCurrentEntry(const QString& password, quint64& declaredSize, QString& reason) const {
    if (mHandle == nullptr || !mCurrentValid || AtEnd()) {
        reason = QStringLiteral("no current entry");
        return nullptr;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(mHandle, zip_uint64_t(mCurrentIndex), 0, &st) != 0) {
        reason = QString::fromUtf8(zip_strerror(mHandle));
        return nullptr;
    }
    reason = RefusalOf(st);
    if (!reason.isEmpty())
        return nullptr;
    declaredSize = st.size;
    zip_file_t* entry = nullptr;
    if (password.isEmpty()) {
        entry = zip_fopen_index(mHandle, zip_uint64_t(mCurrentIndex), 0);
    } else {
        const QByteArray latin1 = password.toLatin1();
        entry = zip_fopen_index_encrypted(mHandle, zip_uint64_t(mCurrentIndex), 0, latin1.constData());
    }
    if (entry == nullptr)
        reason = QString::fromUtf8(zip_strerror(mHandle));
    return entry;
}

void ZipArchive::LogEntryFailure(const QString& reason, const QString& location) const {
    log_assert(mCurrentFileName + QStringLiteral(": ") + reason, location);
}

bool ZipArchive::ExtractCurrentFile(const QString& folder, const QString& password, int defaultPermissions,
                                    quint64 maxSize) const {
    const QDir destination(folder);
    QString entryPath = mCurrentFileName;
    entryPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString leaf = entryPath.mid(entryPath.lastIndexOf(QLatin1Char('/')) + 1);
    const QString target = destination.absolutePath() + QLatin1Char('/') + entryPath;
    const QFileDevice::Permissions permissions = ZipSupport::GetPermissions(mCurrentAttributes, quint32(defaultPermissions));

    std::vector<QByteArray> components;
    if (!mCurrentValid || !SplitEntryPath(entryPath, components)) {
        mLastError = tr("Can't write in %1.").arg(target);
        return false;
    }
    const bool isFolder = leaf.isEmpty() || (mCurrentAttributes & kDosDirectory) != 0;

    // The destination is the caller's; below it every folder is made or entered without links.
    if (!QDir().mkpath(destination.absolutePath())) {
        mLastError = tr("Can't create folder %1.").arg(destination.absolutePath());
        return false;
    }
    Descriptor parent(::open(QFile::encodeName(destination.absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    QString reached = destination.absolutePath();
    const size_t folderCount = isFolder ? components.size() : components.size() - 1;
    for (size_t i = 0; parent.Get() >= 0 && i < folderCount; ++i) {
        reached += QLatin1Char('/') + QFile::decodeName(components[i]);
        parent = OpenFolderBelow(parent.Get(), components[i]);
    }
    if (parent.Get() < 0) {
        mLastError = tr("Can't create folder %1.").arg(reached);
        return false;
    }
    if (isFolder) {
        AddPermissions(parent.Get(), permissions);
        return true;
    }

    const QString location = QStringLiteral("ExtractCurrentFile");
    QString reason;
    quint64 declaredSize = 0;
    zip_file_t* entry = OpenCurrentEntry(password, declaredSize, reason);
    if (entry == nullptr) {
        mLastError = tr("Can't read file %1 from %2. %2 is probably corrupt.").arg(entryPath, mArchivePath);
        LogEntryFailure(reason, location);
        return false;
    }
    if (declaredSize > maxSize) {
        zip_fclose(entry);
        mLastError = TooLarge(entryPath, maxSize);
        LogEntryFailure(QStringLiteral("its declared size of %1 bytes is above the %2 bytes extracted to a file")
                            .arg(declaredSize)
                            .arg(maxSize),
                        location);
        return false;
    }
    QByteArray temporaryName;
    Descriptor out = CreateTemporaryBeside(parent.Get(), temporaryName);
    if (out.Get() < 0) {
        mLastError = tr("Can't write in %1.").arg(target);
        zip_fclose(entry);
        return false;
    }

    const int fd = out.Get();
    // The read stops at the declared size already; the count holds the cap whatever the reader
    // below lets through.
    quint64 written = 0;
    bool overCap = false;
    const ReadOutcome outcome = ReadEntry(
        entry, declaredSize,
        [fd, maxSize, &written, &overCap](const char* data, size_t length) {
            if (length > maxSize - written) {
                overCap = true;
                return false;
            }
            written += length;
            return WriteAll(fd, data, length);
        },
        reason);
    const int closed = zip_fclose(entry);
    bool copied = outcome == ReadOutcome::kComplete;
    if (overCap) {
        mLastError = TooLarge(entryPath, maxSize);
        LogEntryFailure(QStringLiteral("more than the %1 bytes extracted to a file").arg(maxSize), location);
    } else if (outcome == ReadOutcome::kStopped) {
        mLastError = tr("Can't write to %1.").arg(target);
    } else if (!copied) {
        mLastError = tr("Can't read from %1").arg(mArchivePath);
        LogEntryFailure(reason, location);
    } else if (closed != 0) {
        mLastError = tr("Can't close current file %1.").arg(entryPath);
        LogEntryFailure(LibzipText(closed), location);
        copied = false;
    }
    if (copied) {
        AddPermissions(out.Get(), permissions);
        if (::close(out.Release()) != 0) {
            mLastError = tr("Can't write to %1.").arg(target);
            copied = false;
        } else if (renameat(parent.Get(), temporaryName.constData(), parent.Get(), components.back().constData()) != 0) {
            mLastError = tr("Can't write in %1.").arg(target);
            copied = false;
        }
    }
    if (!copied) {
        out.Reset();
        unlinkat(parent.Get(), temporaryName.constData(), 0);
        return false;
    }
    return true;
}

QByteArray ZipArchive::ExtractCurrentToMemory(const QString& password, bool* ok) const {
    if (ok != nullptr)
        *ok = false;
    const QString location = QStringLiteral("ExtractCurrentToMemory");
    QString reason;
    quint64 declaredSize = 0;
    zip_file_t* entry = OpenCurrentEntry(password, declaredSize, reason);
    if (entry != nullptr && declaredSize > kMaxMemoryEntrySize) {
        zip_fclose(entry);
        entry = nullptr;
        reason = QStringLiteral("its declared size of %1 bytes is above the %2 bytes read into memory")
                     .arg(declaredSize)
                     .arg(kMaxMemoryEntrySize);
    }
    if (entry == nullptr) {
        log_assert(QStringLiteral("Error with zipfile in unzOpenCurrentFilePassword"), location);
        LogEntryFailure(reason, location);
        return QByteArray();
    }
    // The buffer grows with what is read, never from the declared size alone.
    QByteArray bytes;
    ReadOutcome outcome = ReadOutcome::kStopped;
    try {
        outcome = ReadEntry(
            entry, declaredSize,
            [&bytes](const char* data, size_t length) {
                bytes.append(data, int(length));
                return true;
            },
            reason);
    } catch (const std::bad_alloc&) {
        bytes = QByteArray();
        reason = QStringLiteral("not enough memory");
    }
    const int closed = zip_fclose(entry);
    if (outcome == ReadOutcome::kStopped) {
        log_assert(QStringLiteral("Error in writing extracted file"), location);
    } else if (outcome != ReadOutcome::kComplete) {
        log_assert(QStringLiteral("Error with zipfile in unzReadCurrentFile"), location);
    } else if (closed != 0) {
        log_assert(QStringLiteral("Error with zipfile in unzCloseCurrentFile"), location);
        reason = LibzipText(closed);
    }
    if (outcome != ReadOutcome::kComplete || closed != 0) {
        LogEntryFailure(reason, location);
        return QByteArray();
    }
    if (ok != nullptr)
        *ok = true;
    return bytes;
}

QByteArray ZipArchive::ExtractToMemory(const QRegExp& pattern, const QString& password, bool* ok) const {
    if (ok != nullptr)
        *ok = false;
    QRegExp composed(pattern);
    composed.setPattern(pattern.pattern().normalized(QString::NormalizationForm_C));
    StartIterate();
    while (!AtEnd()) {
        if (composed.exactMatch(GetCurrentFileName().normalized(QString::NormalizationForm_C)))
            return ExtractCurrentToMemory(password, ok);
        Next();
    }
    return QByteArray();
}

QString ZipArchive::TooLarge(const QString& entryPath, quint64 maxSize) const {
    const QString limit = maxSize % (quint64(1) << 20) == 0 ? tr("%1 MiB").arg(maxSize >> 20) : tr("%1 bytes").arg(maxSize);
    return tr("Can't extract %1 from %2: it is larger than %3.").arg(entryPath, mArchivePath, limit);
}

QString ZipArchive::GetLastError() const {
    return mLastError;
}

} // namespace Kelvora
