#include "hostsdk/pdf/HostPdfLayout.h"

#include <algorithm>

namespace {

int SpreadOf(int position) { return (position + 1) / 2; }

std::vector<std::vector<int>> Group(const std::vector<int>& pages, bool spreads) {
    std::vector<std::vector<int>> groups;
    for (int page : pages) {
        if (spreads && !groups.empty() && SpreadOf(groups.back().back()) == SpreadOf(page))
            groups.back().push_back(page);
        else
            groups.push_back({page});
    }
    for (std::vector<int>& group : groups)
        std::sort(group.begin(), group.end());
    return groups;
}

HostPdfSheet Lay(const HostDocumentRecord& document, const std::vector<int>& pages, const HostPdfSettings& settings) {
    const HostEdges& chosen = settings.useDocumentBleed ? document.bleed : settings.bleed;
    // Edges of the sheet: left is the inside of a single page, the outside of a spread.
    HostEdges bleed = chosen;
    if (pages.size() > 1)
        bleed.inside = chosen.outside;
    HostEdges slug;
    if (settings.includeSlug) {
        slug = document.slug;
        if (pages.size() > 1)
            slug.inside = document.slug.outside;
    }
    HostPdfSheet sheet;
    sheet.document = &document;
    sheet.pages = pages;
    const auto side = [&](double HostEdges::*edge) {
        const double start = std::max(settings.marksOffset, bleed.*edge);
        sheet.marksStart.*edge = start;
        const double margin = bleed.*edge + slug.*edge;
        return settings.AnyMarks() ? std::max(margin, start + HostPdfLayout::kMarkLength) : margin;
    };
    const double left = side(&HostEdges::inside);
    const double right = side(&HostEdges::outside);
    const double top = side(&HostEdges::top);
    const double bottom = side(&HostEdges::bottom);
    sheet.trim = {left, top, document.pageWidth * static_cast<double>(pages.size()), document.pageHeight};
    sheet.bleed = {left - bleed.inside, top - bleed.top, sheet.trim.width + bleed.inside + bleed.outside,
                   sheet.trim.height + bleed.top + bleed.bottom};
    sheet.width = left + sheet.trim.width + right;
    sheet.height = top + sheet.trim.height + bottom;
    return sheet;
}

}  // namespace

std::vector<HostPdfSheet> HostPdfLayout::Sheets(const HostDocumentRecord& document, const std::vector<int>& pages,
                                                const HostPdfSettings& settings) {
    std::vector<HostPdfSheet> sheets;
    for (const std::vector<int>& group : Group(pages, settings.spreads))
        sheets.push_back(Lay(document, group, settings));
    return sheets;
}
