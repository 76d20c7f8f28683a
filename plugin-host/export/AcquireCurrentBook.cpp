#include "plugin-host/export/AcquireCurrentBook.h"

#include "hostsdk/base/InterfacePtr.h"
#include "hostsdk/documents/IBookContentMgr.h"
#include "hostsdk/session/ISession.h"
#include "hostsdk/utils/IBookUtils.h"
#include "hostsdk/utils/UtilsBoss.h"

namespace {

InterfacePtr<IBookManager> BookManager() {
    return InterfacePtr<IBookManager>(GetExecutionContextSession(), IBookManager::kDefaultIID);
}

IDataBase* ContentDataBase(IBook* book) {
    InterfacePtr<IBookContentMgr> contents(book, IBookContentMgr::kDefaultIID);
    return contents ? contents->GetDataBase() : nullptr;
}

}  // namespace

AcquireCurrentBook::AcquireCurrentBook(IActiveContext* context) {
    InterfacePtr<IBookUtils> utils(UtilsBoss::QueryUtils<IBookUtils>());
    IBook* book = utils ? utils->GetCurrentBook(context) : nullptr;
    InterfacePtr<IBookManager> manager = BookManager();
    if (manager) {
        mPreviousBook = manager->GetCurrentActiveBook();
        if (book != nullptr)
            mBook = manager->FindBook(book->GetFile());
        if (mBook != nullptr && mBook != mPreviousBook)
            manager->SetCurrentActiveBook(mBook);
    }
    mSelected = std::make_unique<UIDList>(ContentDataBase(mBook));
    if (utils && mBook != nullptr) {
        mSelectedCount = utils->GetSelectedContents(mBook, mSelected.get());
        mContentCount = utils->GetContentCount(mBook);
    }
}

AcquireCurrentBook::~AcquireCurrentBook() {
    if (mPreviousBook == nullptr || mPreviousBook == mBook)
        return;
    InterfacePtr<IBookManager> manager = BookManager();
    if (manager)
        manager->SetCurrentActiveBook(mPreviousBook);
}
