#include "hostsdk/commands/HostBookExportData.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

void HostBookExportData::SetBookFile(const IDFile& book) {
    if (!HostCallLog::Enter("IBookExportData::SetBookFile", HostQuote(book.GetString())))
        mBook = book;
}

void HostBookExportData::SetContents(const UIDList& contents, bool16 wholeBook) {
    if (HostCallLog::Enter("IBookExportData::SetContents",
                           std::to_string(contents.Length()) + " contents, whole book " + std::to_string(wholeBook)))
        return;
    mContents = contents;
    mWholeBook = wholeBook != 0;
}

void HostBookExportData::SetOutputFile(const IDFile& file, bool16 given) {
    if (!HostCallLog::Enter("IBookExportData::SetOutputFile", HostQuote(file.GetString()) + " " + std::to_string(given)))
        mOutput = file;
}

void HostBookExportData::SetExportFormat(ClassID format) {
    if (!HostCallLog::Enter("IBookExportData::SetExportFormat", HostHex(format)))
        mFormat = format;
}

void HostBookExportData::SetUIFlags(std::int32_t flags) {
    HostCallLog::Enter("IBookExportData::SetUIFlags", HostHex(static_cast<std::uint32_t>(flags)));
}
