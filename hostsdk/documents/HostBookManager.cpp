#include "hostsdk/documents/HostBookManager.h"

#include "hostsdk/documents/HostBook.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

std::int32_t HostBookManager::GetBookCount() const {
    if (HostCallLog::Enter("IBookManager::GetBookCount"))
        return 0;
    return static_cast<std::int32_t>(mDocuments.BookCount());
}

IBook* HostBookManager::GetCurrentActiveBook() const {
    if (HostCallLog::Enter("IBookManager::GetCurrentActiveBook"))
        return nullptr;
    return HostBook::Of(mDocuments.CurrentBook());
}

IBook* HostBookManager::FindBook(const IDFile& file) const {
    if (HostCallLog::Enter("IBookManager::FindBook", HostQuote(file.GetString())))
        return nullptr;
    return HostBook::Of(mDocuments.FindBook(file.GetString().GetUTF8String()));
}

void HostBookManager::SetCurrentActiveBook(IBook* book) {
    if (HostCallLog::Enter("IBookManager::SetCurrentActiveBook") || book == nullptr)
        return;
    if (!mDocuments.SetCurrentBook(book))
        HostCallLog::Violation("IBookManager::SetCurrentActiveBook with a book that is not open");
}
