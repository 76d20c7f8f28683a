#include "hostsdk/commands/HostPackageFolder.h"

#include <QDir>
#include <QFileInfo>

#include <set>

#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/trace/HostCallLog.h"

bool HostPackageFolder::Make(const std::string& folder, std::string& error) {
    const QString path = QString::fromStdString(folder);
    const QFileInfo info(path);
    // An empty folder (not a link) is one the caller made to hold the name: it is taken over.
    if (info.isDir() && !info.isSymLink() &&
        QDir(path).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        mFolder = folder;
        return true;
    }
    if (info.exists() || info.isSymLink()) {
        error = folder + " exists already";
        return false;
    }
    if (!QDir(info.absolutePath()).exists() || !QDir().mkdir(path)) {
        error = folder + " cannot be made";
        return false;
    }
    mFolder = folder;
    return true;
}

HostPackageFolder::~HostPackageFolder() {
    if (!mFolder.empty()) {
        QDir(QString::fromStdString(mFolder)).removeRecursively();
        HostCallLog::Notice("package folder \"" + mFolder + "\" removed");
    }
}

bool HostPackageFolder::Write(const std::string& leaf, const std::string& text, std::string& error) {
    // A name from a document must stay inside the folder.
    if (leaf.empty() || leaf == "." || leaf == ".." || leaf.find('/') != std::string::npos) {
        error = "\"" + leaf + "\" is not a file name";
        return false;
    }
    if (HostCallLog::Enter("HostPackageFolder::Write", "\"" + leaf + "\"")) {
        error = leaf + " could not be written";
        return false;
    }
    return HostDocumentFile::WriteFile(mFolder + "/" + leaf, text, error);
}

std::string HostPackageFolder::FontsList(const std::vector<const HostDocumentRecord*>& documents) {
    std::set<std::string> seen;
    std::string list;
    for (const HostDocumentRecord* document : documents)
        for (const HostFontRecord& font : document->fonts)
            if (seen.insert(font.name).second)
                list += font.name + (font.missing ? " (missing)" : "") + "\n";
    return list;
}
