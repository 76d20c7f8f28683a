#pragma once
// Writes each page's boxes into a PDF with libqpdf, which QPdfWriter cannot: the media box of the
// sheet's exact size from the origin, the trim box and the bleed box. Qt writes whole-point page
// sizes; the sheet is drawn on the bottom of Qt's page, so the media box cuts off what is above.
#include <string>
#include <vector>

#include "hostsdk/pdf/HostPdfSheet.h"

class HostPdfBoxes {
public:
    // Reads `input`, sets the boxes of its pages (one sheet each, in order) and writes `output`.
    // False with `error` set when the file cannot be read or written or its page count is not
    // the sheets'.
    static bool Write(const std::string& input, const std::string& output, const std::vector<HostPdfSheet>& sheets,
                      std::string& error);
};
