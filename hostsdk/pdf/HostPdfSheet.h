#pragma once
// One PDF page the stand-in writes: one document page, or the pages of one spread side by side,
// with its boxes in points from the sheet's top left corner (y down). The media box is the
// whole sheet: the trim grown by bleed and slug, and by room for the marks when there are any.
#include <string>
#include <vector>

#include "hostsdk/documents/HostEdges.h"

struct HostDocumentRecord;

struct HostPdfRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

struct HostPdfSheet {
    const HostDocumentRecord* document = nullptr;
    // Positions (from 0) of the document's pages on this sheet, left to right.
    std::vector<int> pages;
    double width = 0;
    double height = 0;
    HostPdfRect trim;
    HostPdfRect bleed;
    // Where the marks begin, outside the trim, on each side (left = inside).
    HostEdges marksStart;
};
