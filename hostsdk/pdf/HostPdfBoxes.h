#pragma once
// Sets each page's boxes in a PDF with libqpdf, which QPdfWriter cannot: the media box of the
// sheet's exact size from the origin, the trim box and the bleed box. Qt writes whole-point page
// sizes; the sheet is drawn on the bottom of Qt's page, so the media box cuts off what is above.
//
// The boxes go into an incremental update: the page objects again, with their new boxes, and a
// cross-reference section of their own. The drawn bytes stay as they are, so neither the content
// streams nor the fonts are decoded and written again.
#include <cstddef>
#include <string>
#include <vector>

#include "hostsdk/pdf/HostPdfSheet.h"

class HostPdfBoxes {
public:
    // The update to append to the PDF `pdf` (`size` bytes) that sets the boxes of its pages (one
    // sheet each, in order). False with `error` set when the PDF cannot be read whole or its page
    // count is not the sheets'.
    static bool Update(const char* pdf, std::size_t size, const std::vector<HostPdfSheet>& sheets,
                       std::string& update, std::string& error);
};
