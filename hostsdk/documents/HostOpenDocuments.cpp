#include "hostsdk/documents/HostOpenDocuments.h"

#include <memory>

#include "hostsdk/boss/HostBoss.h"
#include "hostsdk/documents/HostBook.h"
#include "hostsdk/documents/HostBookContentMgr.h"
#include "hostsdk/documents/HostDocument.h"
#include "hostsdk/trace/HostCallLog.h"

namespace {

constexpr ClassID kDocumentBoss = 0x7F10;
constexpr ClassID kBookBoss = 0x7F11;

}  // namespace

void HostOpenDocuments::OpenDocument(const HostDocumentRecord& record) {
    HostBoss* boss = HostBoss::Create(kDocumentBoss);
    boss->Add<HostDocument>(record);
    mDocuments.push_back(boss);
    HostCallLog::Notice("document \"" + record.name + "\" opened" + (record.saved ? "" : ", untitled"));
}

void HostOpenDocuments::OpenBook(const HostBookRecord& record) {
    // The book's interfaces share one copy of the record.
    const auto shared = std::make_shared<const HostBookRecord>(record);
    HostBoss* boss = HostBoss::Create(kBookBoss);
    boss->Add<HostBook>(shared);
    boss->Add<HostBookContentMgr>(shared);
    mBooks.push_back(boss);
    HostCallLog::Notice("book \"" + record.name + "\" opened, " + std::to_string(record.chapters.size()) +
                        " chapters, " + std::to_string(record.selection.size()) + " selected");
}

void HostOpenDocuments::CloseAll() {
    while (!mBooks.empty()) {
        mBooks.back()->Release();
        mBooks.pop_back();
    }
    while (!mDocuments.empty()) {
        mDocuments.back()->Release();
        mDocuments.pop_back();
    }
}

const IPMUnknown* HostOpenDocuments::FrontDocument() const { return mDocuments.empty() ? nullptr : mDocuments.back(); }

const IPMUnknown* HostOpenDocuments::CurrentBook() const { return mBooks.empty() ? nullptr : mBooks.back(); }
