#pragma once
// Reads the small JSON files that stand for the host's documents and books. Each is one JSON
// object; keys not listed here are ignored, so that later versions can add keys (layers, links)
// and older files still read; a key given twice counts with its last value.
//
// Document (lengths are points, 1/72 inch):
//   "name"     text, required, not empty: the name the host shows ("Brochure.indd").
//   "saved"    true or false, default false: false for a document never saved (untitled).
//   "path"     text: the document's file; required when saved, not allowed when untitled.
//   "modified" true or false, default false: a saved document has changes its file does not hold
//              yet (what is described here is what the host shows, not what the file holds).
//              Not allowed for an untitled document, which has no file.
//   "pageSize" [width, height], default [612, 792]; each from 1 to 14400.
//   "bleed", "slug"  a number for all four edges, or {"top", "bottom", "inside", "outside"}
//              (each optional, default 0), from 0 to 432. Inside is a single page's left edge.
//   "pages"    array of page objects, default one empty page; at most 10000. A page object has
//              "text" (array of texts, one line each) and "rectangle" ([x, y, width, height]
//              from the page's top left), both optional.
//   "sections" array of {"page": position from 1, "prefix": text, "start": number from 1}, in
//              page order: from that page on, pages are numbered from "start" and belong to
//              the section "prefix" (no ":", ",", "-", "+" or blank in it). Pages before the
//              first section form a section without prefix numbered from 1.
//   "fonts"    array of {"name": text, "missing": true or false (default false)}: the fonts
//              the document uses, missing when the host does not find them.
// Book:
//   "name"      text, required, not empty ("Catalogue.indb").
//   "path"      text: the book's file; default the JSON file itself.
//   "chapters"  array of texts, default empty: the chapters' document files (JSON files as
//               above), relative to the book file's folder or absolute, in book order.
//   "selection" array of integers, default empty: the selected chapters, by index from 0, each
//               at most once.
//   "modified"  true or false, default false: the book has changes not saved yet.
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
    // The JSON text of a record, which reads back as the same record.
    static std::string FormatDocument(const HostDocumentRecord& document);
    static std::string FormatBook(const HostBookRecord& book);
    // Writes `text` to `file` through a temporary file beside it, renamed over it once written:
    // the file is the old or the new one, never cut.
    static bool WriteFile(const std::string& file, const std::string& text, std::string& error);
};
