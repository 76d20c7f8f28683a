#pragma once
// The host's implementation of IDocumentFontUsage over a document's record.
#include <memory>
#include <vector>

#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/documents/IDocumentFontUsage.h"

class HostDocumentFontUsage : public CPMUnknown<IDocumentFontUsage> {
public:
    HostDocumentFontUsage(IPMUnknown* boss, std::shared_ptr<const HostDocumentRecord> record)
        : CPMUnknown<IDocumentFontUsage>(boss), mRecord(std::move(record)) {}

    void FindMissingFonts() override;
    std::int32_t GetMissingFontCount() const override;
    PMString GetNthMissingFontName(std::int32_t index) const override;

private:
    std::shared_ptr<const HostDocumentRecord> mRecord;
    std::vector<std::string> mMissing;
};
