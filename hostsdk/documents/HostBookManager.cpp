#include "hostsdk/documents/HostBookManager.h"

#include "hostsdk/base/InterfaceCast.h"
#include "hostsdk/trace/HostCallLog.h"

std::int32_t HostBookManager::GetBookCount() const {
    if (HostCallLog::Enter("IBookManager::GetBookCount"))
        return 0;
    return static_cast<std::int32_t>(mDocuments.BookCount());
}

IBook* HostBookManager::GetCurrentActiveBook() const {
    if (HostCallLog::Enter("IBookManager::GetCurrentActiveBook"))
        return nullptr;
    const IPMUnknown* current = mDocuments.CurrentBook();
    if (current == nullptr)
        return nullptr;
    // Not counted: the host holds its open books.
    IBook* book = InterfaceCast<IBook>(current->QueryInterface(IBook::kDefaultIID));
    if (book != nullptr)
        book->Release();
    return book;
}
