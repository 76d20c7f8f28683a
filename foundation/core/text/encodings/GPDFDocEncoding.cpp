#include "core/text/encodings/GPDFDocEncoding.h"

#include "core/text/encodings/generated/GSingleByteTables.h"

GSharedObject<GPDFDocEncoding> GPDFDocEncoding::sInstance;

GPDFDocEncoding::GPDFDocEncoding() : GSimpleEncoding(StaticName("PDFDocEncoding")) {}

void GPDFDocEncoding::FillTables() {
    AddLatinGlyphNames(&GLatinGlyphRow::pdfDocCode);
    AddUnicodeValues(cPDFDocToUnicode);
}

GPDFDocEncoding::~GPDFDocEncoding() = default;
