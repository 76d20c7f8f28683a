#pragma once
// The documents and books open in the host, in the order they were opened: the last document
// opened is in front, the last book opened is the current one. The host holds one reference to
// each; closing releases them, last opened first.
#include <vector>

#include "hostsdk/documents/HostBookRecord.h"
#include "hostsdk/documents/HostDocumentRecord.h"

class HostBoss;
class IPMUnknown;

class HostOpenDocuments {
public:
    HostOpenDocuments() = default;
    HostOpenDocuments(const HostOpenDocuments&) = delete;
    HostOpenDocuments& operator=(const HostOpenDocuments&) = delete;
    ~HostOpenDocuments() { CloseAll(); }

    void OpenDocument(const HostDocumentRecord& record);
    void OpenBook(const HostBookRecord& record);
    void CloseAll();

    // Null when none is open.
    const IPMUnknown* FrontDocument() const;
    const IPMUnknown* CurrentBook() const;
    std::size_t DocumentCount() const { return mDocuments.size(); }
    std::size_t BookCount() const { return mBooks.size(); }

private:
    std::vector<HostBoss*> mDocuments;
    std::vector<HostBoss*> mBooks;
};
