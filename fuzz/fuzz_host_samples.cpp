// The stand-in host's sample files, job options, page ranges and shortcut texts on outside bytes:
// no crash; a document it takes is saved exactly when it has a path and reads back the same from
// its written form; a book's selection names each of its chapters at most once; job options it
// takes read back the same from their written form; a page range selects pages of the document,
// each once; a shortcut it takes reads back the same from its shown form.
//
// Input: the bytes of a sample file, also read as job options, a page range (of a document with
// sections) and a shortcut text.
#include <cstdint>
#include <set>
#include <string>

#include "hostsdk/actions/ShortcutText.h"
#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/documents/HostPageRange.h"
#include "hostsdk/pdf/HostJobOptions.h"
#include "support/FuzzInput.h"

namespace {

void CheckDocument(const std::string& bytes) {
    HostDocumentRecord document;
    std::string error;
    if (!HostDocumentFile::ParseDocument(bytes, "/samples/doc.json", document, error)) {
        Check(error.rfind("/samples/doc.json: ", 0) == 0);
        return;
    }
    Check(!document.name.empty());
    Check(document.saved == !document.path.empty());
    const std::string written = HostDocumentFile::FormatDocument(document);
    HostDocumentRecord again;
    Check(HostDocumentFile::ParseDocument(written, "/samples/again.json", again, error));
    Check(HostDocumentFile::FormatDocument(again) == written);
}

void CheckJobOptions(const std::string& bytes) {
    HostPdfSettings settings;
    std::string error;
    if (!HostJobOptions::Parse(bytes, settings, error)) {
        Check(!error.empty());
        return;
    }
    HostPdfSettings again;
    Check(HostJobOptions::Parse(HostJobOptions::Format(settings), again, error));
    Check(again == settings);
}

void CheckPageRange(const std::string& text) {
    static const std::vector<HostSectionRecord> fSections = {{3, "A", 1}, {5, "B", 7}};
    std::vector<int> pages;
    std::string error;
    if (!HostPageRange::Parse(text, 8, fSections, pages, error))
        return;
    std::set<int> seen;
    for (int page : pages) {
        Check(page >= 0 && page < 8);
        Check(seen.insert(page).second);
    }
}

void CheckBook(const std::string& bytes) {
    HostBookRecord book;
    std::string error;
    if (!HostDocumentFile::ParseBook(bytes, "/samples/book.json", book, error))
        return;
    Check(!book.name.empty() && !book.path.empty());
    std::set<int> seen;
    for (int chapter : book.selection) {
        Check(chapter >= 0 && chapter < static_cast<int>(book.chapters.size()));
        Check(seen.insert(chapter).second);
    }
}

void CheckShortcut(const std::string& text) {
    VirtualKey key = 0;
    std::int16_t modifiers = 0;
    bool functionKey = false;
    if (!ShortcutText::Parse(text, key, modifiers, functionKey))
        return;
    VirtualKey again = 0;
    std::int16_t modifiersAgain = 0;
    bool functionAgain = false;
    Check(ShortcutText::Parse(ShortcutText::Format(key, modifiers), again, modifiersAgain, functionAgain));
    Check(again == key && modifiersAgain == modifiers && functionAgain == functionKey);
}

}  // namespace

// Qt 5.15's JSON parser loses the array or object that a repeated key replaces ({"a": [1],
// "a": 2}); that is Qt's, not the reader's, so LeakSanitizer leaves blocks made inside Qt Core.
extern "C" const char* __lsan_default_suppressions() { return "leak:libQt5Core.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 0, 1 << 14))
        return 0;
    const std::string bytes(reinterpret_cast<char const*>(data), size);
    CheckDocument(bytes);
    CheckBook(bytes);
    CheckJobOptions(bytes);
    CheckPageRange(bytes);
    CheckShortcut(bytes);
    return 0;
}
