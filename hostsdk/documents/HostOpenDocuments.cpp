#include "hostsdk/documents/HostOpenDocuments.h"

#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/documents/HostBook.h"
#include "hostsdk/documents/HostBookContentMgr.h"
#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/documents/HostDocumentFontUsage.h"
#include "hostsdk/documents/HostPageList.h"
#include "hostsdk/trace/HostCallLog.h"

namespace {

constexpr ClassID kDocumentBoss = 0x7F10;
constexpr ClassID kBookBoss = 0x7F11;

// Whether `object` is an interface of `boss`: interfaces of one object share its count.
bool Belongs(const IPMUnknown* object, const HostBoss* boss) {
    if (object == boss)
        return true;
    const std::int32_t before = boss->ReferenceCount();
    object->AddRef();
    const bool same = boss->ReferenceCount() != before;
    object->Release();
    return same;
}

}  // namespace

HostDocument* HostOpenDocuments::OpenDocument(const HostDocumentRecord& record) {
    auto shared = std::make_shared<HostDocumentRecord>(record);
    HostBoss* boss = HostBoss::Create(kDocumentBoss);
    HostDocument* document = boss->Add<HostDocument>(shared);
    boss->Add<HostPageList>(shared);
    boss->Add<HostDocumentFontUsage>(shared);
    mDocuments.push_back({boss, document, shared});
    HostCallLog::Notice("document \"" + record.name + "\" opened" +
                        (!record.saved ? ", untitled" : record.modified ? ", with unsaved changes" : ""));
    return document;
}

HostDocument* HostOpenDocuments::OpenDocumentFile(const std::string& file, std::string& error) {
    for (const Document& document : mDocuments)
        if (document.record->saved && document.record->path == file) {
            HostCallLog::Notice("document \"" + document.record->name + "\" was open already");
            return document.document;
        }
    HostDocumentRecord record;
    if (!HostDocumentFile::ReadDocument(file, record, error))
        return nullptr;
    // The sample file is the document's file.
    record.saved = true;
    record.path = file;
    return OpenDocument(record);
}

bool HostOpenDocuments::CloseDocument(const IDataBase* database) {
    for (auto open = mDocuments.begin(); open != mDocuments.end(); ++open) {
        if (&open->document->DataBase() != database)
            continue;
        const Document closed = *open;
        mDocuments.erase(open);
        HostCallLog::Notice("document \"" + closed.record->name + "\" closed");
        closed.boss->Release();
        return true;
    }
    return false;
}

void HostOpenDocuments::OpenBook(const HostBookRecord& record) {
    // The book's interfaces share one copy of the record.
    const auto shared = std::make_shared<HostBookRecord>(record);
    HostBoss* boss = HostBoss::Create(kBookBoss);
    boss->Add<HostBook>(shared);
    boss->Add<HostBookContentMgr>(shared);
    mBooks.push_back({boss, shared});
    mCurrentBook = mBooks.size() - 1;
    HostCallLog::Notice("book \"" + record.name + "\" opened, " + std::to_string(record.chapters.size()) +
                        " chapters, " + std::to_string(record.selection.size()) + " selected");
}

void HostOpenDocuments::CloseAll() {
    while (!mBooks.empty()) {
        mBooks.back().boss->Release();
        mBooks.pop_back();
    }
    mCurrentBook = 0;
    while (!mDocuments.empty()) {
        mDocuments.back().boss->Release();
        mDocuments.pop_back();
    }
}

const IPMUnknown* HostOpenDocuments::FrontDocument() const {
    return mDocuments.empty() ? nullptr : mDocuments.back().boss;
}

const IPMUnknown* HostOpenDocuments::CurrentBook() const {
    return mBooks.empty() ? nullptr : mBooks[mCurrentBook].boss;
}

const IPMUnknown* HostOpenDocuments::FindBook(const std::string& file) const {
    for (const Book& book : mBooks)
        if (book.record->path == file)
            return book.boss;
    return nullptr;
}

bool HostOpenDocuments::SetCurrentBook(const IPMUnknown* book) {
    for (std::size_t i = 0; i < mBooks.size(); ++i)
        if (Belongs(book, mBooks[i].boss)) {
            if (i != mCurrentBook)
                HostCallLog::Notice("book \"" + mBooks[i].record->name + "\" made current");
            mCurrentBook = i;
            return true;
        }
    return false;
}

std::shared_ptr<const HostDocumentRecord> HostOpenDocuments::FindDocument(const std::string& file) const {
    for (const Document& document : mDocuments)
        if (document.record->saved && document.record->path == file)
            return document.record;
    return nullptr;
}
