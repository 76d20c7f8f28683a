#pragma once
// The stand-in's database: a few objects by UID (not owned: each belongs to the document or book
// whose database this is), and for a document its record, so that the host's commands find the
// pages that a UID list names.
#include <map>
#include <memory>

#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/documents/IDataBase.h"

class HostDataBase : public IDataBase {
public:
    // The UID of a document's first page; the others follow in page order.
    static constexpr UID kFirstPageUID = 100;
    static constexpr UID kRootUID = 1;

    HostDataBase(const IPMUnknown* root, std::shared_ptr<HostDocumentRecord> document = nullptr)
        : mRoot(root), mDocument(std::move(document)) {}

    IPMUnknown* Instantiate(UID uid, PMIID iid) const override;
    UID GetRootUID() const override { return kRootUID; }

    void Add(UID uid, const IPMUnknown* object) { mObjects[uid] = object; }
    const IPMUnknown* Root() const { return mRoot; }
    // Null for a book's database.
    const std::shared_ptr<HostDocumentRecord>& Document() const { return mDocument; }

private:
    const IPMUnknown* mRoot;
    std::shared_ptr<HostDocumentRecord> mDocument;
    std::map<UID, const IPMUnknown*> mObjects;
};
