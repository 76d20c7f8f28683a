#include "hostsdk/pdf/HostPdfBoxes.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

namespace {

// A rectangle given from the sheet's top left, in the page's coordinates (y up from the bottom,
// which is the sheet's bottom).
QPDFObjectHandle Box(const HostPdfRect& rect, double top) {
    return QPDFObjectHandle::newArray(
        QPDFObjectHandle::Rectangle(rect.x, top - rect.y - rect.height, rect.x + rect.width, top - rect.y));
}

}  // namespace

bool HostPdfBoxes::Write(const std::string& input, const std::string& output, const std::vector<HostPdfSheet>& sheets,
                         std::string& error) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(input.c_str());
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
        if (pages.size() != sheets.size()) {
            error = "the PDF has " + std::to_string(pages.size()) + " pages, not " + std::to_string(sheets.size());
            return false;
        }
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const HostPdfSheet& sheet = sheets[i];
            QPDFObjectHandle page = pages[i].getObjectHandle();
            const double top = sheet.height;
            page.replaceKey("/MediaBox", Box({0, 0, sheet.width, sheet.height}, top));
            page.removeKey("/CropBox");
            page.replaceKey("/TrimBox", Box(sheet.trim, top));
            page.replaceKey("/BleedBox", Box(sheet.bleed, top));
        }
        QPDFWriter writer(pdf, output.c_str());
        writer.write();
        return true;
    } catch (const std::exception& exception) {
        error = exception.what();
        return false;
    }
}
