#pragma once
// Lays the pages out on sheets. Without spreads every page is a sheet of its own; with spreads
// the host's facing pages are kept together: the first page stands alone, then pages 2-3, 4-5
// and so on form spreads, and the listed pages of one spread, one after another in the list,
// share a sheet (a spread side by side, in document order). A single page has its inside bleed
// on the left; a spread of two has the outside bleed on both sides.
//
// The sheet's margins around the trim are the bleed plus, with the slug included, the
// document's slug; with any mark asked for, at least the marks' start (the mark offset, never
// inside the bleed) plus the marks' length.
#include <vector>

#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/pdf/HostPdfSettings.h"
#include "hostsdk/pdf/HostPdfSheet.h"

class HostPdfLayout {
public:
    // The length of a crop or bleed mark and the height of the colour bars.
    static constexpr double kMarkLength = 18;

    // The sheets of `pages` (positions from 0, in export order) of `document`.
    static std::vector<HostPdfSheet> Sheets(const HostDocumentRecord& document, const std::vector<int>& pages,
                                            const HostPdfSettings& settings);
};
