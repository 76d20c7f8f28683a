#include "hostsdk/commands/HostBookExportCommand.h"

#include <list>

#include "hostsdk/commands/HostBookExportData.h"
#include "hostsdk/documents/HostBook.h"
#include "hostsdk/documents/HostBookContentMgr.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/host/StandInHost.h"
#include "hostsdk/pdf/HostPdfLayout.h"
#include "hostsdk/pdf/HostPdfWriter.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

namespace {

ErrorCode Failed(const std::string& why) {
    HostCallLog::Notice("book export failed: " + why);
    return kFailure;
}

// The chapters to export, by index, in book order.
bool Chapters(const HostBookExportData& data, const HostBookRecord& book, std::vector<int>& chapters,
              std::string& error) {
    const int count = static_cast<int>(book.chapters.size());
    std::vector<bool> chosen(book.chapters.size(), data.WholeBook());
    for (std::int32_t i = 0; !data.WholeBook() && i < data.Contents().Length(); ++i) {
        const UID uid = data.Contents().At(i);
        const int index = static_cast<int>(uid) - static_cast<int>(HostBookContentMgr::kFirstContentUID);
        if (index < 0 || index >= count) {
            error = "UID " + std::to_string(uid) + " is no content of \"" + book.name + "\"";
            return false;
        }
        chosen[static_cast<std::size_t>(index)] = true;
    }
    for (int index = 0; index < count; ++index)
        if (chosen[static_cast<std::size_t>(index)])
            chapters.push_back(index);
    if (chapters.empty()) {
        error = "no content to export";
        return false;
    }
    return true;
}

}  // namespace

ErrorCode HostBookExportCommand::Do() {
    const std::string file = mData.OutputFile().GetString().GetUTF8String();
    const std::string bookFile = mData.BookFile().GetString().GetUTF8String();
    if (mData.Format() != IBookExportData::kPDFFormat)
        return Failed("format " + HostHex(mData.Format()) + " is not PDF");
    if (file.empty())
        return Failed("no file");
    const HostBook* book = HostBook::Of(mHost.Documents().FindBook(bookFile));
    if (book == nullptr)
        return Failed("no open book \"" + bookFile + "\"");
    const HostBookRecord& record = *book->Record();
    std::vector<int> chapters;
    std::string error;
    if (!Chapters(mData, record, chapters, error))
        return Failed(error);
    // A list keeps each record in place while the sheets point to it.
    std::list<HostDocumentRecord> documents;
    std::vector<HostPdfSheet> sheets;
    const HostPdfSettings& settings = mHost.SessionPdfSettings();
    for (int index : chapters) {
        const std::string& chapter = record.chapters[static_cast<std::size_t>(index)];
        documents.emplace_back();
        if (const auto open = mHost.Documents().FindDocument(chapter))
            documents.back() = *open;
        else if (!HostDocumentFile::ReadDocument(chapter, documents.back(), error))
            return Failed(error);
        std::vector<int> pages;
        for (std::size_t page = 0; page < documents.back().pages.size(); ++page)
            pages.push_back(static_cast<int>(page));
        for (HostPdfSheet& sheet : HostPdfLayout::Sheets(documents.back(), pages, settings))
            sheets.push_back(sheet);
    }
    if (!HostPdfWriter::Write(file, record.name, sheets, settings, error))
        return Failed(error);
    HostCallLog::Notice("PDF \"" + file + "\" written, " + std::to_string(chapters.size()) + " chapters, " +
                        std::to_string(sheets.size()) + " pages");
    return kSuccess;
}
