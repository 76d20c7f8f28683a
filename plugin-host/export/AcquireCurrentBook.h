#pragma once
// AcquireCurrentBook: while it lives, the book of a context (or the current book) is the book
// manager's current active book; it also holds that book's selected contents and the number of
// all its contents. When it goes, the book that was current before is current again.
#include <cstdint>
#include <memory>

#include "hostsdk/base/UIDList.h"
#include "hostsdk/documents/IBook.h"
#include "hostsdk/documents/IBookManager.h"
#include "hostsdk/session/IActiveContext.h"

class AcquireCurrentBook {
public:
    explicit AcquireCurrentBook(IActiveContext* context);
    AcquireCurrentBook(AcquireCurrentBook const&) = delete;
    AcquireCurrentBook& operator=(AcquireCurrentBook const&) = delete;
    ~AcquireCurrentBook();

    // Null when there is no book.
    IBook* GetBook() const { return mBook; }
    UIDList const& GetSelectedContents() const { return *mSelected; }
    std::int32_t GetSelectedCount() const { return mSelectedCount; }
    std::int32_t GetContentCount() const { return mContentCount; }
    // No content or every content is selected.
    bool IsWholeBook() const { return mSelectedCount <= 0 || mSelectedCount >= mContentCount; }

private:
    std::unique_ptr<UIDList> mSelected;
    std::int32_t mContentCount = 0;
    std::int32_t mSelectedCount = 0;
    IBook* mBook = nullptr;
    IBook* mPreviousBook = nullptr;
};
