#pragma once
// What the book export command exports: a book's contents, as PDF, into one file, with the
// session's PDF export preferences.
#include <cstdint>

#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/UIDList.h"

class IBookExportData : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x10012;
    static constexpr const char* kInterfaceName = "IBookExportData";
    // The export format that makes a PDF.
    static constexpr ClassID kPDFFormat = 0x25A8;

    // The book, by its file; it must be open.
    virtual void SetBookFile(const IDFile& book) = 0;
    // The contents to export (over the book's database); with `wholeBook` every content instead.
    virtual void SetContents(const UIDList& contents, bool16 wholeBook) = 0;
    // The PDF file; `given` says that the file is to be used as it is (no dialog asks).
    virtual void SetOutputFile(const IDFile& file, bool16 given) = 0;
    virtual void SetExportFormat(ClassID format) = 0;
    // Which of the host's dialogs and alerts may show (bits; 0xFF: none).
    virtual void SetUIFlags(std::int32_t flags) = 0;
};
