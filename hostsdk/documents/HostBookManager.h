#pragma once
// The host's implementation of IBookManager over its open books.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostOpenDocuments.h"
#include "hostsdk/documents/IBookManager.h"

class HostBookManager : public CPMUnknown<IBookManager> {
public:
    HostBookManager(IPMUnknown* boss, const HostOpenDocuments& documents)
        : CPMUnknown<IBookManager>(boss), mDocuments(documents) {}

    std::int32_t GetBookCount() const override;
    IBook* GetCurrentActiveBook() const override;

private:
    const HostOpenDocuments& mDocuments;
};
