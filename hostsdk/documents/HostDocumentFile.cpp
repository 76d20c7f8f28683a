#include "hostsdk/documents/HostDocumentFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <set>

namespace {

constexpr qint64 kMaximumSize = 1 << 20;

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
    const QByteArray read = input.read(kMaximumSize + 1);
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
    return true;
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

bool ReadBookObject(const std::string& file, const QJsonObject& object, HostBookRecord& book, std::string& error) {
    const QFileInfo info(QString::fromStdString(file));
    book.path = info.absoluteFilePath().toStdString();
    return ReadText(object, "name", true, book.name, error) && ReadText(object, "path", false, book.path, error) &&
           ReadChapters(object, info.absoluteDir(), book, error) && ReadSelection(object, book, error);
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
