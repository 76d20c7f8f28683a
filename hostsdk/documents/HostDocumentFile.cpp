#include "hostsdk/documents/HostDocumentFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <set>

namespace {

constexpr qint64 kMaximumSize = 1 << 20;
// Generous bounds that keep a sample's drawing finite: 200 inches, 6 inches, 10000 pages.
constexpr double kMaximumPageSide = 14400;
constexpr double kMaximumEdge = 432;
constexpr int kMaximumPages = 10000;

// Line and column (from 1) of a byte offset.
std::string Position(const QByteArray& bytes, int offset) {
    int line = 1;
    int column = 1;
    for (int i = 0; i < offset && i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

bool ReadBytes(const std::string& file, std::string& bytes, std::string& error) {
    QFile input(QString::fromStdString(file));
    if (!input.open(QIODevice::ReadOnly)) {
        error = "cannot be read: " + input.errorString().toStdString();
        return false;
    }
    // As much as the file holds, not a buffer of the largest size allowed; a file of no known
    // size (or one that grew) is read on up to that size.
    QByteArray read = input.read(std::min<qint64>(input.size(), kMaximumSize) + 1);
    if (read.size() > input.size() && read.size() <= kMaximumSize)
        read += input.read(kMaximumSize + 1 - read.size());
    bytes.assign(read.constData(), static_cast<std::size_t>(read.size()));
    return true;
}

bool ParseObject(const std::string& text, QJsonObject& object, std::string& error) {
    if (text.size() > static_cast<std::size_t>(kMaximumSize)) {
        error = "is larger than 1 MiB";
        return false;
    }
    const QByteArray bytes = QByteArray::fromRawData(text.data(), static_cast<int>(text.size()));
    QJsonParseError parse;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = "is not JSON (" + Position(bytes, parse.offset) + "): " + parse.errorString().toStdString();
        return false;
    }
    if (!json.isObject()) {
        error = "is not a JSON object";
        return false;
    }
    object = json.object();
    return true;
}

bool ReadText(const QJsonObject& object, const char* key, bool required, std::string& value, std::string& error) {
    const QJsonValue found = object.value(key);
    if (found.isUndefined() && !required)
        return true;
    if (!found.isString() || found.toString().isEmpty()) {
        error = std::string("\"") + key + "\" must be a text that is not empty";
        return false;
    }
    value = found.toString().toStdString();
    return true;
}

// A length in points: a finite number from 0 to `maximum`.
bool ReadLength(const QJsonValue& value, const std::string& what, double maximum, double& length, std::string& error) {
    const double number = value.toDouble(-1);
    if (!value.isDouble() || !(number >= 0) || number > maximum) {
        error = what + " must be a number of points from 0 to " + std::to_string(static_cast<int>(maximum));
        return false;
    }
    length = number;
    return true;
}

bool ReadPageSize(const QJsonObject& object, HostDocumentRecord& document, std::string& error) {
    const QJsonValue size = object.value("pageSize");
    if (size.isUndefined())
        return true;
    const QJsonArray pair = size.toArray();
    if (!size.isArray() || pair.size() != 2) {
        error = "\"pageSize\" must be an array of a width and a height";
        return false;
    }
    if (!ReadLength(pair[0], "\"pageSize\"", kMaximumPageSide, document.pageWidth, error) ||
        !ReadLength(pair[1], "\"pageSize\"", kMaximumPageSide, document.pageHeight, error))
        return false;
    if (document.pageWidth < 1 || document.pageHeight < 1) {
        error = "\"pageSize\" must be at least 1 point each way";
        return false;
    }
    return true;
}

// A number for all four edges, or an object of "top", "bottom", "inside" and "outside".
bool ReadEdges(const QJsonObject& object, const char* key, HostEdges& edges, std::string& error) {
    const QJsonValue value = object.value(key);
    const std::string what = std::string("\"") + key + "\"";
    if (value.isUndefined())
        return true;
    if (value.isDouble()) {
        double all = 0;
        if (!ReadLength(value, what, kMaximumEdge, all, error))
            return false;
        edges = {all, all, all, all};
        return true;
    }
    if (!value.isObject()) {
        error = what + " must be a number or an object of edges";
        return false;
    }
    const QJsonObject sides = value.toObject();
    HostEdges read;
    const std::pair<const char*, double*> fields[] = {
        {"top", &read.top}, {"bottom", &read.bottom}, {"inside", &read.inside}, {"outside", &read.outside}};
    for (const auto& field : fields)
        if (sides.contains(field.first) &&
            !ReadLength(sides.value(field.first), what + " " + field.first, kMaximumEdge, *field.second, error))
            return false;
    edges = read;
    return true;
}

bool ReadTextLines(const QJsonValue& value, HostPageRecord& page, std::string& error) {
    if (value.isUndefined())
        return true;
    if (!value.isArray()) {
        error = "a page's \"text\" must be an array of texts";
        return false;
    }
    for (const QJsonValue& line : value.toArray()) {
        if (!line.isString()) {
            error = "a page's \"text\" must be an array of texts";
            return false;
        }
        page.text.push_back(line.toString().toStdString());
    }
    return true;
}

bool ReadRectangle(const QJsonValue& value, HostPageRecord& page, std::string& error) {
    if (value.isUndefined())
        return true;
    const QJsonArray numbers = value.toArray();
    if (!value.isArray() || numbers.size() != 4) {
        error = "a page's \"rectangle\" must be an array of x, y, width and height";
        return false;
    }
    for (int i = 0; i < 4; ++i)
        if (!ReadLength(numbers[i], "a page's \"rectangle\"", kMaximumPageSide, page.rectangle[i], error))
            return false;
    page.hasRectangle = true;
    return true;
}

bool ReadPages(const QJsonObject& object, HostDocumentRecord& document, std::string& error) {
    const QJsonValue pages = object.value("pages");
    if (pages.isUndefined())
        return true;
    if (!pages.isArray() || pages.toArray().size() > kMaximumPages) {
        error = "\"pages\" must be an array of at most " + std::to_string(kMaximumPages) + " page objects";
        return false;
    }
    document.pages.clear();
    for (const QJsonValue& value : pages.toArray()) {
        if (!value.isObject()) {
            error = "\"pages\" must be an array of page objects";
            return false;
        }
        HostPageRecord page;
        if (!ReadTextLines(value.toObject().value("text"), page, error) ||
            !ReadRectangle(value.toObject().value("rectangle"), page, error))
            return false;
        document.pages.push_back(page);
    }
    return true;
}

bool ReadWholeNumber(const QJsonValue& value, int minimum, int maximum, int& number) {
    const double read = value.toDouble(minimum - 1.0);
    if (!value.isDouble() || !(read >= minimum) || read > maximum || read != std::floor(read))
        return false;
    number = static_cast<int>(read);
    return true;
}

bool ReadSection(const QJsonValue& value, const HostDocumentRecord& document, HostSectionRecord& section,
                 std::string& error) {
    const QJsonObject object = value.toObject();
    const int last = document.sections.empty() ? 0 : document.sections.back().page;
    if (!value.isObject() ||
        !ReadWholeNumber(object.value("page"), last + 1, static_cast<int>(document.pages.size()), section.page)) {
        error = "a section's \"page\" must be the position of a page after the previous section's";
        return false;
    }
    if (object.contains("start") && !ReadWholeNumber(object.value("start"), 1, 1000000, section.start)) {
        error = "a section's \"start\" must be a whole number from 1";
        return false;
    }
    const QJsonValue prefix = object.value("prefix");
    if (!prefix.isUndefined() && !prefix.isString()) {
        error = "a section's \"prefix\" must be a text";
        return false;
    }
    section.prefix = prefix.toString().toStdString();
    if (section.prefix.find_first_of(":,-+ ") != std::string::npos) {
        error = "a section's \"prefix\" cannot hold \":\", \",\", \"-\", \"+\" or a blank";
        return false;
    }
    return true;
}

bool ReadSections(const QJsonObject& object, HostDocumentRecord& document, std::string& error) {
    const QJsonValue sections = object.value("sections");
    if (sections.isUndefined())
        return true;
    if (!sections.isArray()) {
        error = "\"sections\" must be an array of section objects";
        return false;
    }
    for (const QJsonValue& value : sections.toArray()) {
        HostSectionRecord section;
        if (!ReadSection(value, document, section, error))
            return false;
        document.sections.push_back(section);
    }
    return true;
}

bool ReadFonts(const QJsonObject& object, HostDocumentRecord& document, std::string& error) {
    const QJsonValue fonts = object.value("fonts");
    if (fonts.isUndefined())
        return true;
    if (!fonts.isArray()) {
        error = "\"fonts\" must be an array of font objects";
        return false;
    }
    for (const QJsonValue& value : fonts.toArray()) {
        const QJsonObject font = value.toObject();
        HostFontRecord record;
        if (!value.isObject() || !ReadText(font, "name", true, record.name, error)) {
            error = "each font needs a \"name\" that is not empty";
            return false;
        }
        const QJsonValue missing = font.value("missing");
        if (!missing.isUndefined() && !missing.isBool()) {
            error = "a font's \"missing\" must be true or false";
            return false;
        }
        record.missing = missing.toBool(false);
        document.fonts.push_back(record);
    }
    return true;
}

bool ReadLayout(const QJsonObject& object, HostDocumentRecord& document, std::string& error) {
    return ReadPageSize(object, document, error) && ReadEdges(object, "bleed", document.bleed, error) &&
           ReadEdges(object, "slug", document.slug, error) && ReadPages(object, document, error) &&
           ReadSections(object, document, error) && ReadFonts(object, document, error);
}

bool ReadDocumentObject(const QJsonObject& object, HostDocumentRecord& document, std::string& error) {
    if (!ReadText(object, "name", true, document.name, error))
        return false;
    const QJsonValue saved = object.value("saved");
    if (!saved.isUndefined() && !saved.isBool()) {
        error = "\"saved\" must be true or false";
        return false;
    }
    document.saved = saved.toBool(false);
    if (!ReadText(object, "path", false, document.path, error))
        return false;
    if (document.saved == document.path.empty()) {
        error = document.saved ? "a saved document needs a \"path\"" : "an untitled document has no \"path\"";
        return false;
    }
    const QJsonValue modified = object.value("modified");
    if (!modified.isUndefined() && !modified.isBool()) {
        error = "\"modified\" must be true or false";
        return false;
    }
    document.modified = modified.toBool(false);
    // An untitled document has no file its changes could be missing from.
    if (document.modified && !document.saved) {
        error = "an untitled document cannot be \"modified\"";
        return false;
    }
    return ReadLayout(object, document, error);
}

bool ReadChapters(const QJsonObject& object, const QDir& folder, HostBookRecord& book, std::string& error) {
    const QJsonValue chapters = object.value("chapters");
    if (chapters.isUndefined())
        return true;
    if (!chapters.isArray()) {
        error = "\"chapters\" must be an array of texts";
        return false;
    }
    for (const QJsonValue& chapter : chapters.toArray()) {
        if (!chapter.isString() || chapter.toString().isEmpty()) {
            error = "\"chapters\" must be an array of texts that are not empty";
            return false;
        }
        book.chapters.push_back(QDir::cleanPath(folder.absoluteFilePath(chapter.toString())).toStdString());
    }
    return true;
}

bool ReadSelection(const QJsonObject& object, HostBookRecord& book, std::string& error) {
    const QJsonValue selection = object.value("selection");
    if (selection.isUndefined())
        return true;
    if (!selection.isArray()) {
        error = "\"selection\" must be an array of chapter indices";
        return false;
    }
    std::set<int> seen;
    for (const QJsonValue& index : selection.toArray()) {
        // Checked as a number first: a huge or fractional one must not reach the conversion.
        const double value = index.toDouble(-1);
        if (!index.isDouble() || !(value >= 0) || value >= static_cast<double>(book.chapters.size()) ||
            value != std::floor(value)) {
            error = "\"selection\" holds something that is not the index of a chapter";
            return false;
        }
        const int chapter = static_cast<int>(value);
        if (!seen.insert(chapter).second) {
            error = "\"selection\" names chapter " + std::to_string(chapter) + " twice";
            return false;
        }
        book.selection.push_back(chapter);
    }
    return true;
}

bool ReadModified(const QJsonObject& object, HostBookRecord& book, std::string& error) {
    const QJsonValue modified = object.value("modified");
    if (!modified.isUndefined() && !modified.isBool()) {
        error = "\"modified\" must be true or false";
        return false;
    }
    book.modified = modified.toBool(false);
    return true;
}

bool ReadBookObject(const std::string& file, const QJsonObject& object, HostBookRecord& book, std::string& error) {
    const QFileInfo info(QString::fromStdString(file));
    book.path = info.absoluteFilePath().toStdString();
    return ReadText(object, "name", true, book.name, error) && ReadText(object, "path", false, book.path, error) &&
           ReadChapters(object, info.absoluteDir(), book, error) && ReadSelection(object, book, error) &&
           ReadModified(object, book, error);
}

// Names the file in front of an error.
bool Named(const std::string& file, bool read, std::string& error) {
    if (!read)
        error = file + ": " + error;
    return read;
}

}  // namespace

bool HostDocumentFile::ReadDocument(const std::string& file, HostDocumentRecord& document, std::string& error) {
    std::string bytes;
    if (!ReadBytes(file, bytes, error))
        return Named(file, false, error);
    return ParseDocument(bytes, file, document, error);
}

bool HostDocumentFile::ReadBook(const std::string& file, HostBookRecord& book, std::string& error) {
    std::string bytes;
    if (!ReadBytes(file, bytes, error))
        return Named(file, false, error);
    return ParseBook(bytes, file, book, error);
}

bool HostDocumentFile::ParseDocument(const std::string& bytes, const std::string& file, HostDocumentRecord& document,
                                     std::string& error) {
    QJsonObject object;
    HostDocumentRecord read;
    const bool done = ParseObject(bytes, object, error) && ReadDocumentObject(object, read, error);
    if (done)
        document = read;
    return Named(file, done, error);
}

bool HostDocumentFile::ParseBook(const std::string& bytes, const std::string& file, HostBookRecord& book,
                                 std::string& error) {
    QJsonObject object;
    HostBookRecord read;
    const bool done = ParseObject(bytes, object, error) && ReadBookObject(file, object, read, error);
    if (done)
        book = read;
    return Named(file, done, error);
}

namespace {

QJsonObject EdgesObject(const HostEdges& edges) {
    return QJsonObject{{"top", edges.top}, {"bottom", edges.bottom}, {"inside", edges.inside}, {"outside", edges.outside}};
}

QJsonArray PagesArray(const std::vector<HostPageRecord>& pages) {
    QJsonArray array;
    for (const HostPageRecord& page : pages) {
        QJsonObject object;
        QJsonArray lines;
        for (const std::string& line : page.text)
            lines.append(QString::fromStdString(line));
        object["text"] = lines;
        if (page.hasRectangle)
            object["rectangle"] =
                QJsonArray{page.rectangle[0], page.rectangle[1], page.rectangle[2], page.rectangle[3]};
        array.append(object);
    }
    return array;
}

std::string Text(const QJsonObject& object) {
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Indented);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

std::string HostDocumentFile::FormatDocument(const HostDocumentRecord& document) {
    QJsonObject object{{"name", QString::fromStdString(document.name)}, {"saved", document.saved}};
    if (document.saved)
        object["path"] = QString::fromStdString(document.path);
    // Only when set, so that the files of unchanged documents stay as they were.
    if (document.modified)
        object["modified"] = true;
    object["pageSize"] = QJsonArray{document.pageWidth, document.pageHeight};
    object["bleed"] = EdgesObject(document.bleed);
    object["slug"] = EdgesObject(document.slug);
    object["pages"] = PagesArray(document.pages);
    QJsonArray sections;
    for (const HostSectionRecord& section : document.sections)
        sections.append(QJsonObject{
            {"page", section.page}, {"prefix", QString::fromStdString(section.prefix)}, {"start", section.start}});
    object["sections"] = sections;
    QJsonArray fonts;
    for (const HostFontRecord& font : document.fonts)
        fonts.append(QJsonObject{{"name", QString::fromStdString(font.name)}, {"missing", font.missing}});
    object["fonts"] = fonts;
    return Text(object);
}

std::string HostDocumentFile::FormatBook(const HostBookRecord& book) {
    QJsonArray chapters;
    for (const std::string& chapter : book.chapters)
        chapters.append(QString::fromStdString(chapter));
    QJsonArray selection;
    for (int index : book.selection)
        selection.append(index);
    return Text(QJsonObject{{"name", QString::fromStdString(book.name)},
                            {"path", QString::fromStdString(book.path)},
                            {"chapters", chapters},
                            {"selection", selection},
                            {"modified", book.modified}});
}

bool HostDocumentFile::WriteFile(const std::string& file, const std::string& text, std::string& error) {
    QSaveFile output(QString::fromStdString(file));
    if (!output.open(QIODevice::WriteOnly) ||
        output.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
        !output.commit()) {
        error = file + ": cannot be written: " + output.errorString().toStdString();
        return false;
    }
    return true;
}
