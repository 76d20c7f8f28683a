#include "hostsdk/documents/HostDocumentFontUsage.h"

#include "hostsdk/trace/HostCallLog.h"

void HostDocumentFontUsage::FindMissingFonts() {
    if (HostCallLog::Enter("IDocumentFontUsage::FindMissingFonts", "\"" + mRecord->name + "\""))
        return;
    mMissing.clear();
    for (const HostFontRecord& font : mRecord->fonts)
        if (font.missing)
            mMissing.push_back(font.name);
}

std::int32_t HostDocumentFontUsage::GetMissingFontCount() const {
    if (HostCallLog::Enter("IDocumentFontUsage::GetMissingFontCount"))
        return 0;
    return static_cast<std::int32_t>(mMissing.size());
}

PMString HostDocumentFontUsage::GetNthMissingFontName(std::int32_t index) const {
    if (HostCallLog::Enter("IDocumentFontUsage::GetNthMissingFontName", std::to_string(index)))
        return PMString();
    if (!HostCallLog::InList("IDocumentFontUsage::GetNthMissingFontName", index, mMissing.size()))
        return PMString();
    return PMString(mMissing[static_cast<std::size_t>(index)]);
}
