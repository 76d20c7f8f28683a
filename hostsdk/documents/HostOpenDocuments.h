#pragma once
// The documents and books open in the host, in the order they were opened: the last document
// opened is in front; the last book opened is the current one until another is made current.
// The host holds one reference to each; closing releases it. Opening a file that is open already
// gives the open document (logged), so that a caller can tell which documents it opened itself.
#include <memory>
#include <string>
#include <vector>

#include "hostsdk/documents/HostBookRecord.h"
#include "hostsdk/documents/HostDocumentRecord.h"

class HostBoss;
class HostDocument;
class IDataBase;
class IPMUnknown;

class HostOpenDocuments {
public:
    HostOpenDocuments() = default;
    HostOpenDocuments(const HostOpenDocuments&) = delete;
    HostOpenDocuments& operator=(const HostOpenDocuments&) = delete;
    ~HostOpenDocuments() { CloseAll(); }

    // The document's IDocument, held by the host.
    HostDocument* OpenDocument(const HostDocumentRecord& record);
    // Reads and opens a document's sample file, or finds it open; null with `error` set when the
    // file cannot be read.
    HostDocument* OpenDocumentFile(const std::string& file, std::string& error);
    // Closes the open document whose database is `database`; false when none is. The pointer is
    // only compared, never followed: a closed document's database is gone.
    bool CloseDocument(const IDataBase* database);
    void OpenBook(const HostBookRecord& record);
    void CloseAll();

    // Null when none is open.
    const IPMUnknown* FrontDocument() const;
    const IPMUnknown* CurrentBook() const;
    // The open book of `file`; null when none is.
    const IPMUnknown* FindBook(const std::string& file) const;
    // False (nothing changed) when `book` is no open book's object.
    bool SetCurrentBook(const IPMUnknown* book);
    // The record of the open document of `file`; null when none is.
    std::shared_ptr<const HostDocumentRecord> FindDocument(const std::string& file) const;
    bool IsOpen(const std::string& file) const { return FindDocument(file) != nullptr; }
    std::size_t DocumentCount() const { return mDocuments.size(); }
    std::size_t BookCount() const { return mBooks.size(); }

private:
    struct Document {
        HostBoss* boss;
        HostDocument* document;
        std::shared_ptr<HostDocumentRecord> record;
    };
    struct Book {
        HostBoss* boss;
        std::shared_ptr<HostBookRecord> record;
    };

    std::vector<Document> mDocuments;
    std::vector<Book> mBooks;
    std::size_t mCurrentBook = 0;
};
