#include "GPDFDocEncoding.h"

#include "GSingleByteTables.h"

GSharedObject<GPDFDocEncoding> GPDFDocEncoding::sInstance;

GPDFDocEncoding::GPDFDocEncoding() : GSimpleEncoding(StaticName("PDFDocEncoding")) {
    AddLatinGlyphNames(&GLatinGlyphRow::pdfDocCode);
    AddUnicodeValues(cPDFDocToUnicode);
}

GPDFDocEncoding::~GPDFDocEncoding() = default;
