#include "hostsdk/commands/HostBookPackageCommand.h"

#include <QFileInfo>

#include <list>

#include "hostsdk/documents/HostBook.h"
#include "hostsdk/documents/HostDocumentFile.h"

namespace {

std::string LeafOf(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

}  // namespace

void HostBookPackageCommand::SetBook(IBook* book) {
    const auto* open = dynamic_cast<const HostBook*>(book);
    if (Enter("SetBook", open != nullptr ? "\"" + open->Record()->name + "\"" : "none"))
        return;
    mBook = open != nullptr ? std::make_shared<const HostBookRecord>(*open->Record()) : nullptr;
}

bool HostBookPackageCommand::Fill(HostPackageFolder& folder, std::string& error) {
    if (mBook == nullptr) {
        error = "no book";
        return false;
    }
    if (!folder.Write(LeafOf(mBook->path), HostDocumentFile::FormatBook(*mBook), error))
        return false;
    std::list<HostDocumentRecord> chapters;
    std::vector<const HostDocumentRecord*> fonts;
    for (const std::string& chapter : mBook->chapters) {
        chapters.emplace_back();
        if (!HostDocumentFile::ReadDocument(chapter, chapters.back(), error) ||
            !folder.Write(LeafOf(chapter), HostDocumentFile::FormatDocument(chapters.back()), error))
            return false;
        fonts.push_back(&chapters.back());
    }
    return !mCopyFonts || folder.Write("Fonts.txt", HostPackageFolder::FontsList(fonts), error);
}
