// The zip reader over arbitrary archive bytes: every entry is listed, read into memory and
// extracted into a fresh folder with the password "pw". Checks:
// - nothing appears outside the destination (the temporary root holds only the archive and it);
// - below the destination there are only folders and the files of extractions reported as done
//   (no link, no leftover temporary file), nothing writable by group or others;
// - an extraction reported as done wrote the very name reported, below the destination;
// - memory extraction gives bytes only with success, and never more than its limit.
// Its options file caps the memory a run may take: an entry's declared size claims none.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include <QtCore/QFileInfo>

#include "plugin/zip/ZipArchive.h"
#include "support/FuzzInput.h"

namespace {

const std::string& Root() {
    static const std::string root = [] {
        std::string pattern = "/tmp/fuzz-zip-XXXXXX";
        Check(mkdtemp(pattern.data()) != nullptr);
        return pattern;
    }();
    return root;
}

void CheckBelow(const std::string& folder, const std::set<std::string>& extracted) {
    DIR* d = opendir(folder.c_str());
    Check(d != nullptr);
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + "/" + name;
        struct stat st;
        Check(lstat(path.c_str(), &st) == 0);
        Check(S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && extracted.count(path) == 1));
        Check((st.st_mode & (S_IWGRP | S_IWOTH)) == 0);
        if (S_ISDIR(st.st_mode)) {
            chmod(path.c_str(), 0700); // an entry may have taken the owner's access away
            CheckBelow(path, extracted);
        }
    }
    closedir(d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!TakeInput(size, 22, 16384))
        return 0;
    const std::string archivePath = Root() + "/archive.zip";
    const std::string destination = Root() + "/dest";
    FILE* f = std::fopen(archivePath.c_str(), "wb");
    Check(f != nullptr);
    Check(std::fwrite(data, 1, size, f) == size);
    Check(std::fclose(f) == 0);

    std::set<std::string> extracted;
    {
        Kelvora::ZipArchive archive(QString::fromStdString(archivePath));
        const QString password = QStringLiteral("pw");
        int visited = 0;
        const std::string canonicalRoot = QFileInfo(QString::fromStdString(Root())).canonicalFilePath().toStdString();
        for (archive.StartIterate(); !archive.AtEnd() && visited < 64; archive.Next(), ++visited) {
            bool ok = false;
            const QByteArray bytes = archive.ExtractCurrentToMemory(password, &ok);
            Check(ok || bytes.isEmpty());
            Check(quint64(bytes.size()) <= Kelvora::ZipArchive::kMaxMemoryEntrySize);
            if (archive.ExtractCurrentFile(QString::fromStdString(destination), password, 0)) {
                QString name = archive.GetCurrentFileName();
                name.replace(QLatin1Char('\\'), QLatin1Char('/'));
                const QString target = QString::fromStdString(destination) + QLatin1Char('/') + name;
                Check(QFileInfo::exists(target));
                const std::string canonical = QFileInfo(target).canonicalFilePath().toStdString();
                Check(canonical.rfind(canonicalRoot + "/dest/", 0) == 0);
                extracted.insert(destination + canonical.substr(canonicalRoot.size() + 5));
            }
        }
    }

    DIR* d = opendir(Root().c_str());
    Check(d != nullptr);
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        Check(name == "." || name == ".." || name == "archive.zip" || name == "dest");
    }
    closedir(d);
    struct stat st;
    if (lstat(destination.c_str(), &st) == 0) {
        Check(S_ISDIR(st.st_mode));
        CheckBelow(destination, extracted);
    }
    std::error_code ignored;
    std::filesystem::remove_all(destination, ignored);
    return 0;
}
