#pragma once
// The host's implementation of IBookUtils over its open books.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostOpenDocuments.h"
#include "hostsdk/utils/IBookUtils.h"

class HostBookUtils : public CPMUnknown<IBookUtils> {
public:
    HostBookUtils(IPMUnknown* boss, const HostOpenDocuments& documents)
        : CPMUnknown<IBookUtils>(boss), mDocuments(documents) {}

    IBook* GetCurrentBook(IActiveContext* context) const override;
    std::int32_t GetSelectedContents(IBook* book, UIDList* selected) const override;
    std::int32_t GetContentCount(IBook* book) const override;

private:
    const HostOpenDocuments& mDocuments;
};
