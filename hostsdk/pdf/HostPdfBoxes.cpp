#include "hostsdk/pdf/HostPdfBoxes.h"

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFTokenizer.hh>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <utility>

namespace {

// A length as PDF writes a real: fixed point, no trailing zeros.
std::string PdfReal(double value) {
    // Most lengths are whole points.
    if (value == std::floor(value) && std::fabs(value) < 1e9)
        return std::to_string(static_cast<long long>(value));
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
    return "[ " + PdfReal(rect.x) + " " + PdfReal(top - rect.y - rect.height) + " " + PdfReal(rect.x + rect.width) + " " +
           PdfReal(top - rect.y) + " ]";
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

// One entry of a dictionary as it stands in the file: its key and the bytes of key and value.
struct RawEntry {
    std::string key;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Reads the dictionary of object `id` at `offset` with libqpdf's tokenizer, without making objects
// of it: parsing every page whole cost as much as drawing it. False when the object there is not
// "id gen obj << ... >>".
bool ReadDictionary(const std::shared_ptr<InputSource>& source, qpdf_offset_t offset, QPDFObjGen id,
                    std::vector<RawEntry>& entries) {
    using Token = QPDFTokenizer::Token;
    QPDFTokenizer tokenizer;
    const auto next = [&] { return tokenizer.readToken(source, "page", true); };
    entries.clear();
    source->seek(offset, SEEK_SET);
    const Token number = next();
    const Token generation = next();
    const Token keyword = next();
    if (number.getValue() != std::to_string(id.getObj()) || generation.getValue() != std::to_string(id.getGen()) ||
        !keyword.isWord("obj") || next().getType() != QPDFTokenizer::tt_dict_open)
        return false;
    Token token = next();
    while (token.getType() != QPDFTokenizer::tt_dict_close) {
        if (token.getType() != QPDFTokenizer::tt_name)
            return false;
        RawEntry entry{token.getValue(), static_cast<std::size_t>(source->getLastOffset()), 0};
        token = next();
        switch (token.getType()) {
        case QPDFTokenizer::tt_array_open:
        case QPDFTokenizer::tt_dict_open:
            for (int depth = 1; depth > 0;) {
                token = next();
                const QPDFTokenizer::token_type_e type = token.getType();
                if (type == QPDFTokenizer::tt_array_open || type == QPDFTokenizer::tt_dict_open)
                    ++depth;
                else if (type == QPDFTokenizer::tt_array_close || type == QPDFTokenizer::tt_dict_close)
                    --depth;
                else if (type == QPDFTokenizer::tt_bad)
                    return false;
            }
            entry.end = static_cast<std::size_t>(source->tell());
            token = next();
            break;
        case QPDFTokenizer::tt_integer:
            // A number, or the first of a reference "n g R": a key or the end follows a value.
            entry.end = static_cast<std::size_t>(source->tell());
            token = next();
            if (token.getType() == QPDFTokenizer::tt_integer) {
                if (!next().isWord("R"))
                    return false;
                entry.end = static_cast<std::size_t>(source->tell());
                token = next();
            }
            break;
        case QPDFTokenizer::tt_name:
        case QPDFTokenizer::tt_real:
        case QPDFTokenizer::tt_string:
        case QPDFTokenizer::tt_null:
        case QPDFTokenizer::tt_bool:
            entry.end = static_cast<std::size_t>(source->tell());
            token = next();
            break;
        default:
            return false;
        }
        entries.push_back(entry);
    }
    return true;
}

// The text of the entry's value.
std::string Value(const char* pdf, const RawEntry& entry) {
    std::string value(pdf + entry.begin, entry.end - entry.begin);
    value.erase(0, value.find_first_of(" \t\r\n\f/[<(", 1));
    value.erase(0, value.find_first_not_of(" \t\r\n\f"));
    return value;
}

// The drawn PDF's objects as the tokenizer reads them, found through libqpdf's table.
struct RawObjects {
    QPDF& reader;
    std::shared_ptr<InputSource> source;
    const char* pdf;
    std::map<QPDFObjGen, QPDFXRefEntry> table;

    bool Dictionary(QPDFObjGen id, std::vector<RawEntry>& entries) const {
        const auto found = table.find(id);
        return found != table.end() && found->second.getType() == 1 &&
               ReadDictionary(source, found->second.getOffset(), id, entries);
    }

    // The objects that the value of `key` refers to, in order: the "n g R" of an array or a lone
    // reference; a value of any other form is left to libqpdf.
    std::vector<QPDFObjGen> References(QPDFObjGen id, const std::vector<RawEntry>& entries, const char* key) const {
        std::vector<QPDFObjGen> ids;
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const RawEntry& candidate) { return candidate.key == key; });
        if (entry == entries.end())
            return ids;
        const std::string value = Value(pdf, *entry);
        if (value.empty() || value[0] != '[') {
            QPDFObjectHandle object = reader.getObject(id).getKey(key);
            if (object.isIndirect())
                ids.push_back(object.getObjGen());
            for (int i = 0; object.isArray() && i < object.getArrayNItems(); ++i)
                ids.push_back(object.getArrayItem(i).getObjGen());
            return ids;
        }
        QPDFTokenizer tokenizer;
        source->seek(static_cast<qpdf_offset_t>(entry->begin), SEEK_SET);
        tokenizer.readToken(source, "page tree", true);
        std::vector<int> numbers;
        while (static_cast<std::size_t>(source->tell()) < entry->end) {
            const QPDFTokenizer::Token token = tokenizer.readToken(source, "page tree", true);
            if (token.getType() == QPDFTokenizer::tt_integer) {
                numbers.push_back(std::stoi(token.getValue()));
            } else if (token.isWord("R") && numbers.size() >= 2) {
                ids.emplace_back(numbers[numbers.size() - 2], numbers.back());
                numbers.clear();
            } else if (token.getType() == QPDFTokenizer::tt_bad) {
                break;
            } else {
                numbers.clear();
            }
        }
        return ids;
    }
};

// The pages under a page tree node's `kids`, in order, each with its dictionary.
bool CollectPages(const RawObjects& objects, const std::vector<QPDFObjGen>& kids, int depth,
                  std::vector<std::pair<QPDFObjGen, std::vector<RawEntry>>>& pages, std::string& error) {
    if (depth > 32) {
        error = "the PDF's page tree is too deep";
        return false;
    }
    for (const QPDFObjGen& id : kids) {
        std::vector<RawEntry> entries;
        if (!objects.Dictionary(id, entries)) {
            error = "page object " + id.unparse(' ') + " cannot be read";
            return false;
        }
        const auto type = std::find_if(entries.begin(), entries.end(),
                                       [](const RawEntry& entry) { return entry.key == "/Type"; });
        const std::string kind = type == entries.end() ? std::string() : Value(objects.pdf, *type);
        if (kind == "/Pages") {
            if (!CollectPages(objects, objects.References(id, entries, "/Kids"), depth + 1, pages, error))
                return false;
        } else if (kind == "/Page") {
            pages.emplace_back(id, std::move(entries));
        } else {
            error = "object " + id.unparse(' ') + " in the page tree is no page";
            return false;
        }
    }
    return true;
}

// The page's dictionary with the sheet's boxes, its other entries as they were drawn.
std::string Dictionary(const char* pdf, const std::vector<RawEntry>& entries, const HostPdfSheet& sheet) {
    std::string text = "<<";
    for (const RawEntry& entry : entries)
        if (entry.key != "/MediaBox" && entry.key != "/CropBox" && entry.key != "/TrimBox" && entry.key != "/BleedBox")
            text.append(" ").append(pdf + entry.begin, entry.end - entry.begin);
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
        // libqpdf reads the cross-reference table and the page tree's top from the same bytes.
        const auto source = std::make_shared<BufferInputSource>(
            "drawn PDF", new Buffer(reinterpret_cast<unsigned char*>(const_cast<char*>(pdf)), size), true);
        QPDF reader;
        reader.setSuppressWarnings(true);
        reader.processInputSource(source);
        const RawObjects objects{reader, source, pdf, reader.getXRefTable()};
        const QPDFObjGen root = reader.getTrailer().getKey("/Root").getObjGen();
        std::vector<RawEntry> catalog;
        std::vector<std::pair<QPDFObjGen, std::vector<RawEntry>>> pages;
        if (!objects.Dictionary(root, catalog)) {
            error = "the PDF's catalog cannot be read";
            return false;
        }
        if (!CollectPages(objects, objects.References(root, catalog, "/Pages"), 0, pages, error))
            return false;
        if (pages.size() != sheets.size()) {
            error = "the PDF has " + std::to_string(pages.size()) + " pages, not " + std::to_string(sheets.size());
            return false;
        }
        if (size > 0 && pdf[size - 1] != '\n' && pdf[size - 1] != '\r')
            update += '\n';
        std::vector<std::pair<QPDFObjGen, std::size_t>> written;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const QPDFObjGen id = pages[i].first;
            written.emplace_back(id, size + update.size());
            update += std::to_string(id.getObj()) + " " + std::to_string(id.getGen()) + " obj\n" +
                      Dictionary(pdf, pages[i].second, sheets[i]) + "\nendobj\n";
        }
        // A file that libqpdf had to mend while reading it is not built upon.
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
