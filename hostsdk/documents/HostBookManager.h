#pragma once
// The host's implementation of IBookManager over its open books.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostOpenDocuments.h"
#include "hostsdk/documents/IBookManager.h"

class HostBookManager : public CPMUnknown<IBookManager> {
public:
    HostBookManager(IPMUnknown* boss, HostOpenDocuments& documents)
        : CPMUnknown<IBookManager>(boss), mDocuments(documents) {}

    std::int32_t GetBookCount() const override;
    IBook* GetCurrentActiveBook() const override;
    IBook* FindBook(const IDFile& file) const override;
    void SetCurrentActiveBook(IBook* book) override;

private:
    HostOpenDocuments& mDocuments;
};
