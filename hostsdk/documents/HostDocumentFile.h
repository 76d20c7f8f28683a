#pragma once
// Reads the small JSON files that stand for the host's documents and books. Each is one JSON
// object; keys not listed here are ignored, so that later versions can add keys (pages, fonts)
// and older files still read; a key given twice counts with its last value.
//
// Document:
//   "name"   text, required, not empty: the name the host shows ("Brochure.indd").
//   "saved"  true or false, default false: false for a document never saved (untitled).
//   "path"   text: the document's file; required when saved, not allowed when untitled.
// Book:
//   "name"      text, required, not empty ("Catalogue.indb").
//   "path"      text: the book's file; default the JSON file itself.
//   "chapters"  array of texts, default empty: the chapters' document files (JSON files as
//               above), relative to the book file's folder or absolute, in book order.
//   "selection" array of integers, default empty: the selected chapters, by index from 0, each
//               at most once.
//
// A file that cannot be read, is not JSON, is larger than 1 MiB, or breaks the rules above gives
// false and an error that names the file (and the line and column of a JSON syntax error).
#include <string>

#include "hostsdk/documents/HostBookRecord.h"
#include "hostsdk/documents/HostDocumentRecord.h"

class HostDocumentFile {
public:
    static bool ReadDocument(const std::string& file, HostDocumentRecord& document, std::string& error);
    static bool ReadBook(const std::string& file, HostBookRecord& book, std::string& error);
    // The same for the bytes of `file`, already read.
    static bool ParseDocument(const std::string& bytes, const std::string& file, HostDocumentRecord& document,
                              std::string& error);
    static bool ParseBook(const std::string& bytes, const std::string& file, HostBookRecord& book, std::string& error);
};
