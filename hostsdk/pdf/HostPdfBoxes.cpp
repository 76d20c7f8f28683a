#include "hostsdk/pdf/HostPdfBoxes.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <utility>

namespace {

// A length as PDF writes a real: fixed point, no trailing zeros.
std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    std::string number = text;
    number.erase(number.find_last_not_of('0') + 1);
    if (number.back() == '.')
        number.pop_back();
    return number == "-0" ? "0" : number;
}

// A rectangle given from the sheet's top left, in the page's coordinates (y up from the bottom,
// which is the sheet's bottom).
std::string Box(const HostPdfRect& rect, double top) {
    return "[ " + Number(rect.x) + " " + Number(top - rect.y - rect.height) + " " + Number(rect.x + rect.width) + " " +
           Number(top - rect.y) + " ]";
}

// The offset of the last cross-reference table, from the "startxref" at the end; -1 when there
// is none, it lies outside the file, or it is a cross-reference stream (an update of a classic
// table cannot follow one).
long long LastCrossReference(const char* pdf, std::size_t size) {
    static const char kKeyword[] = "startxref";
    const std::size_t tail = std::min<std::size_t>(size, 1024);
    const std::string end(pdf + size - tail, tail);
    const std::string::size_type at = end.rfind(kKeyword);
    if (at == std::string::npos)
        return -1;
    std::size_t i = at + sizeof kKeyword - 1;
    while (i < end.size() && std::strchr(" \t\r\n", end[i]) != nullptr)
        ++i;
    long long offset = -1;
    for (; i < end.size() && end[i] >= '0' && end[i] <= '9'; ++i) {
        offset = (offset < 0 ? 0 : offset * 10) + (end[i] - '0');
        if (offset > static_cast<long long>(size))
            return -1;
    }
    if (offset < 0 || static_cast<std::size_t>(offset) + 4 > size || std::memcmp(pdf + offset, "xref", 4) != 0)
        return -1;
    return offset;
}

// The page's dictionary with the sheet's boxes. Its other values are written as they were read,
// an indirect one as its reference: unparsing the page whole would read every object it refers to.
std::string Dictionary(QPDFObjectHandle& page, const HostPdfSheet& sheet) {
    std::string text = "<<";
    for (auto& entry : page.getDictAsMap())
        if (entry.first != "/MediaBox" && entry.first != "/CropBox" && entry.first != "/TrimBox" &&
            entry.first != "/BleedBox")
            text += " " + QPDFObjectHandle::newName(entry.first).unparse() + " " + entry.second.unparse();
    const double top = sheet.height;
    return text + " /MediaBox " + Box({0, 0, sheet.width, sheet.height}, top) + " /TrimBox " + Box(sheet.trim, top) +
           " /BleedBox " + Box(sheet.bleed, top) + " >>";
}

std::string Entry(std::size_t offset, int generation) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu %05d n\r\n", offset, generation);
    return entry;
}

bool Build(const char* pdf, std::size_t size, const std::vector<HostPdfSheet>& sheets, std::string& update,
           std::string& error) {
    const long long previous = LastCrossReference(pdf, size);
    if (previous < 0) {
        error = "the PDF has no cross-reference table at its end";
        return false;
    }
    try {
        QPDF reader;
        reader.setSuppressWarnings(true);
        reader.processMemoryFile("drawn PDF", pdf, size);
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(reader).getAllPages();
        if (pages.size() != sheets.size()) {
            error = "the PDF has " + std::to_string(pages.size()) + " pages, not " + std::to_string(sheets.size());
            return false;
        }
        if (size > 0 && pdf[size - 1] != '\n' && pdf[size - 1] != '\r')
            update += '\n';
        std::vector<std::pair<QPDFObjGen, std::size_t>> written;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            QPDFObjectHandle page = pages[i].getObjectHandle();
            const QPDFObjGen id = page.getObjGen();
            written.emplace_back(id, size + update.size());
            update += std::to_string(id.getObj()) + " " + std::to_string(id.getGen()) + " obj\n" +
                      Dictionary(page, sheets[i]) + "\nendobj\n";
        }
        // A page read but broken (the drawn file mended on reading) must not be built upon.
        if (reader.anyWarnings()) {
            error = std::string("the PDF is damaged: ") + reader.getWarnings().front().what();
            return false;
        }
        const std::size_t table = size + update.size();
        std::sort(written.begin(), written.end(),
                  [](const auto& a, const auto& b) { return a.first.getObj() < b.first.getObj(); });
        update += "xref\n";
        for (std::size_t first = 0; first < written.size();) {
            std::size_t last = first + 1;
            while (last < written.size() && written[last].first.getObj() == written[last - 1].first.getObj() + 1)
                ++last;
            update += std::to_string(written[first].first.getObj()) + " " + std::to_string(last - first) + "\n";
            for (; first < last; ++first)
                update += Entry(written[first].second, written[first].first.getGen());
        }
        QPDFObjectHandle trailer = reader.getTrailer().shallowCopy();
        trailer.removeKey("/XRefStm");
        trailer.replaceKey("/Prev", QPDFObjectHandle::newInteger(previous));
        update += "trailer\n" + trailer.unparse() + "\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
        return true;
    } catch (const std::exception& exception) {
        error = exception.what();
        return false;
    }
}

}  // namespace

bool HostPdfBoxes::Update(const char* pdf, std::size_t size, const std::vector<HostPdfSheet>& sheets,
                          std::string& update, std::string& error) {
    update.clear();
    if (Build(pdf, size, sheets, update, error))
        return true;
    update.clear();
    return false;
}
